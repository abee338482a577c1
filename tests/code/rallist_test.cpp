#include "base/error.h"
#include "code/rallist.h"
#include "support/testsupport.h"
#include "qstringprint.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <map>

using namespace pelorin;

namespace {

TEST(RalList, MatchesTheReferenceTable)
{
    QFile tsv(test::fixture(QStringLiteral("code/ral_classic.tsv")));
    ASSERT_TRUE(tsv.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromLatin1(tsv.readAll()).split(u'\n', Qt::SkipEmptyParts).mid(1);
    ASSERT_EQ(rows.size(), 184);
    ASSERT_EQ(ral::count(), 184);
    const QStringList withoutBlank = {"7032", "9003", "9010", "9016", "9018"};
    for (int i = 0; i < ral::count(); ++i) {
        const QStringList cols = rows[i].trimmed().split(u'\t');
        const QString e = ral::entry(i);
        SCOPED_TRACE(e.toStdString());
        EXPECT_EQ(ral::number(e), cols[0]);
        EXPECT_EQ(e.left(6), cols[1]);
        EXPECT_EQ(e.mid(6, 1), QStringLiteral("*"));
        EXPECT_EQ(e.size(), withoutBlank.contains(cols[0]) ? 11 : 12);
        if (e.size() == 12) {
            EXPECT_EQ(e.back(), u' ');
        }
        EXPECT_EQ(ral::number(e).at(1), u'0');
        if (i > 0) {
            EXPECT_LE(ral::number(ral::entry(i - 1)).toInt(), ral::number(e).toInt());
        }
    }
}

TEST(RalList, GroupCounts)
{
    std::map<QChar, int> groups;
    for (int i = 0; i < ral::count(); ++i)
        ++groups[ral::number(ral::entry(i)).at(0)];
    const std::map<QChar, int> expected = {{u'1', 26}, {u'2', 10}, {u'3', 20}, {u'4', 9}, {u'5', 23},
                                           {u'6', 32}, {u'7', 35}, {u'8', 19}, {u'9', 10}};
    EXPECT_EQ(groups, expected);
}

struct TellingRow
{
    const char* number;
    const char* entry;
    const char* field;
    QRgb colour;
};

const TellingRow kTellingRows[] = {
    {"1000", "CCC188*1000 ", "100", qRgb(0xCC, 0xC1, 0x88)}, {"1003", "F2AD00*1003 ", "103", qRgb(0xF2, 0xAD, 0x00)},
    {"5015", "0071B5*5015 ", "515", qRgb(0x00, 0x71, 0xB5)}, {"5020", "00747D*5020 ", "520", qRgb(0x00, 0x74, 0x7D)},
    {"5021", "00747D*5021 ", "521", qRgb(0x00, 0x74, 0x7D)}, {"7001", "8C969F*7001 ", "701", qRgb(0x8C, 0x96, 0x9F)},
    {"7032", "B5B5A7*7032", "732", qRgb(0xB5, 0xB5, 0xA7)},  {"7033", "7F8274*7033 ", "733", qRgb(0x7F, 0x82, 0x74)},
    {"9003", "F8F9FB*9003", "903", qRgb(0xF8, 0xF9, 0xFB)},  {"9010", "F4F4ED*9010", "910", qRgb(0xF4, 0xF4, 0xED)},
    {"9016", "F3F6F6*9016", "916", qRgb(0xF3, 0xF6, 0xF6)},  {"9018", "CBD2D0*9018", "918", qRgb(0xCB, 0xD2, 0xD0)},
};

TEST(RalList, TellingRows)
{
    for (const TellingRow& r : kTellingRows) {
        SCOPED_TRACE(r.entry);
        const int i = ral::indexOfNumber(QLatin1String(r.number));
        ASSERT_GE(i, 0);
        EXPECT_EQ(ral::entry(i), QLatin1String(r.entry));
        EXPECT_EQ(ral::colourField(ral::entry(i)), QLatin1String(r.field));
        EXPECT_EQ(ral::displayColour(ral::entry(i)).rgb(), r.colour);
    }
    EXPECT_EQ(ral::entry(0), QStringLiteral("CCC188*1000 "));
    EXPECT_EQ(ral::entry(183), QStringLiteral("CBD2D0*9018"));
    EXPECT_EQ(ral::indexOfNumber(QStringLiteral("1010")), -1);
    EXPECT_THROW(ral::entry(184), Error);
    EXPECT_THROW(ral::entry(-1), Error);
}

TEST(RalList, SevenThousandOneTwiceAndOneHundredEightyThreeNumbers)
{
    const int first = ral::indexOfNumber(QStringLiteral("7001"));
    EXPECT_EQ(ral::entry(first + 1), ral::entry(first));
    QSet<QString> numbers, fields;
    for (int i = 0; i < ral::count(); ++i) {
        numbers.insert(ral::number(ral::entry(i)));
        fields.insert(ral::colourField(ral::entry(i)));
    }
    EXPECT_EQ(numbers.size(), 183);
    // the three characters of the code tell the numbers apart
    EXPECT_EQ(fields.size(), 183);
}

// A row painted on a background no painting step uses, so that every pixel left unpainted shows.
class RowPainting : public ::testing::Test
{
protected:
    static constexpr int kWidth = 105;
    const ral::RowColours m_colours{QColor(255, 255, 255), QColor(0, 0, 0), QColor(0, 0, 160), QColor(255, 255, 255)};
    const QRgb m_untouched = qRgb(255, 0, 255);

    QImage paint(int index, bool selected, int top = 0) const
    {
        QImage image(kWidth, top + ral::kRowHeight, QImage::Format_RGB32);
        image.fill(m_untouched);
        QPainter p(&image);
        ral::drawItem(p, QRect(0, top, kWidth, ral::kRowHeight), index, selected, m_colours, QGuiApplication::font());
        p.end();
        return top ? image.copy(0, top, kWidth, ral::kRowHeight) : image;
    }
    static bool inSwatch(int x, int y) { return x >= 2 && x < 44 && y >= 2 && y < 14; }
    static bool inSwatchArea(int x, int y) { return x < 46 && y < 16; }
    static bool inText(int x, int y) { return x >= 48 && y >= 2; }
};

TEST_F(RowPainting, SwatchFrameAndHighlight)
{
    for (const char* number : {"1000", "5015", "7032", "9018"}) {
        const int index = ral::indexOfNumber(QLatin1String(number));
        const QRgb swatch = ral::displayColour(ral::entry(index)).rgb();
        for (const bool selected : {false, true}) {
            SCOPED_TRACE(std::string(number) + (selected ? " selected" : ""));
            const QImage row = paint(index, selected);
            const QRgb background = selected ? m_colours.highlight.rgb() : m_colours.base.rgb();
            int textPixels = 0;
            for (int y = 0; y < ral::kRowHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const QRgb px = row.pixel(x, y);
                    if (inSwatch(x, y))
                        ASSERT_EQ(px, swatch) << x << "," << y;
                    else if (inSwatchArea(x, y))
                        ASSERT_EQ(px, m_colours.base.rgb()) << x << "," << y;
                    else if (!inText(x, y))
                        ASSERT_EQ(px, background) << x << "," << y;
                    else if (px != background)
                        ++textPixels;
                }
            EXPECT_GT(textPixels, 10) << "the number is written";
        }
    }
}

TEST_F(RowPainting, RowsDrawRelativeToTheirRectangle)
{
    const int index = ral::indexOfNumber(QStringLiteral("3020"));
    for (const bool selected : {false, true})
        EXPECT_EQ(paint(index, selected, 48), paint(index, selected));
}

TEST_F(RowPainting, SameColourDifferentNumbersAndTheTwin7001)
{
    const QImage a = paint(ral::indexOfNumber(QStringLiteral("5020")), false);
    const QImage b = paint(ral::indexOfNumber(QStringLiteral("5021")), false);
    EXPECT_EQ(a.copy(0, 0, 46, 16), b.copy(0, 0, 46, 16));
    EXPECT_NE(a.copy(48, 0, kWidth - 48, 16), b.copy(48, 0, kWidth - 48, 16));

    const int first = ral::indexOfNumber(QStringLiteral("7001"));
    for (const bool selected : {false, true})
        EXPECT_EQ(paint(first, selected), paint(first + 1, selected));
}

// The chart is written from the table: after changing the table, run this test once with
// PELORIN_WRITE_CHART=1 to write data/Help/Nuancier.htm again.
TEST(ColourChart, ShippedPageIsTheOneTheTableGives)
{
    const QString path = QStringLiteral(PELORIN_TEST_DATA) + QStringLiteral("/Help/Nuancier.htm");
    if (qEnvironmentVariableIsSet("PELORIN_WRITE_CHART")) {
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(ral::chartHtml());
    }
    QFile shipped(path);
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly)) << "data/Help/Nuancier.htm is missing";
    EXPECT_TRUE(shipped.readAll() == ral::chartHtml())
        << "data/Help/Nuancier.htm differs from the table: run this test with PELORIN_WRITE_CHART=1";
}

TEST(ColourChart, OneSwatchPerNumber)
{
    const QString html = QString::fromUtf8(ral::chartHtml());
    EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_EQ(html.count(QStringLiteral("class=\"teinte\"")), 183);
    for (int i = 0; i < ral::count(); ++i) {
        const QString e = ral::entry(i);
        const QString item = QStringLiteral("background-color: #%1\"></span><span class=\"ral\">RAL %2</span>")
                                 .arg(e.left(6), ral::number(e));
        EXPECT_EQ(html.count(item), 1) << e.toStdString();
    }
}

} // namespace
