// SCB sheets of scanned codes: the codes read are written back to a sheet that reads to the same
// codes, and that sheet is written again byte for byte.
#include "fuzzsupport.h"

#include "base/error.h"
#include "scan/scbfile.h"

using namespace pelorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList codes = scbCodes(fuzz::bytes(data, size));
    for (const QString& code : codes)
        FUZZ_CHECK(!code.contains(u'\r') && !code.contains(u'\n'));
    QByteArray written;
    try {
        written = scbBytes(codes);
    } catch (const Error&) {
        FUZZ_CHECK(false); // every character read from a sheet can be written to one
    }
    FUZZ_CHECK(scbCodes(written) == codes);
    FUZZ_CHECK(scbBytes(scbCodes(written)) == written);
    return 0;
}
