#include "base/paths.h"
#include "app/ui/mainwindow.h"
#include "app/ui/maincontrols.h"
#include "base/version.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "code/dayofyear.h"
#include "code/qstringprint.h"
#include "code/rallist.h"
#include "labels/marks.h"
#include "labels/ui/labelsheet.h"
#include "labels/ui/pagepreview.h"
#include "labels/ui/printdialogs.h"
#include "support/testsupport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace pelorin;
using pelorin::test::TempDataFolder;

namespace {

QImage solid(const QColor& colour)
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A data folder holding the test configuration (two systems, two places, three perfumes, the
// settings naming Test.ETQ), that description and the places' logos.
class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Dialogs::clearShownMessages();
        m_data.write(QStringLiteral("Config/cfg.xml"), fixtureBytes(QStringLiteral("cfg.xml")));
        m_data.write(QStringLiteral("Modeles/Test.ETQ"), fixtureBytes(QStringLiteral("Test.ETQ")));
        QDir().mkpath(m_data.file(QStringLiteral("logos")));
        solid(Qt::blue).save(m_data.file(QStringLiteral("logos/Anzin.bmp")), "BMP");
        solid(Qt::red).save(m_data.file(QStringLiteral("logos/Valenciennes.bmp")), "BMP");
        DataFolder::setRoot(m_data.path());
    }

    static QByteArray fixtureBytes(const QString& name)
    {
        QFile f(test::fixture(QStringLiteral("app/") + name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(name);
        return f.readAll();
    }

    QByteArray configBytes() const { return m_data.read(QStringLiteral("Config/cfg.xml")); }

    // The fixture's configuration with one setting's text replaced.
    void setSetting(const char* name, const QString& value)
    {
        QByteArray bytes = configBytes();
        const QByteArray open = QByteArray("<") + name + '>';
        const QByteArray close = QByteArray("</") + name + '>';
        const qsizetype from = bytes.indexOf(open) + open.size();
        bytes.replace(from, bytes.indexOf(close) - from, value.toLatin1());
        m_data.write(QStringLiteral("Config/cfg.xml"), bytes);
    }

    static QByteArray setting(const QByteArray& config, const char* name)
    {
        const QByteArray open = QByteArray("<") + name + '>';
        const qsizetype from = config.indexOf(open);
        if (from < 0)
            return "(absent)";
        return config.mid(from + open.size(), config.indexOf(QByteArray("</") + name + '>') - from - open.size());
    }

    static void showActive(QWidget& w)
    {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }

    template <typename T> static T* control(QWidget& form, const char* name)
    {
        T* c = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }

    static QString display(QWidget& form, const char* name) { return control<QLineEdit>(form, name)->text(); }

    static void retype(QWidget* field, const QString& text)
    {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
        // typed list texts are taken once completed, from the event loop
        QCoreApplication::processEvents();
    }

    TempDataFolder m_data;
};

TEST_F(MainWindowTest, startsWithCaptionListsSettingsAndTheFirstCode)
{
    MainWindow form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("PELORIN étiquettes code barre"));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));

    // systems in document order, places and perfumes sorted without regard to case or accents
    auto* systems = control<QComboBox>(form, "systemCombo");
    auto* places = control<QComboBox>(form, "placeCombo");
    auto* perfumes = control<QComboBox>(form, "perfumeCombo");
    EXPECT_EQ(systems->count(), 2);
    EXPECT_EQ(systems->itemText(1), QStringLiteral("Savon de ménage"));
    EXPECT_EQ(places->count(), 2);
    EXPECT_EQ(places->itemText(0), QStringLiteral("Anzin"));
    EXPECT_EQ(perfumes->count(), 3);
    EXPECT_EQ(perfumes->itemText(0), QStringLiteral("Citron"));
    EXPECT_EQ(perfumes->itemText(1), QStringLiteral("Écorce d'orange"));

    const DateField today = FixeDate(QDate::currentDate());
    const QStringList shown = {display(form, "systemField"),    display(form, "massField"),
                               display(form, "packagingField"), display(form, "colourField"),
                               display(form, "perfumeField"),   display(form, "factoryField"),
                               display(form, "dayField"),       display(form, "yearField")};
    EXPECT_EQ(shown, (QStringList{"B", "000", "06", "100", "CIT", "59410", today.day, today.year}));
    EXPECT_EQ(form.code(), QStringLiteral("B00006100CIT59410") + today.field());
    EXPECT_EQ(form.code().length(), 22);

    EXPECT_EQ(form.geometry(), QRect(10, 20, 700, 500));
    EXPECT_EQ(control<QLineEdit>(form, "operatorTextEdit")->text(), QStringLiteral("Opérateur du matin"));
    EXPECT_EQ(form.operatorText(), QStringLiteral("Opérateur du matin"));
    EXPECT_EQ(form.multilineText(), QStringLiteral("Ligne un\r\nLigne deux"));
    EXPECT_EQ(form.modelPanel()->text(), QStringLiteral("Test.ETQ"));
    EXPECT_EQ(QFileInfo(form.logoPath()).fileName(), QStringLiteral("Anzin.bmp"));
    EXPECT_FALSE(control<QLabel>(form, "logoPicture")->pixmap().isNull());
    EXPECT_FALSE(form.manualMode());
    EXPECT_FALSE(control<QWidget>(form, "selectionView")->isHidden());
    EXPECT_TRUE(control<QGroupBox>(form, "soapBoxGroup")->isHidden());
    EXPECT_EQ(form.incrementalLines(), (QStringList{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(form.version(), LireVersion());
}

// Two places of one name are shown with their codes, and each composes its own code and shows its own
// logo; the configuration file is not touched.
TEST_F(MainWindowTest, placesOfOneNameAreShownWithTheirCodes)
{
    QByteArray twins = configBytes();
    twins.replace("<Nom>Valenciennes</Nom>", "<Nom>Anzin</Nom>");
    m_data.write(QStringLiteral("Config/cfg.xml"), twins);
    MainWindow form;
    showActive(form);
    auto* places = control<QComboBox>(form, "placeCombo");
    ASSERT_EQ(places->count(), 2);
    EXPECT_EQ(places->itemText(0), QStringLiteral("Anzin (59300)"));
    EXPECT_EQ(places->itemText(1), QStringLiteral("Anzin (59410)"));
    // the perfumes, all of their own names, read as they always have
    EXPECT_EQ(control<QComboBox>(form, "perfumeCombo")->itemText(0), QStringLiteral("Citron"));
    const std::pair<int, const char*> picks[] = {{1, "59410"}, {0, "59300"}};
    for (const auto& [row, code] : picks) {
        places->setFocus();
        places->setCurrentIndex(row);
        EXPECT_EQ(display(form, "factoryField"), QLatin1String(code));
        EXPECT_EQ(form.code().mid(12, 5), QLatin1String(code));
    }
    EXPECT_EQ(QFileInfo(form.logoPath()).fileName(), QStringLiteral("Valenciennes.bmp"));
    // typed, the shown text picks its entry
    retype(places->lineEdit(), QStringLiteral("Anzin (59410)"));
    EXPECT_EQ(display(form, "factoryField"), QStringLiteral("59410"));
    EXPECT_EQ(QFileInfo(form.logoPath()).fileName(), QStringLiteral("Anzin.bmp"));
    EXPECT_EQ(configBytes(), twins);
}

// What the operator chose comes back at the next start: every selection, the switches of the label
// selection window and a date kept for the shift; the configuration file keeps its format. An entry
// since removed gives way to the first one, and a date no longer kept gives way to today's.
TEST_F(MainWindowTest, theOperatorsChoicesComeBackAtTheNextStart)
{
    const QDate shift(2026, 7, 14);
    QString codeAtClose;
    {
        MainWindow form;
        showActive(form);
        control<QComboBox>(form, "systemCombo")->setCurrentIndex(1);
        retype(control<QLineEdit>(form, "massEdit"), QStringLiteral("250"));
        control<QComboBox>(form, "packagingCombo")->setCurrentIndex(kSoapPackaging);
        control<QSpinBox>(form, "layersSpin")->setValue(3);
        control<QSpinBox>(form, "rowsSpin")->setValue(2);
        control<QComboBox>(form, "ralCombo")->setCurrentIndex(ral::indexOfNumber(QStringLiteral("5015")));
        control<QComboBox>(form, "placeCombo")->setCurrentIndex(1);
        control<QComboBox>(form, "perfumeCombo")->setCurrentIndex(1);
        form.sheet().marks().setMarginFrame(false);
        form.sheet().marks().setOutlines(false);
        control<QDateEdit>(form, "productionDatePicker")->setDate(shift);
        auto* keep = form.findChild<QAction*>(QStringLiteral("keepDateAction"));
        ASSERT_NE(keep, nullptr);
        EXPECT_EQ(keep->text(), QStringLiteral("Garder cette date"));
        keep->trigger();
        codeAtClose = form.code();
        ASSERT_EQ(codeAtClose.left(17), QStringLiteral("S25032515ORA59300")) << qPrintable(codeAtClose);
        EXPECT_TRUE(form.close());
    }
    const QByteArray config = configBytes();
    // kept for the operator, outside the configuration file
    EXPECT_FALSE(config.contains("Marges") || config.contains("Contours") || config.contains("2026-07-14"));
    {
        MainWindow form;
        showActive(form);
        EXPECT_EQ(form.code(), codeAtClose);
        EXPECT_EQ(control<QComboBox>(form, "packagingCombo")->currentIndex(), kSoapPackaging);
        EXPECT_FALSE(control<QGroupBox>(form, "soapBoxGroup")->isHidden());
        EXPECT_EQ(control<QComboBox>(form, "placeCombo")->currentText(), QStringLiteral("Valenciennes"));
        EXPECT_FALSE(form.sheet().marks().marginFrame());
        EXPECT_FALSE(form.sheet().marks().outlines());
        EXPECT_EQ(control<QDateEdit>(form, "productionDatePicker")->date(), shift);
        EXPECT_TRUE(form.findChild<QAction*>(QStringLiteral("keepDateAction"))->isChecked());
        // the date let go, and the perfume removed from the lists before the next start
        form.findChild<QAction*>(QStringLiteral("keepDateAction"))->trigger();
        EXPECT_TRUE(form.close());
    }
    QByteArray withoutOrange = configBytes();
    withoutOrange.replace("<Code>ORA</Code>", "<Code>ORX</Code>");
    m_data.write(QStringLiteral("Config/cfg.xml"), withoutOrange);
    MainWindow form;
    EXPECT_EQ(control<QDateEdit>(form, "productionDatePicker")->date(), QDate::currentDate());
    EXPECT_EQ(display(form, "perfumeField"), QStringLiteral("CIT"));
    EXPECT_EQ(control<QComboBox>(form, "perfumeCombo")->currentIndex(), 0);
    EXPECT_EQ(display(form, "systemField"), QStringLiteral("S"));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

TEST_F(MainWindowTest, manualModeAtStartHidesTheSelectionViewButFillsTheFields)
{
    setSetting("CodeManu", QStringLiteral("-1"));
    MainWindow form;
    auto* selection = control<QWidget>(form, "selectionView");
    auto* manual = control<QWidget>(form, "manualView");
    // hidden before the window is first shown, so that its first paint is the manual view
    EXPECT_TRUE(selection->isHidden());
    EXPECT_FALSE(manual->isHidden());
    EXPECT_EQ(display(form, "systemField"), QStringLiteral("B"));
    EXPECT_EQ(display(form, "factoryField"), QStringLiteral("59410"));
    EXPECT_EQ(form.code(), QString());

    showActive(form);
    EXPECT_FALSE(selection->isVisible());
    EXPECT_TRUE(manual->isVisible());

    // typed in upper case, 18 characters at most, and what the labels carry
    auto* typed = control<QLineEdit>(form, "manualCodeEdit");
    QTest::keyClicks(typed, QStringLiteral("b250abc12lav59300339061"));
    EXPECT_EQ(typed->text(), QStringLiteral("B250ABC12LAV593003"));
    EXPECT_EQ(form.code(), QStringLiteral("B250ABC12LAV593003"));

    // the clipboard still receives the composed code
    control<QPushButton>(form, "copyCodeButton")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), form.traceCode().composedCode());
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("B00006100CIT59410")));

    // the configuration window hides or shows the selection view; the manual view follows
    selection->show();
    EXPECT_TRUE(manual->isHidden());
    selection->hide();
    EXPECT_FALSE(manual->isHidden());
    form.setManualMode(false);
    EXPECT_TRUE(selection->isVisible());
    EXPECT_EQ(form.code(), form.traceCode().composedCode());
}

TEST_F(MainWindowTest, massFieldTakesDigitsOnlyPadsToThreeAndCorrects)
{
    MainWindow form;
    showActive(form);
    auto* mass = control<QLineEdit>(form, "massEdit");
    retype(mass, QStringLiteral("7"));
    EXPECT_EQ(display(form, "massField"), QStringLiteral("007"));
    retype(mass, QStringLiteral("0"));
    EXPECT_EQ(display(form, "massField"), QStringLiteral("000"));

    // letters and blanks are discarded; the edit admits three characters
    retype(mass, QStringLiteral("2a5 "));
    QTest::keyClicks(mass, QStringLiteral("09"));
    EXPECT_EQ(mass->text(), QStringLiteral("250"));
    EXPECT_EQ(display(form, "massField"), QStringLiteral("250"));

    // Backspace and Delete correct a typo; the code follows the field at every keystroke
    QTest::keyClick(mass, Qt::Key_Backspace);
    EXPECT_EQ(mass->text(), QStringLiteral("25"));
    EXPECT_EQ(display(form, "massField"), QStringLiteral("025"));
    QTest::keyClick(mass, Qt::Key_Home);
    QTest::keyClick(mass, Qt::Key_Delete);
    EXPECT_EQ(mass->text(), QStringLiteral("5"));
    EXPECT_EQ(display(form, "massField"), QStringLiteral("005"));

    // a field emptied while typing is no error: the code carries "000" until a digit comes
    QTest::keyClick(mass, Qt::Key_Delete);
    EXPECT_TRUE(mass->text().isEmpty());
    EXPECT_EQ(display(form, "massField"), QStringLiteral("000"));
    EXPECT_TRUE(form.code().mid(1, 3) == QStringLiteral("000")) << qPrintable(form.code());
    QTest::keyClicks(mass, QStringLiteral("8"));
    EXPECT_EQ(display(form, "massField"), QStringLiteral("008"));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));

    // "." is no part of a whole number: it never reaches the field, which never shows a mass that the
    // code does not carry
    retype(mass, QStringLiteral("4."));
    EXPECT_EQ(mass->text(), QStringLiteral("4"));
    EXPECT_EQ(display(form, "massField"), QStringLiteral("004"));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
}

// What the code's mass field cannot hold (a fourth digit, a sign, a decimal) is refused as typed or
// pasted, and the refusal is said beside the field and in the status bar: the field never holds more
// than the code carries, and never silently less than what was typed.
TEST_F(MainWindowTest, massFieldRefusesAloudWhatTheCodeCannotHold)
{
    MainWindow form;
    showActive(form);
    auto* mass = control<QLineEdit>(form, "massEdit");
    const struct
    {
        const char* typed;
        const char* kept; // what the field holds afterwards
        bool refused;
    } cases[] = {
        {"250", "250", false}, {"2500", "250", true}, {"-5", "5", true},     {"+5", "5", true},
        {"1,5", "15", true},   {"1.5", "15", true},   {"999", "999", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        QToolTip::hideText();
        form.hintPanel()->clear();
        retype(mass, QString::fromLatin1(c.typed));
        EXPECT_EQ(mass->text(), QLatin1String(c.kept));
        EXPECT_EQ(display(form, "massField"), QString::fromLatin1(c.kept).rightJustified(3, u'0'));
        EXPECT_EQ(form.hintPanel()->text(), c.refused ? MassValidator::refusalMessage() : QString());
        if (c.refused) {
            EXPECT_TRUE(QToolTip::isVisible());
            EXPECT_EQ(QToolTip::text(), MassValidator::refusalMessage());
        }
    }
    // a pasted mass too long or signed is refused whole, never cut to three characters
    for (const char* pasted : {"2500", "-25", "1,5"}) {
        SCOPED_TRACE(pasted);
        retype(mass, QStringLiteral("42"));
        form.hintPanel()->clear();
        QGuiApplication::clipboard()->setText(QString::fromLatin1(pasted));
        QTest::keyClick(mass, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(mass, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(mass->text(), QStringLiteral("42"));
        EXPECT_EQ(display(form, "massField"), QStringLiteral("042"));
        EXPECT_EQ(form.hintPanel()->text(), MassValidator::refusalMessage());
    }
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

TEST_F(MainWindowTest, packagingAndSoapLayers)
{
    MainWindow form;
    showActive(form);
    auto* nature = control<QComboBox>(form, "packagingCombo");
    auto* soap = control<QGroupBox>(form, "soapBoxGroup");
    auto* layers = control<QSpinBox>(form, "layersSpin");
    auto* rows = control<QSpinBox>(form, "rowsSpin");

    nature->setCurrentIndex(nature->findText(QStringLiteral("Savons")));
    EXPECT_TRUE(soap->isVisible());
    EXPECT_EQ(display(form, "packagingField"), QStringLiteral("11"));
    retype(layers, QStringLiteral("4"));
    retype(rows, QStringLiteral("6"));
    EXPECT_EQ(display(form, "packagingField"), QStringLiteral("46"));

    // one digit from 1 to 6 each: what would lengthen or break the field is refused as typed, and said
    form.hintPanel()->clear();
    retype(layers, QStringLiteral("10"));
    EXPECT_EQ(layers->text(), QStringLiteral("1"));
    EXPECT_EQ(display(form, "packagingField"), QStringLiteral("16"));
    EXPECT_EQ(form.hintPanel()->text(), SpinEdit::refusalMessage());
    for (const char* refused : {"0", "7", "-", "+", ",", "a"}) {
        retype(layers, QStringLiteral("3"));
        QTest::keyClick(layers, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(layers, QString::fromLatin1(refused));
        EXPECT_EQ(layers->text(), QStringLiteral("3")) << refused;
    }
    // Rangs "12", key by key: the packaging field keeps its two characters all along
    retype(rows, QString());
    for (const QChar key : QStringLiteral("12")) {
        QTest::keyClicks(rows, QString(key));
        EXPECT_EQ(display(form, "packagingField").size(), 2) << qPrintable(display(form, "packagingField"));
    }
    EXPECT_EQ(display(form, "packagingField"), QStringLiteral("31"));
    // a field emptied while correcting counts as 1, and becomes 1 when the focus leaves
    retype(rows, QString());
    QTest::keyClick(rows, Qt::Key_Delete);
    EXPECT_EQ(display(form, "packagingField"), QStringLiteral("31"));
    layers->setFocus();
    EXPECT_EQ(rows->text(), QStringLiteral("1"));
    retype(rows, QStringLiteral("6"));
    EXPECT_EQ(display(form, "packagingField"), QStringLiteral("36"));
    // the arrows stay within 1 to 6
    QTest::keyClick(rows, Qt::Key_Up);
    EXPECT_EQ(rows->text(), QStringLiteral("6"));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));

    nature->setCurrentIndex(0);
    EXPECT_EQ(display(form, "packagingField"), QStringLiteral("06"));
    EXPECT_FALSE(soap->isVisible());

    // a typed text that names no item leaves the field and hides the soap group
    nature->setCurrentIndex(1);
    retype(nature->lineEdit(), QStringLiteral("Carton"));
    EXPECT_EQ(display(form, "packagingField"), QStringLiteral("12"));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
}

TEST_F(MainWindowTest, selectionChangesRecomputeTheirFieldAtOnce)
{
    MainWindow form;
    showActive(form);
    control<QComboBox>(form, "systemCombo")->setCurrentIndex(1);
    EXPECT_EQ(display(form, "systemField"), QStringLiteral("S"));
    control<QComboBox>(form, "perfumeCombo")->setCurrentIndex(2);
    EXPECT_EQ(display(form, "perfumeField"), QStringLiteral("LAV"));
    auto* ral = control<QComboBox>(form, "ralCombo");
    ral->setCurrentIndex(ral::indexOfNumber(QStringLiteral("5015")));
    EXPECT_EQ(display(form, "colourField"), QStringLiteral("515"));
    control<QDateEdit>(form, "productionDatePicker")->setDate(QDate(2006, 12, 5));
    EXPECT_EQ(display(form, "dayField") + display(form, "yearField"), QStringLiteral("33906"));

    // a chosen logo holds until the production place changes
    solid(Qt::green).save(m_data.file(QStringLiteral("logos/Autre.bmp")), "BMP");
    Dialogs::setNextFileName(m_data.file(QStringLiteral("logos/Autre.bmp")));
    control<QPushButton>(form, "otherLogosButton")->click();
    EXPECT_EQ(form.logoPath(), m_data.file(QStringLiteral("logos/Autre.bmp")));
    control<QComboBox>(form, "placeCombo")->setCurrentIndex(1);
    EXPECT_EQ(display(form, "factoryField"), QStringLiteral("59300"));
    EXPECT_EQ(QFileInfo(form.logoPath()).fileName(), QStringLiteral("Valenciennes.bmp"));
    EXPECT_FALSE(control<QLabel>(form, "logoPicture")->pixmap().isNull());
    EXPECT_EQ(form.code(), QStringLiteral("S00006515LAV5930033906"));

    // cancelling the logo dialog, or choosing a file that is no picture, changes nothing
    control<QPushButton>(form, "otherLogosButton")->click();
    m_data.write(QStringLiteral("logos/Faux.bmp"), "not a bitmap");
    Dialogs::setNextFileName(m_data.file(QStringLiteral("logos/Faux.bmp")));
    control<QPushButton>(form, "otherLogosButton")->click();
    EXPECT_EQ(QFileInfo(form.logoPath()).fileName(), QStringLiteral("Valenciennes.bmp"));
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().contains(QStringLiteral("Faux.bmp")));

    // a typed beginning is completed to the item it starts, which is then taken
    Dialogs::clearShownMessages();
    retype(control<QComboBox>(form, "systemCombo")->lineEdit(), QStringLiteral("Bou"));
    EXPECT_EQ(display(form, "systemField"), QStringLiteral("B"));
    retype(control<QComboBox>(form, "systemCombo")->lineEdit(), QStringLiteral("Sav"));
    EXPECT_EQ(display(form, "systemField"), QStringLiteral("S"));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));

    // a typed system that names no item is refused with the runtime's message
    retype(control<QComboBox>(form, "systemCombo")->lineEdit(), QStringLiteral("X"));
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{QStringLiteral("List index out of bounds (-1)")});
    EXPECT_EQ(display(form, "systemField"), QStringLiteral("S"));

    // the clipboard gets the composed code
    control<QPushButton>(form, "copyCodeButton")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("S00006515LAV5930033906"));
}

// A system letter stored in lower case by an older configuration is shown and composed as stored:
// the code panel shows what the labels print.
TEST_F(MainWindowTest, aLowerCaseSystemLetterIsShownAsTheLabelsPrintIt)
{
    m_data.write(QStringLiteral("Config/cfg.xml"), configBytes().replace("<Code>S</Code>", "<Code>s</Code>"));
    MainWindow form;
    showActive(form);
    control<QComboBox>(form, "systemCombo")->setCurrentIndex(1);
    EXPECT_EQ(display(form, "systemField"), QStringLiteral("s"));
    EXPECT_TRUE(form.code().startsWith(QStringLiteral("s000"))) << qPrintable(form.code());
    control<QPushButton>(form, "copyCodeButton")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), form.code());
}

TEST_F(MainWindowTest, labelTextsFollowThePairChangedLast)
{
    MainWindow form;
    showActive(form);
    auto* memo = control<QPlainTextEdit>(form, "manualMultilineTextEdit");
    ASSERT_TRUE(memo->toPlainText().isEmpty());
    // the manual operator text typed while the manual multiline text is empty: the multiline text becomes empty too
    QTest::keyClicks(control<QLineEdit>(form, "manualOperatorTextEdit"), QStringLiteral("!"));
    EXPECT_EQ(form.operatorText(), QStringLiteral("Texte facultatif 2!"));
    EXPECT_EQ(form.multilineText(), QString());
    QTest::keyClicks(memo, QStringLiteral("a"));
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, QStringLiteral("b"));
    EXPECT_EQ(form.multilineText(), QStringLiteral("a\r\nb"));

    QTest::keyClicks(control<QLineEdit>(form, "operatorTextEdit"), QStringLiteral("."));
    EXPECT_EQ(form.operatorText(), QStringLiteral("Opérateur du matin."));
    EXPECT_EQ(form.multilineText(), QStringLiteral("Ligne un\r\nLigne deux"));
}

// The incremental list's tool bar through the window: a file loaded and saved back, the list the
// labels receive, a file that cannot be read, clearing.
TEST_F(MainWindowTest, incrementalListLoadsSavesAndClears)
{
    struct Case
    {
        const char* name;
        QByteArray file;
        QStringList lines; // what the labels receive
        QByteArray saved;  // what saving the list back writes
    };
    const Case cases[] = {
        {"lone LF", "Lot 1\nLot 2\nLot 3", {"Lot 1", "Lot 2", "Lot 3"}, "Lot 1\r\nLot 2\r\nLot 3"},
        {"last line ended", "A\r\nB\r\n", {"A", "B", ""}, "A\r\nB\r\n"},
        {"lone CR", "x\ry", {"x", "y"}, "x\r\ny"},
        {"Windows-1252", "\xe9t\xe9\r\n\x9cuf", {"été", "œuf"}, "\xe9t\xe9\r\n\x9cuf"},
    };
    MainWindow form;
    showActive(form);
    control<QTabWidget>(form, "textTabs")->setCurrentIndex(1);
    auto* list = control<QPlainTextEdit>(form, "incrementalTextEdit");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Dialogs::clearShownMessages();
        m_data.write(QStringLiteral("in.txt"), c.file);
        Dialogs::setNextFileName(m_data.file(QStringLiteral("in.txt")));
        control<QToolButton>(form, "openIncrementalButton")->click();
        EXPECT_EQ(form.incrementalLines(), c.lines);
        Dialogs::setNextFileName(m_data.file(QStringLiteral("out.txt")));
        control<QToolButton>(form, "saveIncrementalButton")->click();
        EXPECT_EQ(m_data.read(QStringLiteral("out.txt")), c.saved);
        EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
    }

    // a file that cannot be read is reported and the list keeps its lines
    const QString before = list->toPlainText();
    Dialogs::setNextFileName(m_data.file(QStringLiteral("absent.txt")));
    control<QToolButton>(form, "openIncrementalButton")->click();
    EXPECT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_EQ(list->toPlainText(), before);

    control<QToolButton>(form, "clearIncrementalButton")->click();
    EXPECT_TRUE(list->toPlainText().isEmpty());
    EXPECT_TRUE(form.incrementalLines().isEmpty());
}

struct DateCase
{
    const char* day;
    const char* year;
    QDate date;          // the calculator's date afterwards, or none
    const char* message; // or the message shown
};

TEST_F(MainWindowTest, dateCalculator)
{
    MainWindow form;
    showActive(form);
    auto* picker = control<QDateEdit>(form, "dayOfYearDatePicker");
    const QDate today = QDate::currentDate();
    const QString quant = display(form, "dayOfYearField");
    EXPECT_EQ(quant, quantieme(today));

    const DateCase cases[] = {
        {"366", "2007", QDate(), "Date impossible : jour 366 de l'année 2007"},
        {"0", "2006", QDate(), "Date impossible : jour 0 de l'année 2006"},
        {"1x", "20y", QDate(), "'1X' is not a valid integer value"},
        {"60", "2008", QDate(2008, 2, 29), nullptr},
        {"366", "2008", QDate(2008, 12, 31), nullptr},
        {"1", "50", QDate(), "Le calendrier ne montre pas les dates antérieures à l'an 100."},
    };
    for (const DateCase& c : cases) {
        SCOPED_TRACE(std::string(c.day) + "/" + c.year);
        Dialogs::clearShownMessages();
        const QDate before = picker->date();
        retype(control<QLineEdit>(form, "dayEdit"), QString::fromLatin1(c.day));
        retype(control<QLineEdit>(form, "yearEdit"), QString::fromLatin1(c.year));
        control<QPushButton>(form, "calculateDateButton")->click();
        if (c.message) {
            EXPECT_EQ(Dialogs::shownMessages(), QStringList{QString::fromUtf8(c.message)});
            EXPECT_EQ(picker->date(), before);
        } else {
            EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
            EXPECT_EQ(picker->date(), c.date);
        }
        // a date set by the program raises no change: the day-of-year field, the date field and the code stay
        EXPECT_EQ(display(form, "dayOfYearField"), quant);
        EXPECT_EQ(display(form, "dayField"), FixeDate(today).day);
    }
    // the operator's own change of the picker updates the day-of-year field, and still not the code
    picker->setDate(QDate(2008, 3, 1));
    EXPECT_EQ(display(form, "dayOfYearField"), QStringLiteral("061"));
    EXPECT_EQ(display(form, "dayField"), FixeDate(today).day);
    // the picker shows the long date of the regional settings
    EXPECT_EQ(picker->text(), QLocale::system().toString(QDate(2008, 3, 1), QLocale::LongFormat));
}

// Dates typed digit by digit, as an operator types them: day "29", month by its first letters, year
// "2007", through every intermediate value (day "2", year "2", "20", "200"), in both pickers; the weekday
// of the long date comes back once the picker is left.
TEST_F(MainWindowTest, datesAreTypedDigitByDigit)
{
    MainWindow form;
    showActive(form);
    const std::pair<const char*, const char*> pickers[] = {{"productionDatePicker", "operatorTextEdit"},
                                                           {"dayOfYearDatePicker", "manualOperatorTextEdit"}};
    for (const auto& [name, next] : pickers) {
        SCOPED_TRACE(name);
        form.setManualMode(QByteArray(name) == "dayOfYearDatePicker");
        auto* picker = control<QDateEdit>(form, name);
        picker->setDate(QDate(2026, 12, 10));
        picker->setFocus();
        picker->setSelectedSection(QDateTimeEdit::DaySection);
        QTest::keyClicks(picker, QStringLiteral("29"));
        picker->setSelectedSection(QDateTimeEdit::MonthSection);
        QTest::keyClicks(picker, QStringLiteral("mar"));
        picker->setSelectedSection(QDateTimeEdit::YearSection);
        QTest::keyClicks(picker, QStringLiteral("2007"));
        control<QLineEdit>(form, next)->setFocus();
        EXPECT_EQ(picker->date(), QDate(2007, 3, 29));
        EXPECT_EQ(picker->text(), QLocale().toString(QDate(2007, 3, 29), QLocale::LongFormat));
        if (QByteArray(name) == "productionDatePicker")
            EXPECT_EQ(display(form, "dayField") + display(form, "yearField"), QStringLiteral("08807"));
        else
            EXPECT_EQ(display(form, "dayOfYearField"), QStringLiteral("088"));
    }
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
}

// The production date picker and the calculator's, fresh from start-up, each paired with a field that
// takes the focus away from it.
struct PickerCase
{
    const char* picker;
    const char* next;
    bool manual;
};
const PickerCase kPickers[] = {{"productionDatePicker", "operatorTextEdit", false},
                               {"dayOfYearDatePicker", "manualOperatorTextEdit", true}};

// A date typed in digits, day first, in every writing an operator uses, into a picker freshly focused,
// after Home or with its text all selected: the picker takes it, the code carries its day and year, and the long date
// shows again once the picker is left.
TEST_F(MainWindowTest, datesTypedInDigitsAreTakenWhole)
{
    MainWindow form;
    showActive(form);
    const QDate july14(2025, 7, 14);
    for (const PickerCase& p : kPickers) {
        form.setManualMode(p.manual);
        auto* picker = control<QDateEdit>(form, p.picker);
        // the calculator never touches the code
        const QString dateField = display(form, "dayField") + display(form, "yearField");
        for (const char* typed : {"14/07/2025", "14.07.2025", "14 07 2025", "14072025", "14-07-2025", "14/7/2025"}) {
            for (const char* way : {"freshly focused", "after Home", "all selected"}) {
                SCOPED_TRACE(std::string(p.picker) + " " + typed + " " + way);
                picker->setDate(QDate(2026, 12, 10));
                control<QWidget>(form, p.next)->setFocus();
                picker->setFocus();
                if (way != std::string("freshly focused")) {
                    // the operator first moves to another section, then comes back to the start or
                    // selects the whole text
                    QTest::keyClick(picker, Qt::Key_Right, Qt::ControlModifier);
                    if (way == std::string("after Home"))
                        QTest::keyClick(picker, Qt::Key_Home);
                    else
                        QTest::keyClick(picker, Qt::Key_A, Qt::ControlModifier);
                }
                QTest::keyClicks(picker, QString::fromLatin1(typed));
                EXPECT_EQ(picker->date(), july14);
                control<QWidget>(form, p.next)->setFocus();
                EXPECT_EQ(picker->date(), july14);
                EXPECT_EQ(picker->text(), QLocale().toString(july14, QLocale::LongFormat));
                if (p.manual) {
                    EXPECT_EQ(display(form, "dayOfYearField"), QStringLiteral("195"));
                    EXPECT_EQ(display(form, "dayField") + display(form, "yearField"), dateField);
                } else {
                    EXPECT_EQ(display(form, "dayField") + display(form, "yearField"), QStringLiteral("19525"));
                    EXPECT_TRUE(form.code().endsWith(QStringLiteral("19525"))) << qPrintable(form.code());
                }
            }
        }
    }
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

// A typed date that does not exist, that is no date, or that is left unfinished is refused in a
// message, once, and the picker keeps its date: the day is never moved to another month, nor the
// missing parts taken from the date shown. A day alone goes to the month and year shown, as the day
// section takes it.
TEST_F(MainWindowTest, typedDatesThatDoNotExistAreRefusedAndTheDateStays)
{
    const struct
    {
        const char* typed;
        const char* message; // or none when the date is taken
        QDate taken;
    } cases[] = {
        {"31/02/2025", "La date « 31/02 » n'existe pas.", {}},
        {"3102", "La date « 3102 » n'existe pas.", {}},
        {"29/02/2025", "La date « 29/02/2025 » n'existe pas.", {}},
        {"31/04/2025", "La date « 31/04 » n'existe pas.", {}},
        {"14/13/2025", "La date « 14/13 » n'existe pas.", {}},
        {"14/072/2025",
         "La date « 14/072 » ne se lit pas : tapez le jour, le mois et l'année en chiffres, par "
         "exemple 14/07/2025.",
         {}},
        {"14/07/0050", "La date « 14/07/0050 » est hors du calendrier, qui va de l'an 100 à l'an 9999.", {}},
        {"14/07",
         "La date « 14/07 » est incomplète : tapez le jour, le mois et l'année en chiffres, par exemple "
         "14/07/2025.",
         {}},
        {"29/02/2024", nullptr, QDate(2024, 2, 29)},
        {"29", nullptr, QDate(2026, 11, 29)},
        {"7/", nullptr, QDate(2026, 11, 7)},
        {"31", "La date « 31/11/2026 » n'existe pas.", {}},
    };
    MainWindow form;
    showActive(form);
    auto* picker = control<QDateEdit>(form, "productionDatePicker");
    const QDate before(2026, 11, 10);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        Dialogs::clearShownMessages();
        picker->setDate(before);
        const QString code = form.code();
        control<QWidget>(form, "operatorTextEdit")->setFocus();
        picker->setFocus();
        QTest::keyClicks(picker, QString::fromLatin1(c.typed));
        control<QWidget>(form, "operatorTextEdit")->setFocus();
        if (c.message) {
            EXPECT_EQ(Dialogs::shownMessages(), QStringList{QString::fromUtf8(c.message)});
            EXPECT_EQ(picker->date(), before);
            EXPECT_EQ(form.code(), code);
        } else {
            EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
            EXPECT_EQ(picker->date(), c.taken);
            EXPECT_EQ(form.code().right(5), FixeDate(c.taken).field());
        }
        EXPECT_EQ(picker->text(), QLocale().toString(picker->date(), QLocale::LongFormat));
    }

    // a refused date stays in sight to be corrected: Backspace, then the right month
    Dialogs::clearShownMessages();
    picker->setDate(before);
    picker->setFocus();
    QTest::keyClicks(picker, QStringLiteral("31/02"));
    EXPECT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_EQ(picker->findChild<QLineEdit*>()->text(), QStringLiteral("31/02"));
    QTest::keyClick(picker, Qt::Key_Backspace);
    QTest::keyClicks(picker, QStringLiteral("3/2025"));
    EXPECT_EQ(picker->date(), QDate(2025, 3, 31));
    // Tab finishes what is typed before it moves to the next section: a day alone is taken there
    picker->setDate(before);
    control<QWidget>(form, "operatorTextEdit")->setFocus();
    picker->setFocus();
    QTest::keyClicks(picker, QStringLiteral("12"));
    QTest::keyClick(picker, Qt::Key_Tab);
    EXPECT_EQ(picker->date(), QDate(2026, 11, 12));
    EXPECT_EQ(Dialogs::shownMessages().size(), 1);
    // Escape drops what is typed and keeps the date
    picker->setDate(before);
    control<QWidget>(form, "operatorTextEdit")->setFocus();
    picker->setFocus();
    QTest::keyClicks(picker, QStringLiteral("01/0"));
    QTest::keyClick(picker, Qt::Key_Escape);
    EXPECT_EQ(picker->date(), before);
    EXPECT_EQ(picker->findChild<QLineEdit*>()->text(), QLocale().toString(before, DatePicker::typingFormat(QLocale())));
    EXPECT_EQ(Dialogs::shownMessages().size(), 1);
}

// The long date is never cut off: each picker is wide enough for the widest date of the year.
TEST_F(MainWindowTest, longDatesAreNeverCutOff)
{
    MainWindow form;
    showActive(form);
    for (const char* name : {"productionDatePicker", "dayOfYearDatePicker"}) {
        form.setManualMode(QByteArray(name) == "dayOfYearDatePicker");
        auto* picker = control<QDateEdit>(form, name);
        QApplication::processEvents(); // the switch of view is laid out by the event loop
        for (int month = 1; month <= 12; ++month)
            for (int day = 22; day <= 28; ++day) {
                const QString text = QLocale().toString(QDate(2026, month, day), QLocale::LongFormat);
                EXPECT_LE(picker->fontMetrics().horizontalAdvance(text), picker->findChild<QLineEdit*>()->width())
                    << name << ": " << qPrintable(text);
            }
    }
}

TEST_F(MainWindowTest, closeBoxSavesExactlyAsQuitter)
{
    auto closeWith = [this](const std::function<void(MainWindow&)>& how) {
        m_data.write(QStringLiteral("Config/cfg.xml"), fixtureBytes(QStringLiteral("cfg.xml")));
        MainWindow form;
        showActive(form);
        form.move(30, 40);
        form.resize(800, 560);
        retype(control<QLineEdit>(form, "operatorTextEdit"), QStringLiteral("Équipe B"));
        control<QPlainTextEdit>(form, "multilineTextEdit")->setPlainText(QStringLiteral("un\ndeux €"));
        form.setManualMode(true);
        how(form);
        EXPECT_FALSE(form.isVisible());
        return configBytes();
    };
    const QByteArray byCloseBox = closeWith([](MainWindow& f) { f.close(); });
    const QByteArray byButton = closeWith([](MainWindow& f) { f.findChild<QToolButton*>("quitButton")->click(); });
    EXPECT_EQ(byCloseBox, byButton);
    EXPECT_EQ(setting(byButton, "Gauche"), "30");
    EXPECT_EQ(setting(byButton, "Haut"), "40");
    EXPECT_EQ(setting(byButton, "Largeur"), "800");
    EXPECT_EQ(setting(byButton, "Hauteur"), "560");
    EXPECT_EQ(setting(byButton, "Eleve"), QStringLiteral("Équipe B").toLatin1());
    EXPECT_TRUE(setting(byButton, "Memo1").startsWith("un"));
    EXPECT_EQ(setting(byButton, "Modele"), "Test.ETQ");
    EXPECT_EQ(setting(byButton, "CodeManu"), "-1");
    // the lists come through untouched
    EXPECT_TRUE(byButton.contains(QStringLiteral("<Nom>Écorce d'orange</Nom>").toLatin1()));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
}

// A file written by the Windows program (Windows-1252 bytes declared ISO-8859-1, CR LF, the lists in
// another order) goes through a start and a close with its lists as they were, and a "€" typed into
// the operator field comes back at the next start.
TEST_F(MainWindowTest, windowsConfigurationAndATypedEuroSurviveACloseAndTheNextStart)
{
    QFile windows(test::fixture(QStringLiteral("config/windows_cfg.xml")));
    ASSERT_TRUE(windows.open(QIODevice::ReadOnly));
    const QByteArray original = windows.readAll();
    m_data.write(QStringLiteral("Config/cfg.xml"), original);
    m_data.write(QStringLiteral("Modeles/Avery 4x2.ETQ"), fixtureBytes(QStringLiteral("Test.ETQ")));
    auto block = [](const QByteArray& bytes, const char* list) {
        const QByteArray open = QByteArray("\t<") + list + '>';
        const QByteArray close = QByteArray("</") + list + ">\r\n";
        const qsizetype from = bytes.indexOf(open);
        return from < 0 ? QByteArray("(absent)") : bytes.mid(from, bytes.indexOf(close) + close.size() - from);
    };
    {
        MainWindow form;
        EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
        EXPECT_EQ(control<QComboBox>(form, "systemCombo")->itemText(0), QStringLiteral("Système à bougies"));
        EXPECT_EQ(control<QComboBox>(form, "perfumeCombo")->itemText(0), QStringLiteral("Cœur de rose"));
        showActive(form);
        auto* operatorField = control<QLineEdit>(form, "operatorTextEdit");
        retype(operatorField, QStringLiteral("Prix 5 "));
        // what a keyboard layout types for the euro sign and the dash: key events carrying the character
        for (const QChar ch : QStringLiteral("€ – Zoé")) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(operatorField, &press);
        }
        EXPECT_EQ(form.operatorText(), QStringLiteral("Prix 5 € – Zoé"));
        EXPECT_TRUE(form.close());
    }
    const QByteArray saved = configBytes();
    EXPECT_TRUE(saved.startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Configuration>\r\n"));
    // "Système" stays one byte; only what ISO-8859-1 lacks becomes a reference
    EXPECT_EQ(block(saved, "Systemes"), block(original, "Systemes"));
    EXPECT_TRUE(saved.contains("<Nom>Syst\xE8me \xE0 bougies</Nom>\r\n"));
    EXPECT_EQ(block(saved, "Lieux"), block(original, "Lieux"));
    EXPECT_EQ(block(saved, "Parfums"), block(original, "Parfums").replace("\x9C", "&#339;").replace("\x92", "&#8217;"));
    EXPECT_EQ(setting(saved, "Eleve"), "Prix 5 &#8364; &#8211; Zo\xE9");

    MainWindow again;
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
    EXPECT_EQ(control<QLineEdit>(again, "operatorTextEdit")->text(), QStringLiteral("Prix 5 € – Zoé"));
    EXPECT_EQ(again.operatorText(), QStringLiteral("Prix 5 € – Zoé"));
    EXPECT_EQ(control<QComboBox>(again, "perfumeCombo")->itemText(1), QStringLiteral("Fleur d’oranger"));
}

TEST_F(MainWindowTest, failedSaveKeepsTheWindowOpen)
{
    MainWindow form;
    showActive(form);
    ASSERT_TRUE(QDir(m_data.file(QStringLiteral("Config"))).removeRecursively());
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_FALSE(Dialogs::shownMessages().first().isEmpty());
    // a later close tries again
    QDir().mkpath(m_data.file(QStringLiteral("Config")));
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(setting(configBytes(), "Eleve"), QStringLiteral("Opérateur du matin").toLatin1());
}

TEST_F(MainWindowTest, listEditsShowInTheListsAtOnce)
{
    MainWindow form;
    showActive(form);
    auto* systems = control<QComboBox>(form, "systemCombo");
    auto* places = control<QComboBox>(form, "placeCombo");
    systems->setCurrentIndex(1);
    places->setCurrentIndex(1);
    form.configuration().addSystem(QStringLiteral("Cire"), QStringLiteral("C"));
    form.configuration().addPlace(QStringLiteral("Aulnoy"), QStringLiteral("59301"), QStringLiteral("Anzin.bmp"));
    form.listsChanged();
    // the selections stay where they were, and so do their fields
    EXPECT_EQ(systems->count(), 3);
    EXPECT_EQ(systems->currentIndex(), 1);
    EXPECT_EQ(places->count(), 3);
    EXPECT_EQ(places->currentText(), QStringLiteral("Valenciennes"));
    EXPECT_EQ(display(form, "systemField") + display(form, "factoryField"), QStringLiteral("S59300"));

    // after a reset nothing addresses an entry that is gone; the fields keep their values
    form.configuration().reset();
    form.listsChanged();
    EXPECT_EQ(systems->count(), 0);
    EXPECT_EQ(places->count(), 0);
    EXPECT_EQ(display(form, "systemField"), QStringLiteral("S"));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
    EXPECT_TRUE(form.close());
    EXPECT_TRUE(configBytes().contains("<Form1>"));
}

TEST_F(MainWindowTest, aResetRepairsAnUnreadableConfigurationForTheClose)
{
    m_data.write(QStringLiteral("Config/cfg.xml"), "<Configuration>");
    MainWindow form;
    ASSERT_EQ(form.settings().state(), MainSettings::State::Unreadable);
    form.configuration().reset();
    form.listsChanged();
    EXPECT_EQ(form.settings().state(), MainSettings::State::Loaded);
    retype(control<QLineEdit>(form, "operatorTextEdit"), QStringLiteral("Nuit"));
    EXPECT_TRUE(form.close());
    EXPECT_EQ(setting(configBytes(), "Eleve"), "Nuit");
}

TEST_F(MainWindowTest, withoutAConfigurationFolderTheWindowStillCloses)
{
    // no configuration, and a file where its folder should be: nothing can be saved
    ASSERT_TRUE(QDir(m_data.file(QStringLiteral("Config"))).removeRecursively());
    m_data.write(QStringLiteral("Config"), "not a folder");
    MainWindow form;
    ASSERT_EQ(form.settings().state(), MainSettings::State::Missing);
    showActive(form);
    Dialogs::clearShownMessages();
    EXPECT_TRUE(form.close());
    EXPECT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_EQ(m_data.read(QStringLiteral("Config")), "not a folder");
}

struct StartFailure
{
    const char* name;
    std::function<void(TempDataFolder&)> damage;
    const char* messageHas;
    int systems; // what the system list holds afterwards
};

void PrintTo(const StartFailure& f, std::ostream* os)
{
    *os << f.name;
}

class StartFailures : public MainWindowTest, public ::testing::WithParamInterface<StartFailure>
{
};

TEST_P(StartFailures, areReportedAndTheWindowStaysUsable)
{
    const StartFailure& f = GetParam();
    f.damage(m_data);
    const QByteArray configBefore = configBytes();
    MainWindow form;
    ASSERT_EQ(Dialogs::shownMessages().size(), 1) << qPrintable(Dialogs::shownMessages().join(u'\n'));
    EXPECT_TRUE(Dialogs::shownMessages().first().contains(QString::fromUtf8(f.messageHas)))
        << qPrintable(Dialogs::shownMessages().first());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("PELORIN étiquettes code barre"));
    EXPECT_EQ(control<QComboBox>(form, "systemCombo")->count(), f.systems);

    showActive(form);
    retype(control<QLineEdit>(form, "massEdit"), QStringLiteral("25"));
    EXPECT_EQ(display(form, "massField"), QStringLiteral("025"));
    EXPECT_EQ(display(form, "colourField"), QStringLiteral("100"));
    EXPECT_EQ(display(form, "dayField"), FixeDate(QDate::currentDate()).day);
    EXPECT_EQ(Dialogs::shownMessages().size(), 1);

    Dialogs::clearShownMessages();
    EXPECT_TRUE(form.close());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
    const QByteArray after = configBytes();
    switch (form.settings().state()) {
    case MainSettings::State::Unreadable:
        EXPECT_EQ(after, configBefore); // left for the operator to repair
        break;
    case MainSettings::State::Missing:
        // a complete file: the three lists, empty, and every setting
        for (const char* element : {"<Systemes", "<Lieux", "<Parfums", "<Form1>", "<Haut>", "<Modele"})
            EXPECT_TRUE(after.contains(element)) << element;
        EXPECT_TRUE(after.startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"));
        break;
    case MainSettings::State::Loaded:
        EXPECT_TRUE(after.contains("<Nom>Citron</Nom>"));
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, StartFailures,
    ::testing::Values(
        StartFailure{"missingConfiguration",
                     [](TempDataFolder& d) { QFile::remove(d.file(QStringLiteral("Config/cfg.xml"))); }, "cfg.xml", 0},
        StartFailure{"malformedConfiguration",
                     [](TempDataFolder& d) {
                         d.write(QStringLiteral("Config/cfg.xml"), "<?xml version=\"1.0\"?>\n<Configuration>\n"
                                                                   "<Systemes><Systeme></Systemes>\n");
                     },
                     "3", 0},
        StartFailure{"missingLogo", [](TempDataFolder& d) { QFile::remove(d.file(QStringLiteral("logos/Anzin.bmp"))); },
                     "Anzin.bmp", 2},
        StartFailure{"missingModel",
                     [](TempDataFolder& d) { QFile::remove(d.file(QStringLiteral("Modeles/Test.ETQ"))); }, "Test.ETQ",
                     2}),
    [](const ::testing::TestParamInfo<StartFailure>& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, descriptionThatDidNotLoadIsStillNamedAtClose)
{
    setSetting("CodeManu", QStringLiteral("-1"));
    QFile::remove(m_data.file(QStringLiteral("Modeles/Test.ETQ")));
    MainWindow form;
    // reading stopped at the description: manual mode was not read
    EXPECT_FALSE(form.manualMode());
    EXPECT_TRUE(form.modelPanel()->text().isEmpty());
    EXPECT_TRUE(form.close());
    EXPECT_EQ(setting(configBytes(), "Modele"), "Test.ETQ");
}

// Reading stopped at a setting that does not convert: the label texts after it were never shown, so
// closing keeps the file's own, unless the operator typed new ones.
TEST_F(MainWindowTest, textsThatReadingNeverReachedAreKeptAtClose)
{
    struct Case
    {
        const char* name;
        const char* badSetting;
        const char* typedOperator; // typed into the operator text before closing, or none
        QByteArray eleve;          // Eleve written at close
    };
    const QByteArray original = QStringLiteral("Opérateur du matin").toLatin1();
    const Case cases[] = {
        {"bad top edge, nothing typed", "Haut", nullptr, original},
        {"bad height, nothing typed", "Hauteur", nullptr, original},
        {"bad top edge, operator typed", "Haut", "Nuit", "Nuit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_data.write(QStringLiteral("Config/cfg.xml"), fixtureBytes(QStringLiteral("cfg.xml")));
        const QByteArray memo = setting(configBytes(), "Memo1");
        setSetting(c.badSetting, QStringLiteral("12a"));
        Dialogs::clearShownMessages();
        {
            MainWindow form;
            EXPECT_EQ(Dialogs::shownMessages(), QStringList{QStringLiteral("'12a' is not a valid integer value")});
            EXPECT_TRUE(control<QLineEdit>(form, "operatorTextEdit")->text().isEmpty());
            if (c.typedOperator) {
                showActive(form);
                retype(control<QLineEdit>(form, "operatorTextEdit"), QString::fromLatin1(c.typedOperator));
            }
            EXPECT_TRUE(form.close());
        }
        const QByteArray saved = configBytes();
        EXPECT_EQ(setting(saved, "Eleve"), c.eleve);
        EXPECT_EQ(setting(saved, "Memo1"), memo);
        EXPECT_FALSE(memo.isEmpty());
    }
}

TEST_F(MainWindowTest, offScreenGeometryComesBackIntoView)
{
    setSetting("Gauche", QStringLiteral("5000"));
    setSetting("Haut", QStringLiteral("-3000"));
    MainWindow form;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(form.geometry().topLeft())) << form.x() << "," << form.y();
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
}

TEST(FittedGeometry, keepsAWindowThatFitsAndBringsTheOthersWholeOntoAScreen)
{
    const QRect left(0, 0, 1280, 1024), right(1280, 0, 1920, 1080);
    // a 1280 x 1024 screen at double scaling
    const QRect doubled(0, 0, 640, 512);
    struct Case
    {
        QRect wanted;
        QList<QRect> screens;
        QRect expected;
    } cases[] = {
        {{268, 235, 831, 586}, {left}, {268, 235, 831, 586}},          // on screen: kept
        {{1500, 100, 800, 600}, {left, right}, {1500, 100, 800, 600}}, // on the second screen: kept
        {{1500, 100, 800, 600}, {left}, {464, 100, 800, 600}},         // that screen is gone: pulled back
        {{-900, -700, 831, 586}, {left}, {0, 0, 831, 586}},            // above and left of everything
        {{100, 1010, 831, 586}, {left}, {100, 398, 831, 586}},         // only the bottom edge showed
        {{900, 100, 831, 586}, {left}, {433, 100, 831, 586}},          // partly past the right edge
        {{5000, 5000, 3000, 2000}, {left}, {0, 0, 1264, 984}},         // larger than the screen: shrunk
        {{268, 235, 900, 650}, {doubled}, {0, 0, 624, 472}},           // saved at 900 x 650, shown doubled
        {{1400, 50, 900, 650}, {left, right}, {1400, 50, 900, 650}},   // mostly on the second screen
    };
    for (const Case& c : cases) {
        const QRect r = fittedGeometry(c.wanted, c.screens);
        EXPECT_EQ(r, c.expected) << c.wanted.x() << "," << c.wanted.y();
        // the frame too lies on one of the screens
        const QRect framed(r.topLeft(), r.size() + kFrameAllowance);
        EXPECT_TRUE(
            std::any_of(c.screens.begin(), c.screens.end(), [&](const QRect& s) { return s.contains(framed); }));
    }
}

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST_F(MainWindowTest, toolbarHintsStatusBarAndHelpPages)
{
    MainWindow form;
    showActive(form);
    // every tool button is named for assistive technology
    for (QToolButton* b : form.findChildren<QToolButton*>()) {
        const bool ours = b->objectName().startsWith(QLatin1String("ToolButton")) ||
                          b->objectName() == QLatin1String("exportPdfButton");
        EXPECT_TRUE(!ours || !b->accessibleName().isEmpty()) << qPrintable(b->objectName());
    }
    auto* open = control<QToolButton>(form, "openButton");
    EXPECT_EQ(open->toolTip(), QStringLiteral("Charger une page d'étiquettes. (Ctrl+O)"));
    EXPECT_EQ(open->statusTip(), QStringLiteral("Charger une page d'étiquettes."));
    EXPECT_EQ(control<QToolButton>(form, "aboutButton")->toolTip(),
              QStringLiteral("Information \"à propos\" (Ctrl+F1)"));

    // the hint goes to the first panel and the description's name stays in the second
    QStatusTipEvent tip(control<QToolButton>(form, "zoomFitButton")->statusTip());
    QCoreApplication::sendEvent(control<QToolButton>(form, "zoomFitButton"), &tip);
    EXPECT_EQ(form.hintPanel()->text(), QStringLiteral("Zoom au mieux."));
    EXPECT_TRUE(form.modelPanel()->isVisible());
    EXPECT_EQ(form.modelPanel()->text(), QStringLiteral("Test.ETQ"));

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    m_data.write(QStringLiteral("Help/Pelorin.htm"), "<html></html>");
    m_data.write(QStringLiteral("Help/Nuancier.htm"), "<html></html>");
    control<QToolButton>(form, "helpButton")->click();
    control<QToolButton>(form, "ralChartButton")->click();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(recorder.urls.size(), 2);
    EXPECT_EQ(recorder.urls[0].toLocalFile(), m_data.file(QStringLiteral("Help/Pelorin.htm")));
    EXPECT_TRUE(recorder.urls[1].toLocalFile().endsWith(QStringLiteral("/Help/Nuancier.htm")));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

// The first status panel confirms what was done, and comes back to it when the mouse leaves a control
// whose hint it showed meanwhile.
TEST_F(MainWindowTest, statusBarConfirmsTheExport)
{
    MainWindow form;
    showActive(form);
    const QString pdf = m_data.file(QStringLiteral("Planche.pdf"));
    Dialogs::setNextFileName(pdf);
    control<QToolButton>(form, "exportPdfButton")->click();
    ASSERT_TRUE(QFileInfo::exists(pdf));
    const QString done = QStringLiteral("Page exportée : %1").arg(QDir::toNativeSeparators(pdf));
    EXPECT_EQ(form.hintPanel()->text(), done);

    auto* zoom = control<QToolButton>(form, "zoomFitButton");
    QStatusTipEvent enter(zoom->statusTip()), leave{QString()};
    QCoreApplication::sendEvent(zoom, &enter);
    EXPECT_EQ(form.hintPanel()->text(), QStringLiteral("Zoom au mieux."));
    QCoreApplication::sendEvent(zoom, &leave);
    EXPECT_EQ(form.hintPanel()->text(), done);
    EXPECT_EQ(form.modelPanel()->text(), QStringLiteral("Test.ETQ"));

    // a cancelled export claims nothing new
    QFile::remove(pdf);
    control<QToolButton>(form, "exportPdfButton")->click();
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_EQ(form.hintPanel()->text(), done);
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

// The pictures the themes lack or draw pale (PDF export, the scan window, automatic insertion) are
// coloured at 100 % and 200 % scaling, never a blank or grey square that reads as disabled.
TEST(ToolIcons, drawnOnesAreColouredAtBothScales)
{
    for (const char* name : {"x-office-document", "scanner", "media-playlist-repeat"}) {
        const QIcon icon = themeIcon(QString::fromLatin1(name), QStyle::SP_FileIcon);
        for (const int side : {24, 48}) {
            const QImage image = icon.pixmap(QSize(side, side)).toImage();
            EXPECT_EQ(image.width(), side) << name;
            int coloured = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    coloured += c.alpha() > 200 && c.hsvSaturation() > 120 && c.value() > 90;
                }
            EXPECT_GE(coloured, side * side / 20) << name << " at " << side;
        }
    }
}

TEST_F(MainWindowTest, helpPageMissingOrUnopenedIsSaid)
{
    MainWindow form;
    const struct Case
    {
        const char* button;
        const char* page;
        bool present;
        bool browser;
        const char* why;
    } cases[] = {
        {"helpButton", "Pelorin.htm", false, true, "le fichier n'existe pas."},
        {"ralChartButton", "Nuancier.htm", false, true, "le fichier n'existe pas."},
        {"helpButton", "Pelorin.htm", true, false, "aucun navigateur n'a pu l'afficher."},
        {"ralChartButton", "Nuancier.htm", true, false, "aucun navigateur n'a pu l'afficher."},
        {"ralChartButton", "Nuancier.htm", true, true, nullptr},
    };
    for (const Case& c : cases) {
        const QString relative = QStringLiteral("Help/") + QLatin1String(c.page);
        QFile::remove(m_data.file(relative));
        if (c.present)
            m_data.write(relative, "<html></html>");
        QList<QUrl> asked;
        Dialogs::setUrlOpener([&](const QUrl& url) {
            asked << url;
            return c.browser;
        });
        Dialogs::clearShownMessages();
        control<QToolButton>(form, c.button)->click();
        Dialogs::setUrlOpener({});
        // a missing page is never handed to the browser
        EXPECT_EQ(asked.size(), c.present ? 1 : 0) << c.page;
        if (!c.why) {
            EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << c.page;
            continue;
        }
        ASSERT_EQ(Dialogs::shownMessages().size(), 1) << c.page;
        EXPECT_EQ(Dialogs::shownMessages().first(),
                  QStringLiteral("Impossible d'ouvrir la page « %1 » : %2")
                      .arg(QDir::toNativeSeparators(m_data.file(relative)), QString::fromUtf8(c.why)));
    }
}

// A modal window as the tool bar shows it, counting its showings instead of blocking.
class CountingDialog : public QDialog
{
public:
    int shown = 0;
    int exec() override
    {
        ++shown;
        return 0;
    }
};

TEST_F(MainWindowTest, keyboardFirstTabShortcutsAndMnemonics)
{
    MainWindow form;
    CountingDialog selection, scan, configuration;
    form.setSelectionWindow(&selection);
    form.setScanWindow(&scan);
    form.setConfigurationWindow(&configuration);
    showActive(form);

    // the first Tab from start-up reaches "Système": tool bar buttons and code fields take no Tab stop
    QWidget* start = QApplication::focusWidget() ? QApplication::focusWidget() : &form;
    QTest::keyClick(start, Qt::Key_Tab);
    auto* systems = control<QComboBox>(form, "systemCombo");
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    EXPECT_TRUE(focused == systems || focused->parentWidget() == systems) << qPrintable(focused->objectName());
    for (const char* name :
         {"openButton", "printButton", "printDialogButton", "quitButton", "exportPdfButton", "scanButton"})
        EXPECT_EQ(control<QToolButton>(form, name)->focusPolicy(), Qt::NoFocus) << name;
    for (const char* name : {"systemField", "massField", "dayField", "yearField", "dayOfYearField"})
        EXPECT_EQ(control<QLineEdit>(form, name)->focusPolicy(), Qt::NoFocus) << name;

    // each command's shortcut is shown in its hint
    const std::pair<const char*, const char*> hints[] = {
        {"printButton", "Ctrl+P"},
        {"exportPdfButton", "Ctrl+Shift+E"},
        {"selectLabelsButton", "Ctrl+L"},
        {"helpButton", "F1"},
        {"quitButton", "Ctrl+Q"},
        {"scanButton", "Ctrl+K"},
        {"printDialogButton", "Ctrl+Shift+P"},
        {"openButton", "Ctrl+O"},
        {"zoomFitButton", "Ctrl+0"},
        {"zoomInButton", "Ctrl++"},
        {"zoomOutButton", "Ctrl+-"},
        {"configurationButton", "Ctrl+,"},
        {"ralChartButton", "Ctrl+Shift+N"},
        {"aboutButton", "Ctrl+F1"},
    };
    for (const auto& [name, keys] : hints)
        EXPECT_TRUE(control<QToolButton>(form, name)->toolTip().endsWith(QStringLiteral("(%1)").arg(keys)))
            << name << ": " << qPrintable(control<QToolButton>(form, name)->toolTip());
    EXPECT_TRUE(control<QPushButton>(form, "redisplayButton")->toolTip().contains(QStringLiteral("F5")));

    // and reaches it from anywhere in the window
    auto* mass = control<QLineEdit>(form, "massEdit");
    mass->setFocus();
    QTest::keyClick(mass, Qt::Key_L, Qt::ControlModifier);
    QTest::keyClick(mass, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(selection.shown, 1);
    EXPECT_EQ(scan.shown, 1);
    QTest::keyClick(mass, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(configuration.shown, 1);
    // the zoom commands act on the preview from anywhere, once a page is shown (F5)
    QTest::keyClick(mass, Qt::Key_F5);
    report::PagePreview* preview = form.sheet().preview();
    ASSERT_NE(preview->page(), nullptr);
    preview->setZoom(100);
    QTest::keyClick(mass, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(preview->zoom(), 110);
    QTest::keyClick(mass, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(mass, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(preview->zoom(), 90);
    QTest::keyClick(mass, Qt::Key_0, Qt::ControlModifier);
    EXPECT_NE(preview->fitZoom(), 90);
    EXPECT_DOUBLE_EQ(preview->zoom(), preview->fitZoom());
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    m_data.write(QStringLiteral("Help/Pelorin.htm"), "<html></html>");
    QTest::keyClick(mass, Qt::Key_F1);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(recorder.urls.size(), 1);
    // Ctrl+Shift+P prints through the print dialog: the printer chosen there is the one used
    Dialogs::clearShownMessages();
    PrintDialogs::setNextChoice({QStringLiteral("Absente"), 1});
    QTest::keyClick(mass, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{QStringLiteral("L'imprimante « Absente » n'existe pas.")});
    Dialogs::clearShownMessages();

    // mnemonics: Alt+I brings the incremental list's tab to the front, Alt+M goes to the mass
    auto* tabs = control<QTabWidget>(form, "textTabs");
    QTest::keyClick(&form, Qt::Key_I, Qt::AltModifier);
    EXPECT_EQ(tabs->currentIndex(), 1);
    QTest::keyClick(&form, Qt::Key_M, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), mass);

    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
    QTest::keyClick(mass, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainWindowTest, tabReachesTheLabelTextsInOrder)
{
    MainWindow form;
    showActive(form);
    control<QTabWidget>(form, "textTabs")->setCurrentIndex(0);
    auto* copy = control<QPushButton>(form, "copyCodeButton");
    copy->setFocus();
    QStringList order;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        order << (focused ? focused->objectName() : QString());
    }
    // the tabs of the texts, then "Opérateur", then "Multiligne", then out of it again
    EXPECT_EQ(order.mid(1, 2), (QStringList{QStringLiteral("operatorTextEdit"), QStringLiteral("multilineTextEdit")}))
        << qPrintable(order.join(u' '));
    EXPECT_NE(order.value(3), QStringLiteral("multilineTextEdit"));
}

TEST_F(MainWindowTest, everyFieldHasAnAccessibleName)
{
    MainWindow form;
    const QList<QWidget*> all = form.findChildren<QWidget*>();
    for (QWidget* w : all) {
        const bool field = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QPlainTextEdit*>(w);
        // the edits inside combo boxes and spin boxes belong to them; Image is never shown
        const QWidget* parent = w->parentWidget();
        if (!field || w->objectName() == QLatin1String("logoPathEdit") || qobject_cast<const QComboBox*>(parent) ||
            qobject_cast<const QAbstractSpinBox*>(parent))
            continue;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << qPrintable(w->objectName());
    }
}

TEST_F(MainWindowTest, ralListDrawsItsSwatches)
{
    MainWindow form;
    showActive(form);
    auto* box = control<QComboBox>(form, "ralCombo");
    EXPECT_EQ(box->view()->sizeHintForRow(0), ral::kRowHeight);
    auto swatchPixels = [box](const QColor& colour) {
        const QImage shot = box->grab().toImage();
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                n += shot.pixelColor(x, y).rgb() == colour.rgb();
        return n;
    };
    // the closed box shows the chosen entry's swatch, 42 by 12 pixels
    EXPECT_GE(swatchPixels(QColor(0xCC, 0xC1, 0x88)), 42 * 12);
    box->setCurrentIndex(ral::indexOfNumber(QStringLiteral("5015")));
    EXPECT_GE(swatchPixels(QColor(0x00, 0x71, 0xB5)), 42 * 12);
    EXPECT_EQ(swatchPixels(QColor(0xCC, 0xC1, 0x88)), 0);

    // assistive technology reads the chosen colour's number, the entry stays in the item's data
    EXPECT_EQ(box->currentData().toString().trimmed(), QStringLiteral("0071B5*5015"));
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(box);
    ASSERT_NE(spoken, nullptr);
    EXPECT_EQ(spoken->text(QAccessible::Value), QStringLiteral("RAL 5015"));
    for (const QAccessible::Text t : {QAccessible::Name, QAccessible::Description})
        EXPECT_FALSE(spoken->text(t).contains(u'*')) << qPrintable(spoken->text(t));
}

} // namespace

#include "mainwindow_test.moc"
