// The scan window's RS-232 input, on a real pseudo-terminal.
#include "../samplecodes.h"
#include "../serial_pty.h"
#include "base/ui/dialogs.h"
#include "config/configfile.h"
#include "scan/seriallink.h"
#include "scan/scangrid.h"
#include "scan/scansession.h"
#include "scan/ui/serialsettingsdialog.h"
#include "scan/ui/serialsettingbox.h"
#include "scan/ui/scanwindow.h"
#include "support/testsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace pelorin;
using pelorin::test::waitUntil;

namespace {

const QByteArray kCode1 = test::kCode.toLatin1();
const QByteArray kCode2 = test::kSoap.toLatin1();
const QByteArray kBadDayBytes = test::kBadDay.toLatin1();

class SerialScanWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_config.document().loadFile(test::fixture(QStringLiteral("scan/cfg.xml")));
        m_form = std::make_unique<ScanWindow>(m_config);
        setPort(m_pty.path());
        Dialogs::clearShownMessages();
    }

    template <typename T> T* control(const char* name) const
    {
        T* c = m_form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QLineEdit* edit() const { return control<QLineEdit>("codeEdit"); }
    QToolButton* button(const char* name) const { return control<QToolButton>(name); }
    void click(const char* name) const { QTest::mouseClick(button(name), Qt::LeftButton); }
    QStringList codes() const { return m_form->grid()->codes(); }
    void setPort(const QString& port) const
    {
        SerialSettings settings = m_form->serialLink->settings();
        settings.port = port;
        m_form->serialLink->setSettings(settings);
    }
    // Sends a chunk; the window reads it from its event loop, so a test waits for its effect.
    void send(const QByteArray& chunk) { ASSERT_TRUE(m_pty.send(chunk)); }
    bool rowsAre(const QStringList& expected) const
    {
        return waitUntil([&] { return codes().size() >= expected.size(); }) && codes() == expected;
    }

    test::Pty m_pty;
    ConfigFile m_config;
    std::unique_ptr<ScanWindow> m_form;
};

} // namespace

TEST_F(SerialScanWindowTest, ChunksAreCutIntoCodesAtTheEndCharacter)
{
    click("serialButton");
    ASSERT_TRUE(m_form->serialLink->isOpen());

    // every read goes to the sheet as it came, with or without automatic insertion, and never
    // through the edit box, where a read typed by hand stays as it is
    QTest::keyClicks(edit(), "P2");
    send("ABC");
    EXPECT_TRUE(waitUntil([&] { return m_form->receptionBuffer() == "ABC"; }));
    EXPECT_TRUE(codes().isEmpty());
    send("DEF\r");
    EXPECT_TRUE(rowsAre({"ABCDEF"}));
    // what follows the end character begins the next code
    send("GH");
    send("X\rY");
    EXPECT_TRUE(rowsAre({"ABCDEF", "GHX"}));
    EXPECT_TRUE(waitUntil([&] { return m_form->receptionBuffer() == "Y"; }));
    send("Z\r");
    EXPECT_TRUE(rowsAre({"ABCDEF", "GHX", "YZ"}));
    EXPECT_EQ(edit()->text(), "P2");
    EXPECT_EQ(m_form->grid()->cell(1, ScanGrid::ColErreur), "Lecture de 6 caractère(s) au lieu de 22");

    // automatic insertion on: two codes in one chunk are both inserted, in order
    click("clearButton");
    click("autoInsertButton");
    send(kCode1 + '\r' + kCode2 + '\r');
    EXPECT_TRUE(rowsAre({kCode1, kCode2}));

    // the end character is read from the settings window at every chunk: 0 and 200 as well as 13
    QSpinBox* endCharacterSpin = control<QSpinBox>("endCharacterSpin");
    endCharacterSpin->setValue(0);
    send(kCode1 + QByteArray(1, '\0') + kCode2.left(5));
    send(kCode2.mid(5) + QByteArray(1, '\0'));
    EXPECT_TRUE(rowsAre({kCode1, kCode2, kCode1, kCode2}));
    endCharacterSpin->setValue(200);
    send(kCode1 + "\xC8");
    EXPECT_TRUE(rowsAre({kCode1, kCode2, kCode1, kCode2, kCode1}));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
    EXPECT_EQ(control<QStatusBar>("statusBar")->currentMessage(), "5 lectures, 0 à vérifier");
}

TEST_F(SerialScanWindowTest, TheLineFeedOfCrLfCodesNeverReachesACode)
{
    click("autoInsertButton");
    click("serialButton");
    send(kCode1 + "\r\n" + kCode2 + "\r\n");
    EXPECT_TRUE(rowsAre({kCode1, kCode2}));
    send(kCode1 + "\r");
    EXPECT_TRUE(rowsAre({kCode1, kCode2, kCode1}));
    send("\n" + kCode2 + "\r");
    EXPECT_TRUE(rowsAre({kCode1, kCode2, kCode1, kCode2}));
    send("\n");
    send(kCode1 + "\r\n");
    // with a line feed in front the code would have 23 characters
    EXPECT_TRUE(rowsAre({kCode1, kCode2, kCode1, kCode2, kCode1}));
    EXPECT_EQ(m_form->grid()->problemCount(), 0);
}

TEST_F(SerialScanWindowTest, AReadThatFailsToDecodeIsMarkedAndDoesNotStopReception)
{
    QStringList sources;
    QObject::connect(m_form->session(), &ScanSession::codeTaken, [&](const TakenCode& t) { sources << t.source; });
    click("serialButton");
    send(kBadDayBytes + '\r' + kCode1 + '\r' + "S2503451\r");
    EXPECT_TRUE(rowsAre({kBadDayBytes, kCode1, "S2503451"}));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << "no dialog stops a batch of scans";
    EXPECT_EQ(m_form->grid()->cell(1, ScanGrid::ColDate), "");
    EXPECT_EQ(m_form->grid()->cell(1, ScanGrid::ColErreur), "Date impossible : jour 366 de l'année 2006");
    EXPECT_EQ(m_form->grid()->cell(3, ScanGrid::ColErreur), "Lecture de 8 caractère(s) au lieu de 22");
    EXPECT_EQ(control<QStatusBar>("statusBar")->currentMessage(), "3 lectures, 2 à vérifier");
    EXPECT_TRUE(m_form->serialLink->isOpen());
    // whatever the mode button, where a read came from is known
    click("autoInsertButton");
    send(kCode2 + '\r');
    EXPECT_TRUE(rowsAre({kBadDayBytes, kCode1, "S2503451", kCode2}));
    EXPECT_EQ(sources, QStringList(4, "série"));
}

TEST_F(SerialScanWindowTest, ModeButtonsAndClosingTheWindowOpenAndCloseThePort)
{
    m_form->show();
    click("serialButton");
    EXPECT_TRUE(m_form->serialLink->isOpen());
    click("serialButton"); // clicked again: closed, then opened again
    EXPECT_TRUE(m_form->serialLink->isOpen());
    click("usbButton");
    EXPECT_FALSE(m_form->serialLink->isOpen());
    click("serialButton");
    EXPECT_TRUE(m_form->serialLink->isOpen());

    // closing the window closes the port but leaves RS232 down; showing it again leaves it closed
    m_form->reject();
    EXPECT_FALSE(m_form->serialLink->isOpen());
    m_form->show();
    EXPECT_TRUE(button("serialButton")->isChecked());
    EXPECT_FALSE(m_form->serialLink->isOpen());
    // a partial code from before does not spoil the first code after reopening
    click("serialButton");
    send("OLD");
    ASSERT_TRUE(waitUntil([&] { return m_form->receptionBuffer() == "OLD"; }));
    click("serialButton");
    send("NEW\r");
    EXPECT_TRUE(rowsAre({"NEW"}));

    // a port that cannot be opened: the general error message, RS232 stays down, the port closed
    click("usbButton");
    setPort("/nonexistent/ttyUSB7");
    click("serialButton");
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{"Unable to open com port (win error code: 2)"});
    EXPECT_TRUE(button("serialButton")->isChecked());
    EXPECT_FALSE(m_form->serialLink->isOpen());
}

TEST_F(SerialScanWindowTest, ADeviceThatGoesAwayEndsReceptionWithAMessage)
{
    click("serialButton");
    send(kCode1.left(10)); // half a code
    ASSERT_TRUE(waitUntil([&] { return m_form->receptionBuffer().size() == 10; }));
    m_pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return !Dialogs::shownMessages().isEmpty(); }));
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{"ReadFile function failed (win error code: 5)"});
    EXPECT_FALSE(m_form->serialLink->isOpen());
    EXPECT_TRUE(button("serialButton")->isChecked());
    EXPECT_EQ(edit()->text(), "");
    // nothing keeps running behind the closed port
    EXPECT_LT(test::cpuMsWhileIdle(500), 100.0);
    EXPECT_EQ(Dialogs::shownMessages().size(), 1);
}

TEST_F(SerialScanWindowTest, TheLinkButtonShowsTheSettingsOfThisPortModally)
{
    click("serialButton");
    bool shownModal = false;
    QTimer::singleShot(0, m_form.get(), [&] {
        SerialSettingsDialog* settings = control<SerialSettingsDialog>("serialSettingsDialog");
        shownModal = settings->isVisible() && settings->isModal();
        // a change applies to the open port at once
        SerialSettingBox* speed = control<SerialSettingBox>("baudCombo");
        const int i = speed->findText("38400");
        speed->setCurrentIndex(i);
        emit speed->activated(i);
        QTest::mouseClick(control<QPushButton>("okButton"), Qt::LeftButton);
    });
    click("serialSettingsButton");
    EXPECT_TRUE(shownModal);
    EXPECT_FALSE(control<SerialSettingsDialog>("serialSettingsDialog")->isVisible());
    const termios t = m_pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B38400));
    EXPECT_TRUE(m_form->serialLink->isOpen());
}
