#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "labels/componenttypes.h"

// Label page descriptions (.ETQ): a root `Page` holding `Format` (the sheet and its grid of labels)
// and `Composants` (what is drawn on every label). Reading goes through the XML layer's node access
// rule once, into typed values; writing is done as lines of text, the way the page editor builds a
// description.
namespace pelorin {

// Millimetres per inch: description lengths are millimetres, the page model's are inches.
inline constexpr double kMillimetresPerInch = 25.4;

// The sheet format, lengths in inches.
struct SheetGeometry
{
    QString Reference;
    double Hauteur = 0.0, Largeur = 0.0;
    double MargeGauche = 0.0, MargeDroite = 0.0, MargeHaute = 0.0, MargeBasse = 0.0;
    int Ligne = 0, Colonne = 0;
    double EcartHorizontal = 0.0, EcartVertical = 0.0;
    double HauteurEtiquette = 0.0, LargeurEtiquette = 0.0;
    double EtiquetteVerticalRadius = 0.0, EtiquetteHorizontalRadius = 0.0;
    // the narrowest barcode module the sheet's labels may be printed with, mm
    double MinimumModuleMm = 0.125;

    double columnPitch() const { return EcartHorizontal + LargeurEtiquette; }
    double rowPitch() const { return EcartVertical + HauteurEtiquette; }
};

// One component placed on one label: position on the page and size in inches, then the values of
// its type.
struct PlacedComponent
{
    QString Type;
    QString Name;
    double Top = 0.0, Left = 0.0, Height = 0.0, Width = 0.0;
    double VRadius = 0.0, HRadius = 0.0;
    int BorderWidth = 0;
    QString Text;
    QString FileName;
    int Rotation = 0;
    int Taille = 0;
};

// A decimal of a description: an optional sign, digits and at most one decimal separator, a comma
// or a point whatever the regional settings (files travel between machines), no grouping. The
// runtime's message "'<text>' is not a valid floating point value" otherwise.
double descriptionDecimal(const QString& text);

// One element of a description as read: its text as it stands (empty when the element is missing)
// and, for a number, its value, converted once when the description is read. A value that does
// not convert keeps its message until it is used, so that a build stops where the value is needed.
class DescriptionValue
{
public:
    DescriptionValue() = default;
    DescriptionValue(ValueKind kind, const QString& text, double limit = 0.0);

    const QString& text() const { return m_text; }
    bool isValid() const { return m_error.isEmpty(); }
    // Why the text does not convert; empty when it does.
    const QString& error() const { return m_error; }
    // The number; Error(error()) when the text does not convert.
    double number() const;
    int integer() const { return int(number()); }
    // A length in millimetres, as inches.
    double inches() const { return number() / kMillimetresPerInch; }

private:
    QString m_text;
    double m_number = 0.0;
    QString m_error;
};

// `Page` / `Format` as read, one value per element.
struct SheetFormat
{
    DescriptionValue Reference, Hauteur, Largeur, MargeGauche, MargeDroite, MargeHaute, MargeBasse, Ligne, Colonne,
        EcartHorizontal, EcartVertical, HauteurEtiquette, LargeurEtiquette, EtiquetteVerticalRadius,
        EtiquetteHorizontalRadius;
    // Optional, unlike the others: the narrowest barcode module in mm. A description without it has
    // the common 0.125 mm, and is neither read nor written any differently.
    DescriptionValue MinimumModule;

    // The format in inches. Values convert in a fixed order (Reference, Hauteur, Largeur, the four
    // margins, Ligne, Colonne, the gaps, the label size, the radii, the minimum module), so that of several bad values
    // the first in that order is the one reported; too many labels are refused (checkLabelCount).
    SheetGeometry page() const;
};

struct ComponentType;

// One child of `Composants` as read: the six common elements, its type from the table (none when
// `Type` names none of them) and the type's own elements, in the order the table reads them.
struct ComponentDescription
{
    DescriptionValue Type, Name, Top, Left, Height, Width;
    const ComponentType* type = nullptr;
    std::vector<std::pair<const char*, DescriptionValue>> own;
    // The `Text` element when there is one, whatever the type (the editor's execution report).
    QString text;

    // An own element of the type; an empty value for an element the type does not read.
    const DescriptionValue& value(const char* element) const;
};

class XmlDocument;

// A label page description read once: the sheet format and the components, every value typed.
// The page build, the selection grids and the command line work from it; the XML text stays the
// page editor's source. A description that is not loaded answers "No active document".
class LabelDescription
{
public:
    LabelDescription() = default;
    // Reads a loaded document (the first element of each name counts; elements missing are read
    // as empty text and added, empty, to the document in memory). A document that is not loaded
    // gives a description that is not loaded either.
    LabelDescription(const XmlDocument& document);

    // A description file; the loader's Error (naming the file) when it cannot be read.
    static LabelDescription load(const QString& path, const QString& kind = QStringLiteral("la description"));
    // A description text (the editor's lines); the parser's Error when it is not well-formed.
    static LabelDescription parse(const QString& text);
    // A description from its file's bytes (a page printed before, as the journal kept it); `name`
    // names it in the messages and is its fileName().
    static LabelDescription fromBytes(const QByteArray& bytes, const QString& name);

    bool isActive() const { return m_active; }
    // No description loaded any more.
    void release() { *this = LabelDescription(); }
    // The path it was loaded from (empty for a text).
    const QString& fileName() const { return m_fileName; }
    // The bytes it was read from (a text's as it would be saved): what the journal keeps of a page
    // printed from it.
    const QByteArray& bytes() const { return m_bytes; }
    // True when its labels print the incremental list.
    bool printsIncrementalText() const;

    // Error("No active document") when not loaded.
    const SheetFormat& format() const;
    const std::vector<ComponentDescription>& components() const;

private:
    bool m_active = false;
    QString m_fileName;
    QByteArray m_bytes;
    SheetFormat m_format;
    std::vector<ComponentDescription> m_components;
};

// Where a value that does not convert sits: its element, the component it belongs to (none for the
// sheet format), the text as written and why it does not convert.
struct ValueFault
{
    QString element;
    std::optional<int> component; // index in components()
    QString componentName;
    QString text;
    QString error;
};

// The value of `description` whose conversion error is `message`, looked for in the order the page
// build uses them (the format, then each component's common and own elements); none when no value
// gives that message (a description that is not loaded, a message of another kind).
std::optional<ValueFault> findValueFault(const LabelDescription& description, const QString& message);

// The message for the operator: "<file> : la valeur « 4,x » de l'élément Hauteur du composant
// Texte3 n'est pas un nombre." (or "… du format de la page …", "… n'est pas un nombre entier.",
// "… est hors limites (…).").
QString valueFaultMessage(const QString& fileName, const ValueFault& fault);

// The sheet format of a description, in inches (SheetFormat::page()).
SheetGeometry readFormat(const LabelDescription& description);

// The bounds of a description's minimum module, mm.
inline constexpr double kLeastMinimumModuleMm = 0.01;
inline constexpr double kMostMinimumModuleMm = 10.0;

// A sheet holds at most this many labels, and no count of rows or columns goes past it, even
// negative: a mistyped count (40000 rows) is refused with a message instead of exhausting memory
// while the grid or the page is built.
inline constexpr qint64 kMaxLabels = 10000;
// Error("Trop d'étiquettes sur la page : <rows> x <columns> (au plus 10000).") above that.
void checkLabelCount(int rows, int columns);

// The texts of the editor's "Nouvelle page" fields, as typed; the defaults are the fields' first
// texts.
struct FormatTexts
{
    QString Reference = QStringLiteral("Avery");
    QString Largeur = QStringLiteral("210");
    QString Hauteur = QStringLiteral("297");
    QString Ligne = QStringLiteral("4");
    QString Colonne = QStringLiteral("2");
    QString MargeGauche = QStringLiteral("5");
    QString MargeDroite = QStringLiteral("5");
    QString MargeHaute = QStringLiteral("10");
    QString MargeBasse = QStringLiteral("10");
    QString LargeurEtiquette = QStringLiteral("100");
    QString HauteurEtiquette = QStringLiteral("50");
    QString EtiquetteVerticalRadius = QStringLiteral("5");
    QString EtiquetteHorizontalRadius = QStringLiteral("5");
    QString EcartHorizontal = QStringLiteral("1");
    QString EcartVertical = QStringLiteral("1");
    // written only when given, after EcartVertical
    QString MinimumModule;
};

// The 22 lines of a new description: declaration, `Page`, `Format` with its fifteen elements,
// an empty `Composants` (23 with a minimum module).
QStringList newDescriptionLines(const FormatTexts& fields);

// The texts of the six common fields of the editor's "Ajouter objets" tab, as typed.
struct CommonTexts
{
    QString Type = QStringLiteral("Rectangle");
    QString Name = QStringLiteral("Objet");
    QString Top = QStringLiteral("10");
    QString Left = QStringLiteral("10");
    QString Height = QStringLiteral("10");
    QString Width = QStringLiteral("10");
};

// The block of a component, one element per line from `<Composant>` to `</Composant>`: the six
// common elements, then the elements the table writes for `Type` (none for an unknown type), each
// valued by `ownValue(element)`. A text holding line breaks spreads its element over several lines.
QStringList componentBlockLines(const CommonTexts& common, const std::function<QString(const char*)>& ownValue);

// The texts of every own field for one component, by element name, with the editor's first texts
// (the tests and the benchmarks describe components with it).
struct ComponentTexts : CommonTexts
{
    QString BorderWidth = QStringLiteral("1");
    QString VRadius = QStringLiteral("0");
    QString HRadius = QStringLiteral("0");
    QString Taille = QStringLiteral("8");
    QString Rotation = QStringLiteral("0");
    QString Text;
    QString Position = QStringLiteral("Left");
    QString FileName = QStringLiteral("Defaut.bmp");

    // The text for an own element; empty for one it does not name.
    QString value(const char* element) const;
};

QStringList componentBlockLines(const ComponentTexts& fields);

// Inserts `block` just before the first line that is exactly "</Composants>"; false, and nothing
// changed, when no line is.
bool insertComponentBlock(QStringList& lines, const QStringList& block);

} // namespace pelorin
