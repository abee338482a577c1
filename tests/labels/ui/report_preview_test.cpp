#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QPrinterInfo>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "base/error.h"
#include "labels/exporter.h"
#include "labels/executedpage.h"
#include "labels/reportpage.h"
#include "labels/ui/pagepreview.h"
#include "labels/ui/printing.h"
#include "support/testsupport.h"

using namespace pelorin;
using namespace pelorin::report;

namespace {

// A page with a 1-pixel frame and a barcode: what must stay sharp at every zoom.
std::shared_ptr<const ExecutedPage> samplePage()
{
    Page page; // A4
    Component& r = page.create(ComponentClass::Rectangle, QStringLiteral("Cadre"));
    r.left = 1.0, r.top = 1.0, r.width = 3.0, r.height = 2.0;
    Component& b = page.create(ComponentClass::Barcode, QStringLiteral("Code"));
    b.left = 1.0, b.top = 4.0, b.width = 2.5, b.height = 0.7;
    b.barcode().text = QStringLiteral("B25012515LAV5930033906");
    return executeShared(page);
}

void wheel(QWidget* target, Qt::KeyboardModifiers modifiers, int delta)
{
    const QPointF pos(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent event(pos, target->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

} // namespace

TEST(ReportPreview, ZoomStaysBetweenTenAndTwoHundredAndStepsByTen)
{
    PagePreview preview;
    preview.setPage(samplePage());
    struct Step
    {
        double from;
        void (PagePreview::*action)();
        double to;
    };
    for (const Step& s : {Step{195, &PagePreview::zoomIn, 200}, Step{200, &PagePreview::zoomIn, 200},
                          Step{15, &PagePreview::zoomOut, 10}, Step{10, &PagePreview::zoomOut, 10},
                          Step{40, &PagePreview::zoomIn, 50}, Step{50, &PagePreview::zoomOut, 40}}) {
        preview.setZoom(s.from);
        (preview.*s.action)();
        EXPECT_EQ(preview.zoom(), s.to) << s.from;
    }
    preview.setZoom(3);
    EXPECT_EQ(preview.zoom(), 10);
    preview.setZoom(450);
    EXPECT_EQ(preview.zoom(), 200);
}

TEST(ReportPreview, ThePageIsDrawnAtTheZoomWithItsShadowAndScrollBarsWhenLarger)
{
    PagePreview preview;
    preview.resize(400, 300);
    preview.setShadowDepth(3);
    preview.setPage(samplePage());
    preview.show();
    preview.setZoom(40);
    // A4 at 96 pixels per inch and 40 %
    EXPECT_EQ(preview.pageSizePixels(), QSize(317, 449));
    EXPECT_EQ(preview.widget()->size(), QSize(320, 452));
    EXPECT_TRUE(preview.verticalScrollBar()->maximum() > 0);

    preview.zoomToFit();
    const QSize area = preview.maximumViewportSize();
    EXPECT_LE(preview.widget()->width(), area.width());
    EXPECT_LE(preview.widget()->height(), area.height());
    EXPECT_GE(preview.widget()->height(), area.height() - 1); // the page is taller than wide: height binds
    EXPECT_EQ(preview.verticalScrollBar()->maximum(), 0);

    // the shadow lies beyond the page's bottom-right corner, the page itself is white
    const QImage shot = preview.widget()->grab().toImage();
    const QSize page = preview.pageSizePixels();
    EXPECT_EQ(shot.pixelColor(page.width() + 1, page.height() / 2), QColor(Qt::darkGray));
    EXPECT_EQ(shot.pixelColor(page.width() - 2, page.height() - 2), QColor(Qt::white));
}

TEST(ReportPreview, PaintedFromTheComponentsAtEveryZoomSoLinesStaySharp)
{
    PagePreview preview;
    preview.resize(300, 300);
    preview.setShadowDepth(0);
    preview.setPrinterDpi(96);
    preview.setPage(samplePage());
    for (double zoom : {100.0, 200.0}) {
        preview.setZoom(zoom);
        const QImage shot = preview.widget()->grab().toImage();
        const double ppi = 96.0 * zoom / 100.0;
        // the frame's one-pixel edge is zoomed as a whole number of pixels, never a blurred line
        const int x = int(2.0 * ppi), y = int(1.0 * ppi);
        int darkRows = 0;
        for (int dy = -4; dy <= 4; ++dy) {
            const int g = qGray(shot.pixel(x, y + dy));
            EXPECT_TRUE(g == 0 || g == 255) << zoom << " " << dy << " " << g;
            darkRows += g == 0;
        }
        EXPECT_EQ(darkRows, int(zoom / 100.0)) << zoom;
        // fitted to a 96-dpi printer's dots (one a module in this box), at 200 % every dot is two
        // whole pixels: the first bar, two modules wide, is four, from a dot's edge
        if (zoom == 200.0) {
            const int row = int(4.2 * ppi);
            int left = int(1.0 * ppi);
            while (left < shot.width() && qGray(shot.pixel(left, row)) != 0)
                ++left;
            EXPECT_EQ(left % 2, 0);
            for (int dx = 0; dx < 4; ++dx)
                EXPECT_EQ(qGray(shot.pixel(left + dx, row)), 0) << dx;
            EXPECT_EQ(qGray(shot.pixel(left + 4, row)), 255);
        }
    }
}

TEST(ReportPreview, AtOneHundredPercentThePreviewIsTheExportedImagePixelForPixel)
{
    QTemporaryDir dir;
    const QString logo = dir.filePath(QStringLiteral("logo.bmp"));
    QImage img(60, 30, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(logo));
    Page page(QSizeF(4.0, 3.0));
    auto place = [&](ComponentClass cls, double left, double top, double width, double height) -> Component& {
        Component& c = page.create(cls, QStringLiteral("C"));
        c.left = left, c.top = top, c.width = width, c.height = height;
        return c;
    };
    Component& r = place(ComponentClass::Rectangle, 0.1, 0.1, 3.8, 2.8);
    r.rectangle().hRadius = r.rectangle().vRadius = 0.1;
    place(ComponentClass::Rectangle, 0.2, 0.2, 3.6, 2.6).rectangle().borderStyle = BorderStyle::DashDot;
    place(ComponentClass::Text, 0.3, 0.3, 0.1, 0.1).text().text = QStringLiteral("Opérateur 1");
    Component& turned = place(ComponentClass::Text, 3.5, 2.5, 0.1, 0.1);
    turned.text().text = QStringLiteral("Pelorin V2.1.1.7");
    turned.text().rotation = 90;
    turned.text().fontHeightPx = 6;
    place(ComponentClass::Memo, 0.3, 0.6, 1.2, 0.8).memo().text = QStringLiteral("Lot 12\r\nFabriqué en France");
    place(ComponentClass::Barcode, 0.3, 1.6, 2.5, 0.6).barcode().text = QStringLiteral("B25012515LAV5930033906");
    place(ComponentClass::Bitmap, 2.0, 0.5, 1.0, 1.0).bitmap().fileLink = logo;
    const auto executed = executeShared(page);

    // the preview of a page for a printer of the screen's resolution: its barcodes fitted to the
    // same dots as the export's
    PagePreview preview;
    preview.setShadowDepth(0);
    preview.setPrinterDpi(96);
    preview.setPage(executed);
    preview.setZoom(100);
    const QImage shown = preview.widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage exported = renderImage(*executed, 96);
    ASSERT_EQ(shown.size(), exported.size());
    int differing = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            differing += shown.pixel(x, y) != exported.pixel(x, y);
    EXPECT_EQ(differing, 0);
}

TEST(ReportPreview, CtrlWheelZoomsAndAPlainWheelScrolls)
{
    PagePreview preview;
    preview.resize(300, 300);
    preview.setPage(samplePage());
    preview.show();
    preview.setZoom(100);
    QSignalSpy spy(&preview, &PagePreview::zoomChanged);
    wheel(preview.viewport(), Qt::ControlModifier, 120);
    EXPECT_EQ(preview.zoom(), 110);
    wheel(preview.viewport(), Qt::ControlModifier, -120);
    wheel(preview.viewport(), Qt::ControlModifier, -120);
    EXPECT_EQ(preview.zoom(), 90);
    EXPECT_EQ(spy.count(), 3);
    wheel(preview.viewport(), Qt::NoModifier, -120);
    EXPECT_EQ(preview.zoom(), 90);
    EXPECT_GT(preview.verticalScrollBar()->value(), 0);
}

TEST(ReportPreview, ScreenReadersFindThePreviewAndClearingItLeavesNoPage)
{
    PagePreview preview;
    EXPECT_EQ(preview.accessibleName(), QStringLiteral("Aperçu de la page"));
    const auto shown = samplePage();
    preview.setPage(shown);
    EXPECT_EQ(preview.page(), shown);
    EXPECT_GT(preview.pageSizePixels().width(), 0);
    preview.clear();
    EXPECT_EQ(preview.page(), nullptr);
    EXPECT_EQ(preview.pageSizePixels(), QSize(0, 0));
}

TEST(ReportPrinting, WithoutAPrinterNothingIsPrintedAndThePaperIsA4)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "a printer is installed on this machine";
    QTemporaryDir home;
    // QPrinter's PDF fallback would write into the current folder: work in an empty one
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(home.path());
    const QString message = test::errorOf([] { printPage(*samplePage()); });
    QDir::setCurrent(cwd);
    EXPECT_TRUE(QDir(home.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(message, QStringLiteral("Aucune imprimante n'est installée."));
    EXPECT_EQ(noPrinterMessage(), message);
    const QSizeF paper = defaultPrinterPaperInches();
    EXPECT_NEAR(paper.width() * 25.4, 210.0, 0.01);
    EXPECT_NEAR(paper.height() * 25.4, 297.0, 0.01);
}

TEST(ReportPrinting, TheDefaultPrinterPrintsThePageTheExportsDraw)
{
    // test.sh sets up a CUPS queue that turns every job into a PDF file
    const QString outDir = qEnvironmentVariable("PELORIN_TEST_PRINTER_OUT");
    if (qEnvironmentVariableIsEmpty("PELORIN_TEST_PRINTER") || QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "no test printer";
    const QSizeF paper = defaultPrinterPaperInches();
    EXPECT_NEAR(paper.width() * 25.4, 210.0, 0.5); // the queue's A4, upright
    EXPECT_LT(paper.width(), paper.height());

    Page page(paper);
    Component& b = page.create(ComponentClass::Barcode, QStringLiteral("Code"));
    b.left = 1.0, b.top = 1.0, b.width = 2.5, b.height = 0.7;
    b.barcode().text = QStringLiteral("B25012515LAV5930033906");
    Component& t = page.create(ComponentClass::Text, QStringLiteral("Page"));
    t.left = 1.0, t.top = 3.0;
    // other tests print into the same queue: this job is the one whose page holds our own token
    const QString token = QStringLiteral("Modéle : Avery %1").arg(QCoreApplication::applicationPid());
    t.text().text = token;
    const QStringList before = QDir(outDir).entryList(QDir::Files);
    ASSERT_EQ(test::errorOf([&] { printPage(execute(page)); }), QString());

    const auto pdfText = [](const QString& file) {
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
        text.waitForFinished(30000);
        return QString::fromUtf8(text.readAllStandardOutput());
    };
    QString printed;
    QElapsedTimer waited;
    waited.start();
    while (printed.isEmpty() && waited.elapsed() < 120000) {
        QTest::qWait(500);
        for (const QString& f : QDir(outDir).entryList(QDir::Files))
            if (!before.contains(f) && f.endsWith(QStringLiteral(".pdf")) &&
                pdfText(QDir(outDir).filePath(f)).contains(token))
                printed = QDir(outDir).filePath(f);
    }
    ASSERT_FALSE(printed.isEmpty()) << "no job came out of the queue";
    QTest::qWait(1000); // cups-pdf finishes writing
    QTemporaryDir dir;
    QProcess raster;
    raster.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"), QStringLiteral("-singlefile"),
                  printed, dir.filePath(QStringLiteral("printed"))});
    ASSERT_TRUE(raster.waitForFinished(60000));
    if (test::haveZbar()) {
        EXPECT_EQ(test::zbarRead(dir.filePath(QStringLiteral("printed.png"))),
                  QStringList{QStringLiteral("B25012515LAV5930033906")});
    }
    QFile::remove(printed);
}
