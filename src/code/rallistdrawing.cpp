#include "code/rallist.h"

#include <QFont>
#include <QPainter>
#include <QRect>
#include <algorithm>

// A row of the RAL list as the windows paint it, apart from the list itself: the command line reads
// the list without loading the drawing libraries.
namespace pelorin::ral {

void drawItem(QPainter& painter, const QRect& rect, int index, bool selected, const RowColours& colours,
              const QFont& font)
{
    const QString text = entry(index);
    const int left = rect.left();
    const int top = rect.top();
    painter.save();
    const QColor background = selected ? colours.highlight : colours.base;
    painter.fillRect(rect, background);

    painter.setFont(font);
    painter.setPen(selected ? colours.highlightText : colours.text);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(background);
    const QRect textRect(left + 48, top + 2, std::max(0, rect.right() + 1 - (left + 48)), rect.height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, number(text));
    painter.setBackgroundMode(Qt::TransparentMode);

    // the swatch area keeps the list's colour, so a selected row is highlighted right of it only
    painter.fillRect(QRect(left, top, 46, kRowHeight), colours.base);
    painter.fillRect(QRect(left + 2, top + 2, 42, 12), displayColour(text));
    painter.restore();
}

} // namespace pelorin::ral
