#include "app/ui/pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace pelorin {

namespace {

// A barcode-like pattern: the bits of a fixed text, a set bit a bar. Decoration only.
void drawBars(QPainter& p, const QRectF& area, const QColor& ink)
{
    static const QByteArray pattern = QByteArrayLiteral("B25012515LAV5930033906");
    const int modules = int(pattern.size()) * 8;
    const qreal module = area.width() / modules;
    qreal x = area.left();
    for (char c : pattern) {
        for (int bit = 7; bit >= 0; --bit) {
            if ((c >> bit) & 1)
                p.fillRect(QRectF(x, area.top(), module, area.height()), ink);
            x += module;
        }
    }
}

void drawLabel(QPainter& p, const QRectF& r, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    p.fillPath(path, QColor(0xFC, 0xFC, 0xF7));
    p.setPen(QPen(QColor(0x5A, 0x64, 0x6E), qMax<qreal>(1.0, r.width() / 120.0)));
    p.drawPath(path);
}

} // namespace

QPixmap splashPicture()
{
    QPixmap pm(498, 325);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 325);
    sky.setColorAt(0.0, QColor(0x17, 0x3F, 0x5F));
    sky.setColorAt(1.0, QColor(0x20, 0x63, 0x6E));
    p.fillRect(pm.rect(), sky);

    // a few labels of a sheet, the front one carrying the code
    drawLabel(p, QRectF(255, 24, 205, 90), 10);
    drawLabel(p, QRectF(235, 78, 240, 120), 10);
    drawBars(p, QRectF(255, 96, 200, 56), QColor(0x20, 0x20, 0x20));
    QFont small(QStringLiteral("Sans Serif"));
    small.setPixelSize(11);
    p.setFont(small);
    p.setPen(QColor(0x20, 0x20, 0x20));
    p.drawText(QRectF(255, 156, 200, 16), Qt::AlignCenter, QStringLiteral("B25012515LAV5930033906"));

    QFont title(QStringLiteral("Sans Serif"));
    title.setPixelSize(56);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(30, 215, 440, 70), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("PELORIN"));
    QFont sub(QStringLiteral("Sans Serif"));
    sub.setPixelSize(17);
    p.setFont(sub);
    p.setPen(QColor(0xD8, 0xE8, 0xEE));
    p.drawText(QRectF(32, 280, 440, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Étiquettes de traçabilité"));
    return pm;
}

QPixmap emblemPicture(int side)
{
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = side;
    QPainterPath back;
    back.addRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
    p.fillPath(back, QColor(0x1D, 0x51, 0x66));
    drawLabel(p, QRectF(s * 0.12, s * 0.22, s * 0.76, s * 0.56), s * 0.06);
    drawBars(p, QRectF(s * 0.2, s * 0.32, s * 0.6, s * 0.36), QColor(0x20, 0x20, 0x20));
    return pm;
}

QIcon programIcon()
{
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(emblemPicture(side));
    return icon;
}

QPixmap labelPicture(const QSize& size)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width(), h = size.height();
    // the sheet, slightly turned, and one label on it
    p.translate(w / 2, h / 2);
    p.rotate(-4);
    p.translate(-w / 2, -h / 2);
    p.fillRect(QRectF(w * 0.08, h * 0.06, w * 0.84, h * 0.88), QColor(0xE9, 0xEE, 0xF1));
    p.setPen(QPen(QColor(0xA0, 0xAA, 0xB4), 1));
    p.drawRect(QRectF(w * 0.08, h * 0.06, w * 0.84, h * 0.88));
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 2; ++col) {
            const QRectF cell(w * (0.12 + col * 0.41), h * (0.1 + row * 0.43), w * 0.37, h * 0.38);
            drawLabel(p, cell, 4);
            drawBars(p,
                     cell.adjusted(cell.width() * 0.1, cell.height() * 0.2, -cell.width() * 0.1, -cell.height() * 0.35),
                     QColor(0x30, 0x30, 0x30));
        }
    return pm;
}

} // namespace pelorin
