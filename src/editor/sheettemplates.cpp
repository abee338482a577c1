#include "editor/sheettemplates.h"

#include "base/convert.h"
#include "base/error.h"
#include "config/xmldocument.h"
#include "config/xmlelement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtEndian>
#include <algorithm>
#include <cmath>

namespace pelorin {

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kMmPerPoint = kMmPerInch / 72.0;
// template files are a few hundred kilobytes; anything far larger is not one
constexpr qint64 kMaxTemplateFileBytes = 16 * 1024 * 1024;
// lengths are rounded to a hundredth of a millimetre, so a slight overlap is rounding, not a fault
constexpr double kTolerance = 0.01;
// a catalogue of the database's messages is some tens of kilobytes
constexpr qint64 kMaxCatalogueBytes = 8 * 1024 * 1024;

QString attr(const XmlElementView& node, const char* name)
{
    return node.attribute(name);
}

std::optional<double> lengthAttr(const XmlElementView& node, const char* name, std::optional<double> fallback = {})
{
    if (!node.hasAttribute(name))
        return fallback;
    return templateLengthMm(node.attribute(name));
}

std::optional<int> countAttr(const XmlElementView& node, const char* name)
{
    bool ok = false;
    const int n = QLocale::c().toInt(attr(node, name).trimmed(), &ok);
    if (!ok)
        return std::nullopt;
    return n;
}

QString rounded(double mm)
{
    double r = std::round(mm * 100.0) / 100.0;
    if (r == 0.0)
        r = 0.0; // no "-0"
    return shortestDecimal(r);
}

// The document element of a template file; a null element for a file that cannot be read.
XmlElementView loadXml(XmlDocument& doc, const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxTemplateFileBytes)
        return XmlElementView(); // the database is optional: a sheet it cannot give is simply not offered
    try {
        doc.loadFile(path, QStringLiteral("le modèle de planche"));
        return XmlElementView::root(doc);
    } catch (const Error&) {
        return XmlElementView();
    }
}

struct PaperSize
{
    double width = 0.0, height = 0.0;
};

// The named papers of the database's paper-sizes.xml; A4 and US Letter are known without it.
QHash<QString, PaperSize> readPaperSizes(const QString& folder)
{
    QHash<QString, PaperSize> papers{{QStringLiteral("A4"), {210.0, 297.0}},
                                     {QStringLiteral("US-Letter"), {8.5 * kMmPerInch, 11.0 * kMmPerInch}}};
    XmlDocument doc;
    const XmlElementView root = loadXml(doc, QDir(folder).filePath(QStringLiteral("paper-sizes.xml")));
    for (const XmlElementView& p : root.children("Paper-size")) {
        const auto w = lengthAttr(p, "width");
        const auto h = lengthAttr(p, "height");
        const QString id = attr(p, "id");
        if (!id.isEmpty() && w && h && *w > 0 && *h > 0)
            papers.insert(id, {*w, *h});
    }
    return papers;
}

QString descriptionOf(const XmlElementView& t)
{
    const QString d = attr(t, "_description");
    return d.isEmpty() ? attr(t, "description") : d;
}

// The geometry of one template, when it is a sheet of rectangular labels in one grid.
std::optional<SheetTemplate> readTemplate(const XmlElementView& t, const QHash<QString, PaperSize>& papers)
{
    SheetTemplate s;
    s.brand = attr(t, "brand").trimmed();
    s.part = attr(t, "part").trimmed();
    s.description = descriptionOf(t).trimmed();
    if (s.part.isEmpty())
        return std::nullopt;

    const QString size = attr(t, "size");
    if (size == u"Other" || size.isEmpty()) {
        const auto w = lengthAttr(t, "width");
        const auto h = lengthAttr(t, "height");
        if (!w || !h)
            return std::nullopt;
        s.pageWidth = *w;
        s.pageHeight = *h;
    } else {
        const auto paper = papers.constFind(size);
        if (paper == papers.constEnd())
            return std::nullopt;
        s.pageWidth = paper->width;
        s.pageHeight = paper->height;
    }

    // one rectangular label shape, laid out in one grid: other shapes and sheets of several grids
    // cannot be described by the fifteen values of a page
    XmlElementView label;
    for (const XmlElementView& child : t.children()) {
        const QString name = child.name();
        if (!name.startsWith(u"Label-"))
            continue;
        if (name != u"Label-rectangle" || label)
            return std::nullopt;
        label = child;
    }
    if (!label)
        return std::nullopt;
    XmlElementView layout;
    for (const XmlElementView& l : label.children("Layout")) {
        if (layout)
            return std::nullopt;
        layout = l;
    }
    if (!layout)
        return std::nullopt;

    const auto lw = lengthAttr(label, "width");
    const auto lh = lengthAttr(label, "height");
    const auto round = lengthAttr(label, "round", 0.0);
    const auto nx = countAttr(layout, "nx");
    const auto ny = countAttr(layout, "ny");
    const auto x0 = lengthAttr(layout, "x0", 0.0);
    const auto y0 = lengthAttr(layout, "y0", 0.0);
    const auto dx = lengthAttr(layout, "dx", 0.0);
    const auto dy = lengthAttr(layout, "dy", 0.0);
    if (!lw || !lh || !round || !nx || !ny || !x0 || !y0 || !dx || !dy)
        return std::nullopt;
    s.labelWidth = *lw;
    s.labelHeight = *lh;
    s.radius = *round;
    s.columns = *nx;
    s.rows = *ny;
    s.x0 = *x0;
    s.y0 = *y0;
    s.dx = *dx;
    s.dy = *dy;

    if (s.pageWidth <= 0 || s.pageHeight <= 0 || s.labelWidth <= 0 || s.labelHeight <= 0 || s.radius < 0 ||
        s.columns < 1 || s.rows < 1 || qint64(s.columns) * s.rows > kMaxLabels)
        return std::nullopt;
    // labels that overlap their neighbours are a broken template
    if ((s.columns > 1 && s.dx < s.labelWidth - kTolerance) || (s.rows > 1 && s.dy < s.labelHeight - kTolerance))
        return std::nullopt;
    return s;
}

// Part numbers sort as people read them: L7160 before L71600, 9 before 10; letters ignore case.
int naturalCompare(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            // compare the runs as numbers without converting them: leading zeros aside, the longer
            // run is the larger number
            QStringView x = QStringView(a).mid(i, ei - i), y = QStringView(b).mid(j, ej - j);
            while (x.size() > 1 && x.front() == u'0')
                x = x.mid(1);
            while (y.size() > 1 && y.front() == u'0')
                y = y.mid(1);
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y); c != 0)
                return c;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return 0;
}

} // namespace

QString SheetTemplate::reference() const
{
    return brand.isEmpty() ? part : brand + u' ' + part;
}

QString SheetTemplate::displayText() const
{
    QString text = reference();
    if (!description.isEmpty())
        text += QStringLiteral(" : ") + description;
    return text + QStringLiteral(" (%1 x %2 mm, %3 x %4)")
                      .arg(rounded(labelWidth), rounded(labelHeight))
                      .arg(columns)
                      .arg(rows);
}

FormatTexts SheetTemplate::formatTexts() const
{
    // the page keeps whole gaps between labels; a single column or row has no gap at all
    const double gapH = columns > 1 ? dx - labelWidth : 0.0;
    const double gapV = rows > 1 ? dy - labelHeight : 0.0;
    FormatTexts f;
    f.Reference = reference();
    f.Largeur = rounded(pageWidth);
    f.Hauteur = rounded(pageHeight);
    f.Ligne = QString::number(rows);
    f.Colonne = QString::number(columns);
    f.MargeGauche = rounded(x0);
    f.MargeHaute = rounded(y0);
    f.MargeDroite = rounded(pageWidth - x0 - (columns - 1) * dx - labelWidth);
    f.MargeBasse = rounded(pageHeight - y0 - (rows - 1) * dy - labelHeight);
    f.LargeurEtiquette = rounded(labelWidth);
    f.HauteurEtiquette = rounded(labelHeight);
    f.EtiquetteHorizontalRadius = rounded(radius);
    f.EtiquetteVerticalRadius = rounded(radius);
    f.EcartHorizontal = rounded(gapH);
    f.EcartVertical = rounded(gapV);
    return f;
}

std::optional<double> templateLengthMm(const QString& text)
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?)\\s*([A-Za-z]*)\\s*$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(m.captured(1), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const QString unit = m.captured(2).toLower();
    if (unit.isEmpty() || unit == u"pt")
        return value * kMmPerPoint;
    if (unit == u"mm")
        return value;
    if (unit == u"cm")
        return value * 10.0;
    if (unit == u"in")
        return value * kMmPerInch;
    if (unit == u"pc")
        return value * 12.0 * kMmPerPoint;
    return std::nullopt;
}

MessageCatalogue readMessageCatalogue(const QString& path)
{
    MessageCatalogue catalogue;
    QFile file(path);
    if (file.size() > kMaxCatalogueBytes || !file.open(QIODevice::ReadOnly))
        return catalogue; // translations are a comfort: without them the descriptions stay in English
    const QByteArray bytes = file.readAll();
    const auto word = [&](qint64 at, bool bigEndian) -> std::optional<quint32> {
        if (at < 0 || at + 4 > bytes.size())
            return std::nullopt;
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + at);
        return bigEndian ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
    };
    const auto magic = word(0, false);
    if (!magic || (*magic != 0x950412deu && *magic != 0xde120495u))
        return catalogue;
    const bool bigEndian = *magic == 0xde120495u;
    const auto count = word(8, bigEndian), originals = word(12, bigEndian), translations = word(16, bigEndian);
    if (!count || !originals || !translations || qint64(*count) > bytes.size() / 16)
        return catalogue;
    // one string of the file: a length and an offset in a table; a plural keeps its first form
    const auto string = [&](quint32 table, quint32 i) -> std::optional<QString> {
        const auto length = word(qint64(table) + 8 * qint64(i), bigEndian);
        const auto offset = word(qint64(table) + 8 * qint64(i) + 4, bigEndian);
        if (!length || !offset || qint64(*offset) + qint64(*length) > bytes.size())
            return std::nullopt;
        QByteArray text = bytes.mid(*offset, *length);
        if (const qsizetype nul = text.indexOf('\0'); nul >= 0)
            text.truncate(nul);
        return QString::fromUtf8(text);
    };
    for (quint32 i = 0; i < *count; ++i) {
        const auto message = string(*originals, i);
        const auto translation = string(*translations, i);
        if (!message || !translation)
            return MessageCatalogue(); // a damaged file gives nothing rather than half of it
        if (!message->isEmpty() && !translation->isEmpty())
            catalogue.insert(*message, *translation);
    }
    return catalogue;
}

MessageCatalogue standardSheetTranslations()
{
    const QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                QStringLiteral("locale/fr/LC_MESSAGES/glabels-3.0.mo"));
    return path.isEmpty() ? MessageCatalogue() : readMessageCatalogue(path);
}

QList<SheetTemplate> readSheetTemplates(const QString& folder, const MessageCatalogue& translations)
{
    const QDir dir(folder);
    const QHash<QString, PaperSize> papers = readPaperSizes(folder);

    QList<SheetTemplate> sheets;
    QHash<QString, qsizetype> byName; // "brand\npart" -> index in sheets
    struct Equivalent
    {
        QString brand, part, description, of;
    };
    QList<Equivalent> equivalents;

    const QStringList files = dir.entryList({QStringLiteral("*-templates.xml")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        XmlDocument doc;
        const XmlElementView root = loadXml(doc, dir.filePath(name));
        for (const XmlElementView& t : root.children("Template")) {
            const QString equiv = attr(t, "equiv").trimmed();
            if (!equiv.isEmpty()) {
                equivalents.append(
                    {attr(t, "brand").trimmed(), attr(t, "part").trimmed(), descriptionOf(t).trimmed(), equiv});
                continue;
            }
            if (auto s = readTemplate(t, papers)) {
                byName.insert(s->brand + u'\n' + s->part, sheets.size());
                sheets.append(*s);
            }
        }
    }
    // an equivalent names a sheet of the same brand, wherever it was read
    for (const Equivalent& e : equivalents) {
        const auto it = byName.constFind(e.brand + u'\n' + e.of);
        if (e.part.isEmpty() || it == byName.constEnd() || byName.contains(e.brand + u'\n' + e.part))
            continue;
        SheetTemplate s = sheets.at(*it);
        s.part = e.part;
        if (!e.description.isEmpty())
            s.description = e.description;
        byName.insert(s.brand + u'\n' + s.part, sheets.size());
        sheets.append(s);
    }

    // the words people search for: French where the database's translation has them, the English
    // kept beside them
    for (SheetTemplate& s : sheets) {
        s.originalDescription = s.description;
        s.description = translations.value(s.description, s.description);
    }

    std::stable_sort(sheets.begin(), sheets.end(), [](const SheetTemplate& a, const SheetTemplate& b) {
        const int byBrand = naturalCompare(a.brand, b.brand);
        return byBrand != 0 ? byBrand < 0 : naturalCompare(a.part, b.part) < 0;
    });
    return sheets;
}

QString standardSheetFolder()
{
    // Debian ships the templates with the library's data; older layouts kept them with the program's
    for (const char* sub : {"libglabels-3.0/templates", "glabels-3.0/templates"}) {
        const QString dir = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QString::fromLatin1(sub),
                                                   QStandardPaths::LocateDirectory);
        if (!dir.isEmpty() && !QDir(dir).entryList({QStringLiteral("*-templates.xml")}, QDir::Files).isEmpty())
            return dir;
    }
    return QString();
}

} // namespace pelorin
