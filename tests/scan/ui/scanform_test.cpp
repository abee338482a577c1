#include "../samplecodes.h"
#include "base/ui/dialogs.h"
#include "config/configfile.h"
#include "scan/scangrid.h"
#include "scan/ui/scanform.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

using pelorin::test::kBadDay;
using pelorin::test::kCode;
using pelorin::test::kSoap;

class ScanFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_config.document().loadFile(test::fixture(QStringLiteral("scan/cfg.xml")));
        m_form = std::make_unique<TscanForm>(m_config);
        Dialogs::clearShownMessages();
    }

    template <typename T> T* control(const char* name) const
    {
        T* c = m_form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QLineEdit* edit() const { return control<QLineEdit>("Edit1"); }
    void click(const char* button) const { QTest::mouseClick(control<QToolButton>(button), Qt::LeftButton); }
    // QTRY_VERIFY reports to Qt Test, not to this test: wait with a result instead
    bool editGetsFocus() const
    {
        return QTest::qWaitFor([this] { return edit()->hasFocus(); }, 2000);
    }
    QString cell(int row, int column) const { return m_form->grid()->cell(row, column); }

    QString writeFile(const char* name, const QByteArray& bytes) const
    {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QByteArray readFile(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void open(const QString& path) const
    {
        Dialogs::setNextFileName(path);
        click("ToolButton6");
    }

    ConfigFile m_config;
    std::unique_ptr<TscanForm> m_form;
    QTemporaryDir m_dir;
};

TEST_F(ScanFormTest, ToolbarAndSheetAsBuilt)
{
    EXPECT_EQ(m_form->windowTitle(), QStringLiteral("Scancode"));
    EXPECT_EQ(m_form->size(), QSize(900, 600));
    const struct
    {
        const char* name;
        const char* hint;
    } buttons[] = {
        {"ToolButton1", "Vider la feuille."},
        {"ToolButton6", "Ouvrir un fichier de codes."},
        {"ToolButton4", "Configurer la liaison."},
        {"ps2bouton", "Scanner PS2"},
        {"usbbouton", "Scanner USB"},
        {"seriebouton", "Scanner RS232."},
        {"autobouton", "Insertion automatique."},
        {"ajoutCode", "Ajouter"},
    };
    for (const auto& b : buttons) {
        QToolButton* button = control<QToolButton>(b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.hint)) << b.name;
        EXPECT_EQ(button->accessibleName(), QString::fromUtf8(b.hint)) << b.name;
        EXPECT_FALSE(button->icon().isNull()) << b.name;
    }
    EXPECT_FALSE(control<QToolButton>("ToolButton2")->accessibleName().isEmpty());
    EXPECT_EQ(edit()->width(), 184);
    EXPECT_TRUE(control<QToolButton>("ps2bouton")->isChecked());
    EXPECT_FALSE(control<QToolButton>("usbbouton")->isChecked());
    EXPECT_FALSE(control<QToolButton>("autobouton")->isChecked());
    for (auto [name, tag] : {std::pair{"ps2bouton", 0}, std::pair{"usbbouton", 1}, std::pair{"seriebouton", 2}})
        EXPECT_EQ(control<QToolButton>(name)->property("Tag").toInt(), tag) << name;

    QTableView* view = control<QTableView>("StringGrid1");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->model()->rowCount(), 1) << "one empty row below the header";
    EXPECT_EQ(view->verticalHeader()->defaultSectionSize(), 26);
    EXPECT_EQ(view->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(view->font().pixelSize(), 11);
    const int widths[] = {40, 160, 120, 60, 120, 55, 120, 120, 80};
    for (int c = 0; c < ScanGrid::kColumnCount; ++c)
        EXPECT_EQ(view->columnWidth(c), widths[c]) << c;
    EXPECT_EQ(view->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Système"));
}

TEST_F(ScanFormTest, AutomaticInsertionTakesA22CharacterCodeAndEmptiesTheBox)
{
    click("autobouton");
    QTest::keyClicks(edit(), kCode);
    EXPECT_EQ(m_form->grid()->codes(), QStringList{kCode});
    EXPECT_TRUE(edit()->text().isEmpty());
    EXPECT_EQ(cell(1, 8), QStringLiteral("15/03/2006"));
    // the scanner's Enter after the code changes nothing
    QTest::keyClick(edit(), Qt::Key_Return);

    QTest::keyClicks(edit(), kCode.left(21));
    EXPECT_EQ(m_form->grid()->codeCount(), 1);
    EXPECT_EQ(edit()->text(), kCode.left(21));
}

TEST_F(ScanFormTest, AShortScanBlocksInsertionUntilTheBoxIsEmptied)
{
    click("autobouton");
    QTest::keyClicks(edit(), kCode.left(21));
    QTest::keyClick(edit(), Qt::Key_Return);
    QTest::keyClicks(edit(), kSoap);
    QTest::keyClick(edit(), Qt::Key_Return);
    EXPECT_EQ(m_form->grid()->codeCount(), 0) << "no code made of two scans";
    EXPECT_EQ(edit()->text(), kCode.left(21) + kSoap);

    QTest::keyClick(edit(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit(), Qt::Key_Backspace);
    QTest::keyClicks(edit(), kSoap);
    EXPECT_EQ(m_form->grid()->codes(), QStringList{kSoap});
}

TEST_F(ScanFormTest, AjouterAddsOnlyWithoutAutomaticInsertionAndKeepsTheText)
{
    click("ajoutCode");
    EXPECT_EQ(m_form->grid()->codeCount(), 0) << "empty box";

    QTest::keyClicks(edit(), kSoap);
    EXPECT_EQ(m_form->grid()->codeCount(), 0) << "no automatic insertion";
    click("ajoutCode");
    click("ajoutCode");
    EXPECT_EQ(m_form->grid()->codes(), QStringList({kSoap, kSoap}));
    EXPECT_EQ(edit()->text(), kSoap);
    EXPECT_EQ(cell(2, 0), QStringLiteral("2"));

    click("autobouton");
    click("ajoutCode");
    EXPECT_EQ(m_form->grid()->codeCount(), 2);
}

TEST_F(ScanFormTest, DateErrorShowsTheMessageAddsTheRowAndKeepsTheCode)
{
    click("autobouton");
    QTest::keyClicks(edit(), kBadDay);
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{QStringLiteral("Date impossible : jour 366 de l'année 2006")});
    EXPECT_EQ(m_form->grid()->codes(), QStringList{kBadDay});
    EXPECT_EQ(cell(1, 7), QStringLiteral("Usine du Nord"));
    EXPECT_TRUE(cell(1, 8).isEmpty());
    EXPECT_EQ(edit()->text(), kBadDay);
}

TEST_F(ScanFormTest, SavesTheSheetAsAnScbFile)
{
    // an empty sheet, and a name typed without its extension
    Dialogs::setNextFileName(m_dir.filePath(QStringLiteral("vide")));
    click("ToolButton2");
    EXPECT_EQ(readFile(m_dir.filePath(QStringLiteral("vide.SCB"))), QByteArray("ScanCode\r\n\r\n"));

    QTest::keyClicks(edit(), kCode);
    click("ajoutCode");
    edit()->clear();
    edit()->setText(QStringLiteral("Bé"));
    click("ajoutCode");
    const QString path = m_dir.filePath(QStringLiteral("deux.SCB"));
    Dialogs::setNextFileName(path);
    click("ToolButton2");
    EXPECT_EQ(readFile(path), QByteArray("ScanCode\r\n") + kCode.toLatin1() + "\r\nB\xe9\r\n\r\n");

    // a file that cannot be written is reported; cancelling the dialog writes nothing
    Dialogs::setNextFileName(m_dir.filePath(QStringLiteral("absent/x.SCB")));
    click("ToolButton2");
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().startsWith(QStringLiteral("Cannot create file")));
    click("ToolButton2");
    EXPECT_EQ(Dialogs::shownMessages().size(), 1);
}

TEST_F(ScanFormTest, OpeningAddsTheLinesBetweenFirstAndLastAndNumbersOn)
{
    open(writeFile("ab.SCB", "ScanCode\r\nA\r\nB\r\n\r\n"));
    EXPECT_EQ(m_form->grid()->codes(), QStringList({"A", "B"}));
    EXPECT_EQ(edit()->text(), QStringLiteral("B"));

    // without the final empty line the last code is not added; the sheet is appended to
    open(writeFile("cd.SCB", "ScanCode\r\nC\r\nD\r\n"));
    EXPECT_EQ(m_form->grid()->codes(), QStringList({"A", "B", "C"}));
    EXPECT_EQ(cell(3, 0), QStringLiteral("3"));
    EXPECT_EQ(m_form->grid()->gridRowCount(), 5);

    open(writeFile("empty.SCB", "ScanCode\r\n\r\n"));
    EXPECT_EQ(m_form->grid()->codeCount(), 3);
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
}

TEST_F(ScanFormTest, OpeningWithAutomaticInsertionAddsEachCodeOnce)
{
    click("autobouton");
    open(writeFile("codes.SCB", (QStringLiteral("ScanCode\r\n") + kCode + "\r\n" + kSoap + "\r\n\r\n").toLatin1()));
    EXPECT_EQ(m_form->grid()->codes(), QStringList({kCode, kSoap}));
    EXPECT_EQ(edit()->text(), kSoap);
}

TEST_F(ScanFormTest, OpeningGoesOnPastADateErrorAndReportsUnreadableFiles)
{
    // every line is loaded, those with a date that cannot be decoded with their date cell empty, and
    // the message is shown once; saving the sheet again keeps every code
    const QByteArray bytes =
        (QStringLiteral("ScanCode\r\n") + kCode + "\r\n" + kBadDay + "\r\n" + kSoap + "\r\n" + kBadDay + "\r\n\r\n")
            .toLatin1();
    open(writeFile("bad.SCB", bytes));
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{QStringLiteral("Date impossible : jour 366 de l'année 2006")});
    EXPECT_EQ(m_form->grid()->codes(), QStringList({kCode, kBadDay, kSoap, kBadDay}));
    EXPECT_TRUE(cell(2, 8).isEmpty());
    EXPECT_EQ(cell(2, 7), QStringLiteral("Usine du Nord"));
    EXPECT_EQ(cell(3, 8), QStringLiteral("17/11/2007"));
    EXPECT_TRUE(cell(4, 8).isEmpty());
    EXPECT_EQ(edit()->text(), kBadDay);
    const QString again = m_dir.filePath(QStringLiteral("again.SCB"));
    Dialogs::setNextFileName(again);
    click("ToolButton2");
    EXPECT_EQ(readFile(again), bytes);

    Dialogs::clearShownMessages();
    open(m_dir.filePath(QStringLiteral("absent.SCB")));
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().startsWith(QStringLiteral("Cannot open file")));
    EXPECT_EQ(m_form->grid()->codeCount(), 4);
}

TEST_F(ScanFormTest, EmptyingTheSheetNumbersFromOneAgain)
{
    open(writeFile("five.SCB", "ScanCode\r\n1\r\n2\r\n3\r\n4\r\n5\r\n\r\n"));
    ASSERT_EQ(m_form->grid()->codeCount(), 5);
    click("ToolButton1");
    EXPECT_EQ(m_form->grid()->gridRowCount(), 2);
    EXPECT_EQ(control<QTableView>("StringGrid1")->model()->rowCount(), 1);
    edit()->setText(kCode);
    click("ajoutCode");
    EXPECT_EQ(cell(1, 0), QStringLiteral("1"));
    EXPECT_EQ(cell(1, 1), kCode);
}

TEST_F(ScanFormTest, SerialCodesTakeTheTypingPath)
{
    click("autobouton");
    // a partial scan typed and ended by Enter does not hold back a code the serial link puts in
    QTest::keyClicks(edit(), QStringLiteral("P250"));
    QTest::keyClick(edit(), Qt::Key_Return);
    m_form->receiveCode(kCode);
    EXPECT_EQ(m_form->grid()->codes(), QStringList{kCode});
    EXPECT_TRUE(edit()->text().isEmpty());
    m_form->receiveCode(kCode.left(10));
    EXPECT_EQ(edit()->text(), kCode.left(10));
    EXPECT_EQ(m_form->grid()->codeCount(), 1);
}

TEST_F(ScanFormTest, Ps2ModeKeepsTheFocusInTheEditBox)
{
    m_form->show();
    m_form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    QTableView* view = control<QTableView>("StringGrid1");
    EXPECT_TRUE(editGetsFocus());

    view->setFocus();
    EXPECT_TRUE(editGetsFocus());

    click("usbbouton");
    EXPECT_EQ(m_form->scannerMode(), TscanForm::Usb);
    view->setFocus();
    QTest::qWait(20);
    EXPECT_TRUE(view->hasFocus());

    click("ps2bouton");
    EXPECT_TRUE(editGetsFocus());
}

TEST_F(ScanFormTest, ClosingKeepsTheRowsAndTheMode)
{
    m_form->show();
    edit()->setText(kCode);
    click("ajoutCode");
    click("usbbouton");
    m_form->close();
    EXPECT_FALSE(m_form->isVisible());
    m_form->show();
    EXPECT_EQ(m_form->grid()->codes(), QStringList{kCode});
    EXPECT_EQ(m_form->scannerMode(), TscanForm::Usb);
}

TEST_F(ScanFormTest, CellsShowTheSoapPackagingOnTwoLines)
{
    // row 1 a soap code (two-line packaging), row 2 a box code (one line)
    edit()->setText(kSoap);
    click("ajoutCode");
    edit()->setText(kCode);
    click("ajoutCode");
    m_form->show();
    QTableView* view = control<QTableView>("StringGrid1");
    const QImage image = view->viewport()->grab().toImage();
    const qreal dpr = image.devicePixelRatio();

    auto inkRows = [&](int row, int column) {
        // the pixel rows of the cell that hold text, relative to the cell's top
        const QRect r = view->visualRect(view->model()->index(row, column));
        QList<int> rows;
        for (int y = r.top() + 1; y < r.bottom() - 1; ++y)
            for (int x = r.left() + 1; x < r.right() - 1; ++x)
                if (qGray(image.pixel(int(x * dpr), int(y * dpr))) < 128) {
                    rows << y - r.top();
                    break;
                }
        return rows;
    };
    auto background = [&](int row, int column) {
        const QRect r = view->visualRect(view->model()->index(row, column));
        return image.pixelColor(int((r.right() - 2) * dpr), int((r.bottom() - 2) * dpr));
    };

    const QList<int> soap = inkRows(0, ScanGrid::ColBoite);
    const QList<int> box = inkRows(1, ScanGrid::ColBoite);
    ASSERT_FALSE(soap.isEmpty());
    ASSERT_FALSE(box.isEmpty());
    EXPECT_GT(soap.last(), box.last() + 6) << "a second line of text below the first";
    EXPECT_EQ(background(0, ScanGrid::ColCode), QColor(Qt::white));
    EXPECT_EQ(background(0, ScanGrid::ColScan), view->palette().color(QPalette::Button));
}

} // namespace
