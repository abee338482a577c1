#include "editor/editorsheet.h"

#include "base/error.h"
#include "code/qstringprint.h"
#include "labels/description.h"
#include "labels/labelvalues.h"
#include "labels/executedpage.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

const QSizeF kA4(210 / 25.4, 297 / 25.4);

QString initialTextWith(const QStringList& block)
{
    QStringList lines = newDescriptionLines(FormatTexts());
    if (!block.isEmpty())
        insertComponentBlock(lines, block);
    return lines.join(u'\n');
}

TEST(EditorSheet, BuildsThePreviewWithTheExecutionReport)
{
    EditorSheet sheet;
    sheet.parse(initialTextWith(componentBlockLines(ComponentTexts())));
    sheet.rebuildMarks();
    EXPECT_EQ(sheet.marks().columns(), 2);
    EXPECT_EQ(sheet.marks().rows(), 4);
    sheet.marks().toggle(0, 0); // the first label gets nothing

    FixedLabelValues values;
    const EditorSheet::Preview p = sheet.build(values, kA4);
    EXPECT_TRUE(p.result.complete());
    // the reference, then ten lines for each of the seven marked labels
    ASSERT_EQ(p.report.size(), 1 + 7 * 10);
    EXPECT_EQ(p.report.first(), QStringLiteral("Avery"));
    // the second label of the first row: 10 + 10 mm down, 5 + 101 + 10 mm across; the size in inches
    const QStringList second = p.report.mid(1, 10);
    EXPECT_EQ(second, QStringList({QStringLiteral("** Trace composant **"), QStringLiteral("*   Composant1  *"),
                                   QStringLiteral("*********************"), QStringLiteral("Type : Rectangle"),
                                   QStringLiteral("Nom : Objet"), QStringLiteral("Haut : 20"),
                                   QStringLiteral("Gauche : 116"), QStringLiteral("Hauteur : 0,393700787401575"),
                                   QStringLiteral("Largeur : 0,393700787401575"), QStringLiteral("Texte : ")}));
    ASSERT_TRUE(p.page);
    EXPECT_EQ(sheet.page(), p.page);
    // frame, 8 outlines, 3 page texts and the 7 rectangles
    EXPECT_EQ(p.page->components().size(), size_t(1 + 8 + 3 + 7));
}

TEST(EditorSheet, AFailedParseKeepsTheTextParsedLast)
{
    EditorSheet sheet;
    sheet.parse(initialTextWith(componentBlockLines(ComponentTexts())));
    // a "<" typed into the text itself, not through a field
    QStringList bad = componentBlockLines(ComponentTexts());
    bad[2] = QStringLiteral("<Name>a<b</Name>");
    QString message;
    try {
        sheet.parse(initialTextWith(bad));
    } catch (const Error& e) {
        message = e.message();
    }
    EXPECT_TRUE(message.contains(QStringLiteral("at line 23, column"))) << qPrintable(message);
    ASSERT_TRUE(sheet.EtiqXML().isActive());
    ASSERT_EQ(sheet.EtiqXML().components().size(), 1u);
    EXPECT_EQ(sheet.EtiqXML().components()[0].Name.text(), QStringLiteral("Objet"));
}

} // namespace
} // namespace pelorin
