#include "labels/description.h"

#include "base/convert.h"
#include "base/error.h"
#include "config/xmldocument.h"

#include <QRegularExpression>

namespace pelorin {

pugi::xml_node formatNode(const XmlDocument& description)
{
    return child(description.documentElement(), "Format");
}

pugi::xml_node componentsNode(const XmlDocument& description)
{
    return child(description.documentElement(), "Composants");
}

int componentCount(const XmlDocument& description)
{
    return int(entries(componentsNode(description)).size());
}

pugi::xml_node componentNode(const XmlDocument& description, int index)
{
    const QList<pugi::xml_node> list = entries(componentsNode(description));
    return index >= 0 && index < list.size() ? list[index] : pugi::xml_node();
}

double readInches(pugi::xml_node parent, const char* name)
{
    return strToFloat(text(child(parent, name))) / kMillimetresPerInch;
}

int readInteger(pugi::xml_node parent, const char* name)
{
    return strToInt(text(child(parent, name)));
}

QString readText(pugi::xml_node parent, const char* name)
{
    return text(child(parent, name));
}

TPage readFormat(const XmlDocument& description)
{
    const pugi::xml_node format = formatNode(description);
    TPage p;
    p.Reference = readText(format, "Reference");
    p.Hauteur = readInches(format, "Hauteur");
    p.Largeur = readInches(format, "Largeur");
    p.MargeGauche = readInches(format, "MargeGauche");
    p.MargeDroite = readInches(format, "MargeDroite");
    p.MargeHaute = readInches(format, "MargeHaute");
    p.MargeBasse = readInches(format, "MargeBasse");
    p.Ligne = readInteger(format, "Ligne");
    p.Colonne = readInteger(format, "Colonne");
    p.EcartHorizontal = readInches(format, "EcartHorizontal");
    p.EcartVertical = readInches(format, "EcartVertical");
    p.HauteurEtiquette = readInches(format, "HauteurEtiquette");
    p.LargeurEtiquette = readInches(format, "LargeurEtiquette");
    p.EtiquetteVerticalRadius = readInches(format, "EtiquetteVerticalRadius");
    p.EtiquetteHorizontalRadius = readInches(format, "EtiquetteHorizontalRadius");
    return p;
}

void checkLabelCount(int rows, int columns)
{
    if (rows > 0 && columns > 0 && qint64(rows) * qint64(columns) > kMaxLabels)
        throw Error(QStringLiteral("Trop d'étiquettes sur la page : %1 x %2 (au plus %3).")
                        .arg(rows)
                        .arg(columns)
                        .arg(kMaxLabels));
}

const QStringList& componentTypes()
{
    static const QStringList types = {
        QStringLiteral("Rectangle"),     QStringLiteral("AutoTexte"),   QStringLiteral("AutoIncTexte"),
        QStringLiteral("Texte"),         QStringLiteral("AutoVersion"), QStringLiteral("AutoBarCode"),
        QStringLiteral("BarCode128"),    QStringLiteral("AutoLogo"),    QStringLiteral("Image"),
        QStringLiteral("AutoMemoTexte"), QStringLiteral("MemoTexte"),
    };
    return types;
}

namespace {

// One element per line, the value as typed: the editor neither escapes nor trims.
void appendElementLines(QStringList& lines, const QString& name, const QString& value)
{
    const QString joined = u'<' + name + u'>' + value + QStringLiteral("</") + name + u'>';
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    lines += joined.split(lineBreak);
}

} // namespace

QStringList newDescriptionLines(const FormatTexts& f)
{
    QStringList lines = {
        QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"),
        QStringLiteral("<Page>"),
        QStringLiteral("<Format>"),
    };
    appendElementLines(lines, QStringLiteral("Reference"), f.Reference);
    appendElementLines(lines, QStringLiteral("Largeur"), f.Largeur);
    appendElementLines(lines, QStringLiteral("Hauteur"), f.Hauteur);
    appendElementLines(lines, QStringLiteral("Ligne"), f.Ligne);
    appendElementLines(lines, QStringLiteral("Colonne"), f.Colonne);
    appendElementLines(lines, QStringLiteral("MargeGauche"), f.MargeGauche);
    appendElementLines(lines, QStringLiteral("MargeDroite"), f.MargeDroite);
    appendElementLines(lines, QStringLiteral("MargeHaute"), f.MargeHaute);
    appendElementLines(lines, QStringLiteral("MargeBasse"), f.MargeBasse);
    appendElementLines(lines, QStringLiteral("LargeurEtiquette"), f.LargeurEtiquette);
    appendElementLines(lines, QStringLiteral("HauteurEtiquette"), f.HauteurEtiquette);
    appendElementLines(lines, QStringLiteral("EtiquetteVerticalRadius"), f.EtiquetteVerticalRadius);
    appendElementLines(lines, QStringLiteral("EtiquetteHorizontalRadius"), f.EtiquetteHorizontalRadius);
    appendElementLines(lines, QStringLiteral("EcartHorizontal"), f.EcartHorizontal);
    appendElementLines(lines, QStringLiteral("EcartVertical"), f.EcartVertical);
    lines += {
        QStringLiteral("</Format>"),
        QStringLiteral("<Composants>"),
        QStringLiteral("</Composants>"),
        QStringLiteral("</Page>"),
    };
    return lines;
}

QStringList componentBlockLines(const ComponentTexts& f)
{
    QStringList lines = {QStringLiteral("<Composant>")};
    const auto add = [&lines](const char* name, const QString& value) {
        appendElementLines(lines, QString::fromLatin1(name), value);
    };
    add("Type", f.Type);
    add("Name", f.Name);
    add("Top", f.Top);
    add("Left", f.Left);
    add("Height", f.Height);
    add("Width", f.Width);
    const QString& t = f.Type;
    if (t == u"Rectangle") {
        add("BorderWidth", f.BorderWidth);
        add("VRadius", f.VRadius);
        add("HRadius", f.HRadius);
    } else if (t == u"AutoTexte" || t == u"AutoIncTexte" || t == u"AutoVersion") {
        add("Taille", f.Taille);
        add("Rotation", f.Rotation);
    } else if (t == u"Texte") {
        add("Text", f.Text);
        add("Taille", f.Taille);
        add("Rotation", f.Rotation);
    } else if (t == u"AutoBarCode") {
        add("Rotation", f.Rotation);
        add("Position", f.Position);
    } else if (t == u"BarCode128") {
        add("Rotation", f.Rotation);
        add("Position", f.Position);
        add("Text", f.Text);
    } else if (t == u"Image") {
        add("FileName", f.FileName);
    } else if (t == u"AutoMemoTexte") {
        add("Taille", f.Taille);
    } else if (t == u"MemoTexte") {
        add("Position", f.Position);
        add("Text", f.Text);
        add("Taille", f.Taille);
    }
    lines += QStringLiteral("</Composant>");
    return lines;
}

bool insertComponentBlock(QStringList& lines, const QStringList& block)
{
    const qsizetype at = lines.indexOf(QStringLiteral("</Composants>"));
    if (at < 0)
        return false;
    for (qsizetype i = 0; i < block.size(); ++i)
        lines.insert(at + i, block[i]);
    return true;
}

} // namespace pelorin
