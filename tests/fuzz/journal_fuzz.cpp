// The journal's road for scanned codes: the reads of a sheet decoded, recorded in an SQLite journal,
// found again by a search on their code, and written out as JSON, TSV and CSV that read back to the
// same entry. No control character reaches the journal, and no cell spills into the next.
#include "fuzzsupport.h"

#include "base/error.h"
#include "base/paths.h"
#include "config/configfile.h"
#include "journal/columns.h"
#include "journal/database.h"
#include "journal/export.h"
#include "journal/recording.h"
#include "journal/search.h"
#include "scan/decode.h"
#include "scan/scbfile.h"

#include <QJsonDocument>
#include <QTemporaryDir>

using namespace pelorin;
using namespace pelorin::journal;

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

Database& fuzzJournal()
{
    static QTemporaryDir* dir = new QTemporaryDir;
    static Database* db = [] {
        Database* d = Database::openSqlite(dir->filePath(QStringLiteral("journal.sqlite"))).release();
        d->migrate();
        return d;
    }();
    return *db;
}

// The cells of one CSV line as a spreadsheet reads them: ","-separated, quoted cells with doubled
// quotes, the line ending in CR LF.
QStringList csvCells(const QString& line)
{
    FUZZ_CHECK(line.endsWith(QLatin1String("\r\n")));
    const QString text = line.chopped(2);
    QStringList cells;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                cell += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == u'"' && cell.isEmpty()) {
            quoted = true;
        } else if (c == u',') {
            cells << cell;
            cell.clear();
        } else {
            cell += c;
        }
    }
    FUZZ_CHECK(!quoted);
    cells << cell;
    return cells;
}

void checkWrittenForms(const Entry& e)
{
    // JSON: the same entry back
    const QJsonObject json = e.toJson();
    FUZZ_CHECK(Entry::fromJson(QJsonDocument::fromJson(QJsonDocument(json).toJson()).object()).toJson() == json);
    const QStringList cells = entryCells(e);
    // TSV: one line, one cell per column
    const QString tsv = tsvLine(cells);
    FUZZ_CHECK(!tsv.contains(u'\n') && !tsv.contains(u'\r'));
    FUZZ_CHECK(tsv.split(u'\t').size() == cells.size());
    // CSV: one line, each cell back on it (its line breaks written " / "), a cell a spreadsheet would
    // take for a formula behind an apostrophe
    const QString csv = csvLine(cells);
    FUZZ_CHECK(!csv.chopped(2).contains(u'\n') && !csv.chopped(2).contains(u'\r'));
    const QStringList read = csvCells(csv);
    FUZZ_CHECK(read.size() == cells.size());
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const QString cell = oneLine(cells[i]);
        const bool formula = !cell.isEmpty() && QStringLiteral("=+-@").contains(cell.front());
        FUZZ_CHECK(read[i] == (formula ? u'\'' + cell : cell));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::ensureApplication();
    configuration();
    fuzzJournal();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ensureApplication();
    ScbReads reads;
    try {
        reads = scbReads(fuzz::bytes(data, size), QStringLiteral("fuzz.SCB"));
    } catch (const Error&) {
        return 0; // no sheet: refused whole
    }
    const CodeDecoder decoder(configuration());
    QList<Entry> entries;
    // a few reads are enough to follow the road; a long sheet only repeats it
    for (const QString& code : reads.codes.mid(0, 32)) {
        FUZZ_CHECK(!code.trimmed().isEmpty() && code.size() <= kMaxReadLength && !hasControlCharacters(code));
        Entry e = scanEntry(code, decoder, QStringLiteral("fichier fuzz.SCB"));
        FUZZ_CHECK(e.code == code);
        FUZZ_CHECK(e.kind == (e.error.isEmpty() ? EntryKind::Scan : EntryKind::Misread));
        entries << e;
    }
    Database& db = fuzzJournal();
    try {
        FUZZ_CHECK(db.insert(entries) == entries.size());
    } catch (const Error&) {
        FUZZ_CHECK(false); // every read of a sheet can be recorded
    }
    for (const Entry& e : std::as_const(entries)) {
        Filter filter;
        filter.code = e.code;
        bool found = false;
        Search(db, filter).forEachEntry([&](const Row& r) {
            FUZZ_CHECK(r.entry.code.contains(e.code));
            if (r.entry.id != e.id)
                return;
            found = true;
            FUZZ_CHECK(r.entry.kind == e.kind && r.entry.error == e.error && r.entry.decoded == e.decoded);
            checkWrittenForms(r.entry);
        });
        FUZZ_CHECK(found);
    }
    db.exec(QStringLiteral("DELETE FROM journal_entry"));
    return 0;
}
