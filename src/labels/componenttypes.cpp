#include "labels/componenttypes.h"

#include "base/paths.h"
#include "labels/description.h"
#include "labels/labelvalues.h"
#include "labels/reportpage.h"
#include "labels/symbologies.h"

namespace pelorin {

namespace {

using report::ComponentClass;

report::Component& placed(report::Page& page, ComponentClass cls, const PlacedComponent& rec)
{
    report::Component& c = page.create(cls, rec.Name);
    c.top = rec.Top;
    c.left = rec.Left;
    c.height = rec.Height;
    c.width = rec.Width;
    return c;
}

// The family, weight and alignment a text type reads (all optional).
report::TextFace textFace(const ComponentDescription& d)
{
    report::TextFace face;
    face.family = d.value(kFontElement).text().trimmed();
    face.bold = descriptionFlag(d.value(kBoldElement).text(), false);
    face.alignment = alignmentFromPosition(d.value(kPositionElement).text());
    return face;
}

void setText(report::Component& c, const QString& text, int rotation, int fontHeightPx, const ComponentDescription& d)
{
    report::TextProps& t = c.text();
    t.text = text;
    t.rotation = rotation;
    t.fontHeightPx = fontHeightPx;
    t.face = textFace(d);
}

// The drawings: each converts its own values first, then creates its component.

void createRectangle(PlacedComponent& rec, const ComponentDescription& d, int, report::Page& page, const LabelValues&)
{
    rec.BorderWidth = d.value("BorderWidth").integer();
    // the radii of a component are whole millimetres
    rec.HRadius = d.value("HRadius").integer() / kMillimetresPerInch;
    rec.VRadius = d.value("VRadius").integer() / kMillimetresPerInch;
    report::RectangleProps& r = placed(page, ComponentClass::Rectangle, rec).rectangle();
    r.hRadius = rec.HRadius;
    r.vRadius = rec.VRadius;
    r.clearFill = true;
    r.borderWidth = rec.BorderWidth;
}

void createAutoTexte(PlacedComponent& rec, const ComponentDescription& d, int, report::Page& page,
                     const LabelValues& values)
{
    rec.Rotation = d.value("Rotation").integer();
    rec.Taille = d.value("Taille").integer();
    setText(placed(page, ComponentClass::Text, rec), values.operatorText(), rec.Rotation, rec.Taille, d);
}

void createAutoIncTexte(PlacedComponent& rec, const ComponentDescription& d, int labelNumber, report::Page& page,
                        const LabelValues& values)
{
    rec.Rotation = d.value("Rotation").integer();
    rec.Taille = d.value("Taille").integer();
    // the label numbered n prints line n of the list; labels past its end print nothing
    const QStringList lines = values.incrementalLines();
    const QString text = labelNumber >= 1 && labelNumber <= lines.size() ? lines[labelNumber - 1] : QString();
    setText(placed(page, ComponentClass::Text, rec), text, rec.Rotation, rec.Taille, d);
}

void createTexte(PlacedComponent& rec, const ComponentDescription& d, int, report::Page& page, const LabelValues&)
{
    rec.Text = d.value("Text").text();
    rec.Rotation = d.value("Rotation").integer();
    rec.Taille = d.value("Taille").integer();
    setText(placed(page, ComponentClass::Text, rec), rec.Text, rec.Rotation, rec.Taille, d);
}

void createAutoVersion(PlacedComponent& rec, const ComponentDescription& d, int, report::Page& page,
                       const LabelValues& values)
{
    // the version is always small: its Taille is not read
    rec.Rotation = d.value("Rotation").integer();
    setText(placed(page, ComponentClass::Text, rec), QStringLiteral("Pelorin V") + values.version(), rec.Rotation, 6,
            d);
}

void setBarcode(report::Component& c, report::Symbology symbology, const QString& text, const ComponentDescription& d)
{
    report::BarcodeProps& b = c.barcode();
    b.symbology = symbology;
    b.text = text;
    b.humanReadable = descriptionFlag(d.value(kHumanReadableElement).text(), true);
}

// The code itself, or what its symbology carries of it: GS1 data composed from the code's fields
// and the description's GTIN, or the GTIN alone for EAN-13, which holds digits only.
void createAutoBarCode(PlacedComponent& rec, const ComponentDescription& d, int, report::Page& page,
                       const LabelValues& values)
{
    const report::Symbology symbology = readSymbology(d.value("Symbology").text());
    QString text = values.code();
    if (symbology.gs1 || symbology == report::kGs1_128)
        text = checkedBarcodeText(symbology, gs1EncoderText(gs1FromCode(text, d.value("GTIN").text())));
    else if (symbology == report::kEan13)
        text = checkedBarcodeText(symbology, d.value("GTIN").text());
    else if (symbology != report::kCode128)
        text = checkedBarcodeText(symbology, text);
    setBarcode(placed(page, ComponentClass::Barcode, rec), symbology, text, d);
}

void createBarCode128(PlacedComponent& rec, const ComponentDescription& d, int, report::Page& page, const LabelValues&)
{
    rec.Text = d.value("Text").text();
    const report::Symbology symbology = readSymbology(d.value("Symbology").text());
    const QString text = checkedBarcodeText(symbology, rec.Text);
    setBarcode(placed(page, ComponentClass::Barcode, rec), symbology, text, d);
}

void createAutoLogo(PlacedComponent& rec, const ComponentDescription&, int, report::Page& page,
                    const LabelValues& values)
{
    report::BitmapProps& b = placed(page, ComponentClass::Bitmap, rec).bitmap();
    b.fileLink = values.logoPath();
    b.matchInside = true;
}

void createImage(PlacedComponent& rec, const ComponentDescription& d, int, report::Page& page, const LabelValues&)
{
    rec.FileName = DataFolder::path(QStringLiteral("Logos\\") + d.value("FileName").text());
    report::BitmapProps& b = placed(page, ComponentClass::Bitmap, rec).bitmap();
    b.fileLink = rec.FileName;
    b.matchInside = true;
}

void createAutoMemoTexte(PlacedComponent& rec, const ComponentDescription& d, int, report::Page& page,
                         const LabelValues& values)
{
    rec.Taille = d.value("Taille").integer();
    report::MemoProps& m = placed(page, ComponentClass::Memo, rec).memo();
    m.text = values.multilineText();
    m.fontHeightPx = rec.Taille;
    m.face = textFace(d);
}

void createMemoTexte(PlacedComponent& rec, const ComponentDescription& d, int, report::Page& page, const LabelValues&)
{
    rec.Text = d.value("Text").text();
    rec.Taille = d.value("Taille").integer();
    report::MemoProps& m = placed(page, ComponentClass::Memo, rec).memo();
    m.text = rec.Text;
    m.fontHeightPx = rec.Taille;
    m.face = textFace(d);
}

constexpr ReadElement kTaille{"Taille", ValueKind::Integer, kMaxPixelSize};
constexpr ReadElement kRotation{"Rotation", ValueKind::Integer};
constexpr ReadElement kText{"Text", ValueKind::Text};
// optional: a description without it keeps its Code 128
constexpr ReadElement kSymbology{"Symbology", ValueKind::Text};
constexpr ReadElement kGtin{"GTIN", ValueKind::Text};
constexpr ReadElement kHumanReadable{kHumanReadableElement, ValueKind::Text};
// the face of a text, all optional
constexpr ReadElement kPosition{kPositionElement, ValueKind::Text};
constexpr ReadElement kFont{kFontElement, ValueKind::Text};
constexpr ReadElement kBold{kBoldElement, ValueKind::Text};

} // namespace

const std::vector<ComponentType>& componentTypeTable()
{
    // the editor writes the own elements in the order of `writes`; the build reads in the order of
    // `reads`, which decides the message when several values are bad
    static const std::vector<ComponentType> table = {
        {QStringLiteral("Rectangle"),
         {{"BorderWidth", "rectangleBorderEdit"},
          {"VRadius", "rectangleVRadiusEdit"},
          {"HRadius", "rectangleHRadiusEdit"}},
         {{"BorderWidth", ValueKind::Integer, kMaxPixelSize},
          {"HRadius", ValueKind::Integer, kMaxLengthMm},
          {"VRadius", ValueKind::Integer, kMaxLengthMm}},
         "pageRectangle",
         createRectangle},
        {QStringLiteral("AutoTexte"),
         {{"Taille", "autoTextSizeEdit"}, {"Rotation", "autoTextRotationEdit"}},
         {kRotation, kTaille, kPosition, kFont, kBold},
         "pageAutoTexte",
         createAutoTexte},
        {QStringLiteral("AutoIncTexte"),
         {{"Taille", "autoIncTextSizeEdit"}, {"Rotation", "autoIncTextRotationEdit"}},
         {kRotation, kTaille, kPosition, kFont, kBold},
         "pageAutoIncTexte",
         createAutoIncTexte},
        {QStringLiteral("Texte"),
         {{"Text", "textEdit"}, {"Taille", "textSizeEdit"}, {"Rotation", "textRotationEdit"}},
         {kText, kRotation, kTaille, kPosition, kFont, kBold},
         "pageTexte",
         createTexte},
        // the version's size is the one of the Texte page: it has no field of its own
        {QStringLiteral("AutoVersion"),
         {{"Taille", "textSizeEdit"}, {"Rotation", "autoVersionRotationEdit"}},
         {kRotation, kPosition, kFont, kBold},
         "pageAutoVersion",
         createAutoVersion},
        {QStringLiteral("AutoBarCode"),
         {{"Rotation", "autoBarCodeRotationEdit"}, {"Position", "autoBarCodePositionEdit"}},
         {kSymbology, kGtin, kHumanReadable},
         "pageAutoBarCode",
         createAutoBarCode},
        {QStringLiteral("BarCode128"),
         {{"Rotation", "barCodeRotationEdit"}, {"Position", "barCodePositionEdit"}, {"Text", "barCodeTextEdit"}},
         {kText, kSymbology, kHumanReadable},
         "pageBarCode128",
         createBarCode128},
        {QStringLiteral("AutoLogo"), {}, {}, "pageAutoLogo", createAutoLogo},
        {QStringLiteral("Image"),
         {{"FileName", "imageFileEdit"}},
         {{"FileName", ValueKind::Text}},
         "pageImage",
         createImage},
        {QStringLiteral("AutoMemoTexte"),
         {{"Taille", "autoMemoTextSizeEdit"}},
         {kTaille, kPosition, kFont, kBold},
         "pageAutoMemoTexte",
         createAutoMemoTexte},
        // the whole text of the memo, its line breaks kept
        {QStringLiteral("MemoTexte"),
         {{"Position", "memoTextPositionEdit"}, {"Text", "memoTextEdit"}, {"Taille", "memoTextSizeEdit"}},
         {kText, kTaille, kPosition, kFont, kBold},
         "pageMemoTexte",
         createMemoTexte},
    };
    return table;
}

report::TextAlignment alignmentFromPosition(const QString& position)
{
    const QString p = position.trimmed();
    if (p.compare(QLatin1String("Center"), Qt::CaseInsensitive) == 0)
        return report::TextAlignment::Center;
    if (p.compare(QLatin1String("Right"), Qt::CaseInsensitive) == 0)
        return report::TextAlignment::Right;
    return report::TextAlignment::Left;
}

QString positionFromAlignment(report::TextAlignment alignment)
{
    switch (alignment) {
    case report::TextAlignment::Center:
        return QStringLiteral("Center");
    case report::TextAlignment::Right:
        return QStringLiteral("Right");
    case report::TextAlignment::Left:
        break;
    }
    return QStringLiteral("Left");
}

bool descriptionFlag(const QString& text, bool byDefault)
{
    const QString t = text.trimmed();
    for (const char* yes : {"1", "oui", "true"})
        if (t.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0)
            return true;
    for (const char* no : {"0", "non", "false"})
        if (t.compare(QLatin1String(no), Qt::CaseInsensitive) == 0)
            return false;
    return byDefault;
}

const ComponentType* findComponentType(QStringView name)
{
    for (const ComponentType& t : componentTypeTable())
        if (t.name == name)
            return &t;
    return nullptr;
}

const QStringList& componentTypes()
{
    static const QStringList names = [] {
        QStringList list;
        for (const ComponentType& t : componentTypeTable())
            list << t.name;
        return list;
    }();
    return names;
}

} // namespace pelorin
