#include "samplecode.h"
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#include "base/error.h"
#include "labels/executedpage.h"
#include "labels/reportpage.h"

using namespace pelorin;
using namespace pelorin::report;

namespace {

using pelorin::test::kCode;

// One component of every class, with values that differ from the defaults.
Page everyClass(const QString& bitmapPath)
{
    Page page(QSizeF(8.5, 11.0));
    Component& r = page.create(ComponentClass::Rectangle, QStringLiteral("Cadre"));
    r.left = 0.5, r.top = 0.25, r.width = 3.0, r.height = 2.0;
    r.rectangle().borderWidth = 3;
    r.rectangle().borderStyle = BorderStyle::DashDot;
    r.rectangle().hRadius = 0.2;
    r.rectangle().vRadius = 0.1;
    Component& t = page.create(ComponentClass::Text, QStringLiteral("Texte"));
    t.left = 1.0, t.top = 1.0, t.width = 0.2, t.height = 0.2;
    t.text().text = QStringLiteral("Modéle : Avery");
    t.text().fontHeightPx = 8;
    t.text().rotation = 90;
    Component& m = page.create(ComponentClass::Memo, QStringLiteral("Memo"));
    m.memo().text = QStringLiteral("ligne 1\r\nligne 2");
    m.memo().fontHeightPx = 12;
    Component& b = page.create(ComponentClass::Barcode, QStringLiteral("Code"));
    b.barcode().text = kCode;
    Component& i = page.create(ComponentClass::Bitmap, QStringLiteral("Logo"));
    i.bitmap().fileLink = bitmapPath;
    return page;
}

} // namespace

TEST(ReportNames, RepeatedNamesAreNumberedPerClassFromTheFirstFreeNumber)
{
    Page page;
    // a name taken on purpose is skipped by the numbering
    page.create(ComponentClass::Rectangle, QStringLiteral("Rectangle2"));
    QStringList names;
    for (int i = 0; i < 4; ++i)
        names << page.create(ComponentClass::Rectangle, QStringLiteral("Etq")).name;
    names << page.create(ComponentClass::Text, QStringLiteral("Etq")).name;
    names << page.create(ComponentClass::Barcode, QStringLiteral("Etq")).name;
    EXPECT_EQ(names, (QStringList{"Etq", "Rectangle1", "Rectangle3", "Rectangle4", "Text1", "Code128BarCode1"}));

    // a new project starts the numbering again
    page.clear();
    page.create(ComponentClass::Bitmap, QStringLiteral("Logo"));
    EXPECT_EQ(page.create(ComponentClass::Bitmap, QStringLiteral("Logo")).name, QStringLiteral("Bitmap1"));
}

TEST(ReportNames, NamesThatAreNotIdentifiersAreRefusedWithTheEnginesMessage)
{
    for (const QString& name : {QStringLiteral("Nom 1"), QStringLiteral("1abc"), QStringLiteral("Modéle"), QString(),
                                QStringLiteral("a-b")}) {
        Page page;
        try {
            page.create(ComponentClass::Text, name);
            ADD_FAILURE() << "accepted " << name.toStdString();
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), QStringLiteral("''%1'' is not a valid component name").arg(name));
        }
        EXPECT_TRUE(page.components().empty()) << name.toStdString();
    }
    Page page;
    EXPECT_EQ(page.create(ComponentClass::Text, QStringLiteral("_a1_Z")).name, QStringLiteral("_a1_Z"));
}

// Past the 9 999 names of one kind a page can number, the next component is refused in French and
// the page keeps what it had.
TEST(ReportNames, APageOfMoreThan9999ComponentsOfOneKindIsTooLarge)
{
    Page page;
    for (int n = 0; n <= 9999; ++n)
        page.create(ComponentClass::Text, QStringLiteral("Version"));
    EXPECT_EQ(page.components().back()->name, QStringLiteral("Text9999"));
    try {
        page.create(ComponentClass::Text, QStringLiteral("Version"));
        ADD_FAILURE() << "a 10 000th text was numbered";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("page trop grande"))) << e.message().toStdString();
        EXPECT_FALSE(e.message().contains(QStringLiteral("is not a valid component name")));
    }
    EXPECT_EQ(page.components().size(), 10000u);
    // another kind still has its own numbers
    EXPECT_EQ(page.create(ComponentClass::Memo, QStringLiteral("Version")).name, QStringLiteral("Memo1"));
}

TEST(ReportExecute, ExecutionCarriesEveryComponentWithItsBarcodeAndBitmapResolved)
{
    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("logo.bmp"));
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(bmp));

    Page page = everyClass(bmp);
    // the same file twice is carried once; a missing file leaves its image empty
    page.create(ComponentClass::Bitmap, QStringLiteral("Logo")).bitmap().fileLink = bmp;
    page.create(ComponentClass::Bitmap, QStringLiteral("Logo")).bitmap().fileLink = dir.filePath("absent.bmp");

    const ExecutedPage e = execute(page);
    EXPECT_EQ(e.paperInches(), QSizeF(8.5, 11.0));
    ASSERT_EQ(e.components().size(), 7u);
    const auto& c = e.components();
    EXPECT_EQ(c[0].cls, ComponentClass::Rectangle);
    EXPECT_EQ(c[0].box, QRectF(0.5, 0.25, 3.0, 2.0));
    EXPECT_EQ(c[0].borderWidth, 3);
    EXPECT_EQ(c[0].borderStyle, BorderStyle::DashDot);
    EXPECT_DOUBLE_EQ(c[0].hRadius, 0.2);
    EXPECT_DOUBLE_EQ(c[0].vRadius, 0.1);
    EXPECT_EQ(c[1].text, QStringLiteral("Modéle : Avery"));
    EXPECT_EQ(c[1].fontHeightPx, 8);
    EXPECT_EQ(c[1].rotation, 90);
    EXPECT_EQ(c[2].text, QStringLiteral("ligne 1\r\nligne 2"));
    EXPECT_EQ(c[3].symbol.symbology, kCode128); // the component names no symbology
    EXPECT_EQ(c[3].symbol.modules, 211);
    EXPECT_FALSE(c[3].symbol.fixedRatio);
    EXPECT_EQ(c[3].symbol.humanReadable, kCode);
    ASSERT_EQ(e.images().size(), 1u);
    EXPECT_EQ(e.images()[0]->image().size(), QSize(40, 20));
    EXPECT_EQ(e.images()[0]->image().pixel(5, 5), QColor(Qt::red).rgb());
    EXPECT_EQ(c[4].image, 0);
    EXPECT_EQ(c[5].image, 0);
    EXPECT_EQ(c[6].image, -1);
}

TEST(ReportExecute, TheBitmapIsReadAtExecutionSoALaterChangeOfTheFileIsSeenByTheNextExecutionOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("logo.png"));
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(path));
    Page page;
    page.create(ComponentClass::Bitmap, QStringLiteral("Logo")).bitmap().fileLink = path;
    const ExecutedPage first = execute(page);

    QImage wider(30, 10, QImage::Format_RGB32);
    wider.fill(Qt::green);
    ASSERT_TRUE(wider.save(path));
    EXPECT_EQ(first.images()[0]->image().size(), QSize(10, 10));
    EXPECT_EQ(execute(page).images()[0]->image().size(), QSize(30, 10));

    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(execute(page).images().empty());
    // a file that is not an image reads as empty too
    QFile junk(path);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not an image");
    junk.close();
    EXPECT_EQ(execute(page).components()[0].image, -1);
}

TEST(ReportExecute, DescriptionValuesNoDeviceCanDrawAreBroughtWithinReach)
{
    Page page(QSizeF(-1.0, 0.0)); // no usable paper: A4
    Component& r = page.create(ComponentClass::Rectangle, QStringLiteral("R"));
    r.top = std::numeric_limits<double>::quiet_NaN();
    r.width = 1e9;
    r.rectangle().borderWidth = -4;
    page.create(ComponentClass::Text, QStringLiteral("T")).text().fontHeightPx = -20;
    page.create(ComponentClass::Rectangle, QStringLiteral("R")).rectangle().borderWidth = 5000;
    const ExecutedPage e = execute(page);
    EXPECT_NEAR(e.paperInches().width(), 210 / 25.4, 1e-6);
    EXPECT_EQ(e.components()[0].box.top(), 0.0);
    EXPECT_EQ(e.components()[0].box.width(), 1e9);
    EXPECT_EQ(e.components()[0].borderWidth, 0);
    EXPECT_EQ(e.components()[1].fontHeightPx, -20);
    EXPECT_EQ(e.components()[2].borderWidth, kMostBorderWidth);
}

// The preview, the printer and the exports are compared through the executed page: two executions
// of one page are equal, and a change of anything that is drawn makes them differ.
TEST(ReportExecute, PagesAreEqualExactlyWhenTheyDrawTheSame)
{
    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("logo.bmp"));
    const QString other = dir.filePath(QStringLiteral("other.bmp"));
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(bmp));
    logo.setPixel(39, 19, qRgb(254, 0, 0)); // one pixel apart, the same size
    ASSERT_TRUE(logo.save(other));

    const ExecutedPage reference = execute(everyClass(bmp));
    EXPECT_EQ(execute(everyClass(bmp)), reference);

    struct Change
    {
        const char* what;
        std::function<void(Page&)> apply;
    };
    const auto at = [](Page& page, size_t i) -> Component& { return *page.components()[i]; };
    const Change changes[] = {
        {"paper", [](Page& p) { p.setPaperInches(QSizeF(8.5, 11.5)); }},
        {"left", [&](Page& p) { at(p, 0).left += 1e-9; }},
        {"height", [&](Page& p) { at(p, 4).height = 1.0; }},
        {"border width", [&](Page& p) { at(p, 0).rectangle().borderWidth = 2; }},
        {"border style", [&](Page& p) { at(p, 0).rectangle().borderStyle = BorderStyle::Dot; }},
        {"fill", [&](Page& p) { at(p, 0).rectangle().clearFill = false; }},
        {"radius", [&](Page& p) { at(p, 0).rectangle().vRadius = 0.0; }},
        {"text", [&](Page& p) { at(p, 1).text().text = QStringLiteral("Modele : Avery"); }},
        {"font height", [&](Page& p) { at(p, 1).text().fontHeightPx = 9; }},
        {"rotation", [&](Page& p) { at(p, 1).text().rotation = 0; }},
        {"memo", [&](Page& p) { at(p, 2).memo().text = QStringLiteral("ligne 1\nligne 2"); }},
        {"code", [&](Page& p) { at(p, 3).barcode().text = QStringLiteral("B25012515LAV5930033907"); }},
        {"symbology", [&](Page& p) { at(p, 3).barcode().symbology = kQrCode; }},
        {"bitmap pixels", [&](Page& p) { at(p, 4).bitmap().fileLink = other; }},
        {"bitmap missing", [&](Page& p) { at(p, 4).bitmap().fileLink = dir.filePath("absent.bmp"); }},
        {"one more", [](Page& p) { p.create(ComponentClass::Rectangle, QStringLiteral("Encore")); }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        Page page = everyClass(bmp);
        change.apply(page);
        EXPECT_FALSE(execute(page) == reference);
    }
}
