#include "labels/painter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QTextLayout>
#include <cmath>

namespace pelorin::report {

namespace {

const QString kFontFamily = QStringLiteral("Arial");
constexpr double kDefaultPoints = 10.0;

// Arial's character cell (ascent + descent) in ems, measured once.
double cellPerEm()
{
    static const double ratio = [] {
        QFont f(kFontFamily);
        f.setPixelSize(1000);
        const QFontMetricsF fm(f);
        const double r = (fm.ascent() + fm.descent()) / 1000.0;
        return r > 0.5 && r < 2.0 ? r : 1.15;
    }();
    return ratio;
}

// A font and its ascent in painter units, for one font height of the stream.
struct FontAt
{
    QFont font;
    double ascent = 0.0;
    double cell = 0.0;
};

class Fonts
{
public:
    Fonts(const QPainter& painter, double unitsPerInch) : m_unitsPerInch(unitsPerInch)
    {
        QPaintDevice* device = painter.device();
        m_device = device;
        m_deviceDpi = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
    }

    const FontAt& at(int fontHeightPx)
    {
        for (const auto& [height, f] : m_fonts)
            if (height == fontHeightPx)
                return f;
        FontAt f;
        f.font = QFont(kFontFamily);
        // a point size is turned into pixels with the device's resolution, then by the painter's
        // transform: this gives the em wanted in painter units on any device
        const double emUnits = fontEmInches(fontHeightPx) * m_unitsPerInch;
        f.font.setPointSizeF(std::max(0.01, emUnits * 72.0 / m_deviceDpi));
        const QFontMetricsF fm = m_device ? QFontMetricsF(f.font, m_device) : QFontMetricsF(f.font);
        f.ascent = fm.ascent();
        f.cell = fm.ascent() + fm.descent();
        m_fonts.emplace_back(fontHeightPx, f);
        return m_fonts.back().second;
    }

private:
    double m_unitsPerInch;
    QPaintDevice* m_device = nullptr;
    int m_deviceDpi = 96;
    std::vector<std::pair<int, FontAt>> m_fonts;
};

struct Context
{
    QPainter& p;
    double ppi;
    bool raster; // pixels are the painter's units: snap edges and draw pre-scaled bitmaps
    Fonts fonts;
};

QRectF unitsRect(const QRectF& inches, double ppi)
{
    return QRectF(inches.left() * ppi, inches.top() * ppi, inches.width() * ppi, inches.height() * ppi);
}

void paintRectangle(Context& cx, const ExecutedComponent& c)
{
    QPainter& p = cx.p;
    const QRectF r = unitsRect(c.box, cx.ppi).normalized();
    // the border width is in screen pixels, 96 per inch; 0 is the thinnest line the device draws
    double width = 0.0;
    if (c.borderWidth > 0)
        width = std::max(1.0, std::round(c.borderWidth * cx.ppi / 96.0));
    QPen pen(Qt::black, width);
    pen.setStyle(c.borderStyle == BorderStyle::Dot       ? Qt::DotLine
                 : c.borderStyle == BorderStyle::DashDot ? Qt::DashDotLine
                                                         : Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.setBrush(c.clearFill ? QBrush(Qt::NoBrush) : QBrush(Qt::white));

    // edges on whole pixels, and a line of odd width centred on a pixel so that it covers whole ones
    const double shift = (width <= 1.0 || std::fmod(width, 2.0) == 1.0) ? 0.5 : 0.0;
    const QRectF snapped(QPointF(std::round(r.left()) + shift, std::round(r.top()) + shift),
                         QPointF(std::round(r.right()) + shift, std::round(r.bottom()) + shift));
    const double rx = std::abs(c.hRadius) * cx.ppi, ry = std::abs(c.vRadius) * cx.ppi;
    if (rx > 0.0 && ry > 0.0) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.drawRoundedRect(snapped, rx, ry, Qt::AbsoluteSize);
        p.setRenderHint(QPainter::Antialiasing, false);
    } else {
        p.drawRect(snapped);
    }
}

void paintText(Context& cx, const ExecutedComponent& c)
{
    if (c.text.isEmpty())
        return;
    QPainter& p = cx.p;
    const FontAt& f = cx.fonts.at(c.fontHeightPx);
    p.setFont(f.font);
    p.setPen(Qt::black);
    // from the box's top-left corner, not clipped: a text runs past its box's width
    const QPointF origin(c.box.left() * cx.ppi, c.box.top() * cx.ppi);
    if (c.rotation % 360 == 0) {
        p.drawText(QPointF(origin.x(), origin.y() + f.ascent), c.text);
        return;
    }
    p.save();
    p.translate(origin);
    p.rotate(-double(c.rotation)); // counter-clockwise on paper, y pointing down
    p.setRenderHint(QPainter::Antialiasing, true);
    p.drawText(QPointF(0.0, f.ascent), c.text);
    p.restore();
}

void paintMemo(Context& cx, const ExecutedComponent& c)
{
    if (c.text.isEmpty())
        return;
    QPainter& p = cx.p;
    const FontAt& f = cx.fonts.at(c.fontHeightPx);
    const QRectF box = unitsRect(c.box, cx.ppi);
    const double lineWidth = std::max(1.0, box.width());
    p.setPen(Qt::black);

    QString text = c.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    const QStringList paragraphs = text.split(u'\n');

    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    double y = box.top();
    bool first = true;
    for (const QString& paragraph : paragraphs) {
        QTextLayout layout(paragraph, f.font, p.device());
        layout.setTextOption(option);
        layout.beginLayout();
        std::vector<QTextLine> lines;
        double ly = 0.0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(lineWidth);
            line.setPosition(QPointF(0.0, ly));
            ly += line.height();
            lines.push_back(line);
        }
        layout.endLayout();
        if (lines.empty()) { // an empty line still takes its height
            y += f.cell;
            first = false;
            continue;
        }
        for (const QTextLine& line : lines) {
            // lines that would pass the box's bottom are left out (the first one is always shown)
            if (!first && y + line.height() > box.bottom() + 0.01)
                return;
            line.draw(&p, QPointF(box.left(), y - line.y()));
            y += line.height();
            first = false;
        }
    }
}

void paintBarcode(Context& cx, const ExecutedComponent& c)
{
    const BarcodeSymbol& s = c.symbol;
    if (s.isEmpty())
        return;
    QPainter& p = cx.p;
    const QRectF box = unitsRect(c.box, cx.ppi);
    if (box.width() <= 0.0 || box.height() <= 0.0)
        return;

    // the human-readable line is set in the default font under the bars; a box too low for both
    // keeps the bars only, the part a scanner needs
    const FontAt& f = cx.fonts.at(0);
    bool withText = !s.humanReadable.isEmpty() && box.height() >= 2.0 * f.cell;
    const double barsHeight = withText ? box.height() - f.cell : box.height();

    // the symbol fills the box's width at most, from its left edge; on a raster a module is a whole
    // number of pixels whenever the box is wide enough, so every bar has the same width everywhere
    double module = box.width() / s.modules;
    if (module >= 1.0)
        module = std::floor(module + 1e-9);
    const double x0 = std::round(box.left());
    const double y0 = std::round(box.top());
    const int top = int(y0);
    const int bottom = int(std::round(box.top() + barsHeight));

    std::vector<QRect> rects;
    rects.reserve(s.bars.size());
    for (const Bar& b : s.bars) {
        const int left = int(x0 + std::round(b.start * module));
        const int right = int(x0 + std::round((b.start + b.width) * module));
        if (right > left && bottom > top)
            rects.emplace_back(QPoint(left, top), QPoint(right - 1, bottom - 1));
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    if (!rects.empty())
        p.drawRects(rects.data(), int(rects.size()));

    if (withText) {
        p.setFont(f.font);
        p.setPen(Qt::black);
        p.drawText(QPointF(x0, bottom + f.ascent), s.humanReadable);
    }
}

void paintBitmap(Context& cx, const ExecutedComponent& c, const ExecutedPage& page)
{
    if (c.image < 0 || size_t(c.image) >= page.images().size())
        return;
    const StreamImage& img = *page.images()[size_t(c.image)];
    const QRectF box = unitsRect(c.box, cx.ppi).normalized();
    const QSize source = img.image().size();
    if (box.width() <= 0.0 || box.height() <= 0.0 || source.isEmpty())
        return;
    // inside: the largest size that fits the box keeping the proportions, at the box's top-left
    const double scale = std::min(box.width() / source.width(), box.height() / source.height());
    const QSizeF target(source.width() * scale, source.height() * scale);
    if (cx.raster) {
        const QSize pixels(std::max(1, int(std::floor(target.width() + 1e-6))),
                           std::max(1, int(std::floor(target.height() + 1e-6))));
        const QPoint at(int(std::round(box.left())), int(std::round(box.top())));
        cx.p.drawImage(at, img.scaled(pixels));
    } else {
        cx.p.drawImage(QRectF(box.topLeft(), target), img.image());
    }
}

} // namespace

double fontEmInches(int fontHeightPx)
{
    if (fontHeightPx == 0)
        return kDefaultPoints / 72.0;
    // a positive height is the whole character cell, a negative one the em itself (as Windows reads it)
    if (fontHeightPx < 0)
        return -fontHeightPx / 96.0;
    return fontHeightPx / 96.0 / cellPerEm();
}

void paintPage(QPainter& painter, const ExecutedPage& page, double unitsPerInch)
{
    painter.save();
    const QPaintEngine* engine = painter.paintEngine();
    const bool raster =
        engine && engine->type() == QPaintEngine::Raster && painter.worldTransform().type() <= QTransform::TxTranslate;
    Context cx{painter, unitsPerInch, raster, Fonts(painter, unitsPerInch)};
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);

    const QSizeF paper = page.paperInches();
    painter.fillRect(QRectF(0.0, 0.0, paper.width() * unitsPerInch, paper.height() * unitsPerInch), Qt::white);

    for (const ExecutedComponent& c : page.components()) {
        switch (c.cls) {
        case ComponentClass::Rectangle:
            paintRectangle(cx, c);
            break;
        case ComponentClass::Text:
            paintText(cx, c);
            break;
        case ComponentClass::Memo:
            paintMemo(cx, c);
            break;
        case ComponentClass::Code128BarCode:
            paintBarcode(cx, c);
            break;
        case ComponentClass::Bitmap:
            paintBitmap(cx, c, page);
            break;
        }
    }
    painter.restore();
}

void paintPage(QPainter& painter, const QByteArray& stream, double unitsPerInch)
{
    paintPage(painter, ExecutedPage::read(stream), unitsPerInch);
}

} // namespace pelorin::report
