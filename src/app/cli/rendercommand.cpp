#include "app/cli/cli.h"
#include "app/cli/selection.h"

#include "base/convert.h"
#include "base/error.h"
#include "base/paths.h"
#include "base/version.h"
#include "code/labeltexts.h"
#include "config/configfile.h"
#include "labels/description.h"
#include "labels/exporter.h"
#include "labels/labelvalues.h"
#include "labels/marks.h"
#include "labels/pagebuild.h"
#include "labels/pagestream.h"
#include "labels/ui/printing.h"

#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QTextStream>

namespace pelorin::cli {

namespace {

// The width the main window's incremental list leaves to its text (its left panel is 425 pixels
// wide, the list's viewport 385 less its document margins): lines are counted as that list displays
// them, so a long line feeds several labels here as it does from the window.
constexpr qreal kIncrementTextWidth = 377;

constexpr int kMinDpi = 10;
constexpr int kMaxDpi = 600; // an A4 page at 600 dpi is already a 140 MB image

QString withCrLf(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    return text;
}

// A model given by path, or by name in the models folder as the main window stores it.
QString modelPath(const QString& given)
{
    if (QFileInfo::exists(given))
        return given;
    return DataFolder::path(QStringLiteral("Modeles\\") + given);
}

// "3,5" as label numbers of a sheet of `count` labels.
QList<int> labelNumbers(const QString& list, int count)
{
    QList<int> numbers;
    for (const QString& item : list.split(u',', Qt::SkipEmptyParts)) {
        const int n = strToInt(item);
        if (n < 1 || n > count)
            throw Error(QStringLiteral("--unmark : pas d'étiquette %1 sur la page (1 à %2)").arg(n).arg(count));
        numbers << n;
    }
    return numbers;
}

struct RenderOptions
{
    QString model, code, operatorText, memo, increment, unmark, output;
    bool hasModel = false, hasCode = false, hasOperator = false, hasMemo = false, hasIncrement = false,
         hasUnmark = false;
    bool noMargins = false, noOutlines = false;
    int dpi = 300;
    bool hasDpi = false;
    bool pdf = false;
};

RenderOptions takeRenderOptions(QStringList& args)
{
    RenderOptions o;
    QString error, dpi, output;
    o.hasModel = takeOption(args, QStringLiteral("--model"), o.model, &error);
    o.hasCode = takeOption(args, QStringLiteral("--code"), o.code, &error);
    o.hasOperator = takeOption(args, QStringLiteral("--operator"), o.operatorText, &error);
    o.hasMemo = takeOption(args, QStringLiteral("--memo"), o.memo, &error);
    o.hasIncrement = takeOption(args, QStringLiteral("--increment"), o.increment, &error);
    o.hasUnmark = takeOption(args, QStringLiteral("--unmark"), o.unmark, &error);
    o.hasDpi = takeOption(args, QStringLiteral("--dpi"), dpi, &error);
    if (!takeOption(args, QStringLiteral("-o"), o.output, &error))
        takeOption(args, QStringLiteral("--output"), o.output, &error);
    o.noMargins = takeFlag(args, QStringLiteral("--no-margins"));
    o.noOutlines = takeFlag(args, QStringLiteral("--no-outlines"));
    if (!error.isEmpty())
        throw Error(error);
    if (!args.isEmpty())
        throw Error(QStringLiteral("pelorin render : argument inconnu %1").arg(args.first()));
    if (o.output.isEmpty())
        throw Error(QStringLiteral("pelorin render : fichier de sortie manquant (-o FICHIER.pdf|FICHIER.png)"));
    const QString suffix = QFileInfo(o.output).suffix().toLower();
    if (suffix != u"pdf" && suffix != u"png")
        throw Error(QStringLiteral("pelorin render : %1 n'est ni un fichier .pdf ni un fichier .png").arg(o.output));
    o.pdf = suffix == u"pdf";
    if (o.hasDpi) {
        o.dpi = strToInt(dpi);
        if (o.dpi < kMinDpi || o.dpi > kMaxDpi)
            throw Error(QStringLiteral("--dpi : résolution de %1 à %2 points par pouce").arg(kMinDpi).arg(kMaxDpi));
    }
    return o;
}

} // namespace

// pelorin render: the page of labels as the main window prints it, written to a PDF or PNG file.
// Exit status 0 when written, 1 for an error (the page is still written after an unknown component
// type, as the window prints it), 2 for a usage error.
int renderCommand(const QStringList& arguments, QTextStream&, QTextStream& err)
{
    QStringList args = arguments;
    SelectionOptions selection;
    RenderOptions o;
    try {
        selection = takeSelectionOptions(args);
        o = takeRenderOptions(args);
    } catch (const Error& e) {
        err << e.message() << '\n' << usage();
        return 2;
    }

    try {
        ConfigFile config;
        loadConfiguration(selection, config);

        // the live values of the main window after start-up, or as given
        FixedLabelValues values;
        values.m_version = LireVersion();
        // --code replaces the composed code as manual mode does; the production place still gives
        // the logo
        const ComposedCode composed = composeCode(selection, config);
        values.m_code = o.hasCode ? o.code : composed.code;
        values.m_logoPath = composed.logoPath;
        values.m_operatorText = o.hasOperator ? o.operatorText : config.savedText("Eleve");
        values.m_multilineText = withCrLf(o.hasMemo ? o.memo : config.savedText("Memo1"));
        const QString increment = o.hasIncrement ? loadIncrementalList(o.increment)
                                                 : QStringLiteral("0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9");
        values.m_incrementalLines = displayedLines(increment, QGuiApplication::font(), kIncrementTextWidth);

        const LabelDescription description = LabelDescription::load(
            modelPath(o.hasModel ? o.model : config.savedText("Modele")), QStringLiteral("la description"));

        SelectionMarks marks;
        marks.rebuild(description);
        if (o.hasUnmark) {
            for (int n : labelNumbers(o.unmark, marks.columns() * marks.rows()))
                if (marks.isLabelMarked(n))
                    marks.toggle((n - 1) % marks.columns(), (n - 1) / marks.columns());
        }
        marks.setMarginFrame(!o.noMargins);
        marks.setOutlines(!o.noOutlines);

        // the paper the main window would print on
        report::Page page(report::defaultPrinterPaperInches());
        const PageBuildResult result = buildPage(page, description, marks, values);
        // a page that stopped on a bad value is not printed; one that met an unknown type is
        if (result.stop == PageBuildResult::Stop::Failed)
            throw Error(result.message);

        const QByteArray stream = report::execute(page);
        if (o.pdf && o.hasDpi)
            report::exportPdf(stream, o.output, o.dpi);
        else if (o.pdf)
            report::exportPdf(stream, o.output);
        else
            report::exportPng(stream, o.output, o.dpi);
        if (!result.complete()) {
            err << result.message << '\n';
            return 1;
        }
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}

} // namespace pelorin::cli
