#pragma once
#include <QHash>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <memory>
#include <variant>
#include <vector>

#include "labels/barcode.h"

// The report layer's page as a build creates it, before it is executed (its bitmaps read, its
// barcodes encoded) into the page that is painted. Positions and sizes are inches from the page's top-left corner.
namespace pelorin::report {

enum class ComponentClass { Rectangle, Text, Memo, Barcode, Bitmap };

enum class BorderStyle { Solid, Dot, DashDot };

// Where a text lies across its box: from its left edge (the default), centred, or up to its right edge.
enum class TextAlignment { Left, Center, Right };

// The face of a text: the description's font family (empty for the default Arial) and its weight.
struct TextFace
{
    QString family;
    bool bold = false;
    TextAlignment alignment = TextAlignment::Left;

    bool operator==(const TextFace&) const = default;
};

struct RectangleProps
{
    int borderWidth = 1; // pixels of the screen (1/96 inch); 0 draws a hairline
    BorderStyle borderStyle = BorderStyle::Solid;
    bool clearFill = true; // the rectangles of labels are never filled
    double hRadius = 0.0;  // rounded corners, inches
    double vRadius = 0.0;
};

struct TextProps
{
    QString text;
    int fontHeightPx = 0; // font height in pixels at 96 per inch; 0 keeps the default Arial 10 points
    int rotation = 0;     // degrees, counter-clockwise, about the text's top-left corner
    TextFace face;
};

struct MemoProps
{
    QString text; // lines separated by line breaks, wrapped inside the box
    int fontHeightPx = 0;
    TextFace face;
};

struct BarcodeProps
{
    Symbology symbology;       // Code 128 unless the description names another
    QString text;              // passed unchanged; 8-bit text is encoded as ISO-8859-1 data
    bool humanReadable = true; // the text under the bars, for the symbologies that have one
};

struct BitmapProps
{
    QString fileLink;        // read when the page is executed; a missing file leaves the box empty
    bool matchInside = true; // scaled to fit inside the box, keeping its proportions
};

struct Component
{
    ComponentClass cls = ComponentClass::Rectangle;
    QString name;
    double top = 0.0, left = 0.0, height = 0.0, width = 0.0;
    std::variant<RectangleProps, TextProps, MemoProps, BarcodeProps, BitmapProps> props;

    RectangleProps& rectangle() { return std::get<RectangleProps>(props); }
    TextProps& text() { return std::get<TextProps>(props); }
    MemoProps& memo() { return std::get<MemoProps>(props); }
    BarcodeProps& barcode() { return std::get<BarcodeProps>(props); }
    BitmapProps& bitmap() { return std::get<BitmapProps>(props); }
};

// One report page. Component names are unique on it: a requested name already in use gives way to
// the class's name ("Rectangle", "Text", "Memo", "Code128BarCode", "Bitmap") followed by the first
// free number from 1 to 9999; a barcode is a "Code128BarCode" whatever its symbology, as the engine
// whose naming this keeps had no other barcode.
class Page
{
public:
    // The page takes the current printer's paper, upright; A4 when there is no printer.
    explicit Page(QSizeF paperInches = QSizeF(8.2677165354, 11.6929133858)) : m_paper(paperInches) {}

    // Creates a component; Error("''<name>'' is not a valid component name") when the requested
    // name is not an identifier (letters A-Z a-z, digits, '_', not starting with a digit).
    Component& create(ComponentClass cls, const QString& requestedName);

    const std::vector<std::unique_ptr<Component>>& components() const { return m_components; }
    QSizeF paperInches() const { return m_paper; }
    void setPaperInches(QSizeF size) { m_paper = size; }
    // The narrowest module, in mm, that a barcode of the page may be printed with: a box too narrow
    // for it at the device's resolution gets no symbol.
    double minimumModuleMm() const { return m_minimumModuleMm; }
    void setMinimumModuleMm(double mm) { m_minimumModuleMm = mm; }
    // Removes every component (a new, empty project).
    void clear();

    static QString className(ComponentClass cls);
    static bool isValidName(const QString& name);

private:
    QSizeF m_paper;
    double m_minimumModuleMm = 0.125; // what a common scanner still reads
    std::vector<std::unique_ptr<Component>> m_components;
    QSet<QString> m_names;
    QHash<int, int> m_nextFree; // per class: the lowest number that may still be free
};

} // namespace pelorin::report
