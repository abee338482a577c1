#include "app/cli/cli.h"
#include "app/cli/commandline.h"
#include "app/cli/labelpage.h"
#include "app/cli/selection.h"

#include "base/convert.h"
#include "base/error.h"
#include "labels/barcodecheck.h"
#include "labels/printerfacts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace pelorin::cli {

namespace {

constexpr int kLeastDpi = 72;
constexpr int kMostDpi = 9600;

enum class TableFormat { Tsv, Csv, Json };

// The table's columns: the CSV's and TSV's header, the JSON's keys.
const char* const kColumns[] = {
    "composant",       "x_mm",       "y_mm",         "case_mm",           "symbologie",
    "modules",         "imprime",    "module_mm",    "points_par_module", "points_entiers",
    "silence_modules", "hauteur_mm", "decodabilite", "qualite",           "case_minimale_mm"};

QString number(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

// One barcode's row, in the columns' order; numbers with a point, whatever the regional settings.
QStringList row(const report::BarcodeReport& b)
{
    constexpr double mmPerInch = 25.4;
    return {b.name,
            number(b.box.left() * mmPerInch, 2),
            number(b.box.top() * mmPerInch, 2),
            number(b.box.width() * mmPerInch, 2),
            report::symbologyName(b.symbology),
            QString::number(b.modules),
            b.drawn ? QStringLiteral("oui") : QStringLiteral("non"),
            number(b.moduleMm, 4),
            number(b.moduleDots, 0),
            b.wholeDots ? QStringLiteral("oui") : QStringLiteral("non"),
            number(b.quietModules, 1),
            number(b.barHeightMm, 2),
            number(b.decodability, 2),
            QString(report::gradeLetter(b.grade)),
            number(b.minimumBoxMm, 2)};
}

QString csvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QLatin1String("\"\""));
    return u'"' + quoted + u'"';
}

void writeTable(const report::PageReport& report, TableFormat format, QTextStream& out)
{
    QStringList header;
    for (const char* c : kColumns)
        header << QString::fromLatin1(c);
    if (format == TableFormat::Json) {
        QJsonArray barcodes;
        for (const report::BarcodeReport& b : report.barcodes) {
            const QStringList fields = row(b);
            QJsonObject object;
            for (int i = 0; i < header.size(); ++i) {
                const QString& f = fields[i];
                bool isNumber = false;
                const double v = f.toDouble(&isNumber);
                if (f == u"oui" || f == u"non")
                    object.insert(header[i], f == u"oui");
                else if (isNumber && i != 0)
                    object.insert(header[i], v);
                else
                    object.insert(header[i], f);
            }
            barcodes.append(object);
        }
        QJsonObject page;
        page.insert(QStringLiteral("resolution_ppp"), report.dpi);
        page.insert(QStringLiteral("module_minimal_mm"), report.minimumModuleMm);
        page.insert(QStringLiteral("qualite"), QString(report::gradeLetter(report.grade())));
        page.insert(QStringLiteral("codes_barres"), barcodes);
        out << QString::fromUtf8(QJsonDocument(page).toJson(QJsonDocument::Indented));
        return;
    }
    const auto line = [&](const QStringList& fields) {
        if (format == TableFormat::Tsv) {
            out << fields.join(u'\t') << '\n';
            return;
        }
        QStringList cells;
        for (const QString& f : fields)
            cells << csvField(f);
        out << cells.join(u',') << "\r\n";
    };
    line(header);
    for (const report::BarcodeReport& b : report.barcodes)
        line(row(b));
}

} // namespace

// pelorin check: every barcode of the page as a printer of the given resolution will print it. Exit
// status 0 when every barcode grades A or B, 3 when some does not (or cannot be drawn at all), 1 for
// an error, 2 for a usage error.
int checkCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CommandLine line(QStringLiteral("check"), QString(),
                     QStringLiteral("Vérifie les codes-barres de la page d'étiquettes pour une imprimante : pour "
                                    "chacun, la symbologie, les modules, leur largeur en mm et en points de "
                                    "l'imprimante, les zones de silence, la hauteur des barres et la qualité "
                                    "prévue (A à F). Sort avec le statut 3 quand un code-barres n'atteint pas la "
                                    "qualité B."));
    addSelectionOptions(line);
    addPageOptions(line);
    line.add({QStringLiteral("printer")},
             QStringLiteral("L'imprimante (une file CUPS) dont la résolution compte ; l'imprimante par défaut sans "
                            "cette option ni --dpi."),
             QStringLiteral("NOM"));
    line.add({QStringLiteral("dpi")},
             QStringLiteral("La résolution de l'imprimante, de %1 à %2 points par pouce.").arg(kLeastDpi).arg(kMostDpi),
             QStringLiteral("N"));
    line.add({QStringLiteral("format")},
             QStringLiteral("La forme du tableau : tsv (par défaut), csv (RFC 4180) ou json."),
             QStringLiteral("tsv|csv|json"));
    if (const std::optional<int> answered = line.answer(arguments, out, err, false))
        return *answered;
    if (const std::optional<int> refused = refuseSelections(line, err))
        return *refused;

    TableFormat format = TableFormat::Tsv;
    if (line.isSet(QStringLiteral("format"))) {
        const QString f = line.value(QStringLiteral("format"));
        if (f == u"csv")
            format = TableFormat::Csv;
        else if (f == u"json")
            format = TableFormat::Json;
        else if (f != u"tsv")
            return line.usageError(err, QStringLiteral("--format : tsv, csv ou json, pas « %1 »").arg(f));
    }
    const bool hasPrinter = line.isSet(QStringLiteral("printer"));
    const bool hasDpi = line.isSet(QStringLiteral("dpi"));
    if (hasPrinter && hasDpi)
        return line.usageError(err, QStringLiteral("pelorin check : --printer ou --dpi, pas les deux"));
    const QString printer = line.value(QStringLiteral("printer"));
    if (hasPrinter && printer.isEmpty())
        return line.usageError(err, QStringLiteral("--printer : nom d'imprimante vide"));
    int dpi = 0;
    if (hasDpi) {
        try {
            dpi = strToInt(line.value(QStringLiteral("dpi")));
        } catch (const Error& e) {
            return line.usageError(err, e.message());
        }
        if (dpi < kLeastDpi || dpi > kMostDpi)
            return line.usageError(
                err, QStringLiteral("--dpi : résolution de %1 à %2 points par pouce").arg(kLeastDpi).arg(kMostDpi));
    }

    try {
        const LabelPage page = buildLabelPage(selectionOptions(line), pageOptions(line));
        if (!hasDpi) {
            // one question to the print server: the queue and its resolution together
            const report::PrinterFacts facts = report::printerFacts(printer);
            if (hasPrinter && facts.queue.isEmpty())
                throw Error(QStringLiteral("L'imprimante « %1 » n'existe pas.").arg(printer));
            dpi = facts.dpi;
            if (dpi <= 0) {
                dpi = report::kDefaultPrinterDpi;
                err << QStringLiteral("La résolution de l'imprimante n'est pas connue : %1 points par pouce supposés.")
                           .arg(dpi)
                    << '\n';
            }
        }
        const report::PageReport report = report::checkPage(page.executed, dpi);
        writeTable(report, format, out);
        if (!page.result.complete()) {
            err << page.result.message << '\n';
            return 1;
        }
        if (!report.scans()) {
            if (const report::BarcodeReport* worst = report.worst())
                err << worst->reason(report.minimumModuleMm) << '\n';
            return 3;
        }
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}

} // namespace pelorin::cli
