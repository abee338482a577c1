#include "../serial_pty.h"
#include "base/ui/dialogs.h"
#include "scan/comport.h"
#include "scan/ui/comcombobox.h"
#include "scan/ui/scanconfig.h"

#include <QLabel>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

// The operator picks an item from a selector's list.
void choose(TComComboBox* box, const QString& text)
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

class ScanconfigTest : public ::testing::Test
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

TEST_F(ScanconfigTest, ListsThePortsAndShowsThePortsCurrentValues)
{
    TComPort port;
    port.setPort("ttyusb0");
    port.setBaudRate(br19200);
    port.setDataBits(dbSeven);
    port.Parity().setBits(prEven);
    port.setStopBits(sbTwoStopBits);
    TScanconfig window(&port);

    QStringList listed;
    TCustomComPort::ListPorts(listed);
    QStringList items;
    for (int i = 0; i < control<TComComboBox>(window, "ComComboBox4")->count(); ++i)
        items << control<TComComboBox>(window, "ComComboBox4")->itemText(i);
    EXPECT_EQ(items, listed);
    EXPECT_EQ(items, QStringList({"ttyACM0", "ttyUSB0"})); // the console is not offered

    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox4")->Text(), "ttyUSB0"); // matched ignoring case
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox1")->Text(), "19200");
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox2")->Text(), "7");
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox3")->Text(), "Even");
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox5")->Text(), "2");
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox1")->count(), 16);
    EXPECT_EQ(control<QSpinBox>(window, "codefin")->value(), 13);
    EXPECT_EQ(control<QSpinBox>(window, "codefin")->minimum(), 0);
    EXPECT_EQ(control<QSpinBox>(window, "codefin")->maximum(), 255);
    EXPECT_EQ(window.windowTitle(), "Scanconfig");
    // nothing was chosen, so nothing was applied
    EXPECT_EQ(port.Port(), "ttyusb0");

    // every selector is announced by its caption
    const QList<QLabel*> labels = window.findChildren<QLabel*>();
    QStringList captions;
    for (QLabel* label : labels)
        if (label->buddy())
            captions << label->text() + '=' + label->buddy()->objectName();
    captions.sort();
    EXPECT_EQ(captions.join(','), "Bits=ComComboBox2,Code fin=codefin,Parité=ComComboBox3,Port=ComComboBox4,"
                                  "Stop=ComComboBox5,Vitesse=ComComboBox1");
}

TEST_F(ScanconfigTest, APortMissingFromTheListShowsNothingUntilChosen)
{
    TComPort port; // COM1, not a listed name
    TScanconfig window(&port);
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox4")->Text(), "");
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox4")->currentIndex(), -1);
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox1")->Text(), "9600");
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox2")->Text(), "8");
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox3")->Text(), "None");
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox5")->Text(), "1");
    EXPECT_EQ(port.Port(), "COM1");

    // while the port is closed a choice is only stored
    choose(control<TComComboBox>(window, "ComComboBox4"), "ttyACM0");
    EXPECT_EQ(port.Port(), "ttyACM0");
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
}

TEST_F(ScanconfigTest, AChoiceAppliesToTheOpenPortAtOnce)
{
    test::Pty pty;
    TComPort port;
    port.setPort(pty.path());
    port.OpenPort();
    const int fd = port.handle();
    TScanconfig window(&port);
    window.show();

    choose(control<TComComboBox>(window, "ComComboBox1"), "115200");
    EXPECT_EQ(port.BaudRate(), br115200);
    termios t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B115200));
    EXPECT_EQ(port.handle(), fd); // applied to the open device, not reopened

    choose(control<TComComboBox>(window, "ComComboBox1"), "Custom"); // the custom rate, 9600
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));

    choose(control<TComComboBox>(window, "ComComboBox5"), "2");
    EXPECT_TRUE(pty.slaveTermios().c_cflag & CSTOPB);
    test::clearTermiosRequests();
    choose(control<TComComboBox>(window, "ComComboBox3"), "Mark");
    EXPECT_EQ(port.Parity().Bits(), prMark);
    EXPECT_TRUE(test::anyTermiosRequest(
        fd, [](const termios& t) { return (t.c_cflag & (PARENB | CMSPAR | PARODD)) == (PARENB | CMSPAR | PARODD); }));
    // a pseudo-terminal keeps 8 data bits, and may refuse a change it ignores altogether: what counts
    // is what the port asked for
    choose(control<TComComboBox>(window, "ComComboBox2"), "6");
    EXPECT_EQ(port.DataBits(), dbSix);
    EXPECT_TRUE(test::anyTermiosRequest(fd, [](const termios& t) { return (t.c_cflag & CSIZE) == CS6; }));
    for (const QString& m : Dialogs::shownMessages())
        EXPECT_TRUE(m.startsWith("SetCommState function failed")) << m.toStdString();
    choose(control<TComComboBox>(window, "ComComboBox2"), "8");
    EXPECT_TRUE(port.Connected());
    Dialogs::clearShownMessages();

    // a setting the line refuses: the error is shown and the selector keeps the choice
    choose(control<TComComboBox>(window, "ComComboBox5"), "1.5");
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{"SetCommState function failed"});
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox5")->Text(), "1.5");
    EXPECT_TRUE(port.Connected());

    // another port closes this one and opens that one; one that cannot be opened leaves it closed
    Dialogs::clearShownMessages();
    choose(control<TComComboBox>(window, "ComComboBox4"), "ttyUSB0");
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), "ttyUSB0");
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox4")->Text(), "ttyUSB0");
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages()[0].startsWith("Unable to open com port (win error code: "));
}

TEST_F(ScanconfigTest, WithoutAReadableListThePortsOwnNameIsOfferedAndTheReasonShownOnce)
{
    TCustomComPort::setListRoot(tree.path() + "/gone");
    TComPort port;
    port.setPort("ttyUSB3");
    TScanconfig window(&port);
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox4")->count(), 1);
    EXPECT_EQ(control<TComComboBox>(window, "ComComboBox4")->Text(), "ttyUSB3");
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()); // the program starts quietly

    window.show();
    EXPECT_TRUE(test::waitUntil([] { return !Dialogs::shownMessages().isEmpty(); }));
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{"Registry error (win error code: 2)"});
    window.hide();
    window.show();
    QTest::qWait(20);
    EXPECT_EQ(Dialogs::shownMessages().size(), 1);
}

TEST_F(ScanconfigTest, APortDestroyedIsForgotten)
{
    auto* port = new TComPort;
    port->setBaudRate(br57600);
    TComComboBox box;
    box.setComProperty(cpBaudRate);
    EXPECT_EQ(box.Text(), "Custom"); // no port: the first item
    box.setComPort(port);
    box.setAutoApply(true);
    EXPECT_EQ(box.Text(), "57600");
    delete port;
    EXPECT_EQ(box.ComPort(), nullptr);
    EXPECT_EQ(box.Text(), "Custom");
    choose(&box, "300"); // nothing to apply to
    EXPECT_EQ(box.select().lastBaudRate(), br300);

    box.setText("STOP");
    EXPECT_EQ(box.Text(), "300");
    box.setText("custom");
    EXPECT_EQ(box.Text(), "Custom");
}
