#include "labels/description.h"

#include "base/convert.h"
#include "base/error.h"
#include "base/files.h"
#include "config/xmldocument.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <cstring>
#include <pugixml.hpp>

namespace pelorin {

double descriptionDecimal(const QString& text)
{
    const QString t = text.trimmed();
    // optional sign, digits, at most one separator (comma or point), at least one digit
    qsizetype i = 0;
    if (!t.isEmpty() && (t[0] == u'+' || t[0] == u'-'))
        ++i;
    QString normal = t.left(i);
    int digits = 0, separators = 0;
    bool ok = true;
    for (; i < t.size() && ok; ++i) {
        const QChar c = t[i];
        if (c >= u'0' && c <= u'9') {
            ++digits;
            normal += c;
        } else if ((c == u',' || c == u'.') && separators == 0) {
            ++separators;
            normal += u'.';
        } else {
            ok = false;
        }
    }
    double v = 0.0;
    if (ok && digits > 0)
        v = QLocale::c().toDouble(normal, &ok);
    if (!ok || digits == 0 || !std::isfinite(v))
        throw Error(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return v;
}

DescriptionValue::DescriptionValue(ValueKind kind, const QString& text, double limit) : m_text(text)
{
    if (kind == ValueKind::Text)
        return;
    try {
        m_number = kind == ValueKind::Decimal ? descriptionDecimal(text) : double(strToInt(text));
    } catch (const Error& e) {
        m_error = e.message();
        return;
    }
    if (limit > 0.0 && std::abs(m_number) > limit) {
        m_error = kind == ValueKind::Decimal
                      ? QStringLiteral("'%1' n'est pas une longueur possible (au plus %2 mm)").arg(text).arg(limit)
                      : QStringLiteral("'%1' est hors limites (au plus %2)").arg(text).arg(limit);
        m_number = 0.0;
    }
}

double DescriptionValue::number() const
{
    if (!m_error.isEmpty())
        throw Error(m_error);
    return m_number;
}

SheetGeometry SheetFormat::page() const
{
    SheetGeometry p;
    p.Reference = Reference.text();
    p.Hauteur = Hauteur.inches();
    p.Largeur = Largeur.inches();
    p.MargeGauche = MargeGauche.inches();
    p.MargeDroite = MargeDroite.inches();
    p.MargeHaute = MargeHaute.inches();
    p.MargeBasse = MargeBasse.inches();
    p.Ligne = Ligne.integer();
    p.Colonne = Colonne.integer();
    p.EcartHorizontal = EcartHorizontal.inches();
    p.EcartVertical = EcartVertical.inches();
    p.HauteurEtiquette = HauteurEtiquette.inches();
    p.LargeurEtiquette = LargeurEtiquette.inches();
    p.EtiquetteVerticalRadius = EtiquetteVerticalRadius.inches();
    p.EtiquetteHorizontalRadius = EtiquetteHorizontalRadius.inches();
    if (!MinimumModule.text().isEmpty()) {
        p.MinimumModuleMm = MinimumModule.number();
        if (p.MinimumModuleMm < kLeastMinimumModuleMm)
            throw Error(QStringLiteral("'%1' n'est pas une largeur de module possible (au moins %2 mm)")
                            .arg(MinimumModule.text())
                            .arg(kLeastMinimumModuleMm));
    }
    checkLabelCount(p.Ligne, p.Colonne);
    return p;
}

const DescriptionValue& ComponentDescription::value(const char* element) const
{
    for (const auto& [name, value] : own)
        if (std::strcmp(name, element) == 0)
            return value;
    static const DescriptionValue none;
    return none;
}

namespace {

DescriptionValue textValue(pugi::xml_node parent, const char* name)
{
    return DescriptionValue(ValueKind::Text, text(find(parent, name)));
}

DescriptionValue lengthValue(pugi::xml_node parent, const char* name)
{
    return DescriptionValue(ValueKind::Decimal, text(find(parent, name)), kMaxLengthMm);
}

DescriptionValue countValue(pugi::xml_node parent, const char* name)
{
    // counts are bounded where they are used, with the number of labels
    return DescriptionValue(ValueKind::Integer, text(find(parent, name)));
}

} // namespace

LabelDescription::LabelDescription(const XmlDocument& document)
{
    if (!document.isActive())
        return;
    const pugi::xml_node root = document.documentElement();
    const pugi::xml_node format = find(root, "Format");
    SheetFormat& f = m_format;
    f.Reference = textValue(format, "Reference");
    f.Hauteur = lengthValue(format, "Hauteur");
    f.Largeur = lengthValue(format, "Largeur");
    f.MargeGauche = lengthValue(format, "MargeGauche");
    f.MargeDroite = lengthValue(format, "MargeDroite");
    f.MargeHaute = lengthValue(format, "MargeHaute");
    f.MargeBasse = lengthValue(format, "MargeBasse");
    f.Ligne = countValue(format, "Ligne");
    f.Colonne = countValue(format, "Colonne");
    f.EcartHorizontal = lengthValue(format, "EcartHorizontal");
    f.EcartVertical = lengthValue(format, "EcartVertical");
    f.HauteurEtiquette = lengthValue(format, "HauteurEtiquette");
    f.LargeurEtiquette = lengthValue(format, "LargeurEtiquette");
    f.EtiquetteVerticalRadius = lengthValue(format, "EtiquetteVerticalRadius");
    f.EtiquetteHorizontalRadius = lengthValue(format, "EtiquetteHorizontalRadius");
    // looked for without being added: a description without it stays as it was
    if (const pugi::xml_node minimum = format.child("MinimumModule"))
        f.MinimumModule = DescriptionValue(ValueKind::Decimal, text(minimum), kMostMinimumModuleMm);

    // every child element of Composants is a component, whatever its name
    for (const pugi::xml_node node : entries(find(root, "Composants"))) {
        ComponentDescription c;
        c.Type = textValue(node, "Type");
        c.Name = textValue(node, "Name");
        c.Top = lengthValue(node, "Top");
        c.Left = lengthValue(node, "Left");
        c.Height = lengthValue(node, "Height");
        c.Width = lengthValue(node, "Width");
        c.type = findComponentType(c.Type.text());
        if (c.type) {
            c.own.reserve(c.type->reads.size());
            for (const ReadElement& r : c.type->reads)
                c.own.emplace_back(r.element, DescriptionValue(r.kind, text(find(node, r.element)), r.limit));
        }
        // shown by the editor's report whatever the type, and never added when absent
        if (const pugi::xml_node t = node.child("Text"))
            c.text = text(t);
        m_components.push_back(std::move(c));
    }
    m_fileName = document.fileName();
    m_active = true;
}

LabelDescription LabelDescription::load(const QString& path, const QString& kind)
{
    // the bytes read once, so that what is kept of a print is what was printed
    return fromBytes(readRegularFile(path, kMaxXmlFileBytes, kind), path);
}

LabelDescription LabelDescription::fromBytes(const QByteArray& bytes, const QString& name)
{
    XmlDocument document;
    document.loadBytes(bytes, name);
    LabelDescription d(document);
    d.m_fileName = name;
    d.m_bytes = bytes;
    return d;
}

LabelDescription LabelDescription::parse(const QString& text)
{
    XmlDocument document;
    document.parseText(text);
    LabelDescription d(document);
    d.m_bytes = document.toBytes();
    return d;
}

bool LabelDescription::printsIncrementalText() const
{
    for (const ComponentDescription& c : m_components)
        if (c.Type.text() == QLatin1String("AutoIncTexte"))
            return true;
    return false;
}

const SheetFormat& LabelDescription::format() const
{
    if (!m_active)
        throw Error(QStringLiteral("No active document"));
    return m_format;
}

const std::vector<ComponentDescription>& LabelDescription::components() const
{
    if (!m_active)
        throw Error(QStringLiteral("No active document"));
    return m_components;
}

SheetGeometry readFormat(const LabelDescription& description)
{
    return description.format().page();
}

void checkLabelCount(int rows, int columns)
{
    const bool tooMany = std::abs(qint64(rows)) > kMaxLabels || std::abs(qint64(columns)) > kMaxLabels ||
                         (rows > 0 && columns > 0 && qint64(rows) * qint64(columns) > kMaxLabels);
    if (tooMany)
        throw Error(QStringLiteral("Trop d'étiquettes sur la page : %1 x %2 (au plus %3).")
                        .arg(rows)
                        .arg(columns)
                        .arg(kMaxLabels));
}

namespace {

// A typed text as element content: `<`, `&` and `>` as references, so that "R&D" or "a<b" keeps
// the description well-formed and reads back as typed.
QString escapedContent(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&')
            out += QStringLiteral("&amp;");
        else if (c == u'<')
            out += QStringLiteral("&lt;");
        else if (c == u'>')
            out += QStringLiteral("&gt;");
        else
            out += c;
    }
    return out;
}

// One element per line, the value as typed but for the markup characters; nothing is trimmed.
void appendElementLines(QStringList& lines, const QString& name, const QString& value)
{
    const QString joined = u'<' + name + u'>' + escapedContent(value) + QStringLiteral("</") + name + u'>';
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    lines += joined.split(lineBreak);
}

} // namespace

std::optional<ValueFault> findValueFault(const LabelDescription& description, const QString& message)
{
    if (!description.isActive() || message.isEmpty())
        return std::nullopt;
    const auto matches = [&message](const DescriptionValue& v) { return !v.isValid() && v.error() == message; };
    const SheetFormat& f = description.format();
    const std::pair<const char*, const DescriptionValue*> formatValues[] = {
        {"Hauteur", &f.Hauteur},
        {"Largeur", &f.Largeur},
        {"MargeGauche", &f.MargeGauche},
        {"MargeDroite", &f.MargeDroite},
        {"MargeHaute", &f.MargeHaute},
        {"MargeBasse", &f.MargeBasse},
        {"Ligne", &f.Ligne},
        {"Colonne", &f.Colonne},
        {"EcartHorizontal", &f.EcartHorizontal},
        {"EcartVertical", &f.EcartVertical},
        {"HauteurEtiquette", &f.HauteurEtiquette},
        {"LargeurEtiquette", &f.LargeurEtiquette},
        {"EtiquetteVerticalRadius", &f.EtiquetteVerticalRadius},
        {"EtiquetteHorizontalRadius", &f.EtiquetteHorizontalRadius},
        {"MinimumModule", &f.MinimumModule},
    };
    for (const auto& [element, value] : formatValues)
        if (matches(*value))
            return ValueFault{QString::fromLatin1(element), std::nullopt, QString(), value->text(), value->error()};

    const auto& components = description.components();
    for (size_t i = 0; i < components.size(); ++i) {
        const ComponentDescription& c = components[i];
        std::vector<std::pair<const char*, const DescriptionValue*>> values = {
            {"Top", &c.Top}, {"Left", &c.Left}, {"Height", &c.Height}, {"Width", &c.Width}};
        for (const auto& [element, value] : c.own)
            values.emplace_back(element, &value);
        for (const auto& [element, value] : values)
            if (matches(*value))
                return ValueFault{QString::fromLatin1(element), int(i), c.Name.text(), value->text(), value->error()};
    }
    return std::nullopt;
}

QString valueFaultMessage(const QString& fileName, const ValueFault& fault)
{
    QString owner;
    if (!fault.component)
        owner = QStringLiteral("du format de la page");
    else if (fault.componentName.trimmed().isEmpty())
        owner = QStringLiteral("du composant n° %1").arg(*fault.component + 1);
    else
        owner = QStringLiteral("du composant %1").arg(fault.componentName);
    // the conversion's own messages tell a text that is no number from a number out of bounds
    QString verdict;
    if (fault.error.endsWith(QLatin1String("is not a valid integer value")))
        verdict = QStringLiteral("n'est pas un nombre entier");
    else if (fault.error.endsWith(QLatin1String("is not a valid floating point value")))
        verdict = QStringLiteral("n'est pas un nombre");
    else
        verdict = QStringLiteral("est refusée (%1)").arg(fault.error);
    return QStringLiteral("%1 : la valeur « %2 » de l'élément %3 %4 %5.")
        .arg(fileName, fault.text, fault.element, owner, verdict);
}

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
    if (!f.MinimumModule.isEmpty())
        appendElementLines(lines, QStringLiteral("MinimumModule"), f.MinimumModule);
    lines += {
        QStringLiteral("</Format>"),
        QStringLiteral("<Composants>"),
        QStringLiteral("</Composants>"),
        QStringLiteral("</Page>"),
    };
    return lines;
}

QStringList componentBlockLines(const CommonTexts& common, const std::function<QString(const char*)>& ownValue)
{
    QStringList lines = {QStringLiteral("<Composant>")};
    const auto add = [&lines](const char* name, const QString& value) {
        appendElementLines(lines, QString::fromLatin1(name), value);
    };
    add("Type", common.Type);
    add("Name", common.Name);
    add("Top", common.Top);
    add("Left", common.Left);
    add("Height", common.Height);
    add("Width", common.Width);
    if (const ComponentType* type = findComponentType(common.Type))
        for (const WrittenElement& w : type->writes)
            add(w.element, ownValue(w.element));
    lines += QStringLiteral("</Composant>");
    return lines;
}

QString ComponentTexts::value(const char* element) const
{
    const std::pair<const char*, const QString*> fields[] = {
        {"BorderWidth", &BorderWidth}, {"VRadius", &VRadius}, {"HRadius", &HRadius},   {"Taille", &Taille},
        {"Rotation", &Rotation},       {"Text", &Text},       {"Position", &Position}, {"FileName", &FileName},
    };
    for (const auto& [name, field] : fields)
        if (std::strcmp(name, element) == 0)
            return *field;
    return QString();
}

QStringList componentBlockLines(const ComponentTexts& f)
{
    return componentBlockLines(f, [&f](const char* element) { return f.value(element); });
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
