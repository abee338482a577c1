#pragma once
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Reading PDF files back with poppler's tools, as an outside reader would.
namespace pelorin::test {

inline QByteArray runTool(const QString& program, const QStringList& args, int* exitCode = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
    }
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput();
}

// The text of a PDF; empty when it cannot be read (yet).
inline QString pdfText(const QString& pdf)
{
    int rc = -1;
    const QByteArray out = runTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}, &rc);
    return rc == 0 ? QString::fromUtf8(out) : QString();
}

// The number of raster images a PDF holds.
inline int pdfImageCount(const QString& pdf)
{
    const QStringList lines = QString::fromUtf8(runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}))
                                  .split(u'\n', Qt::SkipEmptyParts);
    return std::max(0, int(lines.size()) - 2); // two header lines
}

// The first page at `dpi`, as a PNG file in `dir` and as an image.
inline QImage rasterise(const QString& pdf, int dpi, const QTemporaryDir& dir, QString* pngPath = nullptr)
{
    const QString base = dir.filePath(QStringLiteral("page%1").arg(dpi));
    runTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                         QStringLiteral("-singlefile"), pdf, base});
    if (pngPath)
        *pngPath = base + QStringLiteral(".png");
    return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

// Dark pixels of a page image inside a rectangle given in millimetres from the paper's corner.
inline int darkPixels(const QImage& page, int dpi, const QRectF& mm)
{
    const double px = dpi / 25.4;
    const QRect area = QRect(int(mm.left() * px), int(mm.top() * px), int(mm.width() * px), int(mm.height() * px))
                           .intersected(page.rect());
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar* line = page.constScanLine(y);
        for (int x = area.left(); x <= area.right(); ++x)
            n += line[x] < 128;
    }
    return n;
}

} // namespace pelorin::test
