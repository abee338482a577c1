#include "editor/ui/pageeditor.h"

#include "editor/pagedocument.h"
#include "editor/textlines.h"
#include "editor/ui/layoutoverlay.h"

#include "base/paths.h"
#include "base/ui/dialogs.h"
#include "code/qstringprint.h"
#include "config/configfile.h"
#include "config/ui/configurationhost.h"
#include "config/ui/listspage.h"
#include "app/ui/configurationwindow.h"
#include "labels/labelvalues.h"
#include "labels/symbologies.h"
#include "labels/ui/labelsheet.h"
#include "labels/ui/pagepreview.h"
#include "labels/ui/selectiongrid.h"
#include "support/testsupport.h"
#include "support/editorfixtures.h"
#include "support/fakeconfigurationhost.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QTreeWidget>
#include <QUndoStack>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QToolButton>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace pelorin {
namespace {

using test::FakeHost;

const QStringList& kInitialLines = test::kInitialDescriptionLines;

class PageEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Dialogs::clearShownMessages();
        DataFolder::setRoot(m_data.path());
        QDir().mkpath(m_data.file(QStringLiteral("Modeles")));
        m_values.m_code = QStringLiteral("B25012515LAV5930033906");
        m_values.m_version = QStringLiteral("2.1.1.7");
        m_values.m_operatorText = QStringLiteral("Opérateur");
    }

    // The configuration window, shown (every showing prepares the editor).
    ConfigurationWindow& form(const QString& sheetFolder = QString())
    {
        if (!m_form) {
            m_form = std::make_unique<ConfigurationWindow>(m_host, m_values, nullptr, sheetFolder);
            m_form->show();
        }
        return *m_form;
    }
    PageEditorPage& editor() { return *form().editorPage(); }

    static void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    static void type(QLineEdit* edit, const QString& text)
    {
        edit->clear();
        // QTest types ASCII keys only; other characters arrive as a paste would
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(edit, c.toLatin1());
            else
                edit->insert(c);
        }
    }
    void chooseObject(const QString& type)
    {
        for (QRadioButton* radio :
             editor().findChild<QGroupBox*>(QStringLiteral("componentTypeGroup"))->findChildren<QRadioButton*>())
            // the buttons name the types for people
            if (radio->text() == componentTypeCaption(type))
                radio->click();
    }
    // What "Ajouter" inserted: the lines before the first "</Composants>" that the text had not.
    QStringList added(const QStringList& before)
    {
        const QStringList after = editor().memoLines();
        const qsizetype at = before.indexOf(QStringLiteral("</Composants>"));
        EXPECT_EQ(after.mid(0, at), before.mid(0, at));
        EXPECT_EQ(after.mid(after.size() - (before.size() - at)), before.mid(at));
        return after.mid(at, after.size() - before.size());
    }
    void showCommandTab(int index)
    {
        editor().findChild<QTabWidget*>(QStringLiteral("commandTabs"))->setCurrentIndex(index);
    }
    void setMemo(const QStringList& lines)
    {
        editor().findChild<QPlainTextEdit*>(QStringLiteral("descriptionText"))->setPlainText(lines.join(u'\n'));
    }
    // The execution report as listed: each object's cells joined by " | ", each problem under it
    // after "! ".
    QStringList reportRows()
    {
        QStringList rows;
        const auto* list = editor().findChild<QTreeWidget*>(QStringLiteral("reportList"));
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            QStringList cells;
            for (int c = 0; c < list->columnCount(); ++c)
                cells << item->text(c);
            rows << cells.join(QStringLiteral(" | "));
            for (int k = 0; k < item->childCount(); ++k)
                rows << QStringLiteral("! ") + item->child(k)->text(0);
        }
        return rows;
    }
    QStringList marksShown()
    {
        QStringList cells;
        SelectionGrid* grid = editor().findChild<SelectionGrid*>(QStringLiteral("labelGrid"));
        for (int r = 0; r < grid->rowCount(); ++r)
            for (int c = 0; c < grid->columnCount(); ++c)
                cells << (grid->item(r, c) ? grid->item(r, c)->text() : QString());
        return cells;
    }

    test::TempDataFolder m_data;
    FakeHost m_host;
    FixedLabelValues m_values;
    std::unique_ptr<ConfigurationWindow> m_form;
};

TEST_F(PageEditor, WindowTabsAndControlsAsTheOperatorFindsThem)
{
    ConfigurationWindow& f = form();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Configuration"));
    EXPECT_TRUE(f.windowFlags().testFlag(Qt::Tool));
    ASSERT_EQ(f.tabs()->count(), 2);
    EXPECT_EQ(f.tabs()->tabText(0), QStringLiteral("Configuration des listes"));
    EXPECT_EQ(f.tabs()->tabText(1), QStringLiteral("Editeur de page d'étiquettes"));
    EXPECT_EQ(f.tabs()->currentIndex(), 1);

    PageEditorPage& e = editor();
    // the hints, their shortcut added
    EXPECT_EQ(e.findChild<QToolButton*>(QStringLiteral("newDescriptionButton"))->toolTip(),
              QStringLiteral("Charger une configuration d'étiquette. (Ctrl+N)"));
    EXPECT_EQ(e.findChild<QToolButton*>(QStringLiteral("openDescriptionButton"))->toolTip(),
              QStringLiteral("Lire la configuration d'étiquette. (Ctrl+O)"));
    for (QToolButton* b : {e.findChild<QToolButton*>(QStringLiteral("newDescriptionButton")),
                           e.findChild<QToolButton*>(QStringLiteral("openDescriptionButton")),
                           e.findChild<QToolButton*>(QStringLiteral("saveDescriptionButton")),
                           e.findChild<QToolButton*>(QStringLiteral("zoomToFitButton")),
                           e.findChild<QToolButton*>(QStringLiteral("zoomInButton")),
                           e.findChild<QToolButton*>(QStringLiteral("zoomOutButton")),
                           e.findChild<QToolButton*>(QStringLiteral("clearMemoTextButton")),
                           e.findChild<QToolButton*>(QStringLiteral("loadMemoTextButton")),
                           e.findChild<QToolButton*>(QStringLiteral("saveMemoTextButton"))}) {
        EXPECT_FALSE(b->accessibleName().isEmpty()) << qPrintable(b->objectName());
        EXPECT_FALSE(b->icon().isNull()) << qPrintable(b->objectName());
    }
    EXPECT_EQ(e.findChild<QTabWidget*>(QStringLiteral("descriptionTabs"))->tabText(0), QStringLiteral("Fichier xml"));
    EXPECT_EQ(e.findChild<QTabWidget*>(QStringLiteral("descriptionTabs"))->tabText(1),
              QStringLiteral("Compte rendu d'exécution."));
    EXPECT_EQ(e.findChild<QTabWidget*>(QStringLiteral("commandTabs"))->tabText(0), QStringLiteral("Nouvelle page"));
    EXPECT_EQ(e.findChild<QTabWidget*>(QStringLiteral("commandTabs"))->tabText(1), QStringLiteral("Ajouter objets"));
    EXPECT_EQ(e.findChild<QTabWidget*>(QStringLiteral("commandTabs"))->tabText(2), QStringLiteral("Edition manuelle"));
    EXPECT_EQ(e.findChild<QTabWidget*>(QStringLiteral("commandTabs"))->currentIndex(), 1);
    // the description's text shows several lines at once
    const auto* text = e.findChild<QPlainTextEdit*>(QStringLiteral("descriptionText"));
    EXPECT_GE(text->height(), 8 * text->fontMetrics().lineSpacing());
    // the text shows a description's longest element line whole, and grows with the window
    auto* pages = e.window()->findChild<QTabWidget*>(QStringLiteral("configurationTabs"));
    ASSERT_NE(pages, nullptr);
    pages->setCurrentWidget(&e);
    QCoreApplication::processEvents();
    const auto* xml = e.findChild<QPlainTextEdit*>(QStringLiteral("descriptionText"));
    const int line = xml->fontMetrics().horizontalAdvance(
        QStringLiteral("<EtiquetteHorizontalRadius>12,5</EtiquetteHorizontalRadius>"));
    EXPECT_GE(xml->viewport()->width(), line);
    // each label of the grid is large enough to be aimed at
    const auto* grid = e.findChild<SelectionGrid*>(QStringLiteral("labelGrid"));
    EXPECT_GE(grid->cellWidth(), 10);
    EXPECT_GE(grid->cellHeight(), 10);
    EXPECT_EQ(e.findChild<report::PagePreview*>(QStringLiteral("pagePreview"))->shadowDepth(), 0);
    EXPECT_EQ(e.findChild<QGroupBox*>(QStringLiteral("componentTypeGroup"))->title(), QStringLiteral(" Objets "));
    EXPECT_EQ(e.findChild<QStackedWidget*>(QStringLiteral("parameterPages"))->count(), 11);
    // every field is announced by its caption, e.g. the reference and the texte of a BarCode128
    EXPECT_EQ(e.findChild<QLineEdit*>(QStringLiteral("pageReferenceEdit"))->accessibleName(),
              QStringLiteral("Référence"));
    EXPECT_EQ(e.findChild<QLineEdit*>(QStringLiteral("barCodeTextEdit"))->accessibleName(),
              QStringLiteral("Texte du code barre"));

    // the preview starts fitted to the page; the zoom buttons step it by 10
    EXPECT_DOUBLE_EQ(
        e.findChild<report::PagePreview*>(QStringLiteral("pagePreview"))->zoom(),
        std::clamp(e.findChild<report::PagePreview*>(QStringLiteral("pagePreview"))->fitZoom(), 10.0, 200.0));
    e.findChild<report::PagePreview*>(QStringLiteral("pagePreview"))->setZoom(100);
    click(e.findChild<QToolButton*>(QStringLiteral("zoomInButton")));
    EXPECT_DOUBLE_EQ(e.findChild<report::PagePreview*>(QStringLiteral("pagePreview"))->zoom(), 110);
    click(e.findChild<QToolButton*>(QStringLiteral("zoomOutButton")));
    click(e.findChild<QToolButton*>(QStringLiteral("zoomOutButton")));
    EXPECT_DOUBLE_EQ(e.findChild<report::PagePreview*>(QStringLiteral("pagePreview"))->zoom(), 90);
    click(e.findChild<QToolButton*>(QStringLiteral("zoomToFitButton")));
    EXPECT_DOUBLE_EQ(
        e.findChild<report::PagePreview*>(QStringLiteral("pagePreview"))->zoom(),
        std::clamp(e.findChild<report::PagePreview*>(QStringLiteral("pagePreview"))->fitZoom(), 10.0, 200.0));

    // the radio group turns the notebook's pages
    chooseObject(QStringLiteral("MemoTexte"));
    EXPECT_EQ(e.findChild<QStackedWidget*>(QStringLiteral("parameterPages"))->currentIndex(), 10);
    EXPECT_TRUE(e.findChild<QPlainTextEdit*>(QStringLiteral("memoTextEdit"))->isVisibleTo(&e));

    // the last tab in front stays in front
    f.tabs()->setCurrentIndex(0);
    f.hide();
    f.show();
    EXPECT_EQ(f.tabs()->currentIndex(), 0);
}

TEST_F(PageEditor, InitialTextAndCreerWithTheInitialFields)
{
    EXPECT_EQ(editor().memoLines(), kInitialLines);
    click(editor().findChild<QToolButton*>(QStringLiteral("newDescriptionButton")));
    EXPECT_TRUE(editor().memoLines().isEmpty());
    click(editor().findChild<QPushButton*>(QStringLiteral("createPageButton")));
    EXPECT_EQ(editor().memoLines(), kInitialLines);
    // the execution report of the new, empty page lists nothing
    EXPECT_TRUE(reportRows().isEmpty()) << qPrintable(reportRows().join(u'\n'));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

TEST_F(PageEditor, AjouterInsertsTheBlockOfTheType)
{
    PageEditorPage& e = editor();
    // a Rectangle with the initial fields
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    EXPECT_EQ(added(kInitialLines),
              QStringList({QStringLiteral("<Composant>"), QStringLiteral("<Type>Rectangle</Type>"),
                           QStringLiteral("<Name>Objet</Name>"), QStringLiteral("<Top>10</Top>"),
                           QStringLiteral("<Left>10</Left>"), QStringLiteral("<Height>10</Height>"),
                           QStringLiteral("<Width>10</Width>"), QStringLiteral("<BorderWidth>1</BorderWidth>"),
                           QStringLiteral("<VRadius>0</VRadius>"), QStringLiteral("<HRadius>0</HRadius>"),
                           QStringLiteral("</Composant>")}));

    // an AutoLogo: the seven common lines and the closing one
    setMemo(kInitialLines);
    chooseObject(QStringLiteral("AutoLogo"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    const QStringList logo = added(kInitialLines);
    EXPECT_EQ(logo.size(), 8);
    EXPECT_EQ(logo.value(1), QStringLiteral("<Type>AutoLogo</Type>"));
    EXPECT_EQ(logo.value(7), QStringLiteral("</Composant>"));

    // an AutoVersion takes its size from the Texte page
    setMemo(kInitialLines);
    chooseObject(QStringLiteral("Texte"));
    type(e.findChild<QLineEdit*>(QStringLiteral("textSizeEdit")), QStringLiteral("12"));
    chooseObject(QStringLiteral("AutoVersion"));
    type(e.findChild<QLineEdit*>(QStringLiteral("autoVersionRotationEdit")), QStringLiteral("90"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    const QStringList version = added(kInitialLines);
    EXPECT_EQ(version.mid(7), QStringList({QStringLiteral("<Taille>12</Taille>"),
                                           QStringLiteral("<Rotation>90</Rotation>"), QStringLiteral("</Composant>")}));

    // a MemoTexte spreads its text over the lines typed
    setMemo(kInitialLines);
    chooseObject(QStringLiteral("MemoTexte"));
    QTest::keyClicks(e.findChild<QPlainTextEdit*>(QStringLiteral("memoTextEdit")), QStringLiteral("un"));
    QTest::keyClick(e.findChild<QPlainTextEdit*>(QStringLiteral("memoTextEdit")), Qt::Key_Return);
    QTest::keyClicks(e.findChild<QPlainTextEdit*>(QStringLiteral("memoTextEdit")), QStringLiteral("deux"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    EXPECT_EQ(added(kInitialLines).mid(7),
              QStringList({QStringLiteral("<Position>Left</Position>"), QStringLiteral("<Text>un"),
                           QStringLiteral("deux</Text>"), QStringLiteral("<Taille>8</Taille>"),
                           QStringLiteral("</Composant>")}));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

TEST_F(PageEditor, AjouterNeedsALineThatIsExactlyTheClosingTag)
{
    const QString variants[] = {QStringLiteral("  </Composants>"), QStringLiteral("</Composants> "),
                                QStringLiteral("<Composants></Composants>"), QStringLiteral("</composants>")};
    for (const QString& closing : variants) {
        QStringList lines = kInitialLines;
        lines[20] = closing;
        setMemo(lines);
        click(editor().findChild<QPushButton*>(QStringLiteral("addComponentButton")));
        EXPECT_EQ(editor().memoLines(), lines) << qPrintable(closing);
    }
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
}

TEST_F(PageEditor, CreerRebuildsTheGridAllMarked)
{
    PageEditorPage& e = editor();
    EXPECT_EQ(marksShown(), QStringList(8, QStringLiteral("X")));
    type(e.findChild<QLineEdit*>(QStringLiteral("rowsEdit")), QStringLiteral("3"));
    type(e.findChild<QLineEdit*>(QStringLiteral("columnsEdit")), QStringLiteral("3"));
    click(e.findChild<QPushButton*>(QStringLiteral("createPageButton")));
    EXPECT_EQ(e.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->rowCount(), 3);
    EXPECT_EQ(e.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->columnCount(), 3);
    EXPECT_EQ(marksShown(), QStringList(9, QStringLiteral("X")));
    // (199 - 2 x 3 - 2) / 3 and (281 - 2 x 3 - 2) / 3
    EXPECT_EQ(e.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->cellWidth(), 63);
    EXPECT_EQ(e.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->cellHeight(), 91);
}

// The page drawn: the margin frame, 8 outlines, 3 page texts, one rectangle per marked label.
TEST_F(PageEditor, SwitchesAndGridMarksRedrawThePreview)
{
    PageEditorPage& e = editor();
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    auto shown = [&e] {
        return e.findChild<report::PagePreview*>(QStringLiteral("pagePreview"))->page()
                   ? int(e.findChild<report::PagePreview*>(QStringLiteral("pagePreview"))->page()->components().size())
                   : -1;
    };
    EXPECT_EQ(shown(), 1 + 8 + 3 + 8);
    showCommandTab(2);
    QTest::mouseClick(e.findChild<QCheckBox*>(QStringLiteral("marginsCheck")), Qt::LeftButton, {},
                      QPoint(6, e.findChild<QCheckBox*>(QStringLiteral("marginsCheck"))->height() / 2));
    EXPECT_EQ(shown(), 8 + 3 + 8);
    QTest::mouseClick(e.findChild<QCheckBox*>(QStringLiteral("labelsCheck")), Qt::LeftButton, {},
                      QPoint(6, e.findChild<QCheckBox*>(QStringLiteral("labelsCheck"))->height() / 2));
    EXPECT_EQ(shown(), 3 + 8);
    // a double-click on the second label of the first row unmarks it, and the page follows
    const QPoint at = e.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))
                          ->visualRect(e.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->model()->index(0, 1))
                          .center();
    QTest::mouseClick(e.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(e.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(e.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->item(0, 1)->text(), QString());
    EXPECT_EQ(shown(), 3 + 7);
    // the report lists the object once, whatever the labels that carry it
    EXPECT_EQ(reportRows(), QStringList({QStringLiteral("Cadre | Objet | 10,0 mm | 10,0 mm | 10,0 mm | 10,0 mm")}));
}

// The execution report lists each object with its place on the label and what stands in the way of
// printing it; choosing a row chooses the object.
TEST_F(PageEditor, TheExecutionReportListsEachObjectWithItsProblems)
{
    PageEditorPage& e = editor();
    chooseObject(QStringLiteral("Image"));
    type(e.findChild<QLineEdit*>(QStringLiteral("imageFileEdit")), QStringLiteral("Absente.bmp"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    chooseObject(QStringLiteral("Rectangle"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentLeftEdit")), QStringLiteral("12,34"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));

    const QStringList rows = reportRows();
    ASSERT_EQ(rows.size(), 3) << qPrintable(rows.join(u'\n'));
    EXPECT_EQ(rows[0], QStringLiteral("Image | Objet | 10,0 mm | 10,0 mm | 10,0 mm | 10,0 mm"));
    EXPECT_TRUE(rows[1].startsWith(QStringLiteral("! image introuvable : "))) << qPrintable(rows[1]);
    EXPECT_TRUE(rows[1].endsWith(QStringLiteral("/Absente.bmp"))) << qPrintable(rows[1]);
    EXPECT_EQ(rows[2], QStringLiteral("Cadre | Objet | 12,3 mm | 10,0 mm | 10,0 mm | 10,0 mm"));

    auto* list = e.findChild<QTreeWidget*>(QStringLiteral("reportList"));
    EXPECT_EQ(list->accessibleName(), QStringLiteral("Compte rendu d'exécution."));
    EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("Gauche"));
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(1));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(e.selectedObject(), 1);
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(e.selectedObject(), 0);
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

// The text is read as it is typed: the grid follows its rows at once, and a text in error leaves the
// grid of the text read last, "Redessiner la grille" too.
TEST_F(PageEditor, TheGridFollowsTheTextAtOnceAndKeepsTheTextParsedLast)
{
    PageEditorPage& e = editor();
    auto* grid = e.findChild<SelectionGrid*>(QStringLiteral("labelGrid"));
    QStringList lines = kInitialLines;
    lines[6] = QStringLiteral("<Ligne>5</Ligne>");
    setMemo(lines);
    EXPECT_EQ(grid->rowCount(), 5);
    lines[6] = QStringLiteral("<Ligne>6</Lign>");
    setMemo(lines);
    EXPECT_EQ(grid->rowCount(), 5);
    click(e.findChild<QPushButton*>(QStringLiteral("redrawGridButton")));
    EXPECT_EQ(grid->rowCount(), 5);
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
}

// What is typed in a field goes in as a reference where the text would otherwise break.
TEST_F(PageEditor, MarkupTypedInAFieldKeepsTheTextReadable)
{
    PageEditorPage& e = editor();
    chooseObject(QStringLiteral("Texte"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentNameEdit")), QStringLiteral("Libelle"));
    type(e.findChild<QLineEdit*>(QStringLiteral("textEdit")), QStringLiteral("R&D <1> > 0"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
    EXPECT_TRUE(e.memoLines().contains(QStringLiteral("<Text>R&amp;D &lt;1&gt; &gt; 0</Text>")))
        << qPrintable(e.memoLines().join(u'\n'));
    ASSERT_FALSE(e.sheet().EtiqXML().components().empty());
    EXPECT_EQ(e.sheet().EtiqXML().components().back().text, QStringLiteral("R&D <1> > 0"));
}

TEST_F(PageEditor, AMalformedTextIsReportedWithItsPlaceAndChangesNothingShown)
{
    PageEditorPage& e = editor();
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton"))); // one rectangle: one row
    const QStringList report = reportRows();
    ASSERT_EQ(report.size(), 1);
    const auto page = e.findChild<report::PagePreview*>(QStringLiteral("pagePreview"))->page();
    ASSERT_NE(page, nullptr);
    e.sheet().marks().toggle(1, 0);
    const QStringList cells = marksShown();

    // a "<" typed into the text itself breaks it
    QStringList lines = e.memoLines();
    const qsizetype name = lines.lastIndexOf(QRegularExpression(QStringLiteral("^<Name>.*</Name>$")));
    ASSERT_GE(name, 0);
    lines[name] = QStringLiteral("<Name>a<b</Name>");
    setMemo(lines);
    click(e.findChild<QPushButton*>(QStringLiteral("redrawPageButton")));
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    const QString message = Dialogs::shownMessages().first();
    EXPECT_TRUE(message.contains(QStringLiteral("at line 23, column"))) << qPrintable(message);
    EXPECT_EQ(reportRows(), report);
    EXPECT_EQ(e.findChild<report::PagePreview*>(QStringLiteral("pagePreview"))->page(), page);
    EXPECT_EQ(marksShown(), cells);
    // the grid is still rebuilt from the text parsed last
    click(e.findChild<QPushButton*>(QStringLiteral("redrawGridButton")));
    EXPECT_EQ(marksShown(), QStringList(8, QStringLiteral("X")));
}

TEST_F(PageEditor, ASavedDescriptionBuildsTheSamePageInTheMainWindow)
{
    PageEditorPage& e = editor();
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton"))); // Rectangle
    chooseObject(QStringLiteral("Texte"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentNameEdit")), QStringLiteral("Libelle"));
    type(e.findChild<QLineEdit*>(QStringLiteral("textEdit")), QStringLiteral("Modéle € œ"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    chooseObject(QStringLiteral("AutoBarCode"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentNameEdit")), QStringLiteral("Code"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentTopEdit")), QStringLiteral("22,5"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentHeightEdit")), QStringLiteral("15"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentWidthEdit")), QStringLiteral("60"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    chooseObject(QStringLiteral("AutoTexte"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentNameEdit")), QStringLiteral("Operateur"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    e.sheet().marks().toggle(0, 1); // the third label stays blank in both
    click(e.findChild<QPushButton*>(QStringLiteral("redrawPageButton")));
    ASSERT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));

    const QString path = m_data.file(QStringLiteral("Modeles/Editeur"));
    Dialogs::setNextFileName(path);
    click(e.findChild<QToolButton*>(QStringLiteral("saveDescriptionButton")));
    const QString saved = path + QStringLiteral(".ETQ");
    ASSERT_TRUE(QFile::exists(saved));
    EXPECT_EQ(e.descriptionFile(), saved);

    QWidget window;
    LabelSheet sheet(m_values, &window);
    sheet.loadDescription(saved);
    sheet.marks().rebuild(sheet.EtiqXML());
    sheet.marks().toggle(0, 1);
    ASSERT_TRUE(sheet.showPage());
    ASSERT_TRUE(e.sheet().page() && sheet.page());
    EXPECT_FALSE(e.sheet().page()->isEmpty());
    EXPECT_EQ(*sheet.page(), *e.sheet().page());
}

TEST_F(PageEditor, SavingAnOpenedFileProposesItAndWritesTheLinesShown)
{
    const QString path = m_data.file(QStringLiteral("Modeles/Ouvert.ETQ"));
    QByteArray bytes;
    for (const QString& line : kInitialLines)
        bytes += line.toLatin1() + "\r\n";
    bytes.replace("<Reference>Avery</Reference>", "<Reference>Mod\xe9le \x80</Reference>");
    m_data.write(QStringLiteral("Modeles/Ouvert.ETQ"), bytes);

    PageEditorPage& e = editor();
    Dialogs::setNextFileName(path);
    click(e.findChild<QToolButton*>(QStringLiteral("openDescriptionButton")));
    EXPECT_EQ(e.memoLines().value(3), QStringLiteral("<Reference>Modéle €</Reference>"));
    EXPECT_EQ(e.document().sheet().Reference, QStringLiteral("Modéle €"));
    EXPECT_TRUE(reportRows().isEmpty());

    // cancelling writes nothing, but the dialog proposed the file opened
    click(e.findChild<QToolButton*>(QStringLiteral("saveDescriptionButton")));
    EXPECT_EQ(Dialogs::lastDialogPath(), path);
    EXPECT_EQ(m_data.read(QStringLiteral("Modeles/Ouvert.ETQ")), bytes);

    // saved unchanged: the same bytes; edited: exactly the lines shown
    Dialogs::setNextFileName(path);
    click(e.findChild<QToolButton*>(QStringLiteral("saveDescriptionButton")));
    EXPECT_EQ(m_data.read(QStringLiteral("Modeles/Ouvert.ETQ")), bytes);
    QTextCursor end(e.findChild<QPlainTextEdit*>(QStringLiteral("descriptionText"))->document());
    end.movePosition(QTextCursor::End);
    e.findChild<QPlainTextEdit*>(QStringLiteral("descriptionText"))->setTextCursor(end);
    QTest::keyClick(e.findChild<QPlainTextEdit*>(QStringLiteral("descriptionText")), Qt::Key_Return);
    QTest::keyClicks(e.findChild<QPlainTextEdit*>(QStringLiteral("descriptionText")), QStringLiteral("  <!-- fin -->"));
    Dialogs::setNextFileName(path);
    click(e.findChild<QToolButton*>(QStringLiteral("saveDescriptionButton")));
    EXPECT_EQ(m_data.read(QStringLiteral("Modeles/Ouvert.ETQ")), bytes + "  <!-- fin -->\r\n");

    // a character the file cannot hold is refused and the file kept
    e.findChild<QPlainTextEdit*>(QStringLiteral("descriptionText"))->insertPlainText(QStringLiteral(" Ω"));
    Dialogs::setNextFileName(path);
    click(e.findChild<QToolButton*>(QStringLiteral("saveDescriptionButton")));
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().startsWith(QStringLiteral("Le caractère « Ω » de la ligne 23")));
    EXPECT_EQ(m_data.read(QStringLiteral("Modeles/Ouvert.ETQ")), bytes + "  <!-- fin -->\r\n");
}

TEST_F(PageEditor, AFileThatCannotBeReadKeepsTheText)
{
    PageEditorPage& e = editor();
    Dialogs::setNextFileName(m_data.file(QStringLiteral("Modeles/Absent.ETQ")));
    click(e.findChild<QToolButton*>(QStringLiteral("openDescriptionButton")));
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().startsWith(QStringLiteral("Cannot open file")));
    EXPECT_EQ(e.memoLines(), kInitialLines);
    EXPECT_TRUE(e.descriptionFile().isEmpty());
}

TEST_F(PageEditor, MemoTexteLoadsAndSavesItsText)
{
    PageEditorPage& e = editor();
    m_data.write(QStringLiteral("texte.txt"), "premi\xe8re\r\nseconde\r\n");
    Dialogs::setNextFileName(m_data.file(QStringLiteral("texte.txt")));
    click(e.findChild<QToolButton*>(QStringLiteral("loadMemoTextButton")));
    EXPECT_EQ(Dialogs::lastDialogPath(), DataFolder::root());
    EXPECT_EQ(e.findChild<QPlainTextEdit*>(QStringLiteral("memoTextEdit"))->toPlainText(),
              QStringLiteral("première\nseconde"));
    click(e.findChild<QToolButton*>(QStringLiteral("saveMemoTextButton"))); // cancelled
    EXPECT_EQ(Dialogs::lastDialogPath(), m_data.file(QStringLiteral("texte.txt")));
    Dialogs::setNextFileName(m_data.file(QStringLiteral("copie")));
    click(e.findChild<QToolButton*>(QStringLiteral("saveMemoTextButton")));
    // no extension is added to a MemoTexte's file
    EXPECT_EQ(m_data.read(QStringLiteral("copie")), QByteArray("premi\xe8re\r\nseconde\r\n"));
    click(e.findChild<QToolButton*>(QStringLiteral("clearMemoTextButton")));
    EXPECT_TRUE(e.findChild<QPlainTextEdit*>(QStringLiteral("memoTextEdit"))->toPlainText().isEmpty());
}

TEST_F(PageEditor, StandardSheetsFillThePageFields)
{
    PageEditorPage& e = editor();
    EXPECT_EQ(e.findChild<QComboBox*>(QStringLiteral("standardSheetChoice")), nullptr);
    m_form.reset();

    PageEditorPage& withSheets = *form(test::fixture(QStringLiteral("editor/templates"))).editorPage();
    QComboBox* choice = withSheets.findChild<QComboBox*>(QStringLiteral("standardSheetChoice"));
    ASSERT_NE(choice, nullptr);
    ASSERT_EQ(choice->count(), withSheets.standardSheets().size());
    EXPECT_EQ(choice->accessibleName(), QStringLiteral("Planche standard"));
    const int index = choice->findText(QStringLiteral("Acme R200"), Qt::MatchStartsWith);
    ASSERT_GE(index, 0);
    choice->setCurrentIndex(index);
    emit choice->activated(index);
    EXPECT_EQ(withSheets.findChild<QLineEdit*>(QStringLiteral("pageReferenceEdit"))->text(),
              QStringLiteral("Acme R200"));
    EXPECT_EQ(withSheets.findChild<QLineEdit*>(QStringLiteral("pageHeightEdit"))->text(), QStringLiteral("152,4"));
    EXPECT_EQ(withSheets.findChild<QLineEdit*>(QStringLiteral("bottomMarginEdit"))->text(), QStringLiteral("22,86"));
    EXPECT_EQ(withSheets.findChild<QLineEdit*>(QStringLiteral("verticalGapEdit"))->text(), QStringLiteral("5,08"));

    // the fields stay the operator's; "CREER" writes them as they stand, and the page builds
    type(withSheets.findChild<QLineEdit*>(QStringLiteral("pageReferenceEdit")), QStringLiteral("Ma planche"));
    click(withSheets.findChild<QPushButton*>(QStringLiteral("createPageButton")));
    const QStringList lines = withSheets.memoLines();
    EXPECT_EQ(lines.value(3), QStringLiteral("<Reference>Ma planche</Reference>"));
    EXPECT_EQ(lines.value(6), QStringLiteral("<Ligne>4</Ligne>"));
    EXPECT_EQ(lines.value(12), QStringLiteral("<LargeurEtiquette>50,8</LargeurEtiquette>"));
    EXPECT_EQ(withSheets.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->columnCount(), 2);
    EXPECT_EQ(withSheets.findChild<SelectionGrid*>(QStringLiteral("labelGrid"))->rowCount(), 4);
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

TEST_F(PageEditor, EveryShowingSetsCodeManuelFromTheFlagFirst)
{
    m_host.manual = true;
    ConfigurationWindow& f = form();
    EXPECT_TRUE(f.listsPage()->findChild<QCheckBox*>(QStringLiteral("manualCodeCheck"))->isChecked());
    f.hide();
    m_host.manual = false;
    f.show();
    EXPECT_FALSE(f.listsPage()->findChild<QCheckBox*>(QStringLiteral("manualCodeCheck"))->isChecked());
}

} // namespace
} // namespace pelorin

namespace pelorin {
namespace {

TEST_F(PageEditor, EveryTypeOfTheTableShowsItsPageAndWritesTheFieldsItNames)
{
    PageEditorPage& e = editor();
    auto* notebook = e.findChild<QStackedWidget*>(QStringLiteral("parameterPages"));
    int n = 0;
    for (const ComponentType& type : componentTypeTable()) {
        SCOPED_TRACE(type.name.toStdString());
        for (QRadioButton* radio :
             e.findChild<QGroupBox*>(QStringLiteral("componentTypeGroup"))->findChildren<QRadioButton*>())
            if (radio->text() == componentTypeCaption(type.name))
                radio->click();
        ASSERT_NE(notebook->currentWidget(), nullptr);
        EXPECT_EQ(notebook->currentWidget()->objectName(), QString::fromLatin1(type.editorPage));
        // a distinct value in every field the type writes, so a field read for the wrong element shows
        QStringList expected;
        for (const WrittenElement& w : type.writes) {
            QString value = QStringLiteral("v%1").arg(++n);
            QWidget* field = e.findChild<QWidget*>(QString::fromLatin1(w.field));
            ASSERT_NE(field, nullptr) << w.field;
            if (auto* line = qobject_cast<QLineEdit*>(field)) {
                line->setText(value);
            } else if (auto* area = qobject_cast<QPlainTextEdit*>(field)) {
                area->setPlainText(value);
            } else if (auto* choice = qobject_cast<QComboBox*>(field)) {
                // a list writes the stored word of what it shows: the last one, not the default
                ASSERT_GT(choice->count(), 1) << w.field;
                choice->setCurrentIndex(choice->count() - 1);
                value = choice->currentData().toString();
                EXPECT_EQ(value, QStringLiteral("Right")) << w.field;
            } else {
                FAIL() << w.field << " is no text field";
            }
            expected << QStringLiteral("<%1>%2</%1>").arg(QString::fromLatin1(w.element), value);
        }
        const QStringList before = e.memoLines();
        click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
        const QStringList block = added(before);
        ASSERT_EQ(block.size(), 8 + expected.size());
        EXPECT_EQ(block[1], QStringLiteral("<Type>") + type.name + QStringLiteral("</Type>"));
        EXPECT_EQ(block.mid(7, expected.size()), expected);
    }
}

// Objects on the preview: the pointer picks, moves and resizes, the arrows nudge; each change is the
// element's value in millimetres in the text and in the panel, and undoes back to the page as it was.
class PageEditorManipulation : public PageEditor
{
protected:
    LayoutOverlay* overlay() { return editor().findChild<LayoutOverlay*>(QStringLiteral("layoutOverlay")); }
    QPoint at(QPointF mm) { return overlay()->toPixels(mm).toPoint(); }
    // A drag of the pointer from one point of the first label to another, in steps.
    void drag(QPointF from, QPointF to)
    {
        QTest::mousePress(overlay(), Qt::LeftButton, {}, at(from));
        QTest::mouseMove(overlay(), at((from + to) / 2));
        QTest::mouseMove(overlay(), at(to));
        QTest::mouseRelease(overlay(), Qt::LeftButton, {}, at(to));
    }
    QString element(const char* name) { return editor().document().value(editor().selectedObject(), name); }
    double spin(const char* name) { return editor().findChild<QDoubleSpinBox*>(QString::fromLatin1(name))->value(); }
    // One rectangle at 10, 10 mm, 10 x 10 mm, on a preview at 100 %.
    void oneFrame()
    {
        chooseObject(QStringLiteral("Rectangle"));
        click(editor().findChild<QPushButton*>(QStringLiteral("addComponentButton")));
        editor().findChild<report::PagePreview*>(QStringLiteral("pagePreview"))->setZoom(100);
        QCoreApplication::processEvents();
    }
};

TEST_F(PageEditorManipulation, ThePointerAndTheArrowsMoveAndResizeInMillimetres)
{
    PageEditorPage& e = editor();
    oneFrame();
    const QString opened = e.document().text();
    ASSERT_EQ(e.selectedObject(), -1);

    // a click inside the frame, on another label than the first, picks it
    const SheetGeometry& g = e.document().sheet();
    const QPointF secondLabel(g.columnPitch() * 25.4, 0);
    QTest::mouseClick(overlay(), Qt::LeftButton, {}, at(secondLabel + QPointF(15, 15)));
    ASSERT_EQ(e.selectedObject(), 0);
    EXPECT_EQ(e.findChild<QTreeWidget*>(QStringLiteral("objectList"))->currentIndex().row(), 0);
    EXPECT_DOUBLE_EQ(spin("objectLeftSpin"), 10.0);

    // dragged by about 5.2 and 3.1 mm: the grid of 0.5 mm takes it to 15 and 13 mm; the status line
    // tells the box while the pointer moves
    QTest::mousePress(overlay(), Qt::LeftButton, {}, at({15, 15}));
    QTest::mouseMove(overlay(), at({20.2, 18.1}));
    EXPECT_EQ(e.findChild<QLabel*>(QStringLiteral("editorStatus"))->text(),
              QStringLiteral("Gauche 15,0 mm, haut 13,0 mm, largeur 10,0 mm, hauteur 10,0 mm"));
    QTest::mouseRelease(overlay(), Qt::LeftButton, {}, at({20.2, 18.1}));
    EXPECT_EQ(element("Left"), QStringLiteral("15"));
    EXPECT_EQ(element("Top"), QStringLiteral("13"));
    EXPECT_DOUBLE_EQ(spin("objectLeftSpin"), 15.0);
    EXPECT_DOUBLE_EQ(spin("objectTopSpin"), 13.0);

    // the arrows: a tenth, a whole millimetre with Shift, never snapped
    QTest::keyClick(overlay(), Qt::Key_Right);
    QTest::keyClick(overlay(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(overlay(), Qt::Key_Left);
    QTest::keyClick(overlay(), Qt::Key_Left);
    EXPECT_EQ(element("Left"), QStringLiteral("14,9"));
    EXPECT_EQ(element("Top"), QStringLiteral("14"));
    EXPECT_NEAR(spin("objectLeftSpin"), 14.9, 1e-9);

    // the bottom right handle, dragged onto the label's right edge (100 mm) snaps there
    drag({24.9, 24}, {99.2, 30.5});
    EXPECT_EQ(element("Width"), QStringLiteral("85,1"));
    EXPECT_EQ(element("Height"), QStringLiteral("16,5"));
    EXPECT_NEAR(spin("objectWidthSpin"), 85.1, 1e-9);

    // without snapping, the box goes where the pointer leaves it, to the tenth
    click(e.findChild<QCheckBox*>(QStringLiteral("snapCheck")));
    const QPointF from(20, 20), to(23.3, 21.7);
    drag(from, to);
    const QPointF moved = overlay()->toLabel(at(to)) - overlay()->toLabel(at(from));
    EXPECT_EQ(element("Left"), millimetreText(14.9 + moved.x()));
    EXPECT_EQ(element("Top"), millimetreText(14 + moved.y()));

    // one undo per change, back to the page as opened; Ctrl+Y again
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(overlay(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(e.document().text(), opened);
    EXPECT_EQ(e.memoLines().join(u'\n'), opened);
    QTest::keyClick(overlay(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(element("Left"), QStringLiteral("15"));
    EXPECT_DOUBLE_EQ(spin("objectLeftSpin"), 15.0);
}

TEST_F(PageEditorManipulation, TheListThePanelAndTheTextStayInStep)
{
    PageEditorPage& e = editor();
    chooseObject(QStringLiteral("Texte"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentNameEdit")), QStringLiteral("Titre"));
    type(e.findChild<QLineEdit*>(QStringLiteral("textEdit")), QStringLiteral("Lot"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    oneFrame();
    auto* list = e.findChild<QTreeWidget*>(QStringLiteral("objectList"));
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("Texte fixe"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("Titre"));
    EXPECT_EQ(list->topLevelItem(1)->text(0), QStringLiteral("Cadre"));
    EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("10,0"));

    // a row chosen with the keyboard selects its element in the text
    list->setFocus();
    list->setCurrentItem(list->topLevelItem(0));
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(e.selectedObject(), 1);
    const QString selected =
        e.findChild<QPlainTextEdit*>(QStringLiteral("descriptionText"))->textCursor().selectedText();
    EXPECT_TRUE(selected.startsWith(QStringLiteral("<Composant>"))) << qPrintable(selected);
    EXPECT_TRUE(selected.contains(QStringLiteral("<Type>Rectangle</Type>"))) << qPrintable(selected);

    // the panel: the width typed, the frame's border
    auto* width = e.findChild<QDoubleSpinBox*>(QStringLiteral("objectWidthSpin"));
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, QStringLiteral("42") + QLocale().decimalPoint() + QStringLiteral("5"));
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_EQ(element("Width"), QStringLiteral("42,5"));
    EXPECT_EQ(list->topLevelItem(1)->text(4), QStringLiteral("42,5"));
    EXPECT_EQ(width->suffix(), QStringLiteral(" mm"));
    // the border in millimetres, a step being one of the stored pixels (1/96 inch)
    auto* border = e.findChild<QDoubleSpinBox*>(QStringLiteral("objectBorderSpin"));
    ASSERT_TRUE(border->isVisibleTo(&e));
    EXPECT_EQ(border->suffix(), QStringLiteral(" mm"));
    EXPECT_NEAR(border->value(), 25.4 / 96, 0.01);
    EXPECT_FALSE(e.findChild<QPlainTextEdit*>(QStringLiteral("objectTextEdit"))->isVisibleTo(&e));
    border->setFocus();
    QTest::keyClick(border, Qt::Key_Up);
    EXPECT_EQ(element("BorderWidth"), QStringLiteral("2"));
    EXPECT_NEAR(border->value(), 2 * 25.4 / 96, 0.01);

    // Alt+Up draws it first, Ctrl+D copies it beside, Delete takes the copy away
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("Cadre"));
    EXPECT_EQ(e.selectedObject(), 0);
    QTest::keyClick(list, Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(e.selectedObject(), 1);
    EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("12,0"));
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("Titre"));
    // the text of the fixed text, through the panel
    list->setCurrentItem(list->topLevelItem(1));
    auto* content = e.findChild<QPlainTextEdit*>(QStringLiteral("objectTextEdit"));
    ASSERT_TRUE(content->isVisibleTo(&e));
    EXPECT_EQ(content->toPlainText(), QStringLiteral("Lot"));
    content->setFocus();
    content->moveCursor(QTextCursor::End);
    QTest::keyClicks(content, QStringLiteral(" 12"));
    EXPECT_EQ(element("Text"), QStringLiteral("Lot 12"));
    EXPECT_TRUE(e.memoLines().contains(QStringLiteral("<Text>Lot 12</Text>")));

    // a text that does not parse: the objects stay, its line is marked and named
    auto* text = e.findChild<QPlainTextEdit*>(QStringLiteral("descriptionText"));
    const qsizetype line = e.memoLines().indexOf(QStringLiteral("<Name>Titre</Name>"));
    ASSERT_GE(line, 0);
    QTextCursor cursor(text->document()->findBlockByNumber(int(line)));
    cursor.movePosition(QTextCursor::EndOfBlock);
    text->setTextCursor(cursor);
    text->setFocus();
    QTest::keyClicks(text, QStringLiteral("<"));
    EXPECT_EQ(list->topLevelItemCount(), 2);
    EXPECT_TRUE(e.findChild<QLabel*>(QStringLiteral("editorStatus"))
                    ->text()
                    .startsWith(QStringLiteral("Ligne %1 : ").arg(line + 1)))
        << qPrintable(e.findChild<QLabel*>(QStringLiteral("editorStatus"))->text());
    ASSERT_EQ(text->extraSelections().size(), 1);
    EXPECT_EQ(text->extraSelections().first().cursor.blockNumber(), line);
    // the key typed is one step: Ctrl+Z in the text takes it back, and the mark goes
    QTest::keyClick(text, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(e.document().isValid());
    EXPECT_TRUE(text->extraSelections().isEmpty());
    EXPECT_TRUE(e.memoLines().contains(QStringLiteral("<Name>Titre</Name>")));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

TEST_F(PageEditorManipulation, ANewObjectIsDrawnOnTheLabel)
{
    PageEditorPage& e = editor();
    oneFrame();
    auto* types = e.findChild<QComboBox*>(QStringLiteral("drawTypeChoice"));
    types->setCurrentIndex(types->findText(QStringLiteral("Code de traçabilité")));
    ASSERT_GE(types->currentIndex(), 0);
    QTest::keyClick(overlay(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(e.findChild<QToolButton*>(QStringLiteral("drawObjectButton"))->isChecked());
    // drawn from its bottom right to its top left
    drag({70.2, 25.1}, {30.1, 15.2});
    ASSERT_EQ(e.document().objects().size(), 2u);
    EXPECT_EQ(e.selectedObject(), 1);
    EXPECT_EQ(e.document().objects()[1].type, QStringLiteral("AutoBarCode"));
    EXPECT_EQ(e.document().objects()[1].box, QRectF(30, 15, 40, 10));
    EXPECT_FALSE(e.findChild<QToolButton*>(QStringLiteral("drawObjectButton"))->isChecked());
    // the report lists it after the frame, where it was drawn
    ASSERT_GE(reportRows().size(), 2);
    EXPECT_EQ(reportRows()[1], QStringLiteral("Code de traçabilité | Objet2 | 30,0 mm | 15,0 mm | 40,0 mm | 10,0 mm"));
    QTest::keyClick(overlay(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(e.document().objects().size(), 1u);
}

// "Enregistrer" proposes the page's reference in the models folder; closing the window with changes
// not saved asks first, and Cancel keeps it open.
TEST_F(PageEditorManipulation, ClosingWithChangesAsksAndSavingProposesTheReference)
{
    ConfigurationWindow& f = form();
    PageEditorPage& e = editor();
    oneFrame();
    Dialogs::clearShownMessages();
    Dialogs::setNextAnswer(QMessageBox::Cancel);
    f.reject();
    EXPECT_TRUE(f.isVisible());
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);

    const QString path = m_data.file(QStringLiteral("Modeles/Planche.ETQ"));
    Dialogs::setNextFileName(path);
    Dialogs::setNextAnswer(QMessageBox::Yes);
    f.reject();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(QDir::cleanPath(Dialogs::lastDialogPath()),
              QDir::cleanPath(m_data.file(QStringLiteral("Modeles/Avery.ETQ"))));
    EXPECT_EQ(readTextLines(path), e.memoLines());

    // saved: closing again asks nothing
    f.show();
    Dialogs::clearShownMessages();
    f.reject();
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
}

// An image is chosen from anywhere: it is copied into the logos folder, never over another image of
// that name, and the box takes its proportions.
TEST_F(PageEditorManipulation, AnImageIsChosenIntoTheLogosFolderWithItsProportions)
{
    PageEditorPage& e = editor();
    chooseObject(QStringLiteral("Image"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    e.selectObject(0);
    auto* choose = e.findChild<QPushButton*>(QStringLiteral("chooseImageButton"));
    ASSERT_TRUE(choose->isVisibleTo(&e));
    EXPECT_TRUE(e.findChild<QCheckBox*>(QStringLiteral("keepProportionsCheck"))->isVisibleTo(&e));

    QImage wide(200, 50, QImage::Format_RGB32);
    wide.fill(Qt::red);
    const QString outside = m_data.file(QStringLiteral("Photos/bandeau.png"));
    QDir().mkpath(m_data.file(QStringLiteral("Photos")));
    ASSERT_TRUE(wide.save(outside));
    Dialogs::setNextFileName(outside);
    click(choose);
    EXPECT_TRUE(QFileInfo::exists(m_data.file(QStringLiteral("logos/bandeau.png"))) ||
                QFileInfo::exists(m_data.file(QStringLiteral("Logos/bandeau.png"))));
    EXPECT_EQ(element("FileName"), QStringLiteral("bandeau.png"));
    // 10 mm wide, so 2,5 mm high
    EXPECT_EQ(element("Width"), QStringLiteral("10"));
    EXPECT_EQ(element("Height"), QStringLiteral("2,5"));
    // the width typed keeps the proportions too
    auto* width = e.findChild<QDoubleSpinBox*>(QStringLiteral("objectWidthSpin"));
    width->setValue(40);
    EXPECT_EQ(element("Height"), QStringLiteral("10"));

    // another image of the same name is refused with a message, and nothing changes
    QImage other(50, 50, QImage::Format_RGB32);
    other.fill(Qt::blue);
    QDir().mkpath(m_data.file(QStringLiteral("Autres")));
    ASSERT_TRUE(other.save(m_data.file(QStringLiteral("Autres/bandeau.png"))));
    const QString before = e.document().text();
    Dialogs::clearShownMessages();
    Dialogs::setNextFileName(m_data.file(QStringLiteral("Autres/bandeau.png")));
    click(choose);
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().contains(QStringLiteral("bandeau.png")));
    EXPECT_EQ(e.document().text(), before);
}

// The barcodes' check follows the page as it is edited: a box wide enough gets whole printer dots
// and grades A, the same box narrowed says it is too narrow and how wide it would have to be.
TEST_F(PageEditorManipulation, TheBarcodeCheckFollowsTheBoxAsItIsEdited)
{
    PageEditorPage& e = editor();
    e.setCheckResolution(300);
    chooseObject(QStringLiteral("AutoBarCode"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentNameEdit")), QStringLiteral("Code"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentHeightEdit")), QStringLiteral("15"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentWidthEdit")), QStringLiteral("80"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    const QLabel* check = e.findChild<QLabel*>(QStringLiteral("barcodeCheck"));
    ASSERT_NE(check, nullptr);
    EXPECT_TRUE(check->accessibleName().contains(QStringLiteral("qualité A"))) << qPrintable(check->accessibleName());
    EXPECT_TRUE(check->accessibleName().contains(QStringLiteral("(4 points)"))) << qPrintable(check->accessibleName());

    QStringList lines = e.memoLines();
    const qsizetype width = lines.indexOf(QRegularExpression(QStringLiteral(".*<Width>80</Width>.*")));
    ASSERT_GE(width, 0) << qPrintable(lines.join(u'\n'));
    lines[width].replace(QStringLiteral("80"), QStringLiteral("20"));
    setMemo(lines);
    QCoreApplication::processEvents();
    EXPECT_TRUE(check->accessibleName().contains(QStringLiteral("trop étroite")))
        << qPrintable(check->accessibleName());
    EXPECT_TRUE(check->accessibleName().contains(QStringLiteral("il faudrait"))) << qPrintable(check->accessibleName());
}

// A text's face and place in its box from the panel: each choice writes its optional element, and
// choosing the default again takes it out, back to the page as it was.
TEST_F(PageEditorManipulation, ATextsFontWeightAndAlignmentComeFromThePanel)
{
    PageEditorPage& e = editor();
    chooseObject(QStringLiteral("Texte"));
    type(e.findChild<QLineEdit*>(QStringLiteral("textEdit")), QStringLiteral("Lot"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    e.selectObject(0);
    const QString added = e.document().text();
    auto* alignment = e.findChild<QComboBox*>(QStringLiteral("objectAlignmentChoice"));
    auto* font = e.findChild<QComboBox*>(QStringLiteral("objectFontChoice"));
    auto* bold = e.findChild<QCheckBox*>(QStringLiteral("objectBoldCheck"));
    for (QWidget* w : std::initializer_list<QWidget*>{alignment, font, bold})
        ASSERT_TRUE(w->isVisibleTo(&e)) << qPrintable(w->objectName());
    QStringList shown;
    for (int i = 0; i < alignment->count(); ++i)
        shown << alignment->itemText(i);
    EXPECT_EQ(shown, QStringList({QStringLiteral("gauche"), QStringLiteral("centre"), QStringLiteral("droite")}));
    EXPECT_EQ(alignment->currentText(), QStringLiteral("gauche"));
    EXPECT_EQ(font->currentText(), QStringLiteral("Arial"));
    EXPECT_FALSE(bold->isChecked());

    // each from the keyboard, as the operator reaches them
    alignment->setFocus();
    QTest::keyClick(alignment, Qt::Key_Down);
    QTest::keyClick(alignment, Qt::Key_Down);
    EXPECT_EQ(element("Position"), QStringLiteral("Right"));
    const int serif = font->findText(QStringLiteral("DejaVu Serif"));
    ASSERT_GE(serif, 0);
    font->setCurrentIndex(serif);
    emit font->activated(serif);
    EXPECT_EQ(element("Police"), QStringLiteral("DejaVu Serif"));
    bold->setFocus();
    QTest::keyClick(bold, Qt::Key_Space);
    EXPECT_EQ(element("Gras"), QStringLiteral("1"));
    EXPECT_TRUE(e.memoLines().contains(QStringLiteral("<Gras>1</Gras>"))) << qPrintable(e.document().text());
    // the page drawn from it: one text, right-aligned, bold, in that family
    EXPECT_TRUE(e.findChild<QLabel*>(QStringLiteral("editorStatus"))->text().isEmpty());

    // back to the defaults: the elements go, the text is the one added
    QTest::keyClick(bold, Qt::Key_Space);
    font->setCurrentIndex(0);
    emit font->activated(0);
    alignment->setFocus();
    QTest::keyClick(alignment, Qt::Key_Up);
    QTest::keyClick(alignment, Qt::Key_Up);
    EXPECT_EQ(e.document().text(), added);
    // and the history holds every step: four back, the text as it was right, serif and bold
    for (int i = 0; i < 4; ++i)
        e.document().undoStack()->undo();
    EXPECT_EQ(element("Position"), QStringLiteral("Right"));
    EXPECT_EQ(element("Police"), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(font->currentText(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(element("Gras"), QStringLiteral("1"));
    EXPECT_EQ(alignment->currentText(), QStringLiteral("droite"));
    EXPECT_TRUE(bold->isChecked());
}

// A barcode's symbology, its GTIN where the symbology carries one, its text under the bars, and its
// own check with the box width that would give whole dots.
TEST_F(PageEditorManipulation, ABarcodesSymbologyTextAndCheckComeFromThePanel)
{
    PageEditorPage& e = editor();
    e.setCheckResolution(300);
    chooseObject(QStringLiteral("AutoBarCode"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentNameEdit")), QStringLiteral("Code"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentHeightEdit")), QStringLiteral("15"));
    type(e.findChild<QLineEdit*>(QStringLiteral("componentWidthEdit")), QStringLiteral("80"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    e.selectObject(0);
    const QString added = e.document().text();
    auto* symbology = e.findChild<QComboBox*>(QStringLiteral("objectSymbologyChoice"));
    auto* gtin = e.findChild<QLineEdit*>(QStringLiteral("objectGtinEdit"));
    auto* readable = e.findChild<QCheckBox*>(QStringLiteral("objectHumanReadableCheck"));
    auto* check = e.findChild<QLabel*>(QStringLiteral("objectBarcodeCheck"));
    ASSERT_TRUE(symbology->isVisibleTo(&e));
    EXPECT_EQ(symbology->currentText(), QStringLiteral("Code 128"));
    EXPECT_EQ(symbology->count(), int(barcodeSymbologies().size()));
    EXPECT_FALSE(gtin->isVisibleTo(&e));
    EXPECT_TRUE(readable->isChecked());
    EXPECT_FALSE(e.findChild<QComboBox*>(QStringLiteral("objectAlignmentChoice"))->isVisibleTo(&e));
    EXPECT_TRUE(check->text().contains(QStringLiteral("qualité A"))) << qPrintable(check->text());
    EXPECT_TRUE(check->text().contains(QStringLiteral("Case la plus étroite en points entiers")))
        << qPrintable(check->text());
    EXPECT_TRUE(
        e.findChild<QLabel*>(QStringLiteral("barcodeCheck"))->accessibleName().contains(QStringLiteral("« Code »")));

    // the text under the bars off, then on again: nothing left of it
    readable->setFocus();
    QTest::keyClick(readable, Qt::Key_Space);
    EXPECT_EQ(element("TexteLisible"), QStringLiteral("0"));
    QTest::keyClick(readable, Qt::Key_Space);
    EXPECT_EQ(e.document().text(), added);

    // GS1-128 asks for the GTIN it carries
    const int gs1 = symbology->findText(QStringLiteral("GS1-128"));
    ASSERT_GE(gs1, 0);
    symbology->setCurrentIndex(gs1);
    emit symbology->activated(gs1);
    EXPECT_EQ(element("Symbology"), QStringLiteral("GS1-128"));
    ASSERT_TRUE(gtin->isVisibleTo(&e));
    type(gtin, QStringLiteral("03453120000011"));
    QTest::keyClick(gtin, Qt::Key_Return);
    EXPECT_EQ(element("GTIN"), QStringLiteral("03453120000011"));
    EXPECT_TRUE(e.findChild<QLabel*>(QStringLiteral("editorStatus"))->text().isEmpty())
        << qPrintable(e.findChild<QLabel*>(QStringLiteral("editorStatus"))->text());
    // a two-dimensional symbol has no text under it to switch
    const int qr = symbology->findText(QStringLiteral("QR Code"));
    symbology->setCurrentIndex(qr);
    emit symbology->activated(qr);
    EXPECT_EQ(element("Symbology"), QStringLiteral("QR Code"));
    EXPECT_FALSE(readable->isEnabled());
}

// A frame's border and corners in millimetres; an image keeps its proportions when a handle of its
// box is dragged on the preview.
TEST_F(PageEditorManipulation, FramesInMillimetresAndImagesKeepTheirProportionsOnThePreview)
{
    PageEditorPage& e = editor();
    oneFrame();
    e.selectObject(0);
    for (const auto& [name, caption] :
         {std::pair{"objectBorderSpin", "Épaisseur du bord"}, std::pair{"objectHRadiusSpin", "Rayon horizontal"},
          std::pair{"objectVRadiusSpin", "Rayon vertical"}}) {
        auto* field = e.findChild<QAbstractSpinBox*>(QString::fromLatin1(name));
        ASSERT_TRUE(field->isVisibleTo(&e)) << name;
        EXPECT_EQ(field->accessibleName(), QString::fromUtf8(caption));
        auto* form = qobject_cast<QFormLayout*>(field->parentWidget()->layout());
        ASSERT_NE(form, nullptr);
        auto* label = qobject_cast<QLabel*>(form->labelForField(field));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text().remove(u'&'), QString::fromUtf8(caption));
        EXPECT_EQ(label->buddy(), field);
        EXPECT_TRUE(field->property("suffix").toString().endsWith(QStringLiteral("mm")));
    }

    const QString types[] = {QStringLiteral("AutoLogo"), QStringLiteral("Rectangle")};
    for (const QString& t : types) {
        SCOPED_TRACE(t.toStdString());
        e.document().open(test::kInitialDescriptionLines.join(u'\n'));
        chooseObject(t);
        click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
        e.selectObject(0);
        QCoreApplication::processEvents();
        // the bottom right handle from 20, 20 to 40, 25: an image doubles its 10 mm square by its width
        drag({20, 20}, {40, 25});
        const QRectF box = e.document().objects()[0].box;
        if (t == QLatin1String("AutoLogo"))
            EXPECT_EQ(box, QRectF(10, 10, 30, 30));
        else
            EXPECT_EQ(box, QRectF(10, 10, 30, 15));
    }
}

// Every field of the panel is announced by its caption (a label whose buddy it is, or its own text)
// and Tab goes down the panel in the order it reads.
TEST_F(PageEditorManipulation, ThePanelsFieldsHaveTheirCaptionsAndTabGoesDownThePanel)
{
    PageEditorPage& e = editor();
    chooseObject(QStringLiteral("Texte"));
    click(e.findChild<QPushButton*>(QStringLiteral("addComponentButton")));
    e.selectObject(0);
    auto* group = e.findChild<QGroupBox*>(QStringLiteral("propertiesGroup"));
    auto* form = qobject_cast<QFormLayout*>(group->layout());
    ASSERT_NE(form, nullptr);
    QStringList visible;
    for (int row = 0; row < form->rowCount(); ++row) {
        QLayoutItem* item = form->itemAt(row, QFormLayout::FieldRole);
        QWidget* field = item ? item->widget() : nullptr;
        if (!field || !field->isVisibleTo(&e))
            continue;
        visible << field->objectName();
        if (qobject_cast<QCheckBox*>(field)) {
            EXPECT_FALSE(field->property("text").toString().isEmpty());
            continue;
        }
        auto* label = qobject_cast<QLabel*>(form->labelForField(field));
        ASSERT_NE(label, nullptr) << qPrintable(field->objectName());
        EXPECT_TRUE(label->buddy() == field || label->buddy()->parentWidget() == field)
            << qPrintable(field->objectName());
        EXPECT_TRUE(label->text().contains(u'&')) << qPrintable(label->text());
    }
    EXPECT_EQ(visible, QStringList({"objectNameEdit", "objectLeftSpin", "objectTopSpin", "objectWidthSpin",
                                    "objectHeightSpin", "objectTextEdit", "objectSizeSpin", "objectRotationSpin",
                                    "objectAlignmentChoice", "objectFontChoice", "objectBoldCheck"}));
    // the focus chain meets them in that order
    QStringList chain;
    QWidget* w = e.findChild<QWidget*>(QStringLiteral("objectNameEdit"));
    for (int i = 0; i < 500 && chain.size() < visible.size(); ++i, w = w->nextInFocusChain())
        if (visible.contains(w->objectName()) && !chain.contains(w->objectName()))
            chain << w->objectName();
    EXPECT_EQ(chain, visible);
    // the object list and the preview take the focus, from the keyboard too
    EXPECT_TRUE(e.findChild<QTreeWidget*>(QStringLiteral("objectList"))->focusPolicy() & Qt::TabFocus);
    EXPECT_TRUE(overlay()->focusPolicy() & Qt::TabFocus);
    // every command's key is told in its hint
    for (const auto& [name, key] : {std::pair{"saveDescriptionButton", "Ctrl+S"}, std::pair{"zoomInButton", "Ctrl++"},
                                    std::pair{"addComponentButton", "Ctrl+Maj+A"}, std::pair{"redrawPageButton", "F5"},
                                    std::pair{"deleteObjectButton", "Suppr"}}) {
        auto* b = e.findChild<QAbstractButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        EXPECT_TRUE(b->toolTip().contains(QString::fromLatin1(key))) << qPrintable(b->toolTip());
    }
}

} // namespace
} // namespace pelorin
