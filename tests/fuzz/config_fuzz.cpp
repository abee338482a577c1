// cfg.xml and every XML file: load, save, load again. Whatever loads must save to bytes that load
// to the same document, and saving those again must give the same bytes.
#include "fuzzsupport.h"

#include "base/error.h"
#include "config/xmldocument.h"

#include <sstream>

using namespace pelorin;

namespace {

// The document as pugixml itself writes it, unindented: two documents are the same when these are.
std::string dump(const XmlDocument& doc)
{
    std::ostringstream out;
    doc.raw().save(out, "", pugi::format_raw, pugi::encoding_utf8);
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    XmlDocument first;
    try {
        first.loadBytes(fuzz::bytes(data, size), QStringLiteral("cfg.xml"));
    } catch (const Error&) {
        return 0;
    }
    QByteArray saved;
    try {
        saved = first.toBytes();
    } catch (const Error&) {
        return 0; // a declared encoding the writer does not know is refused by the load already
    }
    XmlDocument second;
    try {
        second.loadBytes(saved, QStringLiteral("cfg.xml"));
    } catch (const Error& e) {
        std::fprintf(stderr, "saved document does not load: %s\n", qPrintable(e.message()));
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(dump(first) == dump(second));
    FUZZ_CHECK(second.toBytes() == saved);
    FUZZ_CHECK(second.usesCrLf() == first.usesCrLf());
    return 0;
}
