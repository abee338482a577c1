#include "editor/ui/sheetchooser.h"

#include "base/paths.h"
#include "base/ui/dialogs.h"
#include "editor/ui/pageeditor.h"
#include "labels/labelvalues.h"
#include "support/testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

class ChooserLabelValues : public LabelValues
{
public:
    QString code() const override { return QStringLiteral("B25012515LAV5930033906"); }
    QString operatorText() const override { return QString(); }
    QString multilineText() const override { return QString(); }
    QStringList incrementalLines() const override { return {}; }
    QString version() const override { return QStringLiteral("2.1.1.7"); }
    QString logoPath() const override { return QString(); }
};

// From the page editor's "Choisir…": a sheet is found by typing part of its reference and narrowing by
// maker, its layout and label count are shown, and "Choisir" fills the "Nouvelle page" fields with it.
TEST(SheetChooser, ASheetFoundByItsWordsFillsTheNewPage)
{
    Dialogs::clearShownMessages();
    test::TempDataFolder data;
    DataFolder::setRoot(data.path());
    ChooserLabelValues values;
    PageEditorPage editor(values, test::fixture(QStringLiteral("editor/templates")));
    editor.show();
    auto* open = editor.findChild<QPushButton*>(QStringLiteral("openSheetChooserButton"));
    ASSERT_NE(open, nullptr);
    EXPECT_FALSE(open->accessibleName().isEmpty());
    QTest::mouseClick(open, Qt::LeftButton);
    auto* chooser = editor.findChild<SheetChooser*>();
    ASSERT_NE(chooser, nullptr);
    ASSERT_TRUE(chooser->isVisible());

    auto* list = chooser->findChild<QListWidget*>(QStringLiteral("sheetList"));
    auto* search = chooser->findChild<QLineEdit*>(QStringLiteral("sheetSearchEdit"));
    auto* brand = chooser->findChild<QComboBox*>(QStringLiteral("sheetBrandFilter"));
    auto* summary = chooser->findChild<QLabel*>(QStringLiteral("sheetSummary"));
    ASSERT_TRUE(list && search && brand && summary);
    EXPECT_EQ(list->count(), editor.standardSheets().size());
    for (QWidget* w : {static_cast<QWidget*>(search), static_cast<QWidget*>(brand)})
        EXPECT_FALSE(w->accessibleName().isEmpty());

    QTest::keyClicks(search, QStringLiteral("r20"));
    ASSERT_EQ(list->count(), 2);
    EXPECT_TRUE(list->item(0)->text().startsWith(QStringLiteral("Acme R200")));
    EXPECT_TRUE(summary->text().contains(QStringLiteral("2 en largeur × 4 en hauteur"))) << qPrintable(summary->text());
    brand->setCurrentIndex(brand->findText(QStringLiteral("Bravo")));
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(chooser->findChild<QPushButton*>(QStringLiteral("chooseSheetButton"))->isEnabled());
    brand->setCurrentIndex(0);
    ASSERT_EQ(list->count(), 2);
    // the paper size narrows as well: of all the sheets, the one on A5
    auto* paper = chooser->findChild<QComboBox*>(QStringLiteral("sheetPaperFilter"));
    ASSERT_NE(paper, nullptr);
    EXPECT_FALSE(paper->accessibleName().isEmpty());
    search->clear();
    paper->setCurrentIndex(paper->findText(QStringLiteral("A5")));
    ASSERT_EQ(list->count(), 1);
    EXPECT_TRUE(list->item(0)->text().startsWith(QStringLiteral("Acme R300"))) << qPrintable(list->item(0)->text());
    EXPECT_TRUE(summary->text().contains(QStringLiteral("1 en largeur × 3 en hauteur, de 100 × 50 mm sur A5")))
        << qPrintable(summary->text());
    paper->setCurrentIndex(0);
    QTest::keyClicks(search, QStringLiteral("r20"));
    ASSERT_EQ(list->count(), 2);

    chooser->findChild<QPushButton*>(QStringLiteral("chooseSheetButton"))->click();
    EXPECT_EQ(editor.findChild<QLineEdit*>(QStringLiteral("pageReferenceEdit"))->text(), QStringLiteral("Acme R200"));
    EXPECT_EQ(editor.findChild<QLineEdit*>(QStringLiteral("pageHeightEdit"))->text(), QStringLiteral("152,4"));
    EXPECT_TRUE(editor.findChild<QComboBox*>(QStringLiteral("standardSheetChoice"))
                    ->currentText()
                    .startsWith(QStringLiteral("Acme R200")));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

} // namespace
} // namespace pelorin
