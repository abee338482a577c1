#include "labels/marks.h"

#include "base/error.h"
#include "config/xmldocument.h"
#include "labels/sheetbuilder.h"
#include "support/testsupport.h"

#include <functional>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

using test::errorOf;

void parseSheet(XmlDocument& doc, const QString& rows, const QString& columns)
{
    FormatTexts f;
    f.Ligne = rows;
    f.Colonne = columns;
    doc.parseText(test::descriptionText(f));
}

// Counts the model's change notifications, as a grid view would receive them.
struct ChangeCounter
{
    explicit ChangeCounter(SelectionMarks& m)
        : connection(QObject::connect(&m, &SelectionMarks::changed, &m, [this] { ++count; }))
    {
    }
    ~ChangeCounter() { QObject::disconnect(connection); }
    ChangeCounter(const ChangeCounter&) = delete;
    ChangeCounter& operator=(const ChangeCounter&) = delete;
    QMetaObject::Connection connection;
    int count = 0;
};

int markedCount(const SelectionMarks& m)
{
    int n = 0;
    for (int r = 0; r < m.rows(); ++r)
        for (int c = 0; c < m.columns(); ++c)
            n += m.isMarked(c, r);
    return n;
}

TEST(SelectionMarks, RebuildMarksEveryLabelAndToggleTwiceRestores)
{
    XmlDocument doc;
    parseSheet(doc, "4", "2");
    SelectionMarks m;
    EXPECT_TRUE(m.marginFrame());
    EXPECT_TRUE(m.outlines());
    m.rebuild(doc);
    EXPECT_EQ(m.columns(), 2);
    EXPECT_EQ(m.rows(), 4);
    EXPECT_EQ(markedCount(m), 8);

    m.toggle(1, 0);
    EXPECT_FALSE(m.isMarked(1, 0));
    EXPECT_FALSE(m.isLabelMarked(2));
    EXPECT_TRUE(m.isLabelMarked(3));
    EXPECT_EQ(markedCount(m), 7);
    m.toggle(1, 0);
    EXPECT_TRUE(m.isMarked(1, 0));
    EXPECT_EQ(markedCount(m), 8);

    // only exactly "X" marks; toggling any other text marks it
    m.setCell(0, 0, QStringLiteral("x"));
    EXPECT_FALSE(m.isMarked(0, 0));
    m.toggle(0, 0);
    EXPECT_EQ(m.cell(0, 0), QStringLiteral("X"));

    // a new rebuild marks everything again
    m.toggle(0, 3);
    m.rebuild(doc);
    EXPECT_EQ(markedCount(m), 8);
}

TEST(SelectionMarks, LabelsOutsideTheGridCountAsUnmarked)
{
    XmlDocument doc;
    parseSheet(doc, "4", "2");
    SelectionMarks m;
    m.rebuild(doc);
    // the description gains a row without a rebuild: its labels are unmarked
    for (int c = 0; c < 2; ++c)
        EXPECT_FALSE(m.isMarked(c, 4));
    EXPECT_FALSE(m.isMarked(2, 0));
    EXPECT_FALSE(m.isMarked(-1, 0));
    EXPECT_FALSE(m.isLabelMarked(9));
    EXPECT_FALSE(m.isLabelMarked(0));
    m.toggle(5, 5); // nothing outside the grid
    EXPECT_EQ(markedCount(m), 8);
}

TEST(SelectionMarks, ConversionErrorOrNoDocumentChangesNothing)
{
    XmlDocument doc;
    parseSheet(doc, "4", "2");
    SelectionMarks m;
    m.rebuild(doc);
    m.toggle(1, 2);

    struct Case
    {
        const char* rows;
        const char* columns;
        const char* message;
    };
    const Case cases[] = {
        {"3", "deux", "'deux' is not a valid integer value"},
        {"", "2", "'' is not a valid integer value"},
        // rows are read before columns
        {"4,5", "x", "'4,5' is not a valid integer value"},
        {"40000", "3", "Trop d'étiquettes sur la page : 40000 x 3 (au plus 10000)."},
        // counts that draw no label still size the grid: bounded as well, before any cell is made
        {"40000000", "-1", "Trop d'étiquettes sur la page : 40000000 x -1 (au plus 10000)."},
        {"2147483647", "0", "Trop d'étiquettes sur la page : 2147483647 x 0 (au plus 10000)."},
    };
    for (const Case& c : cases) {
        XmlDocument bad;
        parseSheet(bad, c.rows, c.columns);
        ChangeCounter spy(m);
        EXPECT_EQ(errorOf([&] { m.rebuild(bad); }), QString::fromUtf8(c.message));
        EXPECT_EQ(spy.count, 0);
        EXPECT_EQ(m.columns(), 2);
        EXPECT_EQ(m.rows(), 4);
        EXPECT_EQ(markedCount(m), 7);
        EXPECT_FALSE(m.isMarked(1, 2));
    }

    XmlDocument none;
    EXPECT_EQ(errorOf([&] { m.rebuild(none); }), QStringLiteral("No active document"));
    EXPECT_EQ(markedCount(m), 7);
}

TEST(SelectionMarks, ZeroCountChangesTheGridThenStopsBeforeMarking)
{
    XmlDocument doc;
    parseSheet(doc, "2", "2");
    SelectionMarks m;
    m.rebuild(doc);
    m.toggle(0, 0);

    XmlDocument zero;
    parseSheet(zero, "3", "0");
    ChangeCounter spy(m);
    EXPECT_EQ(errorOf([&] { m.rebuild(zero); }), QStringLiteral("Division by zero"));
    // the views learn of the new counts before the message; a grid keeps one column at least
    EXPECT_GE(spy.count, 1);
    EXPECT_EQ(m.columns(), 1);
    EXPECT_EQ(m.rows(), 3);
    // nothing is marked anew: the surviving cell keeps its old text, the new row is empty
    EXPECT_FALSE(m.isMarked(0, 0));
    EXPECT_TRUE(m.isMarked(0, 1));
    EXPECT_FALSE(m.isMarked(0, 2));
}

TEST(SelectionMarks, SwitchesAreIndependentAndSignalChanges)
{
    SelectionMarks m;
    ChangeCounter spy(m);
    m.setMarginFrame(false);
    EXPECT_FALSE(m.marginFrame());
    EXPECT_TRUE(m.outlines());
    m.setOutlines(false);
    m.setOutlines(false);
    EXPECT_FALSE(m.outlines());
    EXPECT_EQ(spy.count, 2);
}

TEST(GridCellExtent, CellsAndTheirLinesFillTheGrid)
{
    struct Case
    {
        int outer, count, extent;
    };
    // the selection window's grid is 212 x 297 pixels, the editor's 199 x 281
    const Case cases[] = {{212, 2, 103}, {297, 4, 71}, {212, 1, 208}, {297, 1, 293}, {199, 3, 63}, {281, 7, 37}};
    for (const Case& c : cases) {
        const int extent = gridCellExtent(c.outer, c.count);
        EXPECT_EQ(extent, c.extent);
        // what is left over is less than one cell with its line
        EXPECT_GE(c.outer - 2, c.count * (extent + 2));
        EXPECT_LT(c.outer - 2, c.count * (extent + 3));
    }
    EXPECT_EQ(errorOf([] { gridCellExtent(212, 0); }), QStringLiteral("Division by zero"));
}

} // namespace
} // namespace pelorin
