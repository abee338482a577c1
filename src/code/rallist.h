#pragma once
#include <QColor>
#include <QString>

class QFont;
class QPainter;
class QRect;

// The RAL Classic colour list of `ComboBox1`, part of the program rather than of the configuration.
// An entry reads "RRGGBB*NNNN", most of them followed by a blank: the screen colour in hexadecimal,
// then the RAL number.
namespace pelorin::ral {

// 184 entries in ascending RAL number (7001 is there twice).
int count();
// The entry's text; Error("List index out of bounds (<index>)") outside the list.
QString entry(int index);

// Characters 8 to 11: the RAL number ("5015").
QString number(const QString& entry);
// Characters 1 to 6 read as red, green and blue.
QColor displayColour(const QString& entry);
// Character 8 then characters 10 and 11: the number without its second digit, always 0 ("515").
QString colourField(const QString& entry);

// The index of the first entry with this RAL number, or -1.
int indexOfNumber(const QString& number);
// The index of the first entry whose RAL number starts with the digits typed ("50" finds the first
// 50xx, "5015" RAL 5015), or -1 when none does or the text is empty.
int indexOfTypedNumber(const QString& typed);

// Colours a row is painted with (the window passes its palette's).
struct RowColours
{
    QColor base;          // the list's own colour
    QColor text;          // its text colour
    QColor highlight;     // a selected row's background
    QColor highlightText; // and its text
};

// Height of a row as the list draws it, in pixels.
constexpr int kRowHeight = 16;

// `ComboBox1DrawItem`: paints the row of entry `index` into `rect` (the same for the open list and
// the closed box). The swatch area stays in the list's colour even on a selected row, so only the part
// right of it shows the highlight.
void drawItem(QPainter& painter, const QRect& rect, int index, bool selected, const RowColours& colours,
              const QFont& font);

// The colour chart page shipped as Help/Nuancier.htm: one swatch, number and hexadecimal value per
// entry, from the same table as the list.
QByteArray chartHtml();

} // namespace pelorin::ral
