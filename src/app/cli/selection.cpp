#include "app/cli/selection.h"

#include "app/cli/cli.h"
#include "app/cli/commandline.h"
#include "base/convert.h"
#include "base/error.h"
#include "base/paths.h"
#include "code/rallist.h"
#include "config/configfile.h"

namespace pelorin::cli {

namespace {

QString quoted(const QString& name)
{
    return QStringLiteral("« %1 »").arg(name);
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
    QDate date = QDate::currentDate();
    if (o.date) {
        date = QDate::fromString(*o.date, Qt::ISODate);
        if (!date.isValid())
            throw Error(QStringLiteral("'%1' is not a valid date").arg(*o.date));
    }

    const SelectionLists lists = selectionLists(config);
    CodeSelection s = startupSelection(lists);
    if (o.system) {
        s.systemIndex = int(lists.systems.indexOf(*o.system));
        if (s.systemIndex < 0)
            throw Error(QStringLiteral("Système inconnu : %1").arg(quoted(*o.system)));
    }
    if (o.mass) {
        // the field "Masse en gr" holds no more characters than the code's mass field
        if (o.mass->size() > fieldWidth(CodeField::Mass))
            throw Error(QStringLiteral("--mass : au plus %1 caractères, comme le champ « Masse en gr » (%2)")
                            .arg(fieldWidth(CodeField::Mass))
                            .arg(quoted(*o.mass)));
        s.massText = *o.mass;
    }
    if (o.packaging) {
        s.packagingIndex = int(packagingItems().indexOf(*o.packaging));
        if (s.packagingIndex < 0)
            throw Error(QStringLiteral("Conditionnement inconnu : %1 (au choix : %2)")
                            .arg(quoted(*o.packaging), packagingItems().join(QStringLiteral(", "))));
    }
    // the spin edits as they stand once the focus has left them: whole numbers brought into 1..6
    if (o.layers)
        s.layersText = QString::number(clampSpin(strToInt(*o.layers)));
    if (o.rows)
        s.rowsText = QString::number(clampSpin(strToInt(*o.rows)));
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
    return ComposedCode{code.CalculOF(), code.logoPath(), code.fields()};
}

} // namespace pelorin::cli
