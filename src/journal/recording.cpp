#include "journal/recording.h"

#include "base/error.h"
#include "scan/decode.h"

namespace pelorin::journal {

namespace {

// The decoded texts of the entry's code; the error is why the code does not decode, when it does not.
void decodeInto(Entry& e, const CodeDecoder& decoder)
{
    try {
        QString dateError;
        e.decoded = decoder.decodeAll(e.code, &dateError);
        e.error = readProblem(e.code, e.decoded, dateError);
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
    if (!e.error.isEmpty())
        e.kind = EntryKind::Misread;
    return e;
}

Entry scanEntry(const QString& code, const std::array<QString, kDecodedCount>& texts, const QString& error,
                const QString& source)
{
    Entry e = newEntry(EntryKind::Scan);
    e.code = code;
    e.source = source;
    e.decoded = texts;
    // the reason given wins; without one, a read that is no whole code that decodes is still said so
    e.error = error.isEmpty() ? readProblem(code, texts, QString()) : error;
    if (!e.error.isEmpty())
        e.kind = EntryKind::Misread;
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
    e.copies = qMax(1, page.copies);
    // a page exported to a file is no label: only what went to a printer counts as printed
    e.labelTotal = page.medium == Medium::Printer ? e.labelCount * e.copies : 0;
    e.dpi = qMax(0, page.dpi);
    e.firstText = page.firstText;
    e.lastText = page.lastText;
    e.allTexts = page.allTexts;
    e.medium = page.medium;
    e.output = page.output;
    e.description = page.description;
    if (!page.description.isEmpty())
        e.fingerprint = pageFingerprint(page.description);
    e.reprintOf = page.reprintOf;
    decodeInto(e, decoder);
    // a printed code that does not decode is still what went on the labels; only scans report errors
    e.error.clear();
    return e;
}

} // namespace pelorin::journal
