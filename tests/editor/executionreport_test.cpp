#include "editor/executionreport.h"

#include "base/paths.h"
#include "code/qstringprint.h"
#include "labels/barcodecheck.h"
#include "labels/description.h"
#include "labels/executedpage.h"
#include "labels/labelvalues.h"
#include "labels/marks.h"
#include "labels/painter.h"
#include "labels/reportpage.h"
#include "support/editorfixtures.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

constexpr double kDpi = 300.0;
// a code of 211 modules: at 300 dots per inch its narrowest readable module (2 dots) needs 39 mm
const QString kCode = QStringLiteral("B25012515LAV5930033906");

struct Object
{
    const char* type;
    const char* name;
    QString left, top, width, height;
    std::vector<std::pair<const char*, QString>> own;
};

// A description of the editor's initial sheet (4 rows of 2 labels of 100 x 50 mm) holding `objects`.
LabelDescription describe(const std::vector<Object>& objects)
{
    QStringList lines = test::kInitialDescriptionLines;
    QStringList block;
    for (const Object& o : objects) {
        block << QStringLiteral("<Composant>") << QStringLiteral("<Type>%1</Type>").arg(QLatin1String(o.type))
              << QStringLiteral("<Name>%1</Name>").arg(QLatin1String(o.name))
              << QStringLiteral("<Top>%1</Top>").arg(o.top) << QStringLiteral("<Left>%1</Left>").arg(o.left)
              << QStringLiteral("<Height>%1</Height>").arg(o.height)
              << QStringLiteral("<Width>%1</Width>").arg(o.width);
        for (const auto& [element, value] : o.own)
            block << QStringLiteral("<%1>%2</%1>").arg(QLatin1String(element), value);
        block << QStringLiteral("</Composant>");
    }
    lines.insert(lines.indexOf(QStringLiteral("</Composants>")), block.join(u'\n'));
    return LabelDescription::parse(lines.join(u'\n'));
}

class ExecutionReport : public ::testing::Test
{
protected:
    void SetUp() override { DataFolder::setRoot(m_data.path()); }

    std::vector<ExecutionRow> rowsOf(const LabelDescription& description)
    {
        SelectionMarks marks;
        marks.rebuild(description);
        return executionRows(description, marks, m_values, kDpi);
    }

    test::TempDataFolder m_data;
    FixedLabelValues m_values;
};

// One row per object, in the page's order, its place on the label to a tenth of a millimetre and what
// was found: the image missing, the text past its box, the barcode too narrow; nothing for the others.
TEST_F(ExecutionReport, EachObjectWithItsPlaceAndWhatStandsInTheWay)
{
    m_data.write(QStringLiteral("logos/Present.png"), [] {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::black);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }());
    const LabelDescription description = describe({
        {"Rectangle",
         "Cadre",
         "1,26",
         "2",
         "97,5",
         "46,04",
         {{"BorderWidth", "1"}, {"VRadius", "0"}, {"HRadius", "0"}}},
        {"Image", "Manquante", "5", "5", "20", "10", {{"FileName", "Absente.bmp"}}},
        {"Image", "Logo", "5", "20", "20", "10", {{"FileName", "Present.png"}}},
        {"BarCode128", "Etroit", "30", "5", "20", "10", {{"Rotation", "0"}, {"Position", "Left"}, {"Text", kCode}}},
        {"BarCode128", "Large", "30", "20", "60", "12", {{"Rotation", "0"}, {"Position", "Left"}, {"Text", kCode}}},
        {"Texte",
         "Long",
         "60",
         "5",
         "10",
         "5",
         {{"Text", QStringLiteral("Un texte bien trop long pour sa case")}, {"Taille", "12"}, {"Rotation", "0"}}},
        {"Texte",
         "Court",
         "60",
         "15",
         "30",
         "5",
         {{"Text", QStringLiteral("Lot")}, {"Taille", "8"}, {"Rotation", "0"}}},
    });
    const struct
    {
        const char* type;
        const char* name;
        QStringList place;   // left, top, width, height
        const char* problem; // the start of the only problem; null for none
    } expected[] = {
        {"Cadre", "Cadre", {"1,3 mm", "2,0 mm", "97,5 mm", "46,0 mm"}, nullptr},
        {"Image", "Manquante", {"5,0 mm", "5,0 mm", "20,0 mm", "10,0 mm"}, "image introuvable : "},
        {"Image", "Logo", {"5,0 mm", "20,0 mm", "20,0 mm", "10,0 mm"}, nullptr},
        {"Code-barres fixe",
         "Etroit",
         {"30,0 mm", "5,0 mm", "20,0 mm", "10,0 mm"},
         "code-barres de qualité F : case trop étroite, il faudrait "},
        {"Code-barres fixe", "Large", {"30,0 mm", "20,0 mm", "60,0 mm", "12,0 mm"}, nullptr},
        {"Texte fixe", "Long", {"60,0 mm", "5,0 mm", "10,0 mm", "5,0 mm"}, "texte plus grand que sa case : "},
        {"Texte fixe", "Court", {"60,0 mm", "15,0 mm", "30,0 mm", "5,0 mm"}, nullptr},
    };

    const std::vector<ExecutionRow> rows = rowsOf(description);
    ASSERT_EQ(rows.size(), std::size(expected));
    for (size_t i = 0; i < rows.size(); ++i) {
        const auto& e = expected[i];
        const QStringList cells = executionCells(rows[i]);
        SCOPED_TRACE(e.name);
        EXPECT_EQ(rows[i].object, int(i));
        EXPECT_TRUE(rows[i].boxValid);
        EXPECT_EQ(cells, QStringList({QString::fromUtf8(e.type), QString::fromLatin1(e.name)}) + e.place);
        if (!e.problem) {
            EXPECT_TRUE(rows[i].problems.isEmpty()) << qPrintable(rows[i].problems.join(u'\n'));
            continue;
        }
        // the same problem on all eight labels is told once, without naming them
        ASSERT_EQ(rows[i].problems.size(), 1);
        EXPECT_TRUE(rows[i].problems[0].startsWith(QString::fromUtf8(e.problem))) << qPrintable(rows[i].problems[0]);
        EXPECT_FALSE(rows[i].problems[0].contains(QStringLiteral("étiquette")));
    }
    // the missing image is named where it was looked for; the narrow code says the width it needs, as
    // the check of the printed page does
    EXPECT_TRUE(rows[1].problems[0].endsWith(QStringLiteral("/Absente.bmp"))) << qPrintable(rows[1].problems[0]);
    const double needed =
        report::placeBarcode(report::encodeBarcode({}, kCode), QRectF(0, 0, 20 / 25.4, 10 / 25.4), kDpi).minimumBoxMm;
    EXPECT_TRUE(
        rows[3].problems[0].contains(QStringLiteral("il faudrait %1 mm (modules d'au moins 0,125 mm à 300 points")
                                         .arg(QLocale(QLocale::French).toString(needed, 'f', 1))))
        << qPrintable(rows[3].problems[0]);
}

// A text is past its box exactly where the painter inks past it: the text drawn alone, its ink measured
// on a 600 dpi image, then a box half a millimetre wider says nothing and one half a millimetre
// narrower tells the widths.
TEST_F(ExecutionReport, ATextIsTooWideWhereThePainterInksPastItsBox)
{
    const struct
    {
        const char* text;
        int taille;
    } cases[] = {{"Traçabilité", 8}, {"WWWWWW", 14}, {"il", 20}, {"Lot 25012 – Pelorin", 10}};
    constexpr double kInkDpi = 600.0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromUtf8(c.text);
        report::Page page;
        report::Component& placed = page.create(report::ComponentClass::Text, QStringLiteral("Mesure"));
        placed.left = 0.5;
        placed.top = 0.5;
        placed.width = 5.0;
        placed.height = 1.0;
        placed.text().text = text;
        placed.text().fontHeightPx = c.taille;
        QImage image(int(7 * kInkDpi), int(2 * kInkDpi), QImage::Format_RGB32);
        {
            QPainter painter(&image);
            report::paintPage(painter, report::execute(page), kInkDpi);
        }
        int right = -1;
        for (int y = 0; y < image.height(); ++y)
            for (int x = image.width() - 1; x > right; --x)
                if (qGray(image.pixel(x, y)) < 128) {
                    right = x;
                    break;
                }
        ASSERT_GT(right, int(0.5 * kInkDpi));
        const double inkMm = ((right + 1) / kInkDpi - 0.5) * 25.4;

        for (const double margin : {0.5, -0.5}) {
            const QString width = QLocale(QLocale::French).toString(inkMm + margin, 'f', 1);
            const std::vector<ExecutionRow> rows =
                rowsOf(describe({{"Texte",
                                  "Mesure",
                                  "0",
                                  "0",
                                  width,
                                  "20",
                                  {{"Text", text}, {"Taille", QString::number(c.taille)}, {"Rotation", "0"}}}}));
            ASSERT_EQ(rows.size(), 1u);
            if (margin > 0) {
                EXPECT_TRUE(rows[0].problems.isEmpty()) << inkMm << " " << qPrintable(rows[0].problems.join(u'\n'));
            } else {
                ASSERT_EQ(rows[0].problems.size(), 1) << inkMm;
                EXPECT_TRUE(rows[0].problems[0].contains(QStringLiteral("de large pour %1 mm").arg(width)))
                    << qPrintable(rows[0].problems[0]);
            }
        }
    }
}

// What does not fit across or down: a text lower than its characters, a turned text longer than its
// box is high, the lines of a multi-line text past the box's bottom (the painter leaves them out).
TEST_F(ExecutionReport, TextsPastTheirBoxDownwardsAndMultilineTextsCut)
{
    const QString threeLines = QStringLiteral("première\nseconde\ntroisième");
    const struct
    {
        Object object;
        const char* problem; // null: none
    } cases[] = {
        {{"Texte", "Bas", "0", "0", "40", "1", {{"Text", QStringLiteral("Lot")}, {"Taille", "12"}, {"Rotation", "0"}}},
         "mm de haut pour 1,0"},
        {{"Texte",
          "Tourne",
          "0",
          "0",
          "5",
          "6",
          {{"Text", QStringLiteral("Traçabilité Pelorin")}, {"Taille", "10"}, {"Rotation", "90"}}},
         "mm de haut pour 6,0"},
        {{"Texte",
          "Droit",
          "0",
          "0",
          "5",
          "6",
          {{"Text", QStringLiteral("Traçabilité Pelorin")}, {"Taille", "10"}, {"Rotation", "180"}}},
         "mm de large pour 5,0"},
        {{"MemoTexte",
          "Coupe",
          "0",
          "0",
          "40",
          "5",
          {{"Position", QStringLiteral("Left")}, {"Text", threeLines}, {"Taille", "8"}}},
         "texte plus long que sa case : 1 ligne(s) sur 3 n'y tiennent pas"},
        {{"MemoTexte",
          "Tient",
          "0",
          "0",
          "40",
          "8",
          {{"Position", QStringLiteral("Left")}, {"Text", threeLines}, {"Taille", "8"}}},
         nullptr},
        // a word wider than the box is broken, not pushed out: the two halves need two lines
        {{"MemoTexte",
          "Casse",
          "0",
          "0",
          "8",
          "3",
          {{"Position", QStringLiteral("Left")},
           {"Text", QStringLiteral("Anticonstitutionnellement")},
           {"Taille", "8"}}},
         "ligne(s) sur"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.object.name);
        const std::vector<ExecutionRow> rows = rowsOf(describe({c.object}));
        ASSERT_EQ(rows.size(), 1u);
        if (!c.problem) {
            EXPECT_TRUE(rows[0].problems.isEmpty()) << qPrintable(rows[0].problems.join(u'\n'));
            continue;
        }
        ASSERT_EQ(rows[0].problems.size(), 1);
        EXPECT_TRUE(rows[0].problems[0].contains(QString::fromUtf8(c.problem))) << qPrintable(rows[0].problems[0]);
    }
}

// A problem met on some labels only names them: the incremental list gives each label its line, and a
// label left unselected is not printed, so it is not checked.
TEST_F(ExecutionReport, AProblemOnSomeLabelsNamesThem)
{
    const LabelDescription description =
        describe({{"AutoIncTexte", "Numero", "0", "0", "15", "5", {{"Taille", "8"}, {"Rotation", "0"}}}});
    const QString tooLong = QStringLiteral("Une ligne bien trop longue");
    m_values.m_incrementalLines = {
        QStringLiteral("1"), tooLong, QStringLiteral("3"), tooLong, tooLong, QStringLiteral("6"), QStringLiteral("7"),
        QStringLiteral("8")};
    SelectionMarks marks;
    marks.rebuild(description);
    const struct
    {
        std::vector<std::pair<int, int>> unmarked; // column, row
        const char* labels;                        // null: no problem
    } cases[] = {
        {{}, " (étiquettes 2, 4, 5)"},
        {{{1, 0}}, " (étiquettes 4, 5)"},
        {{{1, 0}, {0, 2}}, " (étiquette 4)"},
        {{{1, 0}, {1, 1}, {0, 2}}, nullptr},
    };
    for (const auto& c : cases) {
        marks.rebuild(description);
        for (const auto& [column, row] : c.unmarked)
            marks.toggle(column, row);
        const std::vector<ExecutionRow> rows = executionRows(description, marks, m_values, kDpi);
        ASSERT_EQ(rows.size(), 1u);
        if (!c.labels) {
            EXPECT_TRUE(rows[0].problems.isEmpty()) << qPrintable(rows[0].problems.join(u'\n'));
            continue;
        }
        ASSERT_EQ(rows[0].problems.size(), 1);
        EXPECT_TRUE(rows[0].problems[0].startsWith(QStringLiteral("texte plus grand que sa case : ")));
        EXPECT_TRUE(rows[0].problems[0].endsWith(QString::fromUtf8(c.labels))) << qPrintable(rows[0].problems[0]);
    }
}

// An object that cannot be placed still has its row: a value that does not convert, or a type the
// program does not know, is its problem, and the objects after it are checked as usual.
TEST_F(ExecutionReport, AnObjectThatCannotBePlacedTellsWhy)
{
    const std::vector<ExecutionRow> rows = rowsOf(describe({
        {"Rectangle", "Cadre", "abc", "2", "10", "10", {{"BorderWidth", "1"}, {"VRadius", "0"}, {"HRadius", "0"}}},
        {"Etoile", "Inconnu", "1", "2", "10", "10", {}},
        {"Image", "Logo", "1", "2", "10", "10", {{"FileName", "Absente.bmp"}}},
    }));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_FALSE(rows[0].boxValid);
    EXPECT_EQ(rows[0].problems, QStringList({QStringLiteral("'abc' is not a valid floating point value")}));
    EXPECT_EQ(executionCells(rows[0]), QStringList({"Cadre", "Cadre", "?", "?", "?", "?"}));
    EXPECT_EQ(rows[1].type, QStringLiteral("Etoile"));
    EXPECT_EQ(rows[1].problems, QStringList({QStringLiteral("type d'objet inconnu : Etoile")}));
    ASSERT_EQ(rows[2].problems.size(), 1);
    EXPECT_TRUE(rows[2].problems[0].startsWith(QStringLiteral("image introuvable : ")));
}

} // namespace
} // namespace pelorin
