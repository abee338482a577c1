#include "../samplecodes.h"
#include "base/ui/dialogs.h"
#include "config/configfile.h"
#include "scan/scangrid.h"
#include "scan/scansession.h"
#include "scan/ui/scanwindow.h"
#include "support/testsupport.h"

#include <QApplication>
#include <algorithm>
#include <QFile>
#include <QHeaderView>
#include <QScreen>
#include <QSpinBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QScreen>
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

class ScanWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_config.document().loadFile(test::fixture(QStringLiteral("scan/cfg.xml")));
        m_form = std::make_unique<ScanWindow>(m_config);
        Dialogs::clearShownMessages();
    }

    template <typename T> T* control(const char* name) const
    {
        T* c = m_form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QLineEdit* edit() const { return control<QLineEdit>("codeEdit"); }
    void click(const char* button) const { QTest::mouseClick(control<QToolButton>(button), Qt::LeftButton); }
    // QTRY_VERIFY reports to Qt Test, not to this test: wait with a result instead
    bool editGetsFocus() const
    {
        return QTest::qWaitFor([this] { return edit()->hasFocus(); }, 2000);
    }
    QString cell(int row, int column) const { return m_form->grid()->cell(row, column); }
    QStringList codes() const { return m_form->grid()->codes(); }
    QString status() const { return control<QStatusBar>("statusBar")->currentMessage(); }
    // A scanner types the read into the box, with its suffix when it has one.
    void scan(const QString& read, bool withReturn = true) const
    {
        QTest::keyClicks(edit(), read);
        if (withReturn)
            QTest::keyClick(edit(), Qt::Key_Return);
    }

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
        click("openButton");
    }

    ConfigFile m_config;
    std::unique_ptr<ScanWindow> m_form;
    QTemporaryDir m_dir;
};

TEST_F(ScanWindowTest, ToolbarAndSheetAsBuilt)
{
    EXPECT_EQ(m_form->windowTitle(), QStringLiteral("Scancode"));
    // shown, the window lies on the screen
    m_form->show();
    EXPECT_TRUE(m_form->screen()->availableGeometry().contains(m_form->frameGeometry()));
    const struct
    {
        const char* name;
        const char* hint;
    } buttons[] = {
        {"clearButton", "Vider la feuille."},
        {"openButton", "Ouvrir un fichier de codes."},
        {"serialSettingsButton", "Configurer la liaison."},
        {"ps2Button", "Scanner PS2"},
        {"usbButton", "Scanner USB"},
        {"serialButton", "Scanner RS232."},
        {"autoInsertButton", "Insertion automatique."},
        {"addButton", "Ajouter"},
    };
    for (const auto& b : buttons) {
        QToolButton* button = control<QToolButton>(b.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.hint)) << b.name;
        EXPECT_EQ(button->accessibleName(), QString::fromUtf8(b.hint)) << b.name;
        EXPECT_FALSE(button->icon().isNull()) << b.name;
    }
    EXPECT_FALSE(control<QToolButton>("saveButton")->accessibleName().isEmpty());
    // the code box shows a whole code
    EXPECT_GE(edit()->width(), edit()->fontMetrics().horizontalAdvance(QString(22, u'0')));
    EXPECT_TRUE(control<QToolButton>("ps2Button")->isChecked());
    EXPECT_FALSE(control<QToolButton>("usbButton")->isChecked());
    EXPECT_FALSE(control<QToolButton>("autoInsertButton")->isChecked());
    for (auto [name, tag] : {std::pair{"ps2Button", 0}, std::pair{"usbButton", 1}, std::pair{"serialButton", 2}})
        EXPECT_EQ(control<QToolButton>(name)->property("Tag").toInt(), tag) << name;

    QTableView* view = control<QTableView>("scanGrid");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->model()->rowCount(), 1) << "one empty row below the header";
    EXPECT_EQ(view->verticalHeader()->defaultSectionSize(), 26);
    EXPECT_EQ(view->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(view->font().pixelSize(), 11);
    ASSERT_EQ(view->model()->columnCount(), 10);
    const int widths[] = {40, 160, 120, 60, 170, 70, 120, 120, 80, 300};
    for (int c = 0; c < ScanGrid::kColumnCount; ++c)
        EXPECT_EQ(view->columnWidth(c), widths[c]) << c;
    EXPECT_EQ(view->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Système"));
    EXPECT_EQ(view->model()->headerData(9, Qt::Horizontal).toString(), QStringLiteral("Erreur"));
    EXPECT_EQ(status(), QStringLiteral("0 lectures, 0 à vérifier"));
}

// Reads as a scanner with a Return suffix sends them, good codes and misreads mixed: each read is
// one row, the box is empty after each, whatever the mode.
TEST_F(ScanWindowTest, ReturnEndsEachReadInEveryMode)
{
    const QString misread = QStringLiteral("S2503451");
    const QStringList reads = {kCode, misread, kSoap, kCode.left(21), kCode, kBadDay, kSoap};
    const struct
    {
        const char* mode;
        bool autoInsert;
    } modes[] = {{"ps2Button", false}, {"ps2Button", true}, {"usbButton", false}, {"usbButton", true}};
    for (const auto& m : modes) {
        SCOPED_TRACE(std::string(m.mode) + (m.autoInsert ? " auto" : ""));
        click("clearButton");
        click(m.mode);
        control<QToolButton>("autoInsertButton")->setChecked(m.autoInsert);
        for (const QString& read : reads) {
            scan(read);
            EXPECT_TRUE(edit()->text().isEmpty()) << read.toStdString();
        }
        // five scans never pile up into one line: every read is its own row, as read
        EXPECT_EQ(codes(), reads);
        EXPECT_EQ(cell(2, ScanGrid::ColErreur), QStringLiteral("Lecture de 8 caractère(s) au lieu de 22"));
        EXPECT_EQ(cell(4, ScanGrid::ColErreur), QStringLiteral("Lecture de 21 caractère(s) au lieu de 22"));
        EXPECT_EQ(cell(6, ScanGrid::ColErreur), QStringLiteral("Date impossible : jour 366 de l'année 2006"));
        for (int row : {1, 3, 5, 7})
            EXPECT_TRUE(cell(row, ScanGrid::ColErreur).isEmpty()) << row;
        EXPECT_EQ(cell(5, ScanGrid::ColDate), QStringLiteral("15/03/2006"));
        EXPECT_EQ(cell(7, 0), QStringLiteral("7"));
        EXPECT_EQ(status(), QStringLiteral("7 lectures, 3 à vérifier"));
        EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << "no dialog stops a batch of scans";
    }
}

TEST_F(ScanWindowTest, AutomaticInsertionTakesA22CharacterCodeAtOnceAndAMisreadAfterAPause)
{
    click("autoInsertButton");
    // a scanner without a suffix
    scan(kCode, false);
    EXPECT_EQ(codes(), QStringList{kCode});
    EXPECT_TRUE(edit()->text().isEmpty());
    EXPECT_EQ(cell(1, 8), QStringLiteral("15/03/2006"));

    // a damaged label: the short read is ended by the pause, and the next code is read on its own
    const QString misread = QStringLiteral("S2503451");
    scan(misread, false);
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_form->grid()->codeCount() == 2; }, 5000));
    EXPECT_TRUE(edit()->text().isEmpty());
    scan(kSoap, false);
    scan(kCode, false);
    EXPECT_EQ(codes(), QStringList({kCode, misread, kSoap, kCode}));
    EXPECT_EQ(cell(2, ScanGrid::ColErreur), QStringLiteral("Lecture de 8 caractère(s) au lieu de 22"));
    EXPECT_EQ(status(), QStringLiteral("4 lectures, 1 à vérifier"));

    // the operator sets the pause in the tool bar; with none, a short read waits for Return
    EXPECT_EQ(m_form->readPause(), 100);
    auto* pause = control<QSpinBox>("readPauseSpin");
    ASSERT_NE(pause, nullptr);
    EXPECT_FALSE(pause->accessibleName().isEmpty());
    pause->selectAll();
    QTest::keyClicks(pause, QStringLiteral("0"));
    QTest::keyClick(pause, Qt::Key_Tab);
    EXPECT_EQ(m_form->readPause(), 0);
    edit()->setFocus();
    scan(misread, false);
    QTest::qWait(300);
    EXPECT_EQ(edit()->text(), misread);
    QTest::keyClick(edit(), Qt::Key_Return);
    EXPECT_EQ(codes().last(), misread);
}

TEST_F(ScanWindowTest, AjouterAddsWhatWasTypedByHandWithoutAutomaticInsertion)
{
    click("addButton");
    EXPECT_EQ(m_form->grid()->codeCount(), 0) << "empty box";

    // no automatic insertion: a whole code waits in the box, even past the pause
    scan(kSoap, false);
    QTest::qWait(300);
    EXPECT_EQ(m_form->grid()->codeCount(), 0);
    click("addButton");
    EXPECT_EQ(codes(), QStringList{kSoap});
    EXPECT_TRUE(edit()->text().isEmpty());
    click("addButton");
    EXPECT_EQ(m_form->grid()->codeCount(), 1) << "the box was emptied";
    scan(QStringLiteral("P25"), false);
    click("addButton");
    EXPECT_EQ(codes(), QStringList({kSoap, QStringLiteral("P25")}));
    EXPECT_EQ(cell(2, 0), QStringLiteral("2"));
    EXPECT_EQ(cell(2, ScanGrid::ColErreur), QStringLiteral("Lecture de 3 caractère(s) au lieu de 22"));

    // with automatic insertion "Ajouter" does nothing
    click("autoInsertButton");
    m_form->setReadPause(0);
    scan(QStringLiteral("P25"), false);
    click("addButton");
    EXPECT_EQ(m_form->grid()->codeCount(), 2);
    EXPECT_EQ(edit()->text(), QStringLiteral("P25"));
}

TEST_F(ScanWindowTest, ADateErrorIsTheRowsReasonNotADialog)
{
    click("autoInsertButton");
    scan(kBadDay);
    scan(kCode);
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
    EXPECT_EQ(codes(), QStringList({kBadDay, kCode}));
    EXPECT_EQ(cell(1, 7), QStringLiteral("Usine du Nord"));
    EXPECT_TRUE(cell(1, 8).isEmpty());
    EXPECT_EQ(cell(1, ScanGrid::ColErreur), QStringLiteral("Date impossible : jour 366 de l'année 2006"));
    EXPECT_EQ(m_form->grid()->data(m_form->grid()->index(0, ScanGrid::ColCode), Qt::ForegroundRole).value<QColor>(),
              QColor(Qt::red));
    EXPECT_TRUE(cell(2, ScanGrid::ColErreur).isEmpty());
    EXPECT_TRUE(edit()->text().isEmpty());
    EXPECT_EQ(status(), QStringLiteral("2 lectures, 1 à vérifier"));
}

TEST_F(ScanWindowTest, DecodedWordsAreTheMainWindows)
{
    scan(kSoap);
    scan(kCode);
    EXPECT_EQ(cell(1, ScanGrid::ColBoite), QStringLiteral("2 couche(s) / 3 rang(s)"));
    EXPECT_EQ(cell(1, ScanGrid::ColCouleur), QStringLiteral("RAL 5015"));
    EXPECT_EQ(cell(2, ScanGrid::ColCouleur), QStringLiteral("RAL 1000"));
}

TEST_F(ScanWindowTest, SavesTheSheetAsAnScbFile)
{
    // an empty sheet, and a name typed without its extension
    Dialogs::setNextFileName(m_dir.filePath(QStringLiteral("vide")));
    click("saveButton");
    EXPECT_EQ(readFile(m_dir.filePath(QStringLiteral("vide.SCB"))), QByteArray("ScanCode\r\n\r\n"));
    EXPECT_EQ(status(), QStringLiteral("Codes enregistrés : vide.SCB (0 codes)"));

    // a misread is kept as read
    scan(kCode);
    edit()->setText(QStringLiteral("Bé"));
    click("addButton");
    const QString path = m_dir.filePath(QStringLiteral("deux.SCB"));
    Dialogs::setNextFileName(path);
    click("saveButton");
    EXPECT_EQ(readFile(path), QByteArray("ScanCode\r\n") + kCode.toLatin1() + "\r\nB\xe9\r\n\r\n");
    EXPECT_EQ(status(), QStringLiteral("Codes enregistrés : deux.SCB (2 codes)"));

    // a file that cannot be written is reported; cancelling the dialog writes nothing
    Dialogs::setNextFileName(m_dir.filePath(QStringLiteral("absent/x.SCB")));
    click("saveButton");
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().startsWith(QStringLiteral("Cannot create file")));
    EXPECT_EQ(status(), QStringLiteral("Codes enregistrés : deux.SCB (2 codes)"));
    click("saveButton");
    EXPECT_EQ(Dialogs::shownMessages().size(), 1);
}

TEST_F(ScanWindowTest, OpeningAddsEveryCodeLineWithOrWithoutTheFinalEmptyLine)
{
    scan(QStringLiteral("P2"), false);
    open(writeFile("ab.SCB", "ScanCode\r\nA\r\nB\r\n\r\n"));
    EXPECT_EQ(codes(), QStringList({"A", "B"}));
    EXPECT_EQ(edit()->text(), QStringLiteral("P2")) << "the box is the scanner's";

    // a file written by another tool ends with its last code; the sheet is appended to
    open(writeFile("cd.SCB", "ScanCode\r\nC\r\nD\r\n"));
    open(writeFile("e.SCB", "ScanCode\nE"));
    EXPECT_EQ(codes(), QStringList({"A", "B", "C", "D", "E"}));
    EXPECT_EQ(cell(5, 0), QStringLiteral("5"));
    EXPECT_EQ(m_form->grid()->gridRowCount(), 7);
    EXPECT_EQ(cell(5, ScanGrid::ColErreur), QStringLiteral("Lecture de 1 caractère(s) au lieu de 22"));

    open(writeFile("empty.SCB", "ScanCode\r\n\r\n"));
    open(writeFile("header.SCB", "ScanCode"));
    EXPECT_EQ(m_form->grid()->codeCount(), 5);
    EXPECT_EQ(status(), QStringLiteral("5 lectures, 5 à vérifier"));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
}

TEST_F(ScanWindowTest, OpeningWithAutomaticInsertionAddsEachCodeOnce)
{
    click("autoInsertButton");
    open(writeFile("codes.SCB", (QStringLiteral("ScanCode\r\n") + kCode + "\r\n" + kSoap + "\r\n\r\n").toLatin1()));
    EXPECT_EQ(codes(), QStringList({kCode, kSoap}));
    EXPECT_TRUE(edit()->text().isEmpty());
    EXPECT_EQ(status(), QStringLiteral("2 lectures, 0 à vérifier"));
}

TEST_F(ScanWindowTest, OpeningGoesOnPastADateErrorAndReportsUnreadableFiles)
{
    // every line is loaded, those with a date that cannot be decoded with their date cell empty and
    // their reason, without a dialog; saving the sheet again keeps every code
    const QByteArray bytes =
        (QStringLiteral("ScanCode\r\n") + kCode + "\r\n" + kBadDay + "\r\n" + kSoap + "\r\n" + kBadDay + "\r\n\r\n")
            .toLatin1();
    open(writeFile("bad.SCB", bytes));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
    EXPECT_EQ(codes(), QStringList({kCode, kBadDay, kSoap, kBadDay}));
    EXPECT_TRUE(cell(2, 8).isEmpty());
    EXPECT_EQ(cell(2, 7), QStringLiteral("Usine du Nord"));
    EXPECT_EQ(cell(2, ScanGrid::ColErreur), QStringLiteral("Date impossible : jour 366 de l'année 2006"));
    EXPECT_EQ(cell(3, 8), QStringLiteral("17/11/2007"));
    EXPECT_TRUE(cell(4, 8).isEmpty());
    EXPECT_EQ(status(), QStringLiteral("4 lectures, 2 à vérifier"));
    const QString again = m_dir.filePath(QStringLiteral("again.SCB"));
    Dialogs::setNextFileName(again);
    click("saveButton");
    EXPECT_EQ(readFile(again), bytes);

    open(m_dir.filePath(QStringLiteral("absent.SCB")));
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().startsWith(QStringLiteral("Cannot open file")));
    EXPECT_EQ(m_form->grid()->codeCount(), 4);
}

TEST_F(ScanWindowTest, EmptyingTheSheetEmptiesTheBoxAndNumbersFromOneAgain)
{
    open(writeFile("five.SCB", "ScanCode\r\n1\r\n2\r\n3\r\n4\r\n5\r\n\r\n"));
    ASSERT_EQ(m_form->grid()->codeCount(), 5);
    scan(QStringLiteral("S25034"), false);
    click("clearButton");
    EXPECT_EQ(m_form->grid()->gridRowCount(), 2);
    EXPECT_EQ(control<QTableView>("scanGrid")->model()->rowCount(), 1);
    EXPECT_TRUE(edit()->text().isEmpty());
    EXPECT_EQ(status(), QStringLiteral("0 lectures, 0 à vérifier"));
    scan(kCode);
    EXPECT_EQ(cell(1, 0), QStringLiteral("1"));
    EXPECT_EQ(cell(1, 1), kCode);
    EXPECT_EQ(status(), QStringLiteral("1 lectures, 0 à vérifier"));
}

TEST_F(ScanWindowTest, EveryReadIsTakenWithItsOwnSource)
{
    QStringList sources;
    QObject::connect(m_form->session(), &ScanSession::codeTaken, [&](const TakenCode& t) { sources << t.source; });
    // whatever the mode button, a read typed into the box comes from the keyboard
    click("usbButton");
    scan(kCode);
    click("ps2Button");
    scan(kSoap);
    open(writeFile("one.SCB", "ScanCode\r\nA\r\n\r\n"));
    EXPECT_EQ(sources, QStringList({"clavier", "clavier", "fichier"}));
}

TEST_F(ScanWindowTest, Ps2ModeKeepsTheFocusInTheEditBox)
{
    m_form->show();
    m_form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    QTableView* view = control<QTableView>("scanGrid");
    EXPECT_TRUE(editGetsFocus());

    view->setFocus();
    EXPECT_TRUE(editGetsFocus());

    click("usbButton");
    EXPECT_EQ(m_form->scannerMode(), ScanWindow::Usb);
    view->setFocus();
    QTest::qWait(20);
    EXPECT_TRUE(view->hasFocus());

    click("ps2Button");
    EXPECT_TRUE(editGetsFocus());
}

TEST_F(ScanWindowTest, ClosingKeepsTheRowsAndTheMode)
{
    m_form->show();
    scan(kCode);
    click("usbButton");
    m_form->close();
    EXPECT_FALSE(m_form->isVisible());
    m_form->show();
    EXPECT_EQ(codes(), QStringList{kCode});
    EXPECT_EQ(m_form->scannerMode(), ScanWindow::Usb);
}

TEST_F(ScanWindowTest, CellsShowReadsToCheckInRedAndTheSoapPackagingOnOneLine)
{
    // row 1 a soap code, row 2 a box code, row 3 a misread
    scan(kSoap);
    scan(kCode);
    scan(QStringLiteral("S2503451"));
    m_form->show();
    QTableView* view = control<QTableView>("scanGrid");
    QImage image = view->viewport()->grab().toImage();
    const qreal dpr = image.devicePixelRatio();

    // the colours of the text in a cell
    auto inkOf = [&](int row, int column) {
        const QRect r = view->visualRect(view->model()->index(row, column)) & view->viewport()->rect();
        QList<int> rows;
        QList<QColor> colours;
        for (int y = r.top() + 1; y < r.bottom() - 1; ++y)
            for (int x = r.left() + 1; x < r.right() - 1; ++x) {
                const QColor c = image.pixelColor(int(x * dpr), int(y * dpr));
                if (c.value() < 128 || (c.red() > 128 && c.green() < 100 && c.blue() < 100)) {
                    if (rows.isEmpty() || rows.last() != y - r.top())
                        rows << y - r.top();
                    colours << c;
                }
            }
        return std::pair{rows, colours};
    };
    auto isRed = [](const QColor& c) { return c.red() > 128 && c.green() < 100 && c.blue() < 100; };
    auto background = [&](int row, int column) {
        const QRect r = view->visualRect(view->model()->index(row, column));
        return image.pixelColor(int((r.right() - 2) * dpr), int((r.bottom() - 2) * dpr));
    };

    const auto [soapRows, soapInk] = inkOf(0, ScanGrid::ColBoite);
    const auto [boxRows, boxInk] = inkOf(1, ScanGrid::ColBoite);
    ASSERT_FALSE(soapRows.isEmpty());
    ASSERT_FALSE(boxRows.isEmpty());
    EXPECT_LE(soapRows.last(), boxRows.last() + 2) << "one line of text, as a box's";
    EXPECT_TRUE(std::none_of(soapInk.begin(), soapInk.end(), isRed));
    const auto [misreadRows, misreadInk] = inkOf(2, ScanGrid::ColCode);
    ASSERT_FALSE(misreadInk.isEmpty());
    EXPECT_TRUE(std::all_of(misreadInk.begin(), misreadInk.end(), isRed)) << "a read to check is drawn in red";
    EXPECT_EQ(background(0, ScanGrid::ColCode), QColor(Qt::white));
    EXPECT_EQ(background(0, ScanGrid::ColScan), view->palette().color(QPalette::Button));

    // the reason, in the last column
    view->scrollTo(view->model()->index(2, ScanGrid::ColErreur));
    image = view->viewport()->grab().toImage();
    const auto [reasonRows, reasonInk] = inkOf(2, ScanGrid::ColErreur);
    EXPECT_FALSE(reasonInk.isEmpty());
    EXPECT_TRUE(std::all_of(reasonInk.begin(), reasonInk.end(), isRed));
}

} // namespace
