#include "samplecode.h"
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "base/error.h"
#include "labels/exporter.h"
#include "labels/executedpage.h"
#include "labels/fonts.h"
#include "labels/painter.h"
#include "labels/reportpage.h"
#include "support/testsupport.h"

using namespace pelorin;
using namespace pelorin::report;

namespace {

using pelorin::test::kCode;

bool dark(const QImage& img, int x, int y)
{
    return qGray(img.pixel(x, y)) < 128;
}

// The bounding box of the dark pixels inside `area`; empty when there are none.
QRect ink(const QImage& img, QRect area = QRect())
{
    if (area.isNull())
        area = img.rect();
    area &= img.rect();
    int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (dark(img, x, y)) {
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
    return x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
}

QImage render(const Page& page, double dpi)
{
    return renderImage(execute(page), dpi);
}

Component& place(Page& page, ComponentClass cls, double left, double top, double width, double height)
{
    Component& c = page.create(cls, QStringLiteral("C"));
    c.left = left, c.top = top, c.width = width, c.height = height;
    return c;
}

// Lengths of the alternating dark and light runs along one row, from its first dark pixel to its last.
std::vector<int> runs(const QImage& img, int y, int fromX, int toX)
{
    std::vector<int> result;
    int x = fromX;
    while (x < toX && !dark(img, x, y))
        ++x;
    int last = toX - 1;
    while (last > x && !dark(img, last, y))
        --last;
    while (x <= last) {
        const bool d = dark(img, x, y);
        int n = 0;
        while (x <= last && dark(img, x, y) == d)
            ++x, ++n;
        result.push_back(n);
    }
    return result;
}

// What pdfinfo says of a PDF; empty without pdfinfo.
QString pdfInfo(const QString& pdf)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        return QString();
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

long statusKb(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

long peakResidentKb()
{
    return statusKb("VmHWM:");
}

// The resident size now, the peak brought down to it; -1 where the system does not allow it.
long resetPeakResidentKb()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (!f.open(QIODevice::WriteOnly) || f.write("5") != 1)
        return -1;
    f.close();
    const long now = statusKb("VmRSS:");
    return peakResidentKb() <= now + 1024 ? now : -1;
}

} // namespace

TEST(ReportPaint, TheBarcodeIsReadBackAtThreeHundredDpi)
{
    if (!test::haveZbar())
        GTEST_SKIP() << "zbarimg is not installed";
    Page page;
    place(page, ComponentClass::Barcode, 1.0, 1.0, 2.5, 0.7).barcode().text = kCode;
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("page.png"));
    exportPng(execute(page), png, 300);
    EXPECT_EQ(test::zbarRead(png), QStringList{kCode});
    const QImage img(png);
    EXPECT_EQ(img.size(), QSize(2480, 3508)); // the whole A4 paper
    EXPECT_NEAR(img.dotsPerMeterX() * 0.0254, 300.0, 0.1);
}

TEST(ReportPaint, ThePngHoldsExactlyThePixelsPaintedWhateverTheColours)
{
    // grey pages are written as 8-bit grey, a few colours as a palette, many as full colour: each
    // must read back pixel for pixel as painted
    QTemporaryDir dir;
    const auto logo = [&](const QString& name, int colours) {
        QImage img(64, 64, QImage::Format_RGB32);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const int n = (y * 64 + x) % colours;
                img.setPixel(x, y, qRgb(n * 7 % 256, 255 - n % 256, (n * 13) % 256));
            }
        const QString path = dir.filePath(name);
        img.save(path, "PNG");
        return path;
    };
    struct Case
    {
        const char* what;
        QString logoPath; // none: a grey page
        QImage::Format written;
    };
    const Case cases[] = {
        {"grey", QString(), QImage::Format_Grayscale8},
        {"few colours", logo(QStringLiteral("few.png"), 3), QImage::Format_Indexed8},
        {"many colours", logo(QStringLiteral("many.png"), 4096), QImage::Format_RGB32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Page page;
        place(page, ComponentClass::Barcode, 1.0, 1.0, 2.5, 0.7).barcode().text = kCode;
        Component& t = place(page, ComponentClass::Text, 1.0, 2.0, 2.0, 0.3);
        t.name = QStringLiteral("T");
        t.text().text = QStringLiteral("Fabriqué en France");
        if (!c.logoPath.isEmpty()) {
            Component& b = page.create(ComponentClass::Bitmap, QStringLiteral("L"));
            b.left = 4, b.top = 1, b.width = 1.5, b.height = 1.5;
            b.bitmap().fileLink = c.logoPath;
        }
        const ExecutedPage executed = execute(page);
        const QString png = dir.filePath(QStringLiteral("page.png"));
        exportPng(executed, png, 150);
        const QImage read(png);
        const QImage painted = renderImage(executed, 150);
        ASSERT_EQ(read.size(), painted.size());
        if (c.written == QImage::Format_Grayscale8)
            EXPECT_EQ(read.format(), QImage::Format_Grayscale8);
        else
            EXPECT_NE(read.format(), QImage::Format_Grayscale8);
        EXPECT_TRUE(read.convertToFormat(QImage::Format_RGB32) == painted.convertToFormat(QImage::Format_RGB32));
        EXPECT_NEAR(read.dotsPerMeterX() * 0.0254, 150.0, 0.1);
    }
}

TEST(ReportPaint, BarsAreWholePixelsPerModuleCentredInTheBoxWithTheirQuietZonesAtEveryResolution)
{
    struct Case
    {
        double dpi, boxWidth;
        int pixelsPerModule;
    };
    // 211 modules and ten each side: the widest whole number of pixels that fits 231 modules
    for (const Case& k :
         {Case{300, 2.5, 3}, Case{96, 2.5, 1}, Case{600, 2.5, 6}, Case{203, 1.2, 1}, Case{1200, 1.2, 6}}) {
        SCOPED_TRACE(k.dpi);
        Page page(QSizeF(k.boxWidth + 1.5, 2.0));
        place(page, ComponentClass::Barcode, 1.0, 1.0, k.boxWidth, 0.8).barcode().text = kCode;
        const QImage img = render(page, k.dpi);
        const int box = int(std::lround(k.dpi)), y = box + 5;
        const QRect bars = ink(img, QRect(0, y, img.width(), 1));
        ASSERT_FALSE(bars.isNull());
        const int symbolWidth = 211 * k.pixelsPerModule;
        EXPECT_EQ(bars.width(), symbolWidth);
        // centred to a pixel, with at least (all but a pixel of) ten modules on each side
        const double leftGap = bars.left() - k.dpi, rightGap = k.dpi * (1.0 + k.boxWidth) - (bars.right() + 1);
        EXPECT_NEAR(leftGap, rightGap, 1.0);
        EXPECT_GE(std::min(leftGap, rightGap), 10 * k.pixelsPerModule - 1.0);
        const std::vector<int> widths = runs(img, y, box, img.width());
        int modules = 0;
        for (int w : widths) {
            EXPECT_EQ(w % k.pixelsPerModule, 0) << w;
            modules += w / k.pixelsPerModule;
        }
        EXPECT_EQ(modules, 211);
        // every bar and space is 1 to 4 modules wide
        for (int w : widths)
            EXPECT_TRUE(w >= k.pixelsPerModule && w <= 4 * k.pixelsPerModule) << w;
        // nothing but black and white in the bars: crisp
        for (int x = bars.left(); x <= bars.right(); ++x) {
            const int g = qGray(img.pixel(x, y));
            EXPECT_TRUE(g == 0 || g == 255) << x;
        }
    }
}

TEST(ReportPaint, ALabelsNarrowBoxGetsWholeDotsOrAPlaceholderThatNoScannerReads)
{
    // a 33 mm box of a 38,1 mm label: 1.85 pixels per module at 300 dpi. One whole dot a module is
    // 0.085 mm there, under the 0.125 mm a scanner needs: no symbol, but a crossed-out box and the
    // code in letters. At 203 and 600 dpi one and three whole dots are wide enough.
    const double box = 33.0 / 25.4;
    struct Case
    {
        double dpi;
        int dotsPerModule; // 0: nothing drawn
    };
    for (const Case& k : {Case{300.0, 0}, Case{203.0, 1}, Case{600.0, 3}}) {
        SCOPED_TRACE(k.dpi);
        Page page(QSizeF(box + 1.0, 1.5));
        place(page, ComponentClass::Barcode, 0.5, 0.5, box, 0.28).barcode().text = kCode;
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("page.png"));
        exportPng(execute(page), png, k.dpi);
        const QImage img(png);
        const int top = int(std::lround(0.5 * k.dpi)), y = top + 3;
        const std::vector<int> widths = runs(img, y, 0, img.width());
        if (k.dotsPerModule == 0) {
            // the placeholder's few thin strokes across the row, not a symbol's 131 elements
            EXPECT_LT(widths.size(), 20u);
            if (test::haveZbar()) {
                EXPECT_TRUE(test::zbarRead(png).isEmpty());
            }
            continue;
        }
        int modules = 0;
        for (int w : widths) {
            EXPECT_EQ(w % k.dotsPerModule, 0) << w;
            modules += w / k.dotsPerModule;
        }
        EXPECT_EQ(modules, 211);
        if (test::haveZbar()) {
            EXPECT_EQ(test::zbarRead(png), QStringList{kCode});
        }
    }
}

TEST(ReportPaint, APdfIsFittedToTheResolutionItNames)
{
    // 45 mm: two dots a module at 300 dpi, four at 600; the PDF rasterised at that resolution shows
    // those whole dots, and its creator says which resolution it was made for
    const double box = 45.0 / 25.4;
    for (const int dpi : {300, 600}) {
        SCOPED_TRACE(dpi);
        Page page(QSizeF(box + 1.0, 1.5));
        place(page, ComponentClass::Barcode, 0.5, 0.5, box, 0.28).barcode().text = kCode;
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
        exportPdf(execute(page), pdf, dpi);
        if (const QString info = pdfInfo(pdf); !info.isEmpty()) {
            EXPECT_TRUE(info.contains(pdfCreator(dpi))) << info.toStdString();
        }
        const QString base = dir.filePath(QStringLiteral("page"));
        QProcess raster;
        raster.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                                  QStringLiteral("-singlefile"), pdf, base});
        ASSERT_TRUE(raster.waitForFinished(30000));
        const QImage img(base + QStringLiteral(".png"));
        ASSERT_FALSE(img.isNull());
        const int dots = int(std::floor(box * dpi / 231));
        const std::vector<int> widths = runs(img, int(0.5 * dpi) + 5, 0, img.width());
        int modules = 0;
        for (int w : widths) {
            EXPECT_EQ(w % dots, 0) << w;
            modules += w / dots;
        }
        EXPECT_EQ(modules, 211);
        if (test::haveZbar()) {
            EXPECT_EQ(test::zbarRead(base + QStringLiteral(".png")), QStringList{kCode});
        }
    }
}

TEST(ReportPaint, OnAPrinterOfKnownResolutionTheBarsLieOnItsDots)
{
    // a printer's raster blackens every dot a bar touches: bars of 1.85 or 1.3 dots whose edges
    // fall between dots run together. Ghostscript in black and white rasterises as such a printer
    if (QStandardPaths::findExecutable(QStringLiteral("gs")).isEmpty())
        GTEST_SKIP() << "ghostscript is not installed";
    for (const auto& [dots, boxMm] : {std::pair{300, 45.0}, std::pair{203, 33.0}}) {
        SCOPED_TRACE(dots);
        const double box = boxMm / 25.4;
        Page page(QSizeF(box + 1.0, 1.5));
        place(page, ComponentClass::Barcode, 0.5, 0.5, box, 0.28).barcode().text = kCode;
        const ExecutedPage executed = execute(page);
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
        {
            QPdfWriter writer(pdf);
            writer.setResolution(1200);
            writer.setPageSize(QPageSize(executed.paperInches(), QPageSize::Inch, QString(), QPageSize::ExactMatch));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter painter(&writer);
            paintPage(painter, executed, 1200, dots);
        }
        const QString png = dir.filePath(QStringLiteral("printed.png"));
        QProcess gs;
        gs.start(QStringLiteral("gs"), {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                                        QStringLiteral("-sDEVICE=pnggray"), QStringLiteral("-dGraphicsAlphaBits=1"),
                                        QStringLiteral("-r%1").arg(dots), QStringLiteral("-sOutputFile=") + png, pdf});
        ASSERT_TRUE(gs.waitForFinished(30000));
        const QImage img(png);
        ASSERT_FALSE(img.isNull());
        // bars and spaces: whole modules of whole dots, exactly
        const int perModule = int(std::floor(box * dots / 231));
        const std::vector<int> widths = runs(img, int(0.5 * dots) + 3, 0, img.width());
        int modules = 0;
        for (int w : widths) {
            EXPECT_EQ(w % perModule, 0) << w;
            modules += w / perModule;
        }
        EXPECT_EQ(modules, 211);
        if (test::haveZbar()) {
            EXPECT_EQ(test::zbarRead(png), QStringList{kCode});
        }
    }
}

TEST(ReportPaint, ABarcodeWithNothingToEncodeDrawsNothing)
{
    for (const QString& text : {QString(), QString(200, u'A'), QStringLiteral("Code€1")}) {
        Page page(QSizeF(4.5, 2.5));
        place(page, ComponentClass::Barcode, 1.0, 1.0, 3.0, 1.0).barcode().text = text;
        const QImage img = render(page, 100);
        EXPECT_TRUE(ink(img).isNull()) << text.toStdString();
    }
    // a Latin-1 text is encoded, not refused
    Page page(QSizeF(4.5, 2.5));
    place(page, ComponentClass::Barcode, 1.0, 1.0, 3.0, 1.0).barcode().text = QStringLiteral("Modéle");
    EXPECT_FALSE(ink(render(page, 100)).isNull());
}

TEST(ReportPaint, TheHumanReadableLineSitsUnderTheBarsWithinTheSymbolsWidth)
{
    // wide enough for 10 points, and a label's narrow box where the line must shrink to the symbol
    for (const auto& [dpi, width] : {std::pair{300.0, 2.5}, std::pair{203.0, 1.3}, std::pair{600.0, 1.3}}) {
        SCOPED_TRACE(dpi * 10 + width);
        Page page(QSizeF(4.0, 2.0));
        place(page, ComponentClass::Barcode, 1.0, 1.0, width, 0.7).barcode().text = kCode;
        const QImage img = render(page, dpi);
        const int box = int(dpi);
        const QRect all = ink(img);
        EXPECT_GE(all.left(), box);
        EXPECT_EQ(all.top(), box);
        EXPECT_LE(all.bottom(), box + 0.7 * dpi);
        // the bars, through the first (two modules wide), stop where the text line begins
        const QRect symbol = ink(img, QRect(0, box, img.width(), 1));
        const QRect firstBar = ink(img, QRect(symbol.left(), box, 1, int(dpi)));
        EXPECT_LE(symbol.right(), box + width * dpi);
        const QRect text = ink(img, QRect(0, firstBar.bottom() + 1, img.width(), int(dpi)));
        ASSERT_FALSE(text.isNull());
        EXPECT_GE(text.left(), symbol.left());
        EXPECT_LE(text.right(), symbol.right());
        EXPECT_GT(text.width(), symbol.width() * 0.6); // shrunk to the symbol, not to nothing
        EXPECT_GT(firstBar.height(), 0.7 * dpi * 0.6);
    }
}

TEST(ReportPaint, RectanglesTakeTheirBorderWidthInScreenPixelsAndTheirStyle)
{
    const double dpi = 288; // three device pixels per screen pixel
    struct Case
    {
        int borderWidth;
        BorderStyle style;
        int thickness;
        bool gaps;
    };
    for (const Case& k : {Case{1, BorderStyle::Solid, 3, false}, Case{2, BorderStyle::Solid, 6, false},
                          Case{0, BorderStyle::Solid, 1, false}, Case{1, BorderStyle::Dot, 3, true},
                          Case{1, BorderStyle::DashDot, 3, true}}) {
        SCOPED_TRACE(k.borderWidth * 10 + int(k.style));
        Page page(QSizeF(3.5, 2.5));
        Component& r = place(page, ComponentClass::Rectangle, 1.0, 1.0, 2.0, 1.0);
        r.rectangle().borderWidth = k.borderWidth;
        r.rectangle().borderStyle = k.style;
        const QImage img = render(page, dpi);
        // the left edge, across, at a height where a dash is drawn
        const int mid = 288 + 144;
        int dashY = mid;
        while (k.gaps && !dark(img, 288, dashY))
            ++dashY;
        const std::vector<int> across = runs(img, dashY, 280, 300);
        ASSERT_EQ(across.size(), 1u);
        EXPECT_EQ(across[0], k.thickness);
        // the box's inside stays clear
        EXPECT_TRUE(ink(img, QRect(300, 300, 550, 260)).isNull());
        int lightAlongEdge = 0;
        for (int y = 300; y < 560; ++y)
            lightAlongEdge += !dark(img, 288, y);
        EXPECT_EQ(lightAlongEdge > 0, k.gaps);
    }
}

TEST(ReportPaint, RoundedCornersLeaveTheCornerPixelClear)
{
    Page page(QSizeF(3.5, 2.5));
    Component& r = place(page, ComponentClass::Rectangle, 1.0, 1.0, 2.0, 1.0);
    r.rectangle().hRadius = 0.2;
    r.rectangle().vRadius = 0.2;
    const QImage img = render(page, 200);
    EXPECT_FALSE(dark(img, 201, 201));
    EXPECT_TRUE(dark(img, 300, 200)); // the straight part of the top edge
}

TEST(ReportPaint, FontHeightInPixelsIsTheCharacterCellAndTheDefaultIsTenPoints)
{
    const double dpi = 960;
    auto inkHeight = [&](int fontHeightPx) {
        Page page(QSizeF(2.0, 2.0));
        Component& t = place(page, ComponentClass::Text, 1.0, 1.0, 0.1, 0.1);
        t.text().text = QStringLiteral("Hg");
        t.text().fontHeightPx = fontHeightPx;
        return ink(render(page, dpi)).height();
    };
    // Arial's own cell (ascent + descent) in ems
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(1000);
    const QFontMetricsF fm(arial);
    const double cellPerEm = (fm.ascent() + fm.descent()) / 1000.0;

    // ink of "Hg", from the capital's top to the descender's bottom, is about 0.9 em: 0.8 of the
    // cell. Taille 8 is a cell of 6 points (an em of 6 points would give 0.9)
    const double cell8 = 8.0 / 96.0 * dpi;
    const double ink8 = inkHeight(8);
    EXPECT_GT(ink8 / cell8, 0.76);
    EXPECT_LT(ink8 / cell8, 0.85);
    // the default is an em of 10 points
    EXPECT_NEAR(ink8 / inkHeight(0), 6.0 / cellPerEm / 10.0, 0.02);
    EXPECT_NEAR(inkHeight(32) / ink8, 4.0, 0.1);
}

TEST(ReportPaint, TextStartsAtTheBoxsTopLeftRunsPastItsWidthAndTurnsCounterClockwise)
{
    const double dpi = 200;
    const QString text = QStringLiteral("Etiquettes de traçabilité");
    auto box = [&](int rotation) {
        Page page(QSizeF(5.0, 5.0));
        Component& t = place(page, ComponentClass::Text, 2.0, 3.0, 0.2, 0.2);
        t.text().text = text;
        t.text().rotation = rotation;
        return ink(render(page, dpi));
    };
    const QPoint origin(400, 600);
    const QRect flat = box(0);
    EXPECT_NEAR(flat.left(), origin.x(), 3);
    EXPECT_GT(flat.top(), origin.y());
    EXPECT_LT(flat.top(), origin.y() + 10);
    EXPECT_GT(flat.width(), 0.2 * dpi * 5); // not clipped to its 0.2 inch box

    // a quarter turn counter-clockwise about the top-left corner: the text goes up from there,
    // its top (now on the left) towards smaller x
    const QRect up = box(90);
    EXPECT_NEAR(up.width(), flat.height(), 2);
    EXPECT_NEAR(up.height(), flat.width(), 2);
    EXPECT_LE(up.bottom(), origin.y() + 3);
    EXPECT_NEAR(up.bottom(), origin.y(), 4);
    EXPECT_GT(up.left(), origin.x());
    EXPECT_LT(up.right(), origin.x() + 40);

    const QRect down = box(270);
    EXPECT_GE(down.top(), origin.y() - 3);
    EXPECT_LT(down.right(), origin.x());
}

TEST(ReportPaint, TextsAndMemosLieLeftCentredOrRightInTheirBox)
{
    const double dpi = 200;
    const QString text = QStringLiteral("Lot 25");
    // a 2-inch box from x = 1 inch: left edge 200, centre 400, right edge 600 pixels
    const auto inkOf = [&](ComponentClass cls, TextAlignment alignment) {
        Page page(QSizeF(4.0, 2.0));
        Component& c = place(page, cls, 1.0, 0.5, 2.0, 0.5);
        if (cls == ComponentClass::Text) {
            c.text().text = text;
            c.text().fontHeightPx = 20;
            c.text().face.alignment = alignment;
        } else {
            c.memo().text = text;
            c.memo().fontHeightPx = 20;
            c.memo().face.alignment = alignment;
        }
        return ink(render(page, dpi));
    };
    for (const ComponentClass cls : {ComponentClass::Text, ComponentClass::Memo}) {
        SCOPED_TRACE(int(cls));
        const QRect left = inkOf(cls, TextAlignment::Left);
        const QRect centre = inkOf(cls, TextAlignment::Center);
        const QRect right = inkOf(cls, TextAlignment::Right);
        ASSERT_FALSE(left.isNull());
        EXPECT_NEAR(left.left(), 200, 4);
        EXPECT_NEAR((centre.left() + centre.right()) / 2.0, 400, 4);
        EXPECT_NEAR(right.right(), 600, 4);
        EXPECT_LT(right.right(), 601);
        // the same line, only moved
        EXPECT_NEAR(centre.width(), left.width(), 1);
        EXPECT_NEAR(right.width(), left.width(), 1);
        EXPECT_EQ(right.top(), left.top());
    }
}

// In a PDF the aligned text stays text: pdftotext finds its words where the box puts them.
TEST(ReportPaint, APdfsAlignedTextLiesWherePdftotextFindsIt)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext manquant";
    QTemporaryDir dir;
    // a 2-inch box from x = 1 inch: 72 to 216 points
    const std::pair<TextAlignment, double> cases[] = {
        {TextAlignment::Left, 72.0}, {TextAlignment::Center, 144.0}, {TextAlignment::Right, 216.0}};
    for (const auto& [alignment, expected] : cases) {
        SCOPED_TRACE(int(alignment));
        Page page(QSizeF(4.0, 2.0));
        Component& c = place(page, ComponentClass::Text, 1.0, 0.5, 2.0, 0.5);
        c.text().text = QStringLiteral("Lot");
        c.text().fontHeightPx = 20;
        c.text().face.alignment = alignment;
        const QString pdf = dir.filePath(QStringLiteral("aligned.pdf"));
        exportPdf(execute(page), pdf);
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
        ASSERT_TRUE(p.waitForFinished(30000));
        const QString html = QString::fromUtf8(p.readAllStandardOutput());
        static const QRegularExpression word(
            QStringLiteral("xMin=\"([0-9.]+)\" yMin=\"[0-9.]+\" xMax=\"([0-9.]+)\"[^>]*>Lot<"));
        const QRegularExpressionMatch m = word.match(html);
        ASSERT_TRUE(m.hasMatch()) << qPrintable(html);
        const double xMin = m.captured(1).toDouble(), xMax = m.captured(2).toDouble();
        const double measured = alignment == TextAlignment::Left     ? xMin
                                : alignment == TextAlignment::Center ? (xMin + xMax) / 2.0
                                                                     : xMax;
        EXPECT_NEAR(measured, expected, 1.0);
    }
}

TEST(ReportPaint, BoldAndFamilyChangeTheFaceOfAText)
{
    // no family named: Arial, as resolved to an installed family once
    EXPECT_EQ(descriptionFont(QString(), false).family(), installedFamily(QStringLiteral("Arial")));
    EXPECT_TRUE(descriptionFont(QStringLiteral("DejaVu Serif"), true).bold());
    const auto rendered = [](const TextFace& face) {
        Page page(QSizeF(4.0, 1.0));
        Component& c = place(page, ComponentClass::Text, 0.5, 0.2, 3.0, 0.5);
        c.text().text = QStringLiteral("Traçabilité 2026");
        c.text().fontHeightPx = 24;
        c.text().face = face;
        return render(page, 200);
    };
    const auto darkCount = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += dark(img, x, y) ? 1 : 0;
        return n;
    };
    const QImage regular = rendered(TextFace());
    const QImage bold = rendered(TextFace{QString(), true, TextAlignment::Left});
    const QImage serif = rendered(TextFace{QStringLiteral("DejaVu Serif"), false, TextAlignment::Left});
    EXPECT_GT(darkCount(bold), darkCount(regular) * 1.2);
    EXPECT_NE(serif, regular);
    // the face is the description's own, in any case of its name
    EXPECT_EQ(rendered(TextFace{QStringLiteral("Arial"), false, TextAlignment::Left}), regular);
}

TEST(ReportPaint, WithoutItsHumanReadableTextTheBarsFillTheBoxAndNothingLiesUnderThem)
{
    const double dpi = 300;
    for (const bool humanReadable : {true, false}) {
        SCOPED_TRACE(humanReadable);
        Page page(QSizeF(4.0, 2.0));
        BarcodeProps& b = place(page, ComponentClass::Barcode, 0.5, 0.5, 3.0, 0.7).barcode();
        b.text = kCode;
        b.humanReadable = humanReadable;
        const QImage img = render(page, dpi);
        const QRect all = ink(img);
        ASSERT_FALSE(all.isNull());
        // every row of the symbol shows the bars of its top row, or (the text) another pattern
        const std::vector<int> top = runs(img, all.top(), 0, img.width());
        int rowsOfBars = 0;
        for (int y = all.top(); y <= all.bottom(); ++y)
            rowsOfBars += runs(img, y, 0, img.width()) == top ? 1 : 0;
        if (humanReadable) {
            EXPECT_LT(rowsOfBars, all.height() - 10);
        } else {
            EXPECT_EQ(rowsOfBars, all.height());
            EXPECT_NEAR(all.height(), 0.7 * dpi, 2);
        }
    }
}

TEST(ReportPaint, MemoLinesWrapInsideTheBoxAndBreakAtLineFeeds)
{
    const double dpi = 200;
    const QRect boxPx(200, 200, 300, 400); // 1.5 x 2 inches
    auto paintMemo = [&](const QString& text) {
        Page page(QSizeF(3.0, 3.5));
        place(page, ComponentClass::Memo, 1.0, 1.0, 1.5, 2.0).memo().text = text;
        return render(page, dpi);
    };
    const QImage wrapped = paintMemo(QStringLiteral("un texte assez long pour tenir sur plusieurs lignes du mémo"));
    const QRect w = ink(wrapped);
    EXPECT_GE(w.left(), boxPx.left());
    EXPECT_LE(w.right(), boxPx.right());
    EXPECT_GE(w.top(), boxPx.top());
    EXPECT_GT(w.height(), 3 * 10.0 / 72.0 * dpi); // several lines
    // a word longer than the box is broken rather than overflowing
    EXPECT_LE(ink(paintMemo(QString(80, u'W'))).right(), boxPx.right());

    // CR LF and LF both break a line, and lines that do not fit the box's height are left out
    const QRect two = ink(paintMemo(QStringLiteral("ABC\r\nDEF\nGHI")));
    EXPECT_LT(two.width(), 0.6 * dpi);
    EXPECT_GT(two.height(), 2 * 10.0 / 72.0 * dpi);
    const QRect many = ink(paintMemo(QString(QStringLiteral("ligne\n")).repeated(40)));
    EXPECT_LE(many.bottom(), boxPx.bottom());
}

TEST(ReportPaint, ABitmapFitsInsideItsBoxKeepingItsProportionsAtTheTopLeft)
{
    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("logo.bmp"));
    QImage logo(200, 100, QImage::Format_RGB32);
    logo.fill(Qt::black);
    ASSERT_TRUE(logo.save(bmp));
    struct Case
    {
        QSizeF box;
        QSize expected; // at 100 dpi
    };
    for (const Case& k : {Case{{2.0, 2.0}, {200, 100}}, Case{{4.0, 1.0}, {200, 100}}, Case{{1.0, 3.0}, {100, 50}},
                          Case{{6.0, 6.0}, {600, 300}}}) {
        Page page;
        place(page, ComponentClass::Bitmap, 1.0, 1.5, k.box.width(), k.box.height()).bitmap().fileLink = bmp;
        EXPECT_EQ(ink(render(page, 100)), QRect(QPoint(100, 150), k.expected));
    }
    Page missing;
    place(missing, ComponentClass::Bitmap, 1.0, 1.0, 1.0, 1.0).bitmap().fileLink = dir.filePath("absent.bmp");
    EXPECT_TRUE(ink(render(missing, 100)).isNull());
}

TEST(ReportPaint, ThePdfIsThePaperWithTheTextsOfEveryComponent)
{
    Page page(QSizeF(8.5, 11.0));
    place(page, ComponentClass::Text, 1.0, 1.0, 0.2, 0.2).text().text = QStringLiteral("Modéle : Avery");
    place(page, ComponentClass::Memo, 1.0, 2.0, 3.0, 1.0).memo().text = QStringLiteral("premiere\r\nseconde");
    place(page, ComponentClass::Barcode, 1.0, 4.0, 3.0, 1.0).barcode().text = kCode;
    place(page, ComponentClass::Rectangle, 0.5, 0.5, 7.5, 10.0);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
    exportPdf(execute(page), pdf);

    QProcess text;
    text.start(QStringLiteral("pdftotext"),
               {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    for (const QString& s :
         {QStringLiteral("Modéle : Avery"), QStringLiteral("premiere"), QStringLiteral("seconde"), kCode})
        EXPECT_TRUE(out.contains(s)) << s.toStdString() << " in " << out.toStdString();

    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    ASSERT_TRUE(info.waitForFinished(30000));
    EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput()).contains(QStringLiteral("612 x 792 pts")));
}

TEST(ReportPaint, AFailedExportReportsItAndLeavesNoFile)
{
    Page page;
    const ExecutedPage executed = execute(page);
    EXPECT_THROW(exportPng(executed, QStringLiteral("/nonexistent-folder/page.png"), 96), Error);
    EXPECT_THROW(exportPdf(executed, QStringLiteral("/nonexistent-folder/page.pdf")), Error);
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("page.png"));
    EXPECT_THROW(exportPng(executed, png, 0), Error);
    EXPECT_THROW(exportPng(executed, png, 1e6), Error);
    EXPECT_FALSE(QFile::exists(png));
}

// Rounded outlines of every border width and style, for any size, are drawn where the square ones are,
// with their corners cut; the page is the only image that painting them takes.
TEST(ReportPaint, RoundedOutlinesAreDrawnAtAnySizeWithoutAnImageOfTheirOwn)
{
    struct Case
    {
        double side; // inches
        double dpi;
        int borderWidth;
        BorderStyle style;
    };
    for (const Case& k : {Case{2.0, 200, 1, BorderStyle::Solid}, Case{2.0, 288, 3, BorderStyle::Dot},
                          Case{2.0, 150, 0, BorderStyle::DashDot}, Case{118.0, 30, 1, BorderStyle::Solid}, // 3000 mm
                          Case{393.0, 8, 2, BorderStyle::Solid}}) { // near 10 000 mm
        SCOPED_TRACE(k.side * 1000 + k.dpi);
        Page page(QSizeF(k.side + 1.0, k.side + 1.0));
        Component& r = place(page, ComponentClass::Rectangle, 0.5, 0.5, k.side, k.side);
        r.rectangle().borderWidth = k.borderWidth;
        r.rectangle().borderStyle = k.style;
        r.rectangle().hRadius = k.side / 8;
        r.rectangle().vRadius = k.side / 8;
        const long before = resetPeakResidentKb();
        const QImage img = render(page, k.dpi);
        const long pageKb = long(img.sizeInBytes() / 1024);
        // no more than the page itself and a little of the painter's work
        if (before > 0) {
            EXPECT_LT(peakResidentKb() - before, pageKb + 16 * 1024);
        }
        const int edge = int(std::round(0.5 * k.dpi)), far = int(std::round((0.5 + k.side) * k.dpi));
        const int mid = (edge + far) / 2;
        EXPECT_FALSE(dark(img, edge + 1, edge + 1)); // the corner is cut
        EXPECT_FALSE(ink(img, QRect(QPoint(edge - 3, mid - 30), QPoint(edge + 3, mid + 30))).isNull());
        EXPECT_FALSE(ink(img, QRect(QPoint(mid - 30, far - 3), QPoint(mid + 30, far + 3))).isNull());
        EXPECT_TRUE(ink(img, QRect(QPoint(edge + 10, mid - 10), QPoint(far - 10, mid + 10))).isNull());
    }
}

// The largest page there is, seen through a small window at resolutions far past any device's, as a
// zoomed preview does: components a long way off the window are left out, the near ones drawn where they are.
TEST(ReportPaint, TheLargestPageIsPaintedAtAnyZoomWithoutLosingItsPlace)
{
    const double side = 393.0; // near 10 000 mm
    Page page(QSizeF(side, side));
    for (const double at : {0.5, side - 3.0}) {
        Component& r = place(page, ComponentClass::Rectangle, at, at, 2.5, 1.0);
        r.rectangle().hRadius = r.rectangle().vRadius = 0.2;
        r.rectangle().borderWidth = 0; // a hairline at any zoom
        place(page, ComponentClass::Barcode, at, at + 1.2, 2.5, 0.7).barcode().text = kCode;
        place(page, ComponentClass::Text, at, at + 2.0, 2.0, 0.3).text().text = QStringLiteral("Lot");
    }
    const ExecutedPage executed = execute(page);
    for (const double unitsPerInch : {1200.0, 1200.0 * 64, 1e7, 1e9}) {
        SCOPED_TRACE(unitsPerInch);
        QImage img(200, 200, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter painter(&img);
        // the window shows the straight top edge of the first rectangle, past its rounded corner
        painter.translate(-(0.5 + 0.3) * unitsPerInch + 100, -0.5 * unitsPerInch + 100);
        paintPage(painter, executed, unitsPerInch);
        painter.end();
        if (unitsPerInch <= 1e7) { // beyond, it is enough that nothing breaks
            EXPECT_TRUE(dark(img, 150, 100));
            EXPECT_FALSE(dark(img, 150, 90));
            EXPECT_FALSE(dark(img, 150, 110));
        }
    }
}

// Code 128 symbols of several widths, at whole and fractional positions, too low for their text:
// their pixels at the resolutions of a screen, a label printer and an export, and through the
// printer path at 300 dots, are the fixtures' (drawn by this painter once bars were fitted to whole
// dots with their quiet zones), so that printed labels never change behind the operator.
TEST(ReportPaint, Code128SymbolsKeepTheirPixels)
{
    Page page(QSizeF(6.0, 2.0));
    struct Symbol
    {
        double left, top, width;
        QString text;
    };
    const Symbol symbols[] = {{0.5, 0.25, 2.5, kCode},
                              {3.237, 0.25, 33.0 / 25.4, kCode},
                              {0.5, 0.8, 1.1, QStringLiteral("Lot 12")},
                              {2.013, 0.8, 0.7, QStringLiteral("Modéle")},
                              {3.3, 0.8, 2.2, QStringLiteral("0123456789012345")},
                              {0.5, 1.4, 5.0, kCode}};
    for (const Symbol& s : symbols)
        place(page, ComponentClass::Barcode, s.left, s.top, s.width, 0.15).barcode().text = s.text;
    const ExecutedPage executed = execute(page);

    const auto expectFixture = [](const QImage& painted, const QString& name) {
        SCOPED_TRACE(name.toStdString());
        const QImage expected(test::fixture(QStringLiteral("labels/code128/") + name));
        ASSERT_FALSE(expected.isNull());
        const QImage grey = painted.convertToFormat(QImage::Format_Grayscale8);
        ASSERT_EQ(grey.size(), expected.size());
        int differing = 0;
        for (int y = 0; y < grey.height(); ++y)
            for (int x = 0; x < grey.width(); ++x)
                differing += qGray(grey.pixel(x, y)) != qGray(expected.pixel(x, y));
        EXPECT_EQ(differing, 0);
    };
    for (const int dpi : {96, 203, 300, 600})
        expectFixture(renderImage(executed, dpi), QStringLiteral("code128-%1dpi.png").arg(dpi));
    QImage printed(1800, 600, QImage::Format_RGB32);
    printed.fill(Qt::white);
    {
        QPainter painter(&printed);
        painter.scale(0.25, 0.25); // not a raster of the painter's units: the path of a printer
        paintPage(painter, executed, 1200, 300);
    }
    expectFixture(printed, QStringLiteral("code128-printer300dpi.png"));
}
