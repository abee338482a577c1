#include "labels/ui/labelselectionwindow.h"

#include "gridclicks.h"
#include "labels/ui/selectiongrid.h"
#include "labels/ui/sheetwindow.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

using test::SheetWindow;

using test::doubleClickCell;

TEST(LabelSelectionWindow, LooksAndStartsWithEveryLabelMarkedAndThePageFitted)
{
    SheetWindow w;
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
    LabelSelectionWindow form(*w.sheet, w.window.get());

    EXPECT_EQ(form.windowTitle(), QStringLiteral("Etiquettes"));
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::Tool));
    EXPECT_EQ(form.findChild<QToolButton*>(QStringLiteral("printButton"))->toolTip(),
              QStringLiteral("Imprimer la page."));
    EXPECT_EQ(form.findChild<QToolButton*>(QStringLiteral("printButton"))->accessibleName(),
              QStringLiteral("Imprimer la page."));
    EXPECT_EQ(form.findChild<QCheckBox*>(QStringLiteral("marginsCheck"))->text(), QStringLiteral("Marges"));
    EXPECT_EQ(form.findChild<QCheckBox*>(QStringLiteral("marginsCheck"))->toolTip(),
              QStringLiteral("Afficher les marges étiquettes."));
    EXPECT_EQ(form.findChild<QCheckBox*>(QStringLiteral("outlinesCheck"))->text(), QStringLiteral("Contours"));
    EXPECT_EQ(form.findChild<QCheckBox*>(QStringLiteral("outlinesCheck"))->toolTip(),
              QStringLiteral("Afficher les contours étiquettes."));
    EXPECT_TRUE(form.findChild<QCheckBox*>(QStringLiteral("marginsCheck"))->isChecked());
    EXPECT_TRUE(form.findChild<QCheckBox*>(QStringLiteral("outlinesCheck"))->isChecked());
    SelectionGrid* grid = form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"));
    ASSERT_EQ(grid, form.findChild<SelectionGrid*>(QStringLiteral("labelGrid")));
    EXPECT_EQ(grid->size(), QSize(212, 297));
    EXPECT_EQ(grid->toolTip(), QStringLiteral("Double clic pour afficher."));
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(grid->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    // every label marked, the first page built and fitted
    ASSERT_EQ(grid->columnCount(), 2);
    ASSERT_EQ(grid->rowCount(), 4);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 2; ++c)
            EXPECT_EQ(grid->item(r, c)->text(), QStringLiteral("X"));
    ASSERT_NE(w.shownPage(), nullptr);
    EXPECT_DOUBLE_EQ(w.sheet->preview()->zoom(), w.sheet->preview()->fitZoom());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << Dialogs::shownMessages().join(u'|').toStdString();

    // a fixed size: shown, it cannot be resized
    form.show();
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
}

TEST(LabelSelectionWindow, CellSizesFillTheGrid)
{
    struct Case
    {
        int rows, columns, cellWidth, cellHeight;
    };
    const Case cases[] = {{4, 2, 103, 71}, {1, 1, 208, 293}, {3, 3, 68, 96}, {10, 4, 50, 27}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rows << " x " << c.columns);
        SheetWindow w;
        w.sheet->loadDescription(
            w.writeDescription(QStringLiteral("Grille.ETQ"), test::sheetFormat(c.rows, c.columns)));
        LabelSelectionWindow form(*w.sheet, w.window.get());
        form.show();
        SelectionGrid* grid = form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"));
        EXPECT_EQ(grid->cellWidth(), c.cellWidth);
        EXPECT_EQ(grid->cellHeight(), c.cellHeight);
        // the cells and their 2-pixel lines, one line more than cells, end within the grid
        const QRect last = grid->visualRect(grid->model()->index(c.rows - 1, c.columns - 1));
        const QPoint lastEnd = grid->viewport()->mapTo(grid, last.bottomRight());
        EXPECT_EQ(last.width(), c.cellWidth + 2);
        EXPECT_EQ(last.height(), c.cellHeight + 2);
        EXPECT_LE(lastEnd.x(), 211);
        EXPECT_LE(lastEnd.y(), 296);
        EXPECT_GE(lastEnd.x(), 211 - c.columns);
        EXPECT_GE(lastEnd.y(), 296 - c.rows);
    }
}

TEST(LabelSelectionWindow, ZeroRowsOrColumnsIsRefusedBeforeAnyMark)
{
    for (const auto& [rows, columns] : {std::pair{0, 2}, std::pair{4, 0}}) {
        SCOPED_TRACE(testing::Message() << rows << " x " << columns);
        SheetWindow w;
        w.sheet->loadDescription(w.writeDescription(QStringLiteral("Zero.ETQ"), test::sheetFormat(rows, columns)));
        int shown = 0;
        QObject::connect(w.sheet.get(), &LabelSheet::pageShown, [&] { ++shown; });
        LabelSelectionWindow form(*w.sheet, w.window.get());

        EXPECT_EQ(Dialogs::shownMessages(), QStringList{QStringLiteral("Division by zero")});
        // the grid takes the counts, at least one, and nothing is marked or displayed
        EXPECT_EQ(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->columnCount(), std::max(columns, 1));
        EXPECT_EQ(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->rowCount(), std::max(rows, 1));
        for (int r = 0; r < form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->rowCount(); ++r)
            for (int c = 0; c < form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->columnCount(); ++c)
                EXPECT_TRUE(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->item(r, c)->text().isEmpty());
        EXPECT_EQ(shown, 0);
        EXPECT_EQ(w.shownPage(), nullptr);
    }
}

TEST(LabelSelectionWindow, DoubleClickTogglesTheMarkAndRedisplays)
{
    SheetWindow w;
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
    LabelSelectionWindow form(*w.sheet, w.window.get());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    SelectionGrid* grid = form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"));

    // the second label of the first row: blank on the page, its outline kept
    doubleClickCell(grid, 1, 0);
    EXPECT_TRUE(grid->item(0, 1)->text().isEmpty());
    EXPECT_FALSE(w.sheet->marks().isMarked(1, 0));
    ASSERT_NE(w.shownPage(), nullptr);
    EXPECT_EQ(test::contentIn(*w.shownPage(), 106, 10, 100, 50), 0);
    EXPECT_EQ(test::contentIn(*w.shownPage(), 5, 10, 100, 50), 2);
    EXPECT_EQ(test::countRectangles(*w.shownPage(), report::BorderStyle::Dot), 8);
    EXPECT_EQ(grid->item(0, 0)->text(), QStringLiteral("X"));

    // twice restores the mark and the display
    doubleClickCell(grid, 1, 0);
    EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("X"));
    EXPECT_EQ(test::contentIn(*w.shownPage(), 106, 10, 100, 50), 2);

    // the keyboard does the same on the current cell: Space, Return and the keypad's Enter
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_TRUE(grid->item(0, 1)->text().isEmpty());
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("X"));
    QTest::keyClick(grid, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(grid->item(0, 1)->text().isEmpty());
    EXPECT_EQ(test::contentIn(*w.shownPage(), 106, 10, 100, 50), 0);
    // Return toggles the label, it does not close the window as a dialog's default button would
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << Dialogs::shownMessages().join(u'|').toStdString();
}

TEST(LabelSelectionWindow, EveryLabelMarkedOrUnmarkedAtOnceAndEachNamedByItsNumber)
{
    SheetWindow w;
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
    LabelSelectionWindow form(*w.sheet, w.window.get());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    SelectionGrid* grid = form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"));

    // numbered left to right, then row after row, as the page numbers them; a screen reader says
    // the number and the mark
    EXPECT_EQ(grid->item(0, 1)->data(Qt::AccessibleTextRole).toString(), QStringLiteral("Étiquette 2, marquée"));
    EXPECT_EQ(grid->item(3, 0)->data(Qt::AccessibleTextRole).toString(), QStringLiteral("Étiquette 7, marquée"));

    auto* unmarkAll = form.findChild<QPushButton*>(QStringLiteral("unmarkAllButton"));
    auto* markAll = form.findChild<QPushButton*>(QStringLiteral("markAllButton"));
    ASSERT_NE(unmarkAll, nullptr);
    ASSERT_NE(markAll, nullptr);
    EXPECT_EQ(unmarkAll->text(), QStringLiteral("Tout démarquer"));
    EXPECT_EQ(markAll->text(), QStringLiteral("Tout marquer"));

    QTest::mouseClick(unmarkAll, Qt::LeftButton);
    for (int label = 1; label <= 8; ++label)
        EXPECT_FALSE(w.sheet->marks().isLabelMarked(label)) << label;
    EXPECT_EQ(grid->item(3, 0)->data(Qt::AccessibleTextRole).toString(), QStringLiteral("Étiquette 7, non marquée"));
    // the page shows no components, the outlines stay
    EXPECT_EQ(test::contentIn(*w.shownPage(), 5, 10, 100, 50), 0);
    EXPECT_EQ(test::countRectangles(*w.shownPage(), report::BorderStyle::Dot), 8);

    QTest::mouseClick(markAll, Qt::LeftButton);
    for (int label = 1; label <= 8; ++label)
        EXPECT_TRUE(w.sheet->marks().isLabelMarked(label)) << label;
    EXPECT_EQ(test::contentIn(*w.shownPage(), 5, 10, 100, 50), 2);
}

TEST(LabelSelectionWindow, SwitchesRedisplayWithoutFrameOrOutlines)
{
    SheetWindow w;
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
    LabelSelectionWindow form(*w.sheet, w.window.get());
    form.show();
    ASSERT_NE(w.shownPage(), nullptr);
    EXPECT_EQ(test::countRectangles(*w.shownPage(), report::BorderStyle::DashDot), 1);
    EXPECT_EQ(test::countRectangles(*w.shownPage(), report::BorderStyle::Dot), 8);

    QTest::mouseClick(form.findChild<QCheckBox*>(QStringLiteral("marginsCheck")), Qt::LeftButton);
    EXPECT_FALSE(w.sheet->marks().marginFrame());
    EXPECT_EQ(test::countRectangles(*w.shownPage(), report::BorderStyle::DashDot), 0);
    EXPECT_EQ(test::countRectangles(*w.shownPage(), report::BorderStyle::Dot), 8);

    QTest::mouseClick(form.findChild<QCheckBox*>(QStringLiteral("outlinesCheck")), Qt::LeftButton);
    EXPECT_FALSE(w.sheet->marks().outlines());
    EXPECT_EQ(test::countRectangles(*w.shownPage(), report::BorderStyle::Dot), 0);
    // the labels keep their components
    EXPECT_EQ(test::contentIn(*w.shownPage(), 5, 10, 100, 50), 2);

    QTest::mouseClick(form.findChild<QCheckBox*>(QStringLiteral("marginsCheck")), Qt::LeftButton);
    EXPECT_EQ(test::countRectangles(*w.shownPage(), report::BorderStyle::DashDot), 1);
}

TEST(LabelSelectionWindow, MarksSurviveClosingAndReopeningAndAnotherDescriptionRemarksAll)
{
    SheetWindow w;
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
    LabelSelectionWindow form(*w.sheet, w.window.get());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    doubleClickCell(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid")), 0, 2);
    QTest::mouseClick(form.findChild<QCheckBox*>(QStringLiteral("outlinesCheck")), Qt::LeftButton);
    form.close();

    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->item(2, 0)->text().isEmpty());
    EXPECT_EQ(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->item(1, 0)->text(), QStringLiteral("X"));
    EXPECT_FALSE(form.findChild<QCheckBox*>(QStringLiteral("outlinesCheck"))->isChecked());
    form.close();

    // opening another description in the main window rebuilds the grid: every label marked again
    Dialogs::setNextFileName(w.writeDescription(QStringLiteral("Petit.ETQ"), test::sheetFormat(2, 3)));
    w.sheet->chooseDescription();
    EXPECT_EQ(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->columnCount(), 3);
    EXPECT_EQ(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->rowCount(), 2);
    EXPECT_EQ(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->cellWidth(), 68);
    EXPECT_EQ(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->cellHeight(), 145);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->item(r, c)->text(),
                      QStringLiteral("X"));
    EXPECT_EQ(w.status, QStringLiteral("Petit.ETQ"));
    EXPECT_DOUBLE_EQ(w.sheet->preview()->zoom(), w.sheet->preview()->fitZoom());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << Dialogs::shownMessages().join(u'|').toStdString();
}

TEST(LabelSelectionWindow, UnreadableCountsLeaveTheGridAsItWas)
{
    struct Case
    {
        const char* what;
        QString rows; // empty: no description loaded at all
        QString message;
    };
    const Case cases[] = {
        {"no description", QString(), QStringLiteral("No active document")},
        {"rows in words", QStringLiteral("quatre"),
         QStringLiteral("Mots.ETQ : la valeur « quatre » de l'élément Ligne du format de la page n'est pas un "
                        "nombre entier.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SheetWindow w;
        w.sheet->loadDescription(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
        LabelSelectionWindow form(*w.sheet, w.window.get());
        doubleClickCell(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid")), 1, 1);
        const auto page = w.sheet->preview()->page();
        if (c.rows.isEmpty()) {
            w.sheet->EtiqXML().release();
        } else {
            FormatTexts format = test::sheetFormat(4, 2);
            format.Ligne = c.rows;
            w.sheet->loadDescription(w.writeDescription(QStringLiteral("Mots.ETQ"), format));
        }
        Dialogs::clearShownMessages();

        form.rebuildGrid();
        EXPECT_EQ(Dialogs::shownMessages(), QStringList{c.message});
        EXPECT_EQ(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->rowCount(), 4);
        EXPECT_EQ(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->columnCount(), 2);
        EXPECT_TRUE(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->item(1, 1)->text().isEmpty());
        EXPECT_EQ(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->item(0, 0)->text(), QStringLiteral("X"));
        EXPECT_EQ(w.sheet->preview()->page(), page);
    }
}

} // namespace
} // namespace pelorin
