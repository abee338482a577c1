#include "labels/exporter.h"

#include <QFileInfo>
#include <QHash>
#include <QImageWriter>
#include <QList>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cmath>

#include "base/error.h"
#include "base/files.h"
#include "labels/painter.h"

namespace pelorin::report {

namespace {

constexpr double kMaxPixels = 400e6; // 20 000 x 20 000: beyond, the image cannot be held in memory

QString cannotWrite(const QString& path, const QString& reason)
{
    return QStringLiteral("Impossible d'écrire le fichier « %1 » : %2").arg(QFileInfo(path).fileName(), reason);
}

// The page as few bytes per pixel as hold it exactly: 8-bit grey when every pixel is grey (labels
// are black on white but for a coloured logo), else 8-bit indexed when at most 256 colours are
// used, else 24-bit colour. Encoding 8.7 million pixels is most of a 300-dpi export, and a third
// or a quarter of the bytes to filter and compress is what makes it fast.
QImage compactImage(const QImage& rgb)
{
    const int w = rgb.width(), h = rgb.height();
    QImage grey(rgb.size(), QImage::Format_Grayscale8);
    bool isGrey = !grey.isNull();
    for (int y = 0; y < h && isGrey; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = grey.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const QRgb p = in[x];
            const int r = qRed(p);
            if (r != qGreen(p) || r != qBlue(p)) {
                isGrey = false;
                break;
            }
            out[x] = uchar(r);
        }
    }
    if (isGrey) {
        grey.setDotsPerMeterX(rgb.dotsPerMeterX());
        grey.setDotsPerMeterY(rgb.dotsPerMeterY());
        return grey;
    }
    QHash<QRgb, int> index;
    QImage indexed(rgb.size(), QImage::Format_Indexed8);
    bool fits = !indexed.isNull();
    QList<QRgb> table;
    for (int y = 0; y < h && fits; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        QRgb last = 0;
        int lastIndex = -1;
        for (int x = 0; x < w; ++x) {
            const QRgb p = in[x] | 0xff000000u;
            if (p != last || lastIndex < 0) {
                auto it = index.constFind(p);
                if (it == index.constEnd()) {
                    if (table.size() == 256) {
                        fits = false;
                        break;
                    }
                    it = index.insert(p, int(table.size()));
                    table.append(p);
                }
                last = p;
                lastIndex = *it;
            }
            out[x] = uchar(lastIndex);
        }
    }
    if (fits) {
        indexed.setColorTable(table);
        indexed.setDotsPerMeterX(rgb.dotsPerMeterX());
        indexed.setDotsPerMeterY(rgb.dotsPerMeterY());
        return indexed;
    }
    return rgb.convertToFormat(QImage::Format_RGB888);
}

// Qt maps a quality of 80 to zlib's level 1: the page's large white areas compress well at once,
// and higher levels cost several times the time for a few percent of the size.
constexpr int kPngQuality = 80;

} // namespace

QImage renderImage(const ExecutedPage& page, double dpi)
{
    if (!(dpi >= 1.0 && dpi <= 10000.0))
        throw Error(QStringLiteral("La résolution doit être comprise entre 1 et 10000 points par pouce."));
    const QSizeF paper = page.paperInches();
    const QSize size(std::max(1, int(std::lround(paper.width() * dpi))),
                     std::max(1, int(std::lround(paper.height() * dpi))));
    if (double(size.width()) * size.height() > kMaxPixels)
        throw Error(QStringLiteral("La page est trop grande pour cette résolution."));
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        throw Error(QStringLiteral("La page est trop grande pour cette résolution."));
    const int dotsPerMeter = int(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintPage(painter, page, dpi);
    painter.end();
    return image;
}

void exportPng(const ExecutedPage& page, const QString& path, double dpi)
{
    const QImage image = renderImage(page, dpi);
    checkWriteTarget(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(cannotWrite(path, file.errorString()));
    QImageWriter writer(&file, "PNG");
    writer.setQuality(kPngQuality);
    if (!writer.write(compactImage(image))) {
        const QString reason = file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        file.cancelWriting();
        throw Error(cannotWrite(path, reason));
    }
    if (!file.commit())
        throw Error(cannotWrite(path, file.errorString()));
}

void exportPdf(const ExecutedPage& page, const QString& path, int resolution)
{
    if (resolution < 72 || resolution > 9600)
        throw Error(QStringLiteral("La résolution doit être comprise entre 72 et 9600 points par pouce."));
    checkWriteTarget(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(cannotWrite(path, file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("Pelorin"));
        writer.setResolution(resolution);
        writer.setPageSize(QPageSize(page.paperInches(), QPageSize::Inch, QString(), QPageSize::ExactMatch));
        writer.setPageOrientation(QPageLayout::Portrait);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&writer)) {
            const QString reason = file.errorString();
            file.cancelWriting();
            throw Error(cannotWrite(path, reason));
        }
        paintPage(painter, page, resolution);
        painter.end();
    }
    if (!file.commit())
        throw Error(cannotWrite(path, file.errorString()));
}

void exportPng(const QByteArray& stream, const QString& path, double dpi)
{
    exportPng(ExecutedPage::read(stream), path, dpi);
}

void exportPdf(const QByteArray& stream, const QString& path, int resolution)
{
    exportPdf(ExecutedPage::read(stream), path, resolution);
}

} // namespace pelorin::report
