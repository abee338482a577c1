#include "journal/recording.h"

#include "base/error.h"
#include "scan/decode.h"

namespace pelorin::journal {

namespace {

void decodeInto(Entry& e, const CodeDecoder& decoder)
{
    try {
        const DecodedTexts texts = decoder.decodeAll(e.code, &e.error);
        for (int i = 0; i < kDecodedCount; ++i)
            e.decoded[size_t(i)] = texts[size_t(i)];
    } catch (...) {
        e.error = currentErrorMessage();
    }
}

} // namespace

Entry scanEntry(const QString& code, const CodeDecoder& decoder, const QString& source)
{
    Entry e = newEntry(EntryKind::Scan);
    e.code = code;
    e.source = source;
    decodeInto(e, decoder);
    return e;
}

Entry scanEntry(const QString& code, const std::array<QString, kDecodedCount>& texts, const QString& dateError,
                const QString& source)
{
    Entry e = newEntry(EntryKind::Scan);
    e.code = code;
    e.source = source;
    e.decoded = texts;
    e.error = dateError;
    return e;
}

Entry printEntry(const PrintedPage& page, const CodeDecoder& decoder)
{
    Entry e = newEntry(EntryKind::Print);
    e.code = page.code;
    e.operatorText = page.operatorText;
    e.model = page.model;
    e.labels = labelRanges(page.labels);
    e.labelCount = int(page.labels.size());
    e.firstText = page.firstText;
    e.lastText = page.lastText;
    e.medium = page.medium;
    e.output = page.output;
    decodeInto(e, decoder);
    // a printed code that does not decode is still what went on the labels; only scans report errors
    e.error.clear();
    return e;
}

} // namespace pelorin::journal
