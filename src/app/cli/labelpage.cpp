#include "app/cli/labelpage.h"

#include "app/cli/commandline.h"
#include "base/convert.h"
#include "base/error.h"
#include "base/paths.h"
#include "base/version.h"
#include "code/labeltexts.h"
#include "config/configfile.h"
#include "labels/description.h"
#include "labels/labelvalues.h"
#include "labels/marks.h"
#include "labels/executedpage.h"

#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>

namespace pelorin::cli {

namespace {

// The width the main window's incremental list leaves to its text (its left panel is 425 pixels
// wide, the list's viewport 385 less its document margins): lines are counted as that list displays
// them, so a long line feeds several labels here as it does from the window.
constexpr qreal kIncrementTextWidth = 377;

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

// The sheet the description is made for (its Largeur and Hauteur); A4 when it does not tell. Asking
// the default printer for its paper would cost a request to the print server for every page written
// to a file, and make the file depend on the machine.
QSizeF descriptionPaper(const LabelDescription& description)
{
    const SheetFormat& format = description.format();
    if (!format.Largeur.isValid() || !format.Hauteur.isValid() || format.Largeur.number() <= 0.0 ||
        format.Hauteur.number() <= 0.0)
        return report::Page().paperInches();
    return QSizeF(format.Largeur.inches(), format.Hauteur.inches());
}

// The page built on the description's sheet, and executed. A page that stopped on a bad value is not
// printed; one that met an unknown type is.
LabelPage executedPage(const LabelDescription& description, const SelectionMarks& marks, const LabelValues& values)
{
    report::Page page(descriptionPaper(description));
    LabelPage built;
    built.result = buildPage(page, description, marks, values);
    if (built.result.stop == PageBuildResult::Stop::Failed)
        throw Error(built.result.message);
    built.executed = report::execute(page);
    return built;
}

} // namespace

void addPageOptions(CommandLine& line)
{
    line.add({QStringLiteral("model")},
             QStringLiteral("La description de page d'étiquettes, par chemin ou par nom dans le dossier Modeles ; "
                            "celle des réglages de la fenêtre principale sans cette option."),
             QStringLiteral("FICHIER.ETQ"));
    line.add({QStringLiteral("code")}, QStringLiteral("Imprime ce code au lieu du code composé."),
             QStringLiteral("CODE"));
    line.add({QStringLiteral("operator")}, QStringLiteral("Le texte de l'opérateur."), QStringLiteral("TEXTE"));
    line.add({QStringLiteral("memo")}, QStringLiteral("Le texte multiligne."), QStringLiteral("TEXTE"));
    line.add({QStringLiteral("increment")},
             QStringLiteral("La liste incrémentale : un texte par ligne, une ligne par étiquette."),
             QStringLiteral("FICHIER"));
    line.add({QStringLiteral("unmark")},
             QStringLiteral("Les numéros des étiquettes à laisser vides, de gauche à droite puis ligne après ligne."),
             QStringLiteral("N,N,..."));
    line.add({QStringLiteral("no-margins")}, QStringLiteral("Sans le cadre des marges."));
    line.add({QStringLiteral("no-outlines")}, QStringLiteral("Sans le contour des étiquettes."));
}

PageOptions pageOptions(const CommandLine& line)
{
    PageOptions o;
    o.model = line.valueIfSet(QStringLiteral("model"));
    o.code = line.valueIfSet(QStringLiteral("code"));
    o.operatorText = line.valueIfSet(QStringLiteral("operator"));
    o.memo = line.valueIfSet(QStringLiteral("memo"));
    o.increment = line.valueIfSet(QStringLiteral("increment"));
    o.unmark = line.valueIfSet(QStringLiteral("unmark"));
    o.noMargins = line.isSet(QStringLiteral("no-margins"));
    o.noOutlines = line.isSet(QStringLiteral("no-outlines"));
    return o;
}

LabelPage buildLabelPage(const SelectionOptions& selection, const PageOptions& o)
{
    auto shared = std::make_shared<ConfigFile>();
    ConfigFile& config = *shared;
    loadConfiguration(selection, config);

    // the live values of the main window after start-up, or as given
    FixedLabelValues values;
    values.m_version = LireVersion();
    // --code replaces the composed code as manual mode does; the production place still gives
    // the logo
    const ComposedCode composed = composeCode(selection, config);
    values.m_code = o.code ? *o.code : composed.code;
    values.m_logoPath = composed.logoPath;
    values.m_operatorText = o.operatorText ? *o.operatorText : config.savedText("Eleve");
    values.m_multilineText = withCrLf(o.memo ? *o.memo : config.savedText("Memo1"));
    const QString increment = o.increment ? loadIncrementalList(*o.increment)
                                          : QStringLiteral("0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9");
    values.m_incrementalLines = displayedLines(increment, QGuiApplication::font(), kIncrementTextWidth);

    const QString path = modelPath(o.model ? *o.model : config.savedText("Modele"));
    const LabelDescription description = LabelDescription::load(path, QStringLiteral("la description"));

    SelectionMarks marks;
    marks.rebuild(description);
    if (o.unmark) {
        for (int n : labelNumbers(*o.unmark, marks.columns() * marks.rows()))
            if (marks.isLabelMarked(n))
                marks.toggle((n - 1) % marks.columns(), (n - 1) / marks.columns());
    }
    marks.setMarginFrame(!o.noMargins);
    marks.setOutlines(!o.noOutlines);

    LabelPage built = executedPage(description, marks, values);
    built.code = values.m_code;
    built.name = QFileInfo(path).completeBaseName();
    built.config = shared;
    built.printed.code = values.m_code;
    built.printed.operatorText = values.m_operatorText;
    built.printed.model = QFileInfo(path).fileName();
    for (int n = 1; n <= marks.columns() * marks.rows(); ++n)
        if (marks.isLabelMarked(n))
            built.printed.labels << n;
    if (!built.printed.labels.isEmpty()) {
        built.printed.firstText = values.m_incrementalLines.value(built.printed.labels.first() - 1);
        built.printed.lastText = values.m_incrementalLines.value(built.printed.labels.last() - 1);
    }
    built.printed.description = description.bytes();
    if (description.printsIncrementalText())
        for (int n : std::as_const(built.printed.labels))
            built.printed.allTexts << values.m_incrementalLines.value(n - 1);
    return built;
}

LabelPage rebuildLabelPage(const journal::PageToReprint& reprinted, ConfigFile& config)
{
    const journal::Entry& first = reprinted.first;
    FixedLabelValues values;
    values.m_version = LireVersion();
    values.m_code = first.code;
    values.m_operatorText = first.operatorText;
    values.m_incrementalLines = reprinted.incrementalLines;
    // the logo of the place the code was printed for, when the configuration still knows it
    SelectionOptions selection;
    selection.manual = first.code;
    if (!first.decoded[5].isEmpty())
        selection.place = first.decoded[5];
    try {
        values.m_logoPath = composeCode(selection, config).logoPath;
    } catch (const Error&) {
    }
    const LabelDescription description = LabelDescription::fromBytes(reprinted.description, first.model);
    SelectionMarks marks;
    marks.rebuild(description);
    const int count = marks.columns() * marks.rows();
    for (int n = 1; n <= count; ++n)
        if (marks.isLabelMarked(n) != reprinted.labels.contains(n))
            marks.toggle((n - 1) % marks.columns(), (n - 1) / marks.columns());

    LabelPage built = executedPage(description, marks, values);
    built.code = first.code;
    built.name = QFileInfo(first.model).completeBaseName();
    return built;
}

} // namespace pelorin::cli
