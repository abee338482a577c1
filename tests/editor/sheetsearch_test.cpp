#include "editor/sheetsearch.h"

#include "support/testsupport.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

SheetTemplate sheet(const char* brand, const char* part, const char* description, double pageWidth, double pageHeight)
{
    SheetTemplate s;
    s.brand = QString::fromUtf8(brand);
    s.part = QString::fromUtf8(part);
    s.description = QString::fromUtf8(description);
    s.pageWidth = pageWidth;
    s.pageHeight = pageHeight;
    s.labelWidth = 60;
    s.labelHeight = 40;
    s.columns = 2;
    s.rows = 3;
    s.x0 = 20;
    s.y0 = 30;
    s.dx = 80;
    s.dy = 60;
    return s;
}

SheetFilter filter(const char* words, const char* brand = "", const char* paper = "")
{
    return SheetFilter{QString::fromUtf8(words), QString::fromUtf8(brand), QString::fromUtf8(paper)};
}

const QList<SheetTemplate> kSheets = {
    sheet("Avery", "L7160", "Étiquettes adresse", 210, 297),
    sheet("Avery", "5160", "Address labels", 215.9, 279.4),
    sheet("Herma", "4360", "Etiquettes multi-usages", 297, 210),
    sheet("Zweckform", "Z1", "Badges", 100, 150),
};

// Words are searched in the reference and the description, letter case and accents aside, every word
// needed; the maker and the paper filter as well.
TEST(SheetSearch, WordsMakerAndPaperNarrowTheSheets)
{
    const struct
    {
        SheetFilter filter;
        QList<int> found;
    } cases[] = {
        {filter(""), {0, 1, 2, 3}},    {filter("étiquettes"), {0, 2}}, {filter("ETIQUETTES multi"), {2}},
        {filter("l7160"), {0}},        {filter("avery 5160"), {1}},    {filter("labels", "Herma"), {}},
        {filter("", "Avery"), {0, 1}}, {filter("", "", "A4"), {0, 2}}, {filter("", "Avery", "Letter US"), {1}},
        {filter("  "), {0, 1, 2, 3}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(filterSheets(kSheets, c.filter), c.found)
            << qPrintable(c.filter.words + u'|' + c.filter.brand + u'|' + c.filter.paper);
}

TEST(SheetSearch, MakersAndPapersOfferedOnceEach)
{
    EXPECT_EQ(sheetBrands(kSheets), QStringList({"Avery", "Herma", "Zweckform"}));
    EXPECT_EQ(sheetPapers(kSheets), QStringList({QStringLiteral("100 × 150 mm"), "A4", "Letter US"}));
    EXPECT_EQ(sheetSummary(kSheets.at(0)),
              QStringLiteral("6 étiquettes, 2 en largeur × 3 en hauteur, de 60 × 40 mm sur A4"));
}

// The drawing puts each label where the sheet has it: the pixels inside the first and last labels are
// the labels' colour, those between them the paper's.
TEST(SheetSearch, TheLayoutIsDrawnToScale)
{
    QImage image(210, 297, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        drawSheetLayout(p, QRectF(0, 0, 210, 297), kSheets.at(0));
    }
    const QRgb label = image.pixel(50, 50); // inside the first label (20..80, 30..70)
    const QRgb paper = image.pixel(90, 50); // between the columns (80..100)
    EXPECT_NE(label, paper);
    EXPECT_EQ(image.pixel(150, 180), label); // the last label (100..160, 150..190)
    EXPECT_EQ(image.pixel(90, 200), paper);  // below the last row
    EXPECT_EQ(image.pixel(105, 80), paper);  // between the rows (70..90)
}

} // namespace
