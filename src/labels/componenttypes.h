#pragma once
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

// The component types of a label page description, in one table: what the page editor writes for
// each, what the page build reads and converts, the editor's page of fields, and what each becomes
// on a label. A new type is one entry here and its drawing beside the others in componenttypes.cpp.
namespace pelorin {

class LabelValues;
struct ComponentDescription;
struct PlacedComponent;
namespace report {
class Page;
enum class TextAlignment;
} // namespace report

enum class ValueKind {
    Text,    // any characters, as stored
    Decimal, // millimetres: an optional sign, digits, at most one decimal separator
    Integer, // an optional sign and decimal digits
};

// An element the editor writes for a type, and the objectName of the field it takes its value from.
struct WrittenElement
{
    const char* element;
    const char* field;
};

// An element the page build reads for a type, how it converts, and the largest magnitude a value
// may have (0: no bound), so that a mistyped size never reaches the painter.
struct ReadElement
{
    const char* element;
    ValueKind kind;
    double limit = 0.0;
};

// Creates the component for one label. `rec` holds the type, the name and the box already placed
// on that label (inches); the type's own values are read from `component`. Every own value is
// converted before anything is created, so a value that does not convert (Error) leaves no
// component; so does a name that is not an identifier.
using CreateComponent = void (*)(PlacedComponent& rec, const ComponentDescription& component, int labelNumber,
                                 report::Page& page, const LabelValues& values);

struct ComponentType
{
    QString name;                       // the text of `Type`
    std::vector<WrittenElement> writes; // the editor's lines after the six common ones, in order
    std::vector<ReadElement> reads;     // what the page build reads, in the order it reads them
    const char* editorPage;             // objectName of the editor's page of fields for the type
    CreateComponent create;
};

// The eleven types, in the editor's order.
const std::vector<ComponentType>& componentTypeTable();
// The type named exactly `name` (case-sensitive); null for none.
const ComponentType* findComponentType(QStringView name);
// The names of the table, in its order.
const QStringList& componentTypes();

// Optional elements of the text and barcode types, written only when they differ from their
// default so that a description that does not use them stays as earlier versions wrote it (and
// they, which ignore elements they do not look for, still read it).
// `Police`: the font family of a text; absent or empty, Arial.
inline constexpr const char* kFontElement = "Police";
// `Gras`: "1" for a bold text; absent, regular.
inline constexpr const char* kBoldElement = "Gras";
// `TexteLisible`: "0" for a barcode without its text under the bars; absent, the text is printed.
inline constexpr const char* kHumanReadableElement = "TexteLisible";
// `Position` of a text: "Center" or "Right" within its box; "Left", absent or any other word keeps
// it at the box's left edge.
inline constexpr const char* kPositionElement = "Position";
inline constexpr const char* kDefaultFontFamily = "Arial";

report::TextAlignment alignmentFromPosition(const QString& position);
QString positionFromAlignment(report::TextAlignment alignment);
// A yes-or-no element: "1", "oui", "true" (any case) are yes; "0", "non", "false" no; an empty or
// other text keeps `byDefault`.
bool descriptionFlag(const QString& text, bool byDefault);

// The largest length, in millimetres, a description may give: larger than any sheet a printer takes,
// small enough that every position stays a number the painter can handle.
inline constexpr double kMaxLengthMm = 10000.0;
// The largest font height and border width, in pixels.
inline constexpr double kMaxPixelSize = 1000.0;

} // namespace pelorin
