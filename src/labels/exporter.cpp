#include "labels/exporter.h"

#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cmath>
#include <cstdlib>
#include <sys/mman.h>

#include "base/error.h"
#include "base/files.h"
#include "labels/painter.h"
#include "labels/pngwriter.h"

namespace pelorin::report {

namespace {

constexpr double kMaxPixels = 400e6; // 20 000 x 20 000: beyond, the image cannot be held in memory

QString cannotWrite(const QString& path, const QString& reason)
{
    return QStringLiteral("Impossible d'écrire le fichier « %1 » : %2").arg(QFileInfo(path).fileName(), reason);
}

// A page's pixels; a large page's in memory asked for in large pages where the system gives them: a
// 300-dpi A4 page is 35 MB, and touching it 4 KB at a time costs more than painting the labels on it.
QImage pageImage(const QSize& size)
{
    constexpr size_t kLargePage = size_t(2) << 20;
    const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(size.height());
    // a screen-sized page is cheaper in ordinary pages, whose zeroing it never pays for
    if (bytes < 8 * kLargePage)
        return QImage(size, QImage::Format_RGB32);
    const size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    void* memory = nullptr;
    if (posix_memalign(&memory, kLargePage, rounded) != 0)
        return QImage();
#ifdef MADV_HUGEPAGE
    madvise(memory, rounded, MADV_HUGEPAGE);
#endif
    return QImage(
        static_cast<uchar*>(memory), size.width(), size.height(), bytesPerLine, QImage::Format_RGB32,
        [](void* data) { std::free(data); }, memory);
}

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
    QImage image = pageImage(size);
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
    QString reason;
    if (!writePng(image, file, &reason)) {
        file.cancelWriting();
        throw Error(cannotWrite(path, reason));
    }
    if (!file.commit())
        throw Error(cannotWrite(path, file.errorString()));
}

QString pdfCreator(int printerDpi)
{
    return QStringLiteral("Pelorin (codes-barres ajustés à %1 points par pouce)").arg(printerDpi);
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
        writer.setCreator(pdfCreator(resolution));
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
        paintPage(painter, page, resolution, resolution);
        painter.end();
    }
    if (!file.commit())
        throw Error(cannotWrite(path, file.errorString()));
}

} // namespace pelorin::report
