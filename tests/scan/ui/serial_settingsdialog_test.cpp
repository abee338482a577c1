#include "../serial_pty.h"
#include "base/ui/dialogs.h"
#include "scan/seriallink.h"
#include "scan/ui/serialsettingsdialog.h"
#include "scan/ui/serialsettingbox.h"

#include <QLabel>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

// The operator picks an item from a selector's list.
void choose(SerialSettingBox* box, const QString& text)
{
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// The window's controls are its own: a test reaches them by name, as the program's users do.
template <typename T> T* control(QWidget& window, const char* name)
{
    T* c = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

SerialSettingBox* box(QWidget& window, const char* name)
{
    return control<SerialSettingBox>(window, name);
}

void setPort(SerialLink& link, const QString& port)
{
    SerialSettings settings = link.settings();
    settings.port = port;
    link.setSettings(settings);
}

class SerialSettingsDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Dialogs::clearShownMessages();
        tree.tty("ttyS0", true, "4");
        tree.tty("ttyUSB0", true);
        tree.tty("ttyACM0", true);
        tree.console("tty0 ttyS0");
        tree.install();
    }
    void TearDown() override { test::FakeTtyTree::uninstall(); }

    test::FakeTtyTree tree;
};

} // namespace

TEST_F(SerialSettingsDialogTest, ListsThePortsAndShowsTheLinksCurrentValues)
{
    SerialLink link;
    SerialSettings settings;
    settings.port = "ttyusb0";
    settings.baudRate = 19200;
    settings.dataBits = 7;
    settings.parity = SerialSettings::Parity::Even;
    settings.stopBits = SerialSettings::StopBits::Two;
    link.setSettings(settings);
    SerialSettingsDialog window(&link);

    QStringList items;
    for (int i = 0; i < box(window, "portCombo")->count(); ++i)
        items << box(window, "portCombo")->itemText(i);
    QStringList listed;
    for (const SerialPortInfo& port : listSerialPorts())
        listed << port.name;
    EXPECT_EQ(items, listed);
    EXPECT_EQ(items, QStringList({"ttyACM0", "ttyUSB0"})); // the console is not offered

    EXPECT_EQ(box(window, "portCombo")->choice(), "ttyUSB0"); // matched ignoring case
    EXPECT_EQ(box(window, "baudCombo")->choice(), "19200");
    EXPECT_EQ(box(window, "dataBitsCombo")->choice(), "7");
    EXPECT_EQ(box(window, "parityCombo")->choice(), "Even");
    EXPECT_EQ(box(window, "stopBitsCombo")->choice(), "2");
    EXPECT_EQ(box(window, "baudCombo")->count(), 16);
    EXPECT_EQ(control<QSpinBox>(window, "endCharacterSpin")->value(), 13);
    EXPECT_EQ(control<QSpinBox>(window, "endCharacterSpin")->minimum(), 0);
    EXPECT_EQ(control<QSpinBox>(window, "endCharacterSpin")->maximum(), 255);
    EXPECT_EQ(window.endCharacter(), 13);
    EXPECT_EQ(window.windowTitle(), "Scanconfig");
    // nothing was chosen, so nothing was applied
    EXPECT_EQ(link.settings(), settings);

    // every selector is announced by its caption
    const QList<QLabel*> labels = window.findChildren<QLabel*>();
    QStringList captions;
    for (QLabel* label : labels)
        if (label->buddy())
            captions << label->text() + '=' + label->buddy()->objectName();
    captions.sort();
    EXPECT_EQ(captions.join(','), "Bits=dataBitsCombo,Code fin=endCharacterSpin,Parité=parityCombo,Port=portCombo,"
                                  "Stop=stopBitsCombo,Vitesse=baudCombo");
}

TEST_F(SerialSettingsDialogTest, APortMissingFromTheListShowsNothingUntilChosen)
{
    SerialLink link; // COM1, not a listed name
    SerialSettingsDialog window(&link);
    EXPECT_EQ(box(window, "portCombo")->choice(), "");
    EXPECT_EQ(box(window, "portCombo")->currentIndex(), -1);
    EXPECT_EQ(box(window, "baudCombo")->choice(), "9600");
    EXPECT_EQ(box(window, "dataBitsCombo")->choice(), "8");
    EXPECT_EQ(box(window, "parityCombo")->choice(), "None");
    EXPECT_EQ(box(window, "stopBitsCombo")->choice(), "1");
    EXPECT_EQ(link.settings().port, "COM1");

    // while the port is closed a choice is only stored
    choose(box(window, "portCombo"), "ttyACM0");
    EXPECT_EQ(link.settings().port, "ttyACM0");
    EXPECT_FALSE(link.isOpen());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
}

TEST_F(SerialSettingsDialogTest, AChoiceAppliesToTheOpenPortAtOnce)
{
    test::Pty pty;
    SerialLink link;
    setPort(link, pty.path());
    link.open();
    const int fd = link.handle();
    SerialSettingsDialog window(&link);
    window.show();

    choose(box(window, "baudCombo"), "115200");
    EXPECT_EQ(link.settings().baudRate, 115200);
    termios t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B115200));
    EXPECT_EQ(link.handle(), fd); // applied to the open device, not reopened

    choose(box(window, "baudCombo"), "Custom"); // the custom rate, 9600
    EXPECT_EQ(box(window, "baudCombo")->choice(), "Custom");
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));

    choose(box(window, "stopBitsCombo"), "2");
    EXPECT_TRUE(pty.slaveTermios().c_cflag & CSTOPB);
    test::clearTermiosRequests();
    choose(box(window, "parityCombo"), "Mark");
    EXPECT_EQ(link.settings().parity, SerialSettings::Parity::Mark);
    EXPECT_TRUE(test::anyTermiosRequest(
        fd, [](const termios& t) { return (t.c_cflag & (PARENB | CMSPAR | PARODD)) == (PARENB | CMSPAR | PARODD); }));
    // a pseudo-terminal keeps 8 data bits, and may refuse a change it ignores altogether: what counts
    // is what the link asked for
    choose(box(window, "dataBitsCombo"), "6");
    EXPECT_EQ(link.settings().dataBits, 6);
    EXPECT_TRUE(test::anyTermiosRequest(fd, [](const termios& t) { return (t.c_cflag & CSIZE) == CS6; }));
    for (const QString& m : Dialogs::shownMessages())
        EXPECT_TRUE(m.startsWith("SetCommState function failed")) << m.toStdString();
    choose(box(window, "dataBitsCombo"), "8");
    EXPECT_TRUE(link.isOpen());
    Dialogs::clearShownMessages();

    // a setting the line refuses: the error is shown and the selector keeps the choice
    choose(box(window, "stopBitsCombo"), "1.5");
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{"SetCommState function failed"});
    EXPECT_EQ(box(window, "stopBitsCombo")->choice(), "1.5");
    EXPECT_TRUE(link.isOpen());

    // another port closes this one and opens that one; one that cannot be opened leaves it closed
    Dialogs::clearShownMessages();
    choose(box(window, "portCombo"), "ttyUSB0");
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.settings().port, "ttyUSB0");
    EXPECT_EQ(box(window, "portCombo")->choice(), "ttyUSB0");
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages()[0].startsWith("Unable to open com port (win error code: "));
}

TEST_F(SerialSettingsDialogTest, WithoutAReadableListThePortsOwnNameIsOfferedAndTheReasonShownOnce)
{
    setSerialSystemRoot(tree.path() + "/gone");
    SerialLink link;
    setPort(link, "ttyUSB3");
    SerialSettingsDialog window(&link);
    EXPECT_EQ(box(window, "portCombo")->count(), 1);
    EXPECT_EQ(box(window, "portCombo")->choice(), "ttyUSB3");
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()); // the program starts quietly

    window.show();
    EXPECT_TRUE(test::waitUntil([] { return !Dialogs::shownMessages().isEmpty(); }));
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{"Registry error (win error code: 2)"});
    window.hide();
    window.show();
    QTest::qWait(20);
    EXPECT_EQ(Dialogs::shownMessages().size(), 1);
}

TEST_F(SerialSettingsDialogTest, ALinkDestroyedIsForgotten)
{
    auto* link = new SerialLink;
    SerialSettings settings;
    settings.baudRate = 57600;
    link->setSettings(settings);
    SerialSettingBox speed;
    speed.setSetting(SerialSetting::BaudRate);
    EXPECT_EQ(speed.choice(), "Custom"); // no link: the first item
    speed.setLink(link);
    EXPECT_EQ(speed.choice(), "57600");
    delete link;
    EXPECT_EQ(speed.link(), nullptr);
    EXPECT_EQ(speed.choice(), "Custom");
    choose(&speed, "300"); // nothing to apply to
    EXPECT_EQ(speed.choice(), "300");
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());

    speed.setChoice("STOP");
    EXPECT_EQ(speed.choice(), "300");
    speed.setChoice("custom");
    EXPECT_EQ(speed.choice(), "Custom");
}
