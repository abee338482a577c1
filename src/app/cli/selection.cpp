#include "app/cli/selection.h"

#include "app/cli/cli.h"
#include "app/cli/commandline.h"
#include "base/error.h"
#include "base/paths.h"
#include "code/rallist.h"
#include "config/configfile.h"

#include <QTextStream>

namespace pelorin::cli {

namespace {

QString quoted(const QString& name)
{
    return QStringLiteral("« %1 »").arg(name);
}

QDate productionDate(const QString& text)
{
    return QDate::fromString(text, Qt::ISODate);
}

} // namespace

void addSelectionOptions(CommandLine& line)
{
    line.addDataOption();
    line.add({QStringLiteral("system")}, QStringLiteral("Le système, par son nom dans la liste des systèmes."),
             QStringLiteral("NOM"));
    line.add({QStringLiteral("mass")}, QStringLiteral("La masse en grammes."), QStringLiteral("MASSE"));
    line.add({QStringLiteral("packaging")},
             QStringLiteral("Le conditionnement : %1.").arg(packagingItems().join(QStringLiteral(", "))),
             QStringLiteral("CONDITIONNEMENT"));
    line.add({QStringLiteral("layers")}, QStringLiteral("Le nombre de couches des savons, de 1 à 6."),
             QStringLiteral("N"));
    line.add({QStringLiteral("rows")}, QStringLiteral("Le nombre de rangs des savons, de 1 à 6."), QStringLiteral("N"));
    line.add({QStringLiteral("ral")}, QStringLiteral("La couleur RAL, par son numéro."), QStringLiteral("NNNN"));
    line.add({QStringLiteral("perfume")}, QStringLiteral("Le parfum, par son nom dans la liste des parfums."),
             QStringLiteral("NOM"));
    line.add({QStringLiteral("place")},
             QStringLiteral("Le lieu de production, par son nom dans la liste des lieux ; il donne aussi le logo."),
             QStringLiteral("NOM"));
    line.add({QStringLiteral("date")}, QStringLiteral("La date de production (la date du jour sans cette option)."),
             QStringLiteral("AAAA-MM-JJ"));
    line.add({QStringLiteral("manual")}, QStringLiteral("Le mode manuel : ce code au lieu du code composé."),
             QStringLiteral("CODE"));
}

SelectionOptions selectionOptions(const CommandLine& line)
{
    SelectionOptions o;
    o.dataDir = line.valueIfSet(QStringLiteral("data"));
    o.system = line.valueIfSet(QStringLiteral("system"));
    o.mass = line.valueIfSet(QStringLiteral("mass"));
    o.packaging = line.valueIfSet(QStringLiteral("packaging"));
    o.layers = line.valueIfSet(QStringLiteral("layers"));
    o.rows = line.valueIfSet(QStringLiteral("rows"));
    o.ral = line.valueIfSet(QStringLiteral("ral"));
    o.perfume = line.valueIfSet(QStringLiteral("perfume"));
    o.place = line.valueIfSet(QStringLiteral("place"));
    o.date = line.valueIfSet(QStringLiteral("date"));
    o.manual = line.valueIfSet(QStringLiteral("manual"));
    return o;
}

QString selectionProblem(const SelectionOptions& o)
{
    // the window's fields never take these, so the printed code would not be the one asked for
    if (o.mass && (o.mass->isEmpty() || !isMassText(*o.mass)))
        return QStringLiteral("--mass : la masse en grammes, de un à %1 chiffres sans signe ni virgule, pas %2")
            .arg(fieldWidth(CodeField::Mass))
            .arg(quoted(*o.mass));
    const std::pair<const std::optional<QString>&, const char*> spins[] = {
        {o.layers, "--layers : le nombre de couches"}, {o.rows, "--rows : le nombre de rangs"}};
    for (const auto& [value, what] : spins)
        if (value && !isSpinText(*value))
            return QStringLiteral("%1, de %2 à %3, pas %4")
                .arg(QString::fromUtf8(what))
                .arg(kSpinMin)
                .arg(kSpinMax)
                .arg(quoted(*value));
    if (o.manual && o.manual->size() > kManualCodeLength)
        return QStringLiteral("--manual : au plus %1 caractères, comme le champ « Code manuel », pas %2 (%3)")
            .arg(kManualCodeLength)
            .arg(o.manual->size())
            .arg(quoted(*o.manual));
    if (o.date && !productionDate(*o.date).isValid())
        return QStringLiteral("--date : date invalide %1 (AAAA-MM-JJ, une date qui existe)").arg(quoted(*o.date));
    return QString();
}

std::optional<int> refuseSelections(const CommandLine& line, QTextStream& err)
{
    const QString problem = selectionProblem(selectionOptions(line));
    if (problem.isEmpty())
        return std::nullopt;
    return line.usageError(err, problem);
}

void loadConfiguration(const SelectionOptions& options, ConfigFile& config)
{
    // a folder named on the command line is the one meant, even beside a portable program
    if (options.dataDir)
        DataFolder::setRoot(*options.dataDir);
    else
        DataFolder::locate();
    config.load();
}

ComposedCode composeCode(const SelectionOptions& o, ConfigFile& config)
{
    if (const QString problem = selectionProblem(o); !problem.isEmpty())
        throw Error(problem);
    const QDate date = o.date ? productionDate(*o.date) : QDate::currentDate();

    const SelectionLists lists = selectionLists(config);
    CodeSelection s = startupSelection(lists);
    if (o.system) {
        s.systemIndex = int(lists.systems.indexOf(*o.system));
        if (s.systemIndex < 0)
            throw Error(QStringLiteral("Système inconnu : %1").arg(quoted(*o.system)));
    }
    if (o.mass)
        s.massText = *o.mass;
    if (o.packaging) {
        s.packagingIndex = int(packagingItems().indexOf(*o.packaging));
        if (s.packagingIndex < 0)
            throw Error(QStringLiteral("Conditionnement inconnu : %1 (au choix : %2)")
                            .arg(quoted(*o.packaging), packagingItems().join(QStringLiteral(", "))));
    }
    if (o.layers)
        s.layersText = *o.layers;
    if (o.rows)
        s.rowsText = *o.rows;
    if (o.ral) {
        s.ralIndex = ral::indexOfNumber(o.ral->trimmed());
        if (s.ralIndex < 0)
            throw Error(QStringLiteral("Couleur RAL inconnue : %1").arg(quoted(*o.ral)));
    }
    if (o.perfume) {
        if (!lists.perfumes.contains(*o.perfume))
            throw Error(QStringLiteral("Parfum inconnu : %1").arg(quoted(*o.perfume)));
        s.perfumeName = *o.perfume;
    }
    if (o.place) {
        if (!lists.places.contains(*o.place))
            throw Error(QStringLiteral("Lieu de production inconnu : %1").arg(quoted(*o.place)));
        s.placeName = *o.place;
    }

    // the main window's start-up: fields emptied, the production date, then every field
    TraceCode code(config);
    code.clear();
    code.setDate(date);
    code.computeAll(s);
    if (o.manual) {
        code.setManualMode(true);
        code.setManualCode(*o.manual);
    }
    return ComposedCode{code.currentCode(), code.logoPath(), code.fields()};
}

} // namespace pelorin::cli
