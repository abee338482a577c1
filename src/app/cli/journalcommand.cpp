#include "app/cli/cli.h"

#include "base/error.h"
#include "base/paths.h"
#include "config/configfile.h"
#include "journal/database.h"
#include "journal/export.h"
#include "journal/journal.h"
#include "journal/recording.h"
#include "journal/search.h"
#include "scan/decode.h"
#include "scan/scbfile.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

// `pelorin journal`: lists the journal's entries, imports scan sheets, checks the journal.
namespace pelorin::cli {

namespace {

using namespace pelorin::journal;

// A day (its start, or with `end` the start of the next day) or a moment, in local time.
bool parseMoment(const QString& text, bool end, QDateTime* result)
{
    for (const char* format : {"yyyy-MM-dd", "dd/MM/yyyy"}) {
        const QDate d = QDate::fromString(text, QLatin1String(format));
        if (d.isValid()) {
            *result = QDateTime(end ? d.addDays(1) : d, QTime(0, 0)).toUTC();
            return true;
        }
    }
    for (const char* format : {"yyyy-MM-ddTHH:mm:ss", "yyyy-MM-ddTHH:mm", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd HH:mm"}) {
        const QDateTime t = QDateTime::fromString(text, QLatin1String(format));
        if (t.isValid()) {
            *result = t.toUTC();
            return true;
        }
    }
    return false;
}

QJsonObject codeJson(const CodeRow& r)
{
    QJsonObject o;
    o[QLatin1String("code")] = r.code;
    o[QLatin1String("count")] = r.count;
    o[QLatin1String("first")] = r.first.toString(Qt::ISODateWithMs);
    o[QLatin1String("last")] = r.last.toString(Qt::ISODateWithMs);
    const char* keys[kDecodedCount] = {"system", "mass", "packaging", "colour", "perfume", "factory", "date"};
    for (int i = 0; i < kDecodedCount; ++i)
        o[QLatin1String(keys[i])] = r.decoded[size_t(i)];
    return o;
}

int importFiles(Journal& journal, const QStringList& files, QTextStream& out, QTextStream& err)
{
    ConfigFile config;
    config.load();
    const CodeDecoder decoder(config);
    const DecodeBatch batch(decoder);
    int status = 0;
    for (const QString& path : files) {
        QStringList codes;
        try {
            codes = readScbFile(path);
        } catch (const Error& e) {
            err << e.message() << '\n';
            status = 1;
            continue;
        }
        const QFileInfo info(path);
        // the sheet's codes were read when the file was last written
        const QDateTime at = info.lastModified().toUTC();
        QList<Entry> entries;
        for (qsizetype i = 0; i < codes.size(); ++i) {
            Entry e = scanEntry(codes[i], decoder, QStringLiteral("fichier %1").arg(info.fileName()));
            e.at = at;
            // the same sheet imported again gives the same ids, so nothing is stored twice
            e.id = stableId(QStringLiteral("%1\n%2\n%3\n%4")
                                .arg(info.fileName(), Database::timeValue(at), QString::number(i), codes[i])
                                .toUtf8());
            entries << e;
        }
        int added = 0;
        bool stored = false;
        try {
            journal.flush(true);
            if (journal.pending() == 0) {
                added = journal.store().insert(entries);
                stored = true;
            }
        } catch (const Error&) {
        }
        if (!stored) {
            for (const Entry& e : std::as_const(entries)) {
                const RecordResult r = journal.record(e);
                if (!r.message.isEmpty())
                    err << r.message << '\n';
            }
            out << QStringLiteral("%1 : %2 codes en attente d'envoi au journal\n").arg(path).arg(entries.size());
            continue;
        }
        out << QStringLiteral("%1 : %2 codes enregistrés").arg(path).arg(added);
        if (added < entries.size())
            out << QStringLiteral(" (%1 déjà présents)").arg(entries.size() - added);
        out << '\n';
    }
    return status;
}

int check(Journal& journal, QTextStream& out)
{
    const CheckReport r = journal.check();
    out << QStringLiteral("Journal : %1\n").arg(r.store);
    out << QStringLiteral("Intégrité : %1\n").arg(r.integrity);
    out << QStringLiteral("File d'envoi : %1, %2 en attente\n").arg(r.outboxIntegrity).arg(r.pending);
    return r.ok() ? 0 : 1;
}

} // namespace

int journalCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QCommandLineParser parser;
    const QCommandLineOption data(QStringLiteral("data"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption from(QStringLiteral("from"), QString(), QStringLiteral("DATE"));
    const QCommandLineOption to(QStringLiteral("to"), QString(), QStringLiteral("DATE"));
    const QCommandLineOption code(QStringLiteral("code"), QString(), QStringLiteral("TEXT"));
    const QCommandLineOption kind(QStringLiteral("kind"), QString(), QStringLiteral("KIND"));
    const QCommandLineOption workstation(QStringLiteral("workstation"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption system(QStringLiteral("system"), QString(), QStringLiteral("TEXT"));
    const QCommandLineOption perfume(QStringLiteral("perfume"), QString(), QStringLiteral("TEXT"));
    const QCommandLineOption place(QStringLiteral("place"), QString(), QStringLiteral("TEXT"));
    const QCommandLineOption production(QStringLiteral("production-date"), QString(), QStringLiteral("DATE"));
    const QCommandLineOption unscanned(QStringLiteral("unscanned"));
    const QCommandLineOption unprinted(QStringLiteral("unprinted"));
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption import(QStringLiteral("import"));
    const QCommandLineOption checkOption(QStringLiteral("check"));
    parser.addOptions({data, from, to, code, kind, workstation, system, perfume, place, production, unscanned,
                       unprinted, format, import, checkOption});
    const auto usageError = [&](const QString& message) {
        err << message << '\n' << usage();
        return 2;
    };
    if (!parser.parse(QStringList{QStringLiteral("pelorin journal")} + arguments))
        return usageError(QStringLiteral("pelorin journal : ") + parser.errorText());

    Filter filter;
    if (parser.isSet(from) && !parseMoment(parser.value(from), false, &filter.from))
        return usageError(
            QStringLiteral("--from : date invalide « %1 » (AAAA-MM-JJ ou AAAA-MM-JJTHH:MM)").arg(parser.value(from)));
    if (parser.isSet(to) && !parseMoment(parser.value(to), true, &filter.to))
        return usageError(
            QStringLiteral("--to : date invalide « %1 » (AAAA-MM-JJ ou AAAA-MM-JJTHH:MM)").arg(parser.value(to)));
    if (parser.isSet(kind)) {
        EntryKind k;
        if (!kindFromName(parser.value(kind), &k))
            return usageError(QStringLiteral("--kind : print ou scan"));
        filter.kind = k;
    }
    if (parser.isSet(production)) {
        QDateTime day;
        if (!parseMoment(parser.value(production), false, &day) ||
            !QDate::fromString(parser.value(production), Qt::ISODate).isValid())
            return usageError(
                QStringLiteral("--production-date : date invalide « %1 » (AAAA-MM-JJ)").arg(parser.value(production)));
        filter.productionDate = QDate::fromString(parser.value(production), Qt::ISODate);
    }
    filter.code = parser.value(code);
    filter.workstation = parser.value(workstation);
    filter.system = parser.value(system);
    filter.perfume = parser.value(perfume);
    filter.place = parser.value(place);
    const QString shape = parser.isSet(format) ? parser.value(format) : QStringLiteral("tsv");
    if (shape != QLatin1String("tsv") && shape != QLatin1String("csv") && shape != QLatin1String("json"))
        return usageError(QStringLiteral("--format : tsv, csv ou json"));
    if (parser.isSet(unscanned) && parser.isSet(unprinted))
        return usageError(QStringLiteral("pelorin journal : --unscanned ou --unprinted, pas les deux"));
    if (parser.isSet(import) && parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("pelorin journal --import : fichier SCB manquant"));
    if (!parser.isSet(import) && !parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("pelorin journal : argument inconnu %1").arg(parser.positionalArguments()[0]));

    DataFolder::locate(parser.value(data));
    Journal journal(Settings::load());
    if (parser.isSet(checkOption))
        return check(journal, out);
    if (parser.isSet(import))
        return importFiles(journal, parser.positionalArguments(), out, err);

    // what waits is sent first, so that the listing is complete when the store can be reached
    journal.flush(true);
    if (journal.pending() > 0)
        err << journal.statusText() << '\n';
    Search search(journal.store(), filter);
    const View view = parser.isSet(unscanned)   ? View::PrintedNotScanned
                      : parser.isSet(unprinted) ? View::ScannedNotPrinted
                                                : View::Entries;
    if (shape == QLatin1String("json")) {
        QJsonArray rows;
        if (view == View::Entries)
            search.forEachEntry([&](const Row& r) { rows.append(r.entry.toJson()); });
        else
            search.forEachCode(view, [&](const CodeRow& r) { rows.append(codeJson(r)); });
        out << QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Indented));
        return 0;
    }
    const bool csv = shape == QLatin1String("csv");
    const auto line = [&](const QStringList& cells) {
        if (csv)
            out << csvLine(cells);
        else
            out << tsvLine(cells) << '\n';
    };
    if (csv)
        line(view == View::Entries ? entryHeaders() : codeHeaders());
    if (view == View::Entries)
        search.forEachEntry([&](const Row& r) { line(entryCells(r.entry)); });
    else
        search.forEachCode(view, [&](const CodeRow& r) { line(codeCells(r)); });
    return 0;
}

} // namespace pelorin::cli
