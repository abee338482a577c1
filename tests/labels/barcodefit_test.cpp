// Barcodes fitted to a printer's dots: pages rendered at the resolutions of a thermal printer, an
// office printer and a fine one, their bars measured on the pixels (independently of the painter),
// graded, compared with what the check predicted, and read back by zbarimg, sharp and blurred.
#include "samplecode.h"
#include "support/testsupport.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "labels/barcodecheck.h"
#include "labels/exporter.h"
#include "labels/executedpage.h"
#include "labels/reportpage.h"

using namespace pelorin;
using namespace pelorin::report;

namespace {

using pelorin::test::kCode;

// The alternating dark and light runs of one pixel row, from its first dark pixel to its last
// within [fromX, toX): the element widths a verifier measures on a scan line.
std::vector<double> measuredElements(const QImage& img, int y, int fromX, int toX)
{
    const auto dark = [&](int x) { return qGray(img.pixel(x, y)) < 128; };
    int x = fromX, last = toX - 1;
    while (x < toX && !dark(x))
        ++x;
    while (last > x && !dark(last))
        --last;
    std::vector<double> widths;
    while (x <= last) {
        const bool d = dark(x);
        int n = 0;
        while (x <= last && dark(x) == d)
            ++x, ++n;
        widths.push_back(n);
    }
    return widths;
}

// The nominal element widths of a linear symbol, from its bars.
std::vector<int> nominalElements(const BarcodeSymbol& symbol)
{
    std::vector<ModuleRun> bars;
    for (const ModuleRect& r : symbol.rects)
        bars.push_back({int(std::lround(r.x)), int(std::lround(r.width))});
    std::sort(bars.begin(), bars.end(), [](const ModuleRun& a, const ModuleRun& b) { return a.start < b.start; });
    return elementModules(bars);
}

// A laser printer's toner and a scanner's optics both spread each dot over its neighbours: a
// Gaussian of `sigmaMm`, whatever the resolution.
QImage blurred(const QImage& image, double sigmaMm)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const double sigma = sigmaMm * image.dotsPerMeterX() / 1000.0;
    const int reach = std::max(1, int(std::ceil(3 * sigma)));
    std::vector<double> kernel(size_t(2 * reach + 1));
    double total = 0.0;
    for (int i = -reach; i <= reach; ++i)
        total += kernel[size_t(i + reach)] = std::exp(-i * i / (2 * sigma * sigma));
    for (double& k : kernel)
        k /= total;
    const int w = grey.width(), h = grey.height();
    std::vector<double> across(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const uchar* row = grey.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            double v = 0.0;
            for (int i = -reach; i <= reach; ++i)
                v += kernel[size_t(i + reach)] * row[std::clamp(x + i, 0, w - 1)];
            across[size_t(y) * size_t(w) + size_t(x)] = v;
        }
    }
    QImage out(grey.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y) {
        uchar* o = out.scanLine(y);
        for (int x = 0; x < w; ++x) {
            double v = 0.0;
            for (int i = -reach; i <= reach; ++i)
                v += kernel[size_t(i + reach)] * across[size_t(std::clamp(y + i, 0, h - 1)) * size_t(w) + size_t(x)];
            o[x] = uchar(std::lround(v));
        }
    }
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    return out;
}

struct Label
{
    double boxMm;
    int dpi;
};

TEST(BarcodeFit, TheGradeMeasuredOnThePrintedPixelsIsTheOneTheCheckPredicted)
{
    // the 65-label sheet's narrow 33 mm box (on a 38,1 x 21,2 mm label) and a 100 x 50 mm label's
    // wide 80 mm one, at 203, 300 and 600 dpi
    const Label labels[] = {{33.0, 203}, {33.0, 300}, {33.0, 600}, {80.0, 203}, {80.0, 300}, {80.0, 600}};
    QTemporaryDir dir;
    for (const Label& l : labels) {
        SCOPED_TRACE(testing::Message() << l.boxMm << " mm at " << l.dpi << " dpi");
        const double labelMm = l.boxMm < 50 ? 38.1 : 100.0;
        Page page(QSizeF(labelMm / 25.4, 21.2 / 25.4));
        Component& c = page.create(ComponentClass::Barcode, QStringLiteral("Code"));
        c.left = (labelMm - l.boxMm) / 2 / 25.4, c.top = 3.0 / 25.4, c.width = l.boxMm / 25.4, c.height = 12.0 / 25.4;
        c.barcode().text = kCode;
        const ExecutedPage executed = execute(page);

        const PageReport report = checkPage(executed, l.dpi);
        ASSERT_EQ(report.barcodes.size(), 1u);
        const BarcodeReport& predicted = report.barcodes.front();
        EXPECT_EQ(predicted.modules, 211);
        const QString png = dir.filePath(QStringLiteral("label-%1-%2.png").arg(l.boxMm).arg(l.dpi));
        exportPng(executed, png, l.dpi);
        const QImage image(png);
        ASSERT_FALSE(image.isNull());
        const int y = int((3.0 + 2.0) / 25.4 * l.dpi);
        const std::vector<double> measured = measuredElements(image, y, 0, image.width());

        if (!predicted.drawn) {
            // nothing that looks like a code: the check says so, with the box that would do
            EXPECT_EQ(predicted.grade, Grade::F);
            EXPECT_GT(predicted.minimumBoxMm, l.boxMm);
            EXPECT_LT(measured.size(), 20u); // the placeholder's few strokes, not a symbol's 131 elements
            if (test::haveZbar()) {
                EXPECT_TRUE(test::zbarRead(png).isEmpty());
            }
            // the box it names is enough
            c.width = predicted.minimumBoxMm / 25.4;
            c.left = 0.0;
            page.setPaperInches(QSizeF(c.width, 21.2 / 25.4));
            const PageReport widened = checkPage(execute(page), l.dpi);
            EXPECT_TRUE(widened.barcodes.front().drawn);
            EXPECT_EQ(widened.barcodes.front().grade, Grade::A);
            continue;
        }
        // the measured elements are the symbol's, each a whole number of the predicted module
        const std::vector<int> nominal = nominalElements(executed.components().front().symbol);
        ASSERT_EQ(measured.size(), nominal.size());
        for (size_t i = 0; i < measured.size(); ++i)
            EXPECT_EQ(measured[i], nominal[i] * predicted.moduleDots) << i;
        const double decodability = code128Decodability(nominal, measured);
        EXPECT_EQ(decodabilityGrade(decodability), predicted.grade) << decodability;
        EXPECT_LE(predicted.grade, Grade::B);
        EXPECT_GE(predicted.moduleMm, 0.125 - 1e-9);
        EXPECT_GE(predicted.quietModules, 10.0 - 1.0 / predicted.moduleDots);
        // the quiet zones measured: from the box's edges to the first and last bar
        int first = 0, last = image.width() - 1;
        while (qGray(image.pixel(first, y)) >= 128)
            ++first;
        while (qGray(image.pixel(last, y)) >= 128)
            --last;
        const double boxLeft = c.left * l.dpi, boxRight = (c.left + c.width) * l.dpi;
        EXPECT_GE((first - boxLeft) / predicted.moduleDots, 10.0 - 1.0 / predicted.moduleDots);
        EXPECT_GE((boxRight - (last + 1)) / predicted.moduleDots, 10.0 - 1.0 / predicted.moduleDots);

        if (test::haveZbar()) {
            EXPECT_EQ(test::zbarRead(png), QStringList{kCode});
            const QString soft = dir.filePath(QStringLiteral("blurred-%1-%2.png").arg(l.boxMm).arg(l.dpi));
            ASSERT_TRUE(blurred(image, 0.04).save(soft));
            EXPECT_EQ(test::zbarRead(soft), QStringList{kCode});
        }
    }
}

TEST(BarcodeFit, TwoDimensionalSymbolsAreGradedOnWholeDotsAndTheirQuietZones)
{
    struct Case
    {
        Symbology symbology;
        double boxMm;
        int dpi;
        bool drawn;
    };
    // kCode in a QR Code is 21 modules and 4 of quiet zone each side; 29 modules of 0.125 mm or
    // more need 3.7 mm at 600 dpi (3 dots), 4.9 mm at 300 (2 dots), 3.6 mm at 203 (1 dot). As a
    // Data Matrix it is 26 modules, and one of quiet zone: 28 of three dots need 3.6 mm at 600 dpi
    const Case cases[] = {
        {kQrCode, 12.0, 300, true},     {kQrCode, 4.0, 300, false}, {kQrCode, 3.5, 600, false},
        {kQrCode, 4.0, 600, true},      {kQrCode, 4.2, 203, true},  {kDataMatrix, 4.0, 600, true},
        {kDataMatrix, 3.5, 600, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.symbology.zintId << " " << k.boxMm << " mm at " << k.dpi);
        Page page(QSizeF(1.0, 1.0));
        Component& c = page.create(ComponentClass::Barcode, QStringLiteral("Code"));
        c.left = 0.1, c.top = 0.1, c.width = k.boxMm / 25.4, c.height = k.boxMm / 25.4;
        c.barcode().symbology = k.symbology;
        c.barcode().text = kCode;
        const ExecutedPage executed = execute(page);
        const BarcodeReport r = checkPage(executed, k.dpi).barcodes.at(0);
        EXPECT_EQ(r.drawn, k.drawn) << r.modules << " " << r.minimumBoxMm;
        EXPECT_EQ(r.quietRequired, quietZoneModules(k.symbology));
        if (!k.drawn) {
            EXPECT_EQ(r.grade, Grade::F);
            EXPECT_GT(r.minimumBoxMm, k.boxMm);
            continue;
        }
        EXPECT_EQ(r.grade, Grade::A);
        EXPECT_TRUE(r.wholeDots);
        EXPECT_GE(r.moduleMm, 0.125 - 1e-9);
        // the symbol on the pixels: whole modules of the predicted dots (a Data Matrix of this code is
        // 26 x 12), its quiet zones inside the box
        const QImage image = renderImage(executed, k.dpi);
        const QRect box(qRound(0.1 * k.dpi), qRound(0.1 * k.dpi), qRound(c.width * k.dpi), qRound(c.width * k.dpi));
        int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
        for (int y = box.top() - 2; y <= box.bottom() + 2; ++y)
            for (int x = box.left() - 2; x <= box.right() + 2; ++x)
                if (qGray(image.pixel(x, y)) < 128)
                    x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
        const int rows = int(std::lround(executed.components().front().symbol.height));
        EXPECT_EQ(x1 - x0 + 1, r.modules * int(r.moduleDots));
        EXPECT_EQ(y1 - y0 + 1, rows * int(r.moduleDots));
        EXPECT_GE(y0 - box.top(), r.quietRequired * r.moduleDots - 1);
        EXPECT_GE(x0 - box.left(), r.quietRequired * r.moduleDots - 1);
        EXPECT_GE(box.right() - x1, r.quietRequired * r.moduleDots - 1);
    }
}

TEST(BarcodeFit, APageAsksForItsOwnMinimumModule)
{
    // a 45 mm box at 300 dpi: two dots, 0.169 mm; a page asking 0.2 mm needs three dots, 58.7 mm
    Page page(QSizeF(3.0, 1.0));
    Component& c = page.create(ComponentClass::Barcode, QStringLiteral("Code"));
    c.left = 0.2, c.top = 0.2, c.width = 45.0 / 25.4, c.height = 0.4;
    c.barcode().text = kCode;
    struct Case
    {
        double minimumMm;
        bool drawn;
        double minimumBoxMm;
    };
    for (const Case& k : {Case{0.125, true, 231 * 2 * 25.4 / 300}, Case{0.2, false, 231 * 3 * 25.4 / 300}}) {
        SCOPED_TRACE(k.minimumMm);
        page.setMinimumModuleMm(k.minimumMm);
        const PageReport r = checkPage(execute(page), 300);
        EXPECT_DOUBLE_EQ(r.minimumModuleMm, k.minimumMm);
        EXPECT_EQ(r.barcodes.at(0).drawn, k.drawn);
        EXPECT_NEAR(r.barcodes.at(0).minimumBoxMm, k.minimumBoxMm, 1e-9);
        EXPECT_EQ(r.scans(), k.drawn);
    }
}

} // namespace
