// The decoder: any text read from a scanner decodes against the shipped configuration to seven
// texts or a date message, never anything worse.
#include "fuzzsupport.h"

#include "base/codepage.h"
#include "base/error.h"
#include "base/paths.h"
#include "config/configfile.h"
#include "scan/decode.h"

using namespace pelorin;

namespace {

ConfigFile& configuration()
{
    static ConfigFile* config = [] {
        DataFolder::setRoot(QStringLiteral(PELORIN_FUZZ_DATA));
        auto* c = new ConfigFile;
        c->load();
        return c;
    }();
    return *config;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::ensureApplication();
    configuration();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ensureApplication();
    const QString code = fromCp1252(fuzz::bytes(data, size));
    const CodeDecoder decoder(configuration());
    QString dateError;
    try {
        decoder.decodeAll(code, &dateError);
        decoder.beginBatch();
        decoder.decodeAll(code, &dateError);
        decoder.endBatch();
    } catch (const Error&) {
    }
    return 0;
}
