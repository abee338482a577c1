#include "labels/pagestream.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMutex>
#include <QtEndian>
#include <cmath>
#include <cstring>

#include "base/error.h"
#include "base/files.h"

namespace pelorin::report {

namespace {

constexpr char kMagic[4] = {'P', 'L', 'R', 'S'};
constexpr quint16 kVersion = 1;
// beyond this a bitmap is not worth a label and would only exhaust memory
constexpr int kMaxImageSide = 16384;
// a border as wide as a description may give one (1000 screen pixels, 26 cm); wider would only
// make the painter stroke for seconds
constexpr qint32 kMostBorderWidth = 1000;

// ---- writing ---------------------------------------------------------------------------------

class Writer
{
public:
    QByteArray bytes;

    void u8(quint8 v) { bytes.append(char(v)); }
    void u16(quint16 v)
    {
        const quint16 le = qToLittleEndian(v);
        bytes.append(reinterpret_cast<const char*>(&le), sizeof le);
    }
    void u32(quint32 v)
    {
        const quint32 le = qToLittleEndian(v);
        bytes.append(reinterpret_cast<const char*>(&le), sizeof le);
    }
    void i32(qint32 v) { u32(quint32(v)); }
    // values of a description can be anything; the stream only carries finite ones
    void f64(double v)
    {
        if (!std::isfinite(v))
            v = 0.0;
        quint64 bits;
        std::memcpy(&bits, &v, sizeof bits);
        const quint64 le = qToLittleEndian(bits);
        bytes.append(reinterpret_cast<const char*>(&le), sizeof le);
    }
    void str(const QString& s)
    {
        const QByteArray utf8 = s.toUtf8();
        u32(quint32(utf8.size()));
        bytes.append(utf8);
    }
};

// ---- reading: every read is bounds-checked, any inconsistency is the one corruption error ------

[[noreturn]] void corrupted()
{
    throw Error(corruptedStreamMessage());
}

class Reader
{
public:
    explicit Reader(const QByteArray& b) : m_data(b.constData()), m_size(b.size()) {}

    bool atEnd() const { return m_pos == m_size; }
    qsizetype remaining() const { return m_size - m_pos; }
    void need(qsizetype n) const
    {
        if (n < 0 || n > remaining())
            corrupted();
    }
    const char* take(qsizetype n)
    {
        need(n);
        const char* p = m_data + m_pos;
        m_pos += n;
        return p;
    }
    quint8 u8() { return quint8(*take(1)); }
    quint16 u16() { return qFromLittleEndian<quint16>(take(2)); }
    quint32 u32() { return qFromLittleEndian<quint32>(take(4)); }
    qint32 i32() { return qint32(u32()); }
    double f64()
    {
        const quint64 bits = qFromLittleEndian<quint64>(take(8));
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v))
            corrupted();
        return v;
    }
    QString str()
    {
        const quint32 n = u32();
        const char* p = take(qsizetype(n));
        return QString::fromUtf8(p, qsizetype(n));
    }

private:
    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

// ---- bitmap files --------------------------------------------------------------------------------

// Files already decoded, kept while their size and date stay the same: a page of 65 labels names the
// same logo 65 times and the page is built again at every display.
struct CachedFile
{
    qint64 size = -1;
    QDateTime modified;
    QImage image;
};

QMutex g_fileCacheMutex;
QHash<QString, CachedFile> g_fileCache;

QString existingPath(const QString& link)
{
    if (link.isEmpty())
        return QString();
    QFileInfo fi(link);
    if (!fi.isFile() && link.contains(u'\\'))
        fi = QFileInfo(QString(link).replace(u'\\', u'/'));
    return fi.isFile() ? fi.absoluteFilePath() : QString();
}

// The file's image in the stream's pixel format; a null image when it is missing or unreadable.
QImage readBitmap(const QString& link)
{
    const QString path = existingPath(link);
    if (path.isEmpty())
        return QImage();
    const QFileInfo fi(path);
    {
        QMutexLocker lock(&g_fileCacheMutex);
        const auto it = g_fileCache.constFind(path);
        if (it != g_fileCache.constEnd() && it->size == fi.size() && it->modified == fi.lastModified())
            return it->image;
    }
    QByteArray bytes;
    try {
        bytes = readRegularFile(path, kMaxPictureFileBytes, QStringLiteral("l'image"));
    } catch (const Error&) {
        bytes.clear(); // a picture that cannot be read is left out, as a missing one is
    }
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    QImage image;
    const QSize size = reader.size();
    if (!size.isValid() || (size.width() <= kMaxImageSide && size.height() <= kMaxImageSide))
        image = reader.read();
    if (!image.isNull() && (image.width() > kMaxImageSide || image.height() > kMaxImageSide))
        image = QImage();
    if (!image.isNull())
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QMutexLocker lock(&g_fileCacheMutex);
    if (g_fileCache.size() > 32)
        g_fileCache.clear();
    g_fileCache.insert(path, CachedFile{fi.size(), fi.lastModified(), image});
    return image;
}

} // namespace

QString corruptedStreamMessage()
{
    return QStringLiteral("Le flux de la page est illisible.");
}

// ---- StreamImage ---------------------------------------------------------------------------------

const QImage& StreamImage::scaled(QSize size) const
{
    for (const QImage& s : m_scaled)
        if (s.size() == size)
            return s;
    if (m_scaled.size() >= 4)
        m_scaled.erase(m_scaled.begin());
    m_scaled.push_back(m_image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return m_scaled.back();
}

// ---- execute -----------------------------------------------------------------------------------

QByteArray execute(const Page& page)
{
    // bitmaps first: each distinct file once, the components refer to it by index
    QHash<QString, int> imageIndex;
    std::vector<QImage> images;
    std::vector<int> componentImage(page.components().size(), -1);
    for (size_t i = 0; i < page.components().size(); ++i) {
        const Component& c = *page.components()[i];
        if (c.cls != ComponentClass::Bitmap)
            continue;
        const QString& link = std::get<BitmapProps>(c.props).fileLink;
        auto it = imageIndex.constFind(link);
        if (it == imageIndex.constEnd()) {
            QImage img = readBitmap(link);
            const int index = img.isNull() ? -1 : int(images.size());
            if (!img.isNull())
                images.push_back(std::move(img));
            it = imageIndex.insert(link, index);
        }
        componentImage[i] = *it;
    }

    Writer w;
    w.bytes.reserve(int(64 + page.components().size() * 96));
    w.bytes.append(kMagic, 4);
    w.u16(kVersion);
    // a page always has paper: an unusable size falls back to A4
    QSizeF paper = page.paperInches();
    if (!(paper.width() > 0.0 && paper.height() > 0.0 && paper.width() <= 1000.0 && paper.height() <= 1000.0))
        paper = Page().paperInches();
    w.f64(paper.width());
    w.f64(paper.height());

    w.u32(quint32(images.size()));
    for (const QImage& img : images) {
        w.i32(img.width());
        w.i32(img.height());
        const qsizetype rowBytes = qsizetype(img.width()) * 4;
        w.u32(quint32(rowBytes * img.height()));
        for (int y = 0; y < img.height(); ++y)
            w.bytes.append(reinterpret_cast<const char*>(img.constScanLine(y)), rowBytes);
    }

    w.u32(quint32(page.components().size()));
    for (size_t i = 0; i < page.components().size(); ++i) {
        const Component& c = *page.components()[i];
        w.u8(quint8(c.cls));
        w.f64(c.left);
        w.f64(c.top);
        w.f64(c.width);
        w.f64(c.height);
        switch (c.cls) {
        case ComponentClass::Rectangle: {
            const auto& p = std::get<RectangleProps>(c.props);
            w.i32(qBound(0, p.borderWidth, kMostBorderWidth));
            w.u8(quint8(p.borderStyle));
            w.u8(p.clearFill ? 1 : 0);
            w.f64(p.hRadius);
            w.f64(p.vRadius);
            break;
        }
        case ComponentClass::Text: {
            const auto& p = std::get<TextProps>(c.props);
            w.str(p.text);
            w.i32(p.fontHeightPx);
            w.i32(p.rotation);
            break;
        }
        case ComponentClass::Memo: {
            const auto& p = std::get<MemoProps>(c.props);
            w.str(p.text);
            w.i32(p.fontHeightPx);
            break;
        }
        case ComponentClass::Code128BarCode: {
            const BarcodeSymbol symbol = encodeCode128(std::get<BarcodeProps>(c.props).text);
            w.u16(quint16(symbol.modules));
            w.str(symbol.humanReadable);
            w.u32(quint32(symbol.bars.size()));
            for (const Bar& b : symbol.bars) {
                w.u16(b.start);
                w.u16(b.width);
            }
            break;
        }
        case ComponentClass::Bitmap:
            w.i32(componentImage[i]);
            break;
        }
    }
    return w.bytes;
}

// ---- read ----------------------------------------------------------------------------------------

ExecutedPage ExecutedPage::read(const QByteArray& stream)
{
    Reader r(stream);
    if (std::memcmp(r.take(4), kMagic, 4) != 0 || r.u16() != kVersion)
        corrupted();
    ExecutedPage page;
    const double paperW = r.f64();
    const double paperH = r.f64();
    if (!(paperW > 0.0 && paperH > 0.0 && paperW < 1000.0 && paperH < 1000.0))
        corrupted();
    page.m_paper = QSizeF(paperW, paperH);

    const quint32 imageCount = r.u32();
    // every image takes at least its 12-byte header: a count beyond that is a lie
    r.need(qsizetype(imageCount) * 12);
    for (quint32 i = 0; i < imageCount; ++i) {
        const qint32 width = r.i32();
        const qint32 height = r.i32();
        const quint32 byteCount = r.u32();
        if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
            quint64(byteCount) != quint64(width) * quint64(height) * 4)
            corrupted();
        const char* pixels = r.take(qsizetype(byteCount));
        QImage img(width, height, QImage::Format_ARGB32_Premultiplied);
        if (img.isNull())
            corrupted();
        const qsizetype rowBytes = qsizetype(width) * 4;
        for (int y = 0; y < height; ++y)
            std::memcpy(img.scanLine(y), pixels + y * rowBytes, size_t(rowBytes));
        page.m_images.push_back(std::make_unique<StreamImage>(std::move(img)));
    }

    const quint32 count = r.u32();
    r.need(qsizetype(count) * 33); // class and box of every record
    page.m_components.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        ExecutedComponent c;
        const quint8 cls = r.u8();
        if (cls > quint8(ComponentClass::Bitmap))
            corrupted();
        c.cls = ComponentClass(cls);
        const double left = r.f64(), top = r.f64(), width = r.f64(), height = r.f64();
        c.box = QRectF(left, top, width, height);
        switch (c.cls) {
        case ComponentClass::Rectangle: {
            c.borderWidth = r.i32();
            const quint8 style = r.u8();
            if (style > quint8(BorderStyle::DashDot) || c.borderWidth < 0 || c.borderWidth > kMostBorderWidth)
                corrupted();
            c.borderStyle = BorderStyle(style);
            const quint8 fill = r.u8();
            if (fill > 1)
                corrupted();
            c.clearFill = fill == 1;
            c.hRadius = r.f64();
            c.vRadius = r.f64();
            break;
        }
        case ComponentClass::Text:
            c.text = r.str();
            c.fontHeightPx = r.i32();
            c.rotation = r.i32();
            break;
        case ComponentClass::Memo:
            c.text = r.str();
            c.fontHeightPx = r.i32();
            break;
        case ComponentClass::Code128BarCode: {
            c.symbol.modules = r.u16();
            c.symbol.humanReadable = r.str();
            const quint32 bars = r.u32();
            r.need(qsizetype(bars) * 4);
            c.symbol.bars.reserve(bars);
            for (quint32 b = 0; b < bars; ++b) {
                Bar bar;
                bar.start = r.u16();
                bar.width = r.u16();
                if (bar.width == 0 || int(bar.start) + int(bar.width) > c.symbol.modules)
                    corrupted();
                c.symbol.bars.push_back(bar);
            }
            break;
        }
        case ComponentClass::Bitmap:
            c.image = r.i32();
            if (c.image < -1 || c.image >= qint32(page.m_images.size()))
                corrupted();
            break;
        }
        page.m_components.push_back(std::move(c));
    }
    if (!r.atEnd())
        corrupted();
    return page;
}

std::shared_ptr<const ExecutedPage> ExecutedPage::readShared(const QByteArray& stream)
{
    return std::make_shared<const ExecutedPage>(read(stream));
}

} // namespace pelorin::report
