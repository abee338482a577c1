// The serial chunk cutter: the first byte is the end character, the second cuts the rest into
// chunks of its length, as the port delivers them. Nothing received is lost or invented: the codes
// and what is still buffered hold at most the bytes received.
#include "fuzzsupport.h"

#include "scan/serialreceiver.h"

using namespace pelorin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const int end = data[0];
    const size_t step = std::max<size_t>(1, data[1] % 64);
    SerialReceiver receiver;
    qsizetype produced = 0;
    for (size_t i = 2; i < size; i += step) {
        const QByteArray chunk = fuzz::bytes(data + i, std::min(step, size - i));
        for (const QString& code : receiver.feed(chunk, end))
            produced += code.size();
    }
    FUZZ_CHECK(produced + receiver.buffer().size() <= qsizetype(size - 2));
    return 0;
}
