// The serial chunk cutter: the first byte is the end character, the rest the bytes received. The
// codes must not depend on how the port cut the bytes into chunks, never hold a control character,
// and never grow past the longest code a scanner sends.
#include "fuzzsupport.h"

#include "scan/serialreceiver.h"

using namespace pelorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ReceivedCodes whole = cutReceivedBytes(bytes);
    for (const QString& code : whole.codes) {
        FUZZ_CHECK(code.size() <= SerialReceiver::kMaxCodeLength);
        for (const QChar c : code)
            FUZZ_CHECK(c.unicode() >= 32 && c.unicode() != 127);
    }
    for (const int chunk : {1, 2, 7, 64}) {
        const ReceivedCodes cut = cutReceivedBytes(bytes, chunk);
        FUZZ_CHECK(cut.codes == whole.codes);
        FUZZ_CHECK(cut.messages == whole.messages);
    }
    return 0;
}
