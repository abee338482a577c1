// The painter, fed pages no description could give: any bytes become a page of components with any
// box, border, radius, rotation, font height, text, symbology and bitmap, which is executed and painted
// at a preview's and at a printer's resolution. Nothing may crash, hang or stroke for seconds.
//
// The bytes, little-endian, read until they run out (a record cut short is left out):
//   paper width, paper height (f64 inches)
//   then per component: class (u8, modulo 5), left, top, width, height (f64 inches), and
//     Rectangle: border width (i32), style (u8, modulo 3), filled (u8, lowest bit), radii (2 x f64)
//     Text:      font height (i32), rotation (i32), text (u8 length, Latin-1 bytes)
//     Memo:      font height (i32), text (u8 length, Latin-1 bytes)
//     Barcode:   symbology (u8, an index into the symbologies a label may carry), text (as above)
//     Bitmap:    file (u8, modulo 3: missing, a logo, a bitmap one pixel high and very wide)
#include "fuzzsupport.h"

#include "base/error.h"
#include "labels/executedpage.h"
#include "labels/painter.h"
#include "labels/reportpage.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstring>

using namespace pelorin;
using namespace pelorin::report;

namespace {

// Code 128, GS1-128, EAN-13, QR Code, Data Matrix: what a label's barcode may be
constexpr Symbology kSymbologies[] = {kCode128, Symbology{16}, Symbology{13}, kQrCode, kDataMatrix};
// more components than any sheet has: beyond, a page only takes longer
constexpr int kMostComponents = 2000;

class Bytes
{
public:
    Bytes(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool take(void* out, size_t n)
    {
        if (m_size - m_pos < n)
            return false;
        std::memcpy(out, m_data + m_pos, n);
        m_pos += n;
        return true;
    }
    bool u8(quint8& v) { return take(&v, 1); }
    bool i32(qint32& v)
    {
        quint32 raw;
        if (!take(&raw, 4))
            return false;
        v = qint32(qFromLittleEndian(raw));
        return true;
    }
    bool f64(double& v)
    {
        quint64 raw;
        if (!take(&raw, 8))
            return false;
        raw = qFromLittleEndian(raw);
        std::memcpy(&v, &raw, sizeof v);
        return true;
    }
    bool text(QString& v)
    {
        quint8 n;
        char buffer[256];
        if (!u8(n) || !take(buffer, n))
            return false;
        v = QString::fromLatin1(buffer, n);
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

QString g_bitmaps[3];

void writeBitmaps()
{
    static QTemporaryDir dir;
    g_bitmaps[0] = dir.filePath(QStringLiteral("absent.bmp"));
    QImage logo(40, 30, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    g_bitmaps[1] = dir.filePath(QStringLiteral("logo.png"));
    logo.save(g_bitmaps[1]);
    QImage strip(4000, 1, QImage::Format_RGB32);
    strip.fill(Qt::black);
    g_bitmaps[2] = dir.filePath(QStringLiteral("strip.png"));
    strip.save(g_bitmaps[2]);
}

// One component read into the page; false when the bytes ran out.
bool readComponent(Bytes& in, Page& page)
{
    quint8 cls;
    double left, top, width, height;
    if (!in.u8(cls) || !in.f64(left) || !in.f64(top) || !in.f64(width) || !in.f64(height))
        return false;
    Component c;
    c.cls = ComponentClass(cls % 5);
    switch (c.cls) {
    case ComponentClass::Rectangle: {
        RectangleProps p;
        quint8 style, fill;
        if (!in.i32(p.borderWidth) || !in.u8(style) || !in.u8(fill) || !in.f64(p.hRadius) || !in.f64(p.vRadius))
            return false;
        p.borderStyle = BorderStyle(style % 3);
        p.clearFill = (fill & 1) == 0;
        c.props = p;
        break;
    }
    case ComponentClass::Text: {
        TextProps p;
        if (!in.i32(p.fontHeightPx) || !in.i32(p.rotation) || !in.text(p.text))
            return false;
        c.props = p;
        break;
    }
    case ComponentClass::Memo: {
        MemoProps p;
        if (!in.i32(p.fontHeightPx) || !in.text(p.text))
            return false;
        c.props = p;
        break;
    }
    case ComponentClass::Barcode: {
        BarcodeProps p;
        quint8 symbology;
        if (!in.u8(symbology) || !in.text(p.text))
            return false;
        p.symbology = kSymbologies[symbology % std::size(kSymbologies)];
        c.props = p;
        break;
    }
    case ComponentClass::Bitmap: {
        BitmapProps p;
        quint8 file;
        if (!in.u8(file))
            return false;
        p.fileLink = g_bitmaps[file % 3];
        c.props = p;
        break;
    }
    }
    Component& placed = page.create(c.cls, QStringLiteral("C"));
    placed.left = left, placed.top = top, placed.width = width, placed.height = height;
    placed.props = c.props;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::ensureApplication();
    writeBitmaps();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ensureApplication();
    if (g_bitmaps[0].isEmpty())
        writeBitmaps();
    Bytes in(data, size);
    double paperWidth, paperHeight;
    if (!in.f64(paperWidth) || !in.f64(paperHeight))
        return 0;
    Page page;
    page.setPaperInches(QSizeF(paperWidth, paperHeight));
    try {
        for (int n = 0; n < kMostComponents && readComponent(in, page); ++n) {
        }
    } catch (const Error&) {
        return 0; // the names of one class ran out: no description gives so many components
    }
    const ExecutedPage executed = execute(page);
    // a page always has paper
    FUZZ_CHECK(executed.paperInches().width() > 0.0 && executed.paperInches().height() > 0.0);
    FUZZ_CHECK(executed.components().size() == page.components().size());

    QImage image(70, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        paintPage(painter, executed, 8.0);
    }
    // a printer of known dots draws through the vector path
    QImage printed(70, 100, QImage::Format_RGB32);
    printed.fill(Qt::white);
    {
        QPainter painter(&printed);
        painter.scale(0.5, 0.5);
        paintPage(painter, executed, 16.0, 203.0);
    }
    return 0;
}
