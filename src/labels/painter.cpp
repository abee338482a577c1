#include "labels/painter.h"

#include "labels/barcodecheck.h"
#include "labels/fonts.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QStaticText>
#include <QHash>
#include <QTextLayout>
#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <list>
#include <mutex>

namespace pelorin::report {

namespace {

constexpr double kDefaultPoints = 10.0;

// Arial's character cell (ascent + descent) in ems, measured once.
double cellPerEm()
{
    static const double ratio = [] {
        QFont f = descriptionFont(QString(), false);
        f.setPixelSize(1000);
        const QFontMetricsF fm(f);
        const double r = (fm.ascent() + fm.descent()) / 1000.0;
        return r > 0.5 && r < 2.0 ? r : 1.15;
    }();
    return ratio;
}

// A font and its ascent in painter units, for one font height of the page.
struct FontAt
{
    QFont font;
    double ascent = 0.0;
    double cell = 0.0;
};

struct OutlineKey
{
    int width, height, radiusX, radiusY, pen, style, filled;
    bool operator==(const OutlineKey&) const = default;
};

size_t qHash(const OutlineKey& k, size_t seed = 0)
{
    return qHashMulti(seed, k.width, k.height, k.radiusX, k.radiusY, k.pen, k.style, k.filled);
}

// Kept from one paint to the next for a resolution: a sheet repeats the same texts, fonts and outlines
// on every label, and the preview is built and painted again at every change.
struct PaintCache
{
    double unitsPerInch = 0.0;
    int deviceDpi = 0;
    bool raster = false;
    struct FontKey
    {
        double em; // inches
        QString family;
        bool bold;
        bool operator==(const FontKey&) const = default;
    };
    std::vector<std::pair<FontKey, FontAt>> fonts;
    QHash<QPair<QString, double>, QStaticText> texts; // upright texts of the default face
    QHash<QString, double> widths;                    // advance of a text in Arial, ems
    QHash<OutlineKey, QImage> outlines;
};

// The screen, an export and the printer each paint at their own resolution: a few caches, the
// least recently used one given up first. Fonts must not outlive the application: emptied with it.
std::mutex g_cacheMutex;
std::list<PaintCache> g_caches;
bool g_cleanupRegistered = false;

PaintCache& cacheFor(double unitsPerInch, int deviceDpi, bool raster)
{
    if (!g_cleanupRegistered) {
        qAddPostRoutine([] {
            g_caches.clear();
            g_cleanupRegistered = false;
        });
        g_cleanupRegistered = true;
    }
    for (auto it = g_caches.begin(); it != g_caches.end(); ++it) {
        if (it->unitsPerInch == unitsPerInch && it->deviceDpi == deviceDpi && it->raster == raster) {
            g_caches.splice(g_caches.begin(), g_caches, it);
            // a long run of different codes would grow it without end
            if (g_caches.front().texts.size() > 20000)
                g_caches.front().texts.clear();
            return g_caches.front();
        }
    }
    if (g_caches.size() >= 4)
        g_caches.pop_back();
    g_caches.emplace_front();
    PaintCache& cache = g_caches.front();
    cache.unitsPerInch = unitsPerInch;
    cache.deviceDpi = deviceDpi;
    cache.raster = raster;
    return cache;
}

struct Context
{
    QPainter& p;
    double ppi;
    bool raster; // pixels are the painter's units: snap edges, draw pre-scaled bitmaps and outlines
    QPaintDevice* device;
    PaintCache& cache;
    double barcodeDpi = 0.0; // the dots barcodes are fitted to
    double minimumModuleMm = kDefaultMinimumModuleMm;
    QRectF paper; // the page, in painter units

    const FontAt& font(double emInches, const TextFace& face = TextFace())
    {
        const PaintCache::FontKey key{emInches, face.family, face.bold};
        for (const auto& [k, f] : cache.fonts)
            if (k == key)
                return f;
        // a point size is turned into pixels with the device's resolution, then by the painter's
        // transform: this gives the em wanted in painter units on any device
        const double emUnits = emInches * ppi;
        QFont base = descriptionFont(face.family, face.bold);
        base.setPointSizeF(std::max(0.01, emUnits * 72.0 / cache.deviceDpi));
        FontAt f;
        f.font = device ? QFont(base, device) : base;
        const QFontMetricsF fm = device ? QFontMetricsF(f.font, device) : QFontMetricsF(f.font);
        f.ascent = fm.ascent();
        f.cell = fm.ascent() + fm.descent();
        cache.fonts.emplace_back(key, f);
        return cache.fonts.back().second;
    }

    // The advance of a single line of text, painter units.
    double advance(const QString& text, double emInches, const TextFace& face)
    {
        const FontAt& f = font(emInches, face);
        const QFontMetricsF fm = device ? QFontMetricsF(f.font, device) : QFontMetricsF(f.font);
        return fm.horizontalAdvance(text);
    }

    // A single line of text with its cell's top-left corner at `topLeft`.
    void drawLine(const QPointF& topLeft, const QString& text, double emInches, const TextFace& face = TextFace())
    {
        const FontAt& f = font(emInches, face);
        p.setFont(f.font);
        p.setPen(Qt::black);
        // vector devices keep real text, for copying and searching; the cache holds the default face
        if (!raster || !(face == TextFace())) {
            p.drawText(QPointF(topLeft.x(), topLeft.y() + f.ascent), text);
            return;
        }
        auto it = cache.texts.find(qMakePair(text, emInches));
        if (it == cache.texts.end()) {
            QStaticText prepared(text);
            prepared.setTextFormat(Qt::PlainText);
            prepared.setPerformanceHint(QStaticText::AggressiveCaching);
            prepared.prepare(QTransform(), f.font);
            it = cache.texts.insert(qMakePair(text, emInches), prepared);
        }
        p.drawStaticText(topLeft, *it);
    }
};

// A pixel coordinate kept within what a QPoint and the raster engine hold, whatever the page and zoom:
// far outside any device, so nothing visible moves.
double clampPixel(double v)
{
    constexpr double kFar = 1 << 28;
    return std::isfinite(v) ? std::clamp(v, -kFar, kFar) : 0.0;
}

int pixel(double v)
{
    return int(std::round(clampPixel(v)));
}

QRectF unitsRect(const QRectF& inches, double ppi)
{
    return QRectF(inches.left() * ppi, inches.top() * ppi, inches.width() * ppi, inches.height() * ppi);
}

QPen borderPen(const ExecutedComponent& c, double width)
{
    QPen pen(Qt::black, width);
    pen.setStyle(c.borderStyle == BorderStyle::Dot       ? Qt::DotLine
                 : c.borderStyle == BorderStyle::DashDot ? Qt::DashDotLine
                                                         : Qt::SolidLine);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

void paintRectangle(Context& cx, const ExecutedComponent& c)
{
    QPainter& p = cx.p;
    const QRectF r = unitsRect(c.box, cx.ppi).normalized();
    // the border width is in screen pixels, 96 per inch; 0 is the thinnest line the device draws
    double width = 0.0;
    if (c.borderWidth > 0)
        width = std::max(1.0, std::round(c.borderWidth * cx.ppi / 96.0));
    // edges on whole pixels, and a line of odd width centred on a pixel so that it covers whole ones
    const double shift = (width <= 1.0 || std::fmod(width, 2.0) == 1.0) ? 0.5 : 0.0;
    double x0 = std::round(clampPixel(r.left())), y0 = std::round(clampPixel(r.top()));
    double w = std::round(clampPixel(r.right())) - x0, h = std::round(clampPixel(r.bottom())) - y0;
    const double rx = std::abs(c.hRadius) * cx.ppi, ry = std::abs(c.vRadius) * cx.ppi;
    const bool rounded = rx > 0.0 && ry > 0.0;

    // an outline wholly off the paper shows nowhere; stroked far off, a long dashed one took seconds
    const double reach = width / 2.0 + 1.0;
    if (!QRectF(x0 + shift, y0 + shift, w, h).adjusted(-reach, -reach, reach, reach).intersects(cx.paper))
        return;
    // one reaching far beyond the paper is cut a little outside it, past its border and its corners,
    // so that only what can show is stroked (a dotted one hundreds of metres long took seconds)
    const double m = std::ceil(reach + std::max(rx, ry));
    const double left = std::floor(cx.paper.left() - m), top = std::floor(cx.paper.top() - m);
    const double right = std::ceil(cx.paper.right() + m), bottom = std::ceil(cx.paper.bottom() + m);
    if (x0 < left) {
        w -= left - x0;
        x0 = left;
    }
    if (y0 < top) {
        h -= top - y0;
        y0 = top;
    }
    w = std::max(0.0, std::min(w, right - x0));
    h = std::max(0.0, std::min(h, bottom - y0));

    p.setPen(borderPen(c, width));
    p.setBrush(c.clearFill ? QBrush(Qt::NoBrush) : QBrush(Qt::white));
    const QRectF snapped(x0 + shift, y0 + shift, w, h);
    if (!rounded) {
        p.drawRect(snapped);
        return;
    }
    // smooth rounded corners cost a stroked path each: a sheet repeats one outline on every label, so
    // an outline of a screen label's size is drawn once and copied; a larger one is drawn where it
    // lies, never through an image of its size
    constexpr double kMostCopiedPixels = 1 << 20;
    if (cx.raster && (w + 4.0) * (h + 4.0) <= kMostCopiedPixels) {
        const OutlineKey key{int(w),
                             int(h),
                             int(std::lround(rx * 64)),
                             int(std::lround(ry * 64)),
                             int(width),
                             int(c.borderStyle),
                             c.clearFill ? 0 : 1};
        const int margin = int(std::ceil(std::max(width, 1.0) / 2.0)) + 1;
        auto it = cx.cache.outlines.find(key);
        if (it == cx.cache.outlines.end()) {
            QImage sprite(int(w) + 2 * margin + 1, int(h) + 2 * margin + 1, QImage::Format_ARGB32_Premultiplied);
            sprite.fill(Qt::transparent);
            QPainter sp(&sprite);
            sp.setRenderHint(QPainter::Antialiasing, true);
            sp.setPen(borderPen(c, width));
            sp.setBrush(c.clearFill ? QBrush(Qt::NoBrush) : QBrush(Qt::white));
            sp.drawRoundedRect(QRectF(margin + shift, margin + shift, w, h), rx, ry, Qt::AbsoluteSize);
            sp.end();
            it = cx.cache.outlines.insert(key, sprite);
        }
        p.drawImage(QPoint(int(x0) - margin, int(y0) - margin), *it);
        return;
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, cx.raster || p.testRenderHint(QPainter::Antialiasing));
    p.drawRoundedRect(snapped, rx, ry, Qt::AbsoluteSize);
    p.restore();
}

void paintText(Context& cx, const ExecutedComponent& c)
{
    if (c.text.isEmpty())
        return;
    QPainter& p = cx.p;
    // from the box's top-left corner, not clipped: a text runs past its box's width
    const QPointF origin(c.box.left() * cx.ppi, c.box.top() * cx.ppi);
    const double em = fontEmInches(c.fontHeightPx);
    // centred or right-aligned along its line within the box's width; a text wider than its box
    // runs past its left edge as a left-aligned one runs past its right
    double shift = 0.0;
    if (c.face.alignment != TextAlignment::Left) {
        const double room = c.box.width() * cx.ppi - cx.advance(c.text, em, c.face);
        shift = c.face.alignment == TextAlignment::Center ? room / 2.0 : room;
    }
    if (c.rotation % 360 == 0) {
        cx.drawLine(origin + QPointF(shift, 0.0), c.text, em, c.face);
        return;
    }
    p.save();
    p.translate(origin);
    p.rotate(-double(c.rotation)); // counter-clockwise on paper, y pointing down
    p.setRenderHint(QPainter::Antialiasing, true);
    const bool raster = cx.raster;
    cx.raster = false; // a turned text is drawn as such, not from a cache laid out upright
    cx.drawLine(QPointF(shift, 0.0), c.text, em, c.face);
    cx.raster = raster;
    p.restore();
}

void paintMemo(Context& cx, const ExecutedComponent& c)
{
    if (c.text.isEmpty())
        return;
    QPainter& p = cx.p;
    const FontAt& f = cx.font(fontEmInches(c.fontHeightPx), c.face);
    const QRectF box = unitsRect(c.box, cx.ppi);
    const double lineWidth = std::max(1.0, box.width());
    p.setPen(Qt::black);

    QString text = c.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    const QStringList paragraphs = text.split(u'\n');

    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(c.face.alignment == TextAlignment::Center  ? Qt::AlignHCenter
                        : c.face.alignment == TextAlignment::Right ? Qt::AlignRight
                                                                   : Qt::AlignLeft);
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
    if (s.isEmpty() || !(c.box.width() > 0.0) || !(c.box.height() > 0.0))
        return;
    QPainter& p = cx.p;
    const BarcodePlacement place = placeBarcode(s, c.box, cx.barcodeDpi, cx.minimumModuleMm);
    // inches to painter units: whole pixels on a raster, the exact dots of the device elsewhere
    const auto units = [&](double inches) {
        const double u = clampPixel(inches * cx.ppi);
        return cx.raster ? std::round(u) : u;
    };
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    if (!place.drawn) {
        // no symbol a scanner could misread: the box crossed out, the code still written for the eye
        const QRectF box(QPointF(units(c.box.left()), units(c.box.top())),
                         QPointF(units(c.box.right()), units(place.textAt.y())));
        QPen pen(Qt::black, 0.0);
        pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(box);
        p.drawLine(box.topLeft(), box.bottomRight());
        p.drawLine(box.bottomLeft(), box.topRight());
        p.setPen(Qt::NoPen);
    } else {
        // a module is a whole number of the device's dots and every edge lies on a dot, so that bars
        // and spaces of one width print alike everywhere
        const double module = place.moduleInches;
        const QRectF& symbol = place.symbol;
        const auto rowTo = [&](double y) {
            return s.fixedRatio ? symbol.top() + y * module : symbol.top() + symbol.height() * (y / s.height);
        };
        std::vector<QRectF> rects;
        std::vector<QRect> pixels;
        if (cx.raster)
            pixels.reserve(s.rects.size());
        else
            rects.reserve(s.rects.size());
        for (const ModuleRect& m : s.rects) {
            const double left = units(symbol.left() + m.x * module);
            const double right = units(symbol.left() + (m.x + m.width) * module);
            const double top = units(rowTo(m.y));
            const double bottom = units(rowTo(m.y + m.height));
            if (!(right > left && bottom > top))
                continue;
            if (cx.raster)
                pixels.emplace_back(QPoint(int(left), int(top)), QPoint(int(right) - 1, int(bottom) - 1));
            else
                rects.emplace_back(left, top, right - left, bottom - top);
        }
        if (!pixels.empty())
            p.drawRects(pixels.data(), int(pixels.size()));
        if (!rects.empty())
            p.drawRects(rects.data(), int(rects.size()));
    }
    if (place.textEm > 0.0)
        cx.drawLine(QPointF(units(place.textAt.x()), units(place.textAt.y())), s.humanReadable, place.textEm);
}

void paintBitmap(Context& cx, const ExecutedComponent& c, const ExecutedPage& page)
{
    if (c.image < 0 || size_t(c.image) >= page.images().size())
        return;
    const PageImage& img = *page.images()[size_t(c.image)];
    const QRectF box = unitsRect(c.box, cx.ppi).normalized();
    const QSize source = img.image().size();
    if (box.width() <= 0.0 || box.height() <= 0.0 || source.isEmpty())
        return;
    // inside: the largest size that fits the box keeping the proportions, at the box's top-left
    const double scale = std::min(box.width() / source.width(), box.height() / source.height());
    const QSizeF target(source.width() * scale, source.height() * scale);
    if (cx.raster) {
        const QSize pixels(std::max(1, pixel(std::floor(target.width() + 1e-6))),
                           std::max(1, pixel(std::floor(target.height() + 1e-6))));
        const QPoint at(pixel(box.left()), pixel(box.top()));
        cx.p.drawImage(at, img.scaled(pixels));
    } else {
        cx.p.drawImage(QRectF(box.topLeft(), target), img.image());
    }
}

} // namespace

QFont descriptionFont(const QString& family, bool bold)
{
    // the family resolved once to an installed one, whatever the description names
    const QString name = family.trimmed();
    return pelorin::descriptionFont(name.isEmpty() ? kDescriptionFontFamily : name, kDefaultPoints, bold);
}

QFont componentFont(const ExecutedComponent& component)
{
    return descriptionFont(component.face.family, component.face.bold);
}

double fontCellPerEm()
{
    return cellPerEm();
}

double barcodeDotsPerInch(const QPainter& painter, double unitsPerInch, double deviceDotsPerInch)
{
    if (deviceDotsPerInch > 0.0)
        return deviceDotsPerInch;
    const QPaintEngine* engine = painter.paintEngine();
    const bool raster =
        engine && engine->type() == QPaintEngine::Raster && painter.worldTransform().type() <= QTransform::TxTranslate;
    return raster ? unitsPerInch : double(kDefaultPrinterDpi);
}

double fontEmInches(int fontHeightPx)
{
    if (fontHeightPx == 0)
        return kDefaultPoints / 72.0;
    // a positive height is the whole character cell, a negative one the em itself (as Windows reads it)
    if (fontHeightPx < 0)
        return -double(fontHeightPx) / 96.0;
    return fontHeightPx / 96.0 / cellPerEm();
}

void paintPage(QPainter& painter, const ExecutedPage& page, double unitsPerInch, double deviceDotsPerInch)
{
    painter.save();
    const QPaintEngine* engine = painter.paintEngine();
    const bool raster =
        engine && engine->type() == QPaintEngine::Raster && painter.worldTransform().type() <= QTransform::TxTranslate;
    QPaintDevice* device = painter.device();
    const int dpi = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
    std::lock_guard lock(g_cacheMutex);
    PaintCache& cache = cacheFor(unitsPerInch, dpi, raster);
    Context cx{painter, unitsPerInch, raster, device, cache, 0.0, kDefaultMinimumModuleMm, QRectF()};
    cx.barcodeDpi = barcodeDotsPerInch(painter, unitsPerInch, deviceDotsPerInch);
    cx.minimumModuleMm = page.minimumModuleMm();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);

    const QSizeF paper = page.paperInches();
    cx.paper = QRectF(0.0, 0.0, paper.width() * unitsPerInch, paper.height() * unitsPerInch);
    painter.fillRect(cx.paper, Qt::white);

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
        case ComponentClass::Barcode:
            paintBarcode(cx, c);
            break;
        case ComponentClass::Bitmap:
            paintBitmap(cx, c, page);
            break;
        }
    }
    painter.restore();
}

} // namespace pelorin::report
