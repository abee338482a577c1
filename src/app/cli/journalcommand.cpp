#include "app/cli/cli.h"
#include "app/cli/commandline.h"

#include "base/error.h"
#include "base/paths.h"
#include "config/configfile.h"
#include "journal/database.h"
#include "journal/export.h"
#include "journal/journal.h"
#include "journal/recall.h"
#include "journal/recording.h"
#include "journal/search.h"
#include "journal/setupsql.h"
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

int importFiles(Journal& journal, const QStringList& files, QTextStream& out, QTextStream& err)
{
    ConfigFile config;
    config.load();
    const CodeDecoder decoder(config);
    const DecodeBatch batch(decoder);
    int status = 0;
    for (const QString& path : files) {
        ScbReads reads;
        try {
            reads = readScbReads(path);
        } catch (const Error& e) {
            err << e.message() << '\n';
            status = 1;
            continue;
        }
        const QStringList& codes = reads.codes;
        // lines that are no read of a code are counted apart, never recorded as scans
        if (reads.notCodes > 0)
            err << QStringLiteral("%1 : %2 lignes qui ne sont pas des codes, non enregistrées\n")
                       .arg(path)
                       .arg(reads.notCodes);
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
            int waiting = 0, lost = 0, setAside = 0;
            for (const Entry& e : std::as_const(entries)) {
                const RecordResult r = journal.record(e);
                if (r.inMemory)
                    ++lost;
                else if (r.setAside)
                    ++setAside;
                else if (r.waiting)
                    ++waiting;
                else if (r.stored)
                    ++added;
                if (!r.message.isEmpty() && !r.inMemory)
                    err << r.message << '\n';
            }
            QStringList said;
            if (added > 0 || (waiting == 0 && setAside == 0))
                said << QStringLiteral("%1 codes enregistrés").arg(added);
            if (waiting > 0)
                said << QStringLiteral("%1 codes en attente d'envoi au journal").arg(waiting);
            if (setAside > 0)
                said << QStringLiteral("%1 codes refusés par le journal et mis de côté").arg(setAside);
            out << path << " : " << said.join(QLatin1String(", ")) << '\n';
            if (lost > 0) {
                err << QStringLiteral("%1 : %2 codes perdus : ni le journal ni sa file d'envoi n'ont pu les "
                                      "enregistrer (%3).\n")
                           .arg(path)
                           .arg(lost)
                           .arg(journal.triedPlaces());
                status = 1;
            }
            if (setAside > 0)
                status = 1;
            continue;
        }
        out << QStringLiteral("%1 : %2 codes enregistrés").arg(path).arg(added);
        if (added < entries.size())
            out << QStringLiteral(" (%1 déjà présents)").arg(entries.size() - added);
        out << '\n';
    }
    return status;
}

// The description printed under a fingerprint, its bytes as they were.
int writePage(Journal& journal, const QString& fingerprint, QTextStream& out, QTextStream& err)
{
    try {
        const std::optional<QByteArray> description = journal.store().pageDescription(fingerprint);
        if (!description) {
            err << QStringLiteral("Le journal ne garde aucune description de page d'empreinte « %1 ».\n")
                       .arg(fingerprint);
            return 1;
        }
        out.flush();
        if (QIODevice* device = out.device())
            device->write(*description);
        else
            out << QString::fromUtf8(*description);
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}

// The store a listing reads: the journal's, or, when that cannot be opened for writing (a copy on a
// read-only disk), the SQLite file opened for reading only.
Database& listedStore(Journal& journal, std::unique_ptr<Database>& readOnly)
{
    try {
        return journal.store();
    } catch (const Error&) {
        if (journal.settings().engine != Engine::SQLite || !QFileInfo(journal.settings().sqlitePath).isFile())
            throw;
        readOnly = Database::openSqliteForReading(journal.settings().sqlitePath);
        return *readOnly;
    }
}

int check(Journal& journal, QTextStream& out)
{
    const CheckReport r = journal.check();
    const Settings& settings = journal.settings();
    out << QStringLiteral("Réglages : %1\n").arg(settings.sourceText());
    out << QStringLiteral("Moteur : %1\n").arg(settings.engineName());
    out << QStringLiteral("Journal : %1\n").arg(r.store);
    if (r.reached) {
        const StoreDetails& d = r.details;
        if (settings.engine == Engine::PostgreSQL) {
            out << QStringLiteral("Serveur : %1 (PostgreSQL %2)\n").arg(d.server, d.serverVersion);
            out << QStringLiteral("Base : %1\n").arg(d.database);
            out << QStringLiteral("Utilisateur : %1\n").arg(d.user);
        }
        out << QStringLiteral("Version du schéma : %1\n").arg(d.schemaVersion);
        out << QStringLiteral("Entrées : %1\n").arg(d.entries);
    }
    out << QStringLiteral("Intégrité : %1\n").arg(r.integrity);
    out << QStringLiteral("File d'envoi : %1, %2 en attente\n").arg(r.outboxIntegrity).arg(r.pending);
    if (r.setAside > 0) {
        out << QStringLiteral("Mises de côté : %1 entrées refusées par le journal (pelorin journal --set-aside)\n")
                   .arg(r.setAside);
        try {
            for (const SetAsideEntry& a : journal.setAsideEntries())
                out << QStringLiteral("  %1\t%2\t%3\n").arg(a.entry.id, tsvLine({a.entry.code}), tsvLine({a.reason}));
        } catch (const Error& e) {
            out << "  " << e.message() << '\n';
        }
    }
    if (r.pending > 0)
        out << QStringLiteral("Envoi : %1 envoyées, %2 encore en attente\n").arg(r.sent).arg(r.left);
    if (r.left > 0 && r.reached && !journal.lastError().isEmpty())
        out << QStringLiteral("Erreur d'envoi : %1\n").arg(journal.lastError());
    return r.ok() ? 0 : 1;
}

// The entries the journal refused, as the listings write entries, the store's reason and the moment
// they were set aside after their own columns.
int writeSetAside(Journal& journal, const QString& shape, QTextStream& out, QTextStream& err)
{
    QList<SetAsideEntry> aside;
    try {
        aside = journal.setAsideEntries();
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }
    if (shape == QLatin1String("json")) {
        QJsonArray rows;
        for (const SetAsideEntry& a : std::as_const(aside)) {
            QJsonObject o = a.entry.toJson();
            o.insert(QStringLiteral("refused"), a.reason);
            o.insert(QStringLiteral("set_aside_at"), Database::timeValue(a.at));
            rows.append(o);
        }
        out << QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Indented));
        return 0;
    }
    const bool csv = shape == QLatin1String("csv");
    const auto write = [&](const QStringList& cells) {
        if (csv)
            out << csvLine(cells);
        else
            out << tsvLine(cells) << '\n';
    };
    if (csv)
        write(entryHeaders() << QStringLiteral("refused") << QStringLiteral("set_aside_at"));
    for (const SetAsideEntry& a : std::as_const(aside))
        write(entryCells(a.entry) << a.reason << Database::timeValue(a.at));
    return 0;
}

} // namespace

namespace {

// One line per code: labels printed, labels read, and the differences both ways.
int writeReconciliation(Search& search, const QString& shape, QTextStream& out)
{
    const QStringList keys = {QStringLiteral("code"), QStringLiteral("printed"), QStringLiteral("scanned"),
                              QStringLiteral("missing"), QStringLiteral("unexpected")};
    const auto cells = [](const ReconcileRow& r) {
        return QStringList{r.code, QString::number(r.printed), QString::number(r.scanned), QString::number(r.missing()),
                           QString::number(r.unexpected())};
    };
    if (shape == QLatin1String("json")) {
        // written row by row, so that a long journal never sits whole in memory
        out << "[";
        bool first = true;
        search.forEachReconciled([&](const ReconcileRow& r) {
            const QJsonObject o{{keys[0], r.code},
                                {keys[1], r.printed},
                                {keys[2], r.scanned},
                                {keys[3], r.missing()},
                                {keys[4], r.unexpected()}};
            out << (first ? "\n    " : ",\n    ") << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
            first = false;
        });
        out << (first ? "]\n" : "\n]\n");
        return 0;
    }
    // a header line in CSV, as the other listings
    const bool csv = shape == QLatin1String("csv");
    if (csv)
        out << csvLine(keys);
    search.forEachReconciled([&](const ReconcileRow& r) {
        if (csv)
            out << csvLine(cells(r));
        else
            out << tsvLine(cells(r)) << '\n';
    });
    return 0;
}

} // namespace

int journalCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CommandLine line(QStringLiteral("journal"), QStringLiteral("[--import FICHIER.SCB...]"),
                     QStringLiteral("Liste les entrées du journal de traçabilité (pages imprimées et codes scannés), "
                                    "les plus récentes d'abord, enregistre les codes de feuilles SCB ou vérifie le "
                                    "journal."));
    line.addDataOption();
    line.add({QStringLiteral("from")},
             QStringLiteral("Les entrées à partir de ce jour ou de ce moment (AAAA-MM-JJ, JJ/MM/AAAA ou "
                            "AAAA-MM-JJTHH:MM)."),
             QStringLiteral("DATE"));
    line.add({QStringLiteral("to")}, QStringLiteral("Les entrées jusqu'à ce jour inclus, ou avant ce moment."),
             QStringLiteral("DATE"));
    line.add({QStringLiteral("code")},
             QStringLiteral("Les entrées dont le code contient ce texte (majuscules et minuscules distinguées)."),
             QStringLiteral("TEXTE"));
    line.add({QStringLiteral("kind")},
             QStringLiteral("Les impressions (print), les lectures (scan) ou les lectures à vérifier (misread) "
                            "seulement."),
             QStringLiteral("print|scan|misread"));
    line.add({QStringLiteral("workstation")}, QStringLiteral("Les entrées de ce poste."), QStringLiteral("NOM"));
    line.add({QStringLiteral("system")}, QStringLiteral("Les entrées de ce système, par son code ou par son nom."),
             QStringLiteral("TEXTE"));
    line.add({QStringLiteral("perfume")}, QStringLiteral("Les entrées de ce parfum, par son code ou par son nom."),
             QStringLiteral("TEXTE"));
    line.add({QStringLiteral("place")},
             QStringLiteral("Les entrées de ce lieu de production, par son code ou par son nom."),
             QStringLiteral("TEXTE"));
    line.add({QStringLiteral("production-date")}, QStringLiteral("Les entrées de cette date de production."),
             QStringLiteral("AAAA-MM-JJ"));
    line.add({QStringLiteral("unscanned")}, QStringLiteral("Les codes imprimés qu'aucune lecture n'a relus."));
    line.add({QStringLiteral("unprinted")}, QStringLiteral("Les codes scannés qu'aucune page imprimée ne portait."));
    line.add({QStringLiteral("reconcile")},
             QStringLiteral("Pour chaque code : les étiquettes imprimées, les étiquettes lues, celles jamais lues "
                            "(missing) et celles lues sans avoir été imprimées (unexpected)."));
    line.add({QStringLiteral("recall")},
             QStringLiteral("Le rapport de rappel de ce code ou de cette partie de code (un lot) : chaque page "
                            "imprimée qui le portait, chaque lecture, et les étiquettes imprimées et lues par code."),
             QStringLiteral("TEXTE"));
    line.add({QStringLiteral("o"), QStringLiteral("output")},
             QStringLiteral("Avec --recall : écrit le rapport dans ce fichier PDF au lieu de la sortie standard."),
             QStringLiteral("FICHIER.pdf"));
    line.add({QStringLiteral("format")}, QStringLiteral("La forme de la sortie : tsv (par défaut), csv ou json."),
             QStringLiteral("tsv|csv|json"));
    line.add({QStringLiteral("import")},
             QStringLiteral("Enregistre au journal les codes des feuilles de codes scannés données."));
    line.add(
        {QStringLiteral("check")},
        QStringLiteral(
            "Vérifie le journal : les réglages lus, le serveur, la base et l'utilisateur, la version "
            "du schéma, le nombre d'entrées et la file d'envoi, dont il envoie ce qui attend ; échoue tant que des "
            "entrées refusées par le journal sont mises de côté."));
    line.add({QStringLiteral("service")},
             QStringLiteral("Se connecte par ce service PostgreSQL plutôt que par celui des réglages (le service du "
                            "propriétaire, qui crée et met à jour les tables)."),
             QStringLiteral("NOM"));
    line.add({QStringLiteral("setup-sql")},
             QStringLiteral("Écrit le script SQL qu'un superutilisateur PostgreSQL exécute une fois pour préparer "
                            "un journal partagé (base, propriétaire, droits du rôle des postes)."));
    line.add({QStringLiteral("all-texts")},
             QStringLiteral("Ajoute aux entrées la colonne « Textes » : le texte incrémental de chaque étiquette "
                            "imprimée."));
    line.add({QStringLiteral("page")},
             QStringLiteral("Écrit sur la sortie la description de page imprimée sous cette empreinte, telle "
                            "qu'elle a été imprimée."),
             QStringLiteral("EMPREINTE"));
    line.add({QStringLiteral("reprint")},
             QStringLiteral("Imprime de nouveau la page de l'impression d'identifiant ID (même code, même "
                            "description, mêmes étiquettes et exemplaires) et l'enregistre comme réimpression."),
             QStringLiteral("ID"));
    line.add({QStringLiteral("printer")},
             QStringLiteral("Avec --reprint : l'imprimante (une file CUPS) ; l'imprimante par défaut sans cette "
                            "option."),
             QStringLiteral("NOM"));
    line.add({QStringLiteral("set-aside")},
             QStringLiteral("Liste les entrées que le journal a refusées, mises de côté dans la file d'envoi, avec "
                            "la raison du refus."));
    if (const std::optional<int> answered = line.answer(arguments, out, err))
        return *answered;
    const auto usageError = [&](const QString& message) { return line.usageError(err, message); };
    const QCommandLineParser& parser = line.parser();
    const QString data = QStringLiteral("data"), from = QStringLiteral("from"), to = QStringLiteral("to"),
                  code = QStringLiteral("code"), kind = QStringLiteral("kind"),
                  workstation = QStringLiteral("workstation"), system = QStringLiteral("system"),
                  perfume = QStringLiteral("perfume"), place = QStringLiteral("place"),
                  production = QStringLiteral("production-date"), unscanned = QStringLiteral("unscanned"),
                  unprinted = QStringLiteral("unprinted"), format = QStringLiteral("format"),
                  import = QStringLiteral("import"), checkOption = QStringLiteral("check"),
                  reconcile = QStringLiteral("reconcile"), recall = QStringLiteral("recall"),
                  output = QStringLiteral("output"), service = QStringLiteral("service");

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
            return usageError(QStringLiteral("--kind : print, scan ou misread"));
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
    if (parser.isSet(reconcile) && (parser.isSet(unscanned) || parser.isSet(unprinted)))
        return usageError(
            QStringLiteral("pelorin journal : --reconcile ne va ni avec --unscanned ni avec --unprinted"));
    if (parser.isSet(recall) &&
        (parser.isSet(reconcile) || parser.isSet(unscanned) || parser.isSet(unprinted) || parser.isSet(code)))
        return usageError(QStringLiteral(
            "pelorin journal : --recall ne va ni avec --reconcile, ni avec --unscanned, --unprinted ou --code"));
    if (parser.isSet(recall) && parser.value(recall).isEmpty())
        return usageError(QStringLiteral("pelorin journal --recall : le texte à chercher est vide"));
    if (parser.isSet(output) && !parser.isSet(recall))
        return usageError(QStringLiteral("pelorin journal : -o ne sert qu'avec --recall"));
    if (parser.isSet(output) && !parser.value(output).endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        return usageError(
            QStringLiteral("pelorin journal -o : « %1 » n'est pas un fichier PDF (.pdf)").arg(parser.value(output)));
    if (parser.isSet(unscanned) && parser.isSet(unprinted))
        return usageError(QStringLiteral("pelorin journal : --unscanned ou --unprinted, pas les deux"));
    if (parser.isSet(import) && parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("pelorin journal --import : fichier SCB manquant"));
    if (!parser.isSet(import) && !parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("pelorin journal : argument inconnu %1").arg(parser.positionalArguments()[0]));

    const QString pageOption = QStringLiteral("page"), reprintOption = QStringLiteral("reprint"),
                  printerOption = QStringLiteral("printer");
    if (parser.isSet(printerOption) && !parser.isSet(reprintOption))
        return usageError(QStringLiteral("pelorin journal : --printer ne sert qu'avec --reprint"));

    // reprinting and the recall report draw pages: the program started without its printing part
    // hands them over before anything is opened
    const JournalPrinting* printing = journalPrinting();
    if ((parser.isSet(reprintOption) && !(printing && printing->reprint)) ||
        (parser.isSet(output) && !(printing && printing->recallPdf)))
        return kNeedsWholeProgram;
    if (parser.isSet(QStringLiteral("setup-sql"))) {
        out << setupSql();
        return 0;
    }
    DataFolder::locate(parser.value(data));
    Settings settings = Settings::load();
    if (parser.isSet(service)) {
        settings.engine = Engine::PostgreSQL;
        settings.service = parser.value(service);
    }
    Journal journal(settings);
    std::unique_ptr<Database> readOnlyCopy;
    if (parser.isSet(checkOption))
        return check(journal, out);
    if (parser.isSet(pageOption))
        return writePage(journal, parser.value(pageOption), out, err);
    if (parser.isSet(reprintOption))
        return printing->reprint(journal, parser.value(reprintOption), parser.value(printerOption), out, err);
    if (parser.isSet(QStringLiteral("set-aside")))
        return writeSetAside(journal, shape, out, err);
    if (parser.isSet(import))
        return importFiles(journal, parser.positionalArguments(), out, err);

    // what waits is sent first, so that the listing is complete when the store can be reached
    journal.flush(true);
    if (journal.pending() > 0)
        err << journal.statusText() << '\n';
    Database& listed = listedStore(journal, readOnlyCopy);
    if (parser.isSet(recall)) {
        Recall report(listed, parser.value(recall), filter);
        const QDateTime now = QDateTime::currentDateTimeUtc();
        if (parser.isSet(output)) {
            printing->recallPdf(report, parser.value(output), now);
            return 0;
        }
        writeRecall(report,
                    shape == QLatin1String("json")  ? TextShape::Json
                    : shape == QLatin1String("csv") ? TextShape::Csv
                                                    : TextShape::Tsv,
                    out, now);
        return 0;
    }
    Search search(listed, filter);
    if (parser.isSet(reconcile))
        return writeReconciliation(search, shape, out);
    const View view = parser.isSet(unscanned)   ? View::PrintedNotScanned
                      : parser.isSet(unprinted) ? View::ScannedNotPrinted
                                                : View::Entries;
    // every format is written row by row as the rows are read: a journal of millions of entries
    // never sits whole in memory
    if (shape == QLatin1String("json")) {
        JsonArrayWriter rows(out);
        if (view == View::Entries)
            search.forEachEntry([&](const Row& r) { rows.add(entryJson(r.entry)); });
        else
            search.forEachCode(view, [&](const CodeRow& r) { rows.add(codeJson(r)); });
        rows.finish();
        return 0;
    }
    const bool csv = shape == QLatin1String("csv");
    const Reader reader = csv ? Reader::Program : Reader::Person;
    const auto write = [&](const QStringList& cells) {
        if (csv)
            out << csvLine(cells);
        else
            out << tsvLine(cells) << '\n';
    };
    const bool allTexts = parser.isSet(QStringLiteral("all-texts"));
    if (csv)
        write(view == View::Entries ? entryHeaders(allTexts) : codeHeaders());
    if (view == View::Entries)
        search.forEachEntry([&](const Row& r) { write(entryCells(r.entry, reader, allTexts)); });
    else
        search.forEachCode(view, [&](const CodeRow& r) { write(codeCells(r, reader)); });
    return 0;
}

} // namespace pelorin::cli
