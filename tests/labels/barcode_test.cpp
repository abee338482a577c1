#include "samplecode.h"
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

#include "labels/barcode.h"
#include "labels/executedpage.h"
#include "labels/exporter.h"
#include "labels/painter.h"
#include "labels/reportpage.h"
#include "labels/symbologies.h"
#include "support/testsupport.h"

using namespace pelorin;
using namespace pelorin::report;

namespace {

using pelorin::test::kCode;

// zxing-cpp's Python module, as the distribution installs it: for its own interpreter
const QString kPython = QStringLiteral("/usr/bin/python3");

bool haveZxing()
{
    QProcess p;
    p.start(kPython, {QStringLiteral("-c"), QStringLiteral("import zxingcpp, numpy")});
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// "<format> <text>" for every symbol zxing-cpp finds in the image; "<format> <symbology identifier>
// <text>" with `identifiers` (GS1 data is told by its identifier, "]C1" or "]d2").
QStringList zxingRead(const QImage& image, bool identifiers = false)
{
    QTemporaryDir dir;
    const QString pgm = dir.filePath(QStringLiteral("page.pgm"));
    if (!image.convertToFormat(QImage::Format_Grayscale8).save(pgm, "PGM"))
        return {QStringLiteral("cannot write ") + pgm};
    const QString script = QStringLiteral(R"(
import re, sys, numpy, zxingcpp
data = open(sys.argv[1], 'rb').read()
m = re.match(rb'P5\s+(\d+)\s+(\d+)\s+\d+\s', data)
w, h = int(m.group(1)), int(m.group(2))
img = numpy.frombuffer(data, dtype=numpy.uint8, count=w * h, offset=m.end()).reshape(h, w)
for r in zxingcpp.read_barcodes(img):
    print(r.format.name + ' ' + (r.symbology_identifier + ' ' if sys.argv[2] == '1' else '') + r.text)
)");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8"));
    p.setProcessEnvironment(env);
    p.start(kPython, {QStringLiteral("-c"), script, pgm, identifiers ? QStringLiteral("1") : QStringLiteral("0")});
    p.waitForFinished(60000);
    QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    const QByteArray err = p.readAllStandardError();
    if (!err.isEmpty())
        out << QStringLiteral("stderr: ") + QString::fromUtf8(err);
    return out;
}

bool isWhole(double v)
{
    return v == std::floor(v);
}

// The bounding box of the dark pixels inside `area`; empty when there are none.
QRect inkIn(const QImage& img, QRect area)
{
    area &= img.rect();
    int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(img.pixel(x, y)) < 128)
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    return x1 < 0 ? QRect() : QRect(QPoint(x0, y0), QPoint(x1, y1));
}

} // namespace

TEST(BarcodeSymbology, Code128IsTheDefaultAndItsBarsAreWholeModulesAcrossTheSymbolsHeight)
{
    EXPECT_EQ(BarcodeProps().symbology, kCode128);
    QString refusal;
    const BarcodeSymbol s = encodeBarcode(kCode128, kCode, &refusal);
    EXPECT_TRUE(refusal.isEmpty()) << refusal.toStdString();
    EXPECT_EQ(s.symbology, kCode128);
    EXPECT_EQ(s.modules, 211);
    EXPECT_FALSE(s.fixedRatio); // the bars take the box's height
    EXPECT_EQ(s.humanReadable, kCode);
    // a start character, the data and check characters of 11 modules with 3 bars each, a stop of
    // 13 modules with 4 bars
    ASSERT_EQ((s.modules - 13) % 11, 0);
    EXPECT_EQ(s.rects.size(), size_t((s.modules - 13) / 11 * 3 + 4));
    double end = 0.0;
    for (const ModuleRect& r : s.rects) {
        EXPECT_TRUE(isWhole(r.x) && isWhole(r.width)) << r.x << " " << r.width;
        EXPECT_GE(r.width, 1.0);
        EXPECT_LE(r.width, 4.0);
        // left to right, a space of 1 to 4 modules between bars
        EXPECT_LE(r.x - end, 4.0);
        EXPECT_TRUE(r.x == 0.0 || r.x - end >= 1.0) << r.x;
        EXPECT_EQ(r.y, 0.0);
        EXPECT_EQ(r.height, s.height);
        end = r.x + r.width;
    }
    EXPECT_EQ(s.rects.front().x, 0.0);
    EXPECT_EQ(end, 211.0); // the stop ends with a bar
}

TEST(BarcodeSymbology, TwoDimensionalSymbolsAreGridsOfWholeModulesOfFixedProportions)
{
    // a QR Code is always square; Data Matrix takes a rectangle, wider than high, when it holds the
    // code in fewer modules
    for (const auto& [symbology, square] : {std::pair{kQrCode, true}, std::pair{kDataMatrix, false}}) {
        SCOPED_TRACE(symbology.zintId);
        const BarcodeSymbol s = encodeBarcode(symbology, kCode);
        ASSERT_FALSE(s.isEmpty());
        EXPECT_EQ(s.symbology, symbology);
        EXPECT_TRUE(s.fixedRatio);
        EXPECT_TRUE(s.humanReadable.isEmpty());
        EXPECT_GE(s.modules, 10);
        if (square)
            EXPECT_EQ(s.height, double(s.modules));
        else
            EXPECT_LT(s.height, double(s.modules));
        EXPECT_TRUE(isWhole(s.height));
        for (const ModuleRect& r : s.rects) {
            EXPECT_TRUE(isWhole(r.x) && isWhole(r.y) && isWhole(r.width) && isWhole(r.height));
            EXPECT_LE(r.x + r.width, s.modules);
            EXPECT_LE(r.y + r.height, s.height);
        }
    }
}

TEST(BarcodeSymbology, WhatCannotBeEncodedGivesAnEmptySymbolWithItsReasonAndDrawsNothing)
{
    struct Case
    {
        const char* what;
        Symbology symbology;
        QString text;
    };
    const Case cases[] = {
        {"empty", kCode128, QString()},
        {"outside Latin-1", kCode128, QStringLiteral("Code€1")},
        {"outside Latin-1, 2-D", kQrCode, QStringLiteral("Lot œ")},
        {"too long", kCode128, QString(200, u'A')},
        {"no such symbology", Symbology{9999}, kCode},
        {"drawn with hexagons", Symbology{57}, kCode}, // MaxiCode
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString refusal;
        const BarcodeSymbol s = encodeBarcode(c.symbology, c.text, &refusal);
        EXPECT_TRUE(s.isEmpty());
        EXPECT_FALSE(refusal.isEmpty());

        Page page(QSizeF(3.0, 2.0));
        Component& b = page.create(ComponentClass::Barcode, QStringLiteral("Code"));
        b.left = 0.5, b.top = 0.5, b.width = 2.0, b.height = 1.0;
        b.barcode().symbology = c.symbology;
        b.barcode().text = c.text;
        const QImage img = renderImage(execute(page), 100);
        EXPECT_TRUE(inkIn(img, img.rect()).isNull());
    }
}

// The page model carries 2-D symbols as it carries Code 128: a page holding a QR Code and a Data
// Matrix, painted, is read back by two independent readers.
TEST(BarcodeSymbology, APageOfQrCodeAndDataMatrixSymbolsPaintsWhatReadersDecode)
{
    const QString lot = QStringLiteral("Lot 12 / 125-25");
    Page page(QSizeF(5.0, 2.0));
    Component& qr = page.create(ComponentClass::Barcode, QStringLiteral("Qr"));
    qr.left = 0.5, qr.top = 0.5, qr.width = 1.8, qr.height = 1.0; // wider than high: kept square
    qr.barcode().symbology = kQrCode;
    qr.barcode().text = kCode;
    Component& dm = page.create(ComponentClass::Barcode, QStringLiteral("Dm"));
    dm.left = 3.0, dm.top = 0.5, dm.width = 0.8, dm.height = 1.0; // higher than wide: kept square
    dm.barcode().symbology = kDataMatrix;
    dm.barcode().text = lot;
    const ExecutedPage executed = execute(page);

    const double dpi = 300;
    QImage image(int(5.0 * dpi), int(2.0 * dpi), QImage::Format_RGB32);
    {
        QPainter painter(&image);
        paintPage(painter, executed, dpi);
    }

    // square symbols of whole pixels per module, centred in the box with their quiet zones inside it
    // (four modules for a QR Code, one for a Data Matrix)
    for (const auto& [c, box, quiet] : {std::tuple{&executed.components()[0], QRect(150, 150, 540, 300), 4},
                                        std::tuple{&executed.components()[1], QRect(900, 150, 240, 300), 1}}) {
        SCOPED_TRACE(c->symbol.symbology.zintId);
        const QRect symbol = inkIn(image, box.adjusted(-20, -20, 20, 20));
        EXPECT_EQ(symbol.width(), symbol.height());
        ASSERT_EQ(symbol.width() % c->symbol.modules, 0);
        const int module = symbol.width() / c->symbol.modules;
        const int span = c->symbol.modules + 2 * quiet;
        // the largest whole module that fits the box's narrower side with the quiet zones
        EXPECT_LE(span * module, std::min(box.width(), box.height()));
        EXPECT_GT(span * (module + 1), std::min(box.width(), box.height()));
        const int left = symbol.left() - box.left(), right = box.right() - symbol.right();
        const int top = symbol.top() - box.top(), bottom = box.bottom() - symbol.bottom();
        EXPECT_NEAR(left, right, 1);
        EXPECT_NEAR(top, bottom, 1);
        EXPECT_GE(std::min({left, right, top, bottom}), quiet * module - 1);
    }

    if (test::haveZbar()) {
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("page.png"));
        ASSERT_TRUE(image.save(png));
        EXPECT_EQ(test::zbarRead(png), QStringList{kCode}); // zbar reads no Data Matrix
    }
    if (!haveZxing())
        GTEST_SKIP() << "zxing-cpp for Python is not installed";
    const QStringList read = zxingRead(image);
    EXPECT_EQ(QSet<QString>(read.begin(), read.end()),
              (QSet<QString>{QStringLiteral("QRCode ") + kCode, QStringLiteral("DataMatrix ") + lot}))
        << read.join(u'|').toStdString();
}

// GS1 data composed from the code, a GTIN as EAN-13 and a GS1 Data Matrix, painted at a label
// printer's resolution, read back by both readers with their identifiers.
TEST(BarcodeSymbology, Gs1AndEan13SymbolsReadBackWithTheirIdentifiers)
{
    const QString gs1 = gs1EncoderText(gs1FromCode(kCode, QStringLiteral("5901234123457")));
    struct Placed
    {
        Symbology symbology;
        QString text;
        QRectF box; // inches
    };
    const Placed placed[] = {
        {kGs1_128, gs1, QRectF(0.3, 0.3, 3.6, 0.8)},
        {kEan13, QStringLiteral("590123412345"), QRectF(0.3, 1.5, 1.6, 0.8)},
        {kGs1DataMatrix, gs1, QRectF(2.5, 1.5, 0.8, 0.8)},
    };
    Page page(QSizeF(4.5, 2.6));
    for (const Placed& p : placed) {
        Component& c = page.create(ComponentClass::Barcode, QStringLiteral("Code"));
        c.left = p.box.left(), c.top = p.box.top(), c.width = p.box.width(), c.height = p.box.height();
        c.barcode().symbology = p.symbology;
        c.barcode().text = p.text;
    }
    const ExecutedPage executed = execute(page);
    for (const ExecutedComponent& c : executed.components())
        ASSERT_FALSE(c.symbol.isEmpty()) << c.symbol.symbology.zintId;
    // GS1-128 is Code 128 whose first character is FNC1; its line under the bars shows the identifiers
    // day 339 of 2006 is 5 December, 250 g are 0.250 kg, the lot is the code's last 13 characters
    EXPECT_EQ(executed.components()[0].symbol.humanReadable,
              QStringLiteral("(01)05901234123457(11)061205(3103)000250(10)LAV5930033906"));
    // what readers give: the element strings one after the other, the variable lot last
    const QString elementStrings = QStringLiteral("0105901234123457"
                                                  "11061205"
                                                  "3103000250"
                                                  "10LAV5930033906");
    EXPECT_EQ(executed.components()[1].symbol.humanReadable, QStringLiteral("5901234123457"));
    const QImage image = renderImage(executed, 300);

    if (test::haveZbar()) {
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("page.png"));
        ASSERT_TRUE(image.save(png));
        const QStringList read = test::zbarRead(png);
        EXPECT_EQ(QSet<QString>(read.begin(), read.end()),
                  (QSet<QString>{elementStrings, QStringLiteral("5901234123457")}))
            << read.join(u'|').toStdString();
    }
    if (!haveZxing())
        GTEST_SKIP() << "zxing-cpp for Python is not installed";
    // one symbol at a time: this zxing-cpp aborts when it compares a 1-D result with a 2-D one
    // "]C1" and "]d2" are GS1-128 and GS1 Data Matrix: the symbol starts with FNC1
    const QString expected[] = {QStringLiteral("Code128 ]C1 ") + elementStrings,
                                QStringLiteral("EAN13 ]E0 5901234123457"),
                                QStringLiteral("DataMatrix ]d2 ") + elementStrings};
    for (int i = 0; i < 3; ++i) {
        const QRectF& box = placed[i].box;
        const QRect area(int((box.left() - 0.2) * 300), int((box.top() - 0.2) * 300), int((box.width() + 0.4) * 300),
                         int((box.height() + 0.4) * 300));
        const QStringList read = zxingRead(image.copy(area), true);
        EXPECT_EQ(read, QStringList{expected[i]}) << read.join(u'|').toStdString();
    }
}
