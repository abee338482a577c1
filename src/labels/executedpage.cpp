#include "labels/executedpage.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMutex>
#include <cmath>

#include "base/error.h"
#include "base/files.h"
#include "labels/imageformat.h"

namespace pelorin::report {

namespace {

// beyond this a bitmap is not worth a label and would only exhaust memory
constexpr int kMaxImageSide = 16384;

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

// The file's image in the page's pixel format; a null image when it is missing or unreadable.
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
    QImageReader reader(&buffer, imageFormat(bytes));
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

double finite(double v)
{
    return std::isfinite(v) ? v : 0.0;
}

bool sameBox(const QRectF& a, const QRectF& b)
{
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

} // namespace

const QImage& PageImage::scaled(QSize size) const
{
    for (const QImage& s : m_scaled)
        if (s.size() == size)
            return s;
    if (m_scaled.size() >= 4)
        m_scaled.erase(m_scaled.begin());
    m_scaled.push_back(m_image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return m_scaled.back();
}

bool ExecutedComponent::operator==(const ExecutedComponent& o) const
{
    return cls == o.cls && sameBox(box, o.box) && borderWidth == o.borderWidth && borderStyle == o.borderStyle &&
           clearFill == o.clearFill && hRadius == o.hRadius && vRadius == o.vRadius && text == o.text &&
           fontHeightPx == o.fontHeightPx && rotation == o.rotation && face == o.face && symbol == o.symbol &&
           image == o.image;
}

bool ExecutedPage::operator==(const ExecutedPage& o) const
{
    if (m_paper != o.m_paper || m_minimumModuleMm != o.m_minimumModuleMm || m_components != o.m_components ||
        m_images.size() != o.m_images.size())
        return false;
    for (size_t i = 0; i < m_images.size(); ++i)
        if (m_images[i]->image() != o.m_images[i]->image())
            return false;
    return true;
}

ExecutedPage execute(const Page& page)
{
    ExecutedPage executed;
    // a page always has paper: an unusable size falls back to A4
    const QSizeF paper = page.paperInches();
    if (paper.width() > 0.0 && paper.height() > 0.0 && paper.width() <= 1000.0 && paper.height() <= 1000.0)
        executed.m_paper = paper;
    // a module under a hundredth of a millimetre, or no number, would let any box pass
    const double minimum = page.minimumModuleMm();
    if (std::isfinite(minimum) && minimum >= 0.01 && minimum <= kMostModuleMm)
        executed.m_minimumModuleMm = minimum;

    // each distinct file is read once, the components refer to it by index
    QHash<QString, int> imageIndex;
    // a sheet repeats one barcode text on every label: each is encoded once
    QHash<QPair<QPair<int, bool>, QString>, BarcodeSymbol> symbols;
    executed.m_components.reserve(page.components().size());
    for (const std::unique_ptr<Component>& component : page.components()) {
        const Component& c = *component;
        ExecutedComponent e;
        e.cls = c.cls;
        e.name = c.name;
        e.box = QRectF(finite(c.left), finite(c.top), finite(c.width), finite(c.height));
        switch (c.cls) {
        case ComponentClass::Rectangle: {
            const auto& p = std::get<RectangleProps>(c.props);
            e.borderWidth = qBound(0, p.borderWidth, kMostBorderWidth);
            e.borderStyle = p.borderStyle;
            e.clearFill = p.clearFill;
            e.hRadius = finite(p.hRadius);
            e.vRadius = finite(p.vRadius);
            break;
        }
        case ComponentClass::Text: {
            const auto& p = std::get<TextProps>(c.props);
            e.text = p.text;
            e.fontHeightPx = p.fontHeightPx;
            e.rotation = p.rotation;
            e.face = p.face;
            break;
        }
        case ComponentClass::Memo: {
            const auto& p = std::get<MemoProps>(c.props);
            e.text = p.text;
            e.fontHeightPx = p.fontHeightPx;
            e.face = p.face;
            break;
        }
        case ComponentClass::Barcode: {
            const auto& p = std::get<BarcodeProps>(c.props);
            const QPair<QPair<int, bool>, QString> key(qMakePair(p.symbology.zintId, p.symbology.gs1), p.text);
            auto it = symbols.constFind(key);
            if (it == symbols.constEnd())
                it = symbols.insert(key, encodeBarcode(p.symbology, p.text));
            e.symbol = *it;
            // without its text the bars take the whole box
            if (!p.humanReadable)
                e.symbol.humanReadable.clear();
            break;
        }
        case ComponentClass::Bitmap: {
            const QString& link = std::get<BitmapProps>(c.props).fileLink;
            auto it = imageIndex.constFind(link);
            if (it == imageIndex.constEnd()) {
                QImage img = readBitmap(link);
                int index = -1;
                if (!img.isNull()) {
                    index = int(executed.m_images.size());
                    executed.m_images.push_back(std::make_unique<PageImage>(std::move(img)));
                }
                it = imageIndex.insert(link, index);
            }
            e.image = *it;
            break;
        }
        }
        executed.m_components.push_back(std::move(e));
    }
    return executed;
}

std::shared_ptr<const ExecutedPage> executeShared(const Page& page)
{
    return std::make_shared<const ExecutedPage>(execute(page));
}

} // namespace pelorin::report
