#include "samplecode.h"
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "base/error.h"
#include "labels/pagestream.h"
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
    Component& b = page.create(ComponentClass::Code128BarCode, QStringLiteral("Code"));
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
    names << page.create(ComponentClass::Code128BarCode, QStringLiteral("Etq")).name;
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

TEST(ReportStream, ExecutionCarriesEveryComponentWithItsBarcodeAndBitmapResolved)
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

    const ExecutedPage e = ExecutedPage::read(execute(page));
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
    EXPECT_EQ(c[3].symbol.modules, 211);
    EXPECT_EQ(c[3].symbol.humanReadable, kCode);
    ASSERT_EQ(e.images().size(), 1u);
    EXPECT_EQ(e.images()[0]->image().size(), QSize(40, 20));
    EXPECT_EQ(e.images()[0]->image().pixel(5, 5), QColor(Qt::red).rgb());
    EXPECT_EQ(c[4].image, 0);
    EXPECT_EQ(c[5].image, 0);
    EXPECT_EQ(c[6].image, -1);
}

TEST(ReportStream, TheBitmapIsReadAtExecutionSoALaterChangeOfTheFileIsSeenByTheNextExecutionOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("logo.png"));
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(path));
    Page page;
    page.create(ComponentClass::Bitmap, QStringLiteral("Logo")).bitmap().fileLink = path;
    const QByteArray first = execute(page);

    QImage wider(30, 10, QImage::Format_RGB32);
    wider.fill(Qt::green);
    ASSERT_TRUE(wider.save(path));
    EXPECT_EQ(ExecutedPage::read(first).images()[0]->image().size(), QSize(10, 10));
    EXPECT_EQ(ExecutedPage::read(execute(page)).images()[0]->image().size(), QSize(30, 10));

    ASSERT_TRUE(QFile::remove(path));
    EXPECT_TRUE(ExecutedPage::read(execute(page)).images().empty());
    // a file that is not an image reads as empty too
    QFile junk(path);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not an image");
    junk.close();
    EXPECT_EQ(ExecutedPage::read(execute(page)).components()[0].image, -1);
}

TEST(ReportStream, DescriptionValuesOutsideTheStreamsRangeStillGiveAReadableStream)
{
    Page page(QSizeF(-1.0, 0.0)); // no usable paper: A4
    Component& r = page.create(ComponentClass::Rectangle, QStringLiteral("R"));
    r.top = std::numeric_limits<double>::quiet_NaN();
    r.width = 1e9;
    r.rectangle().borderWidth = -4;
    page.create(ComponentClass::Text, QStringLiteral("T")).text().fontHeightPx = -20;
    const ExecutedPage e = ExecutedPage::read(execute(page));
    EXPECT_NEAR(e.paperInches().width(), 210 / 25.4, 1e-6);
    EXPECT_EQ(e.components()[0].box.top(), 0.0);
    EXPECT_EQ(e.components()[0].borderWidth, 0);
    EXPECT_EQ(e.components()[1].fontHeightPx, -20);
}

TEST(ReportStream, ACorruptedStreamGivesAnErrorNeverACrash)
{
    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("logo.bmp"));
    QImage logo(8, 4, QImage::Format_RGB32);
    logo.fill(Qt::black);
    ASSERT_TRUE(logo.save(bmp));
    const QByteArray good = execute(everyClass(bmp));
    ASSERT_NO_THROW(ExecutedPage::read(good));

    auto expectError = [](const QByteArray& bytes, const char* what) {
        try {
            ExecutedPage::read(bytes);
            ADD_FAILURE() << what;
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), corruptedStreamMessage()) << what;
        }
    };
    // every truncation, and bytes after the end
    for (qsizetype n = 0; n < good.size(); ++n)
        expectError(good.left(n), "truncated");
    expectError(good + QByteArray(1, '\0'), "trailing byte");
    // counts and lengths that lie: the image count, then a huge string length
    QByteArray lie = good;
    lie[22] = char(0xFF);
    lie[23] = char(0x7F);
    expectError(lie, "image count");
    expectError(QByteArray("PLRS") + QByteArray(100, char(0xFF)), "all ones");

    // random damage either reads or fails cleanly
    QRandomGenerator rng(1234);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bad = good;
        for (int k = 0; k < 1 + round % 4; ++k)
            bad[rng.bounded(int(bad.size()))] = char(rng.bounded(256));
        try {
            ExecutedPage::read(bad);
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), corruptedStreamMessage());
        }
    }
}
