#include "scan/serialerror.h"
#include "scan/serialports.h"
#include "serial_pty.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

QStringList namesOf(const QList<SerialPortInfo>& ports)
{
    QStringList names;
    for (const SerialPortInfo& port : ports)
        names << port.name;
    return names;
}

} // namespace

TEST(SerialPortNames, PathComPortOrDeviceUnderDev)
{
    const struct
    {
        const char* name;
        const char* path;
    } cases[] = {
        {"/dev/pts/7", "/dev/pts/7"}, {"COM1", "/dev/ttyS0"}, {"com12", "/dev/ttyS11"}, {"ttyUSB0", "/dev/ttyUSB0"},
        {"ttyACM1", "/dev/ttyACM1"},  {"COM0", "/dev/COM0"},  {"COMX", "/dev/COMX"},    {"COM+1", "/dev/COM+1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(serialDevicePath(c.name), c.path) << c.name;
}

TEST(SerialPortList, DevicesOnlyWithoutEmptyUartsNorTheConsoleSortedIgnoringCase)
{
    test::FakeTtyTree root;
    root.tty("ttyS0", true, "4"); // the console
    root.tty("ttyS2", true, "4");
    for (const char* name : {"ttyUSB0", "ttyUSB10", "ttyUSB2", "ttyacm9", "ttyACM0"})
        root.tty(name, true);
    for (const char* name : {"tty0", "ptmx", "console"})
        root.tty(name, false);
    root.console("tty0 ttyS0");
    root.byId("usb-Scanner_9-if00", "../../ttyACM0");
    root.byId("usb-Console_1-if00", "../../ttyS0");

    root.install();
    const QStringList names = namesOf(listSerialPorts());
    setSerialSystemRoot(root.path() + "/none");
    const QString unreadable = test::serialErrorOf([] { listSerialPorts(); });
    test::FakeTtyTree::uninstall();

    EXPECT_EQ(names.join(','), "/dev/serial/by-id/usb-Scanner_9-if00,ttyACM0,ttyacm9,ttyS2,ttyUSB0,ttyUSB10,ttyUSB2");
    EXPECT_EQ(unreadable, "Registry error (win error code: 2)");
}

TEST(SerialPortList, AUsbScannerShowsItsMakerAndProductAndAForbiddenPortSaysWhy)
{
    test::FakeTtyTree root;
    root.tty("ttyS2", true, "4");
    root.port({"ttyACM0", "Scanix", "Lecteur 2D  SX-40", true});
    root.port({"ttyUSB1", QString(), QString(), false});
    root.byId("usb-Scanix_SX-40-if00", "../../ttyACM0");
    root.install();
    const QList<SerialPortInfo> ports = listSerialPorts();
    test::FakeTtyTree::uninstall();

    QStringList labels;
    for (const SerialPortInfo& port : ports)
        labels << port.label();
    EXPECT_EQ(labels,
              QStringList({"/dev/serial/by-id/usb-Scanix_SX-40-if00 – Scanix Lecteur 2D SX-40",
                           "ttyACM0 – Scanix Lecteur 2D SX-40", "ttyS2", "ttyUSB1 (accès réservé au groupe dialout)"}));
    EXPECT_TRUE(dialoutHint().contains("groupe dialout"));
}

TEST(SerialPortList, TheSystemsOwnListingNeverOffersTheConsole)
{
    // whatever this machine has; the console (ttyS0 here) is never among the ports offered
    QStringList consoles = QString::fromLatin1([] {
                               QFile f("/sys/class/tty/console/active");
                               return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
                           }())
                               .simplified()
                               .split(u' ', Qt::SkipEmptyParts);
    for (const SerialPortInfo& port : listSerialPorts()) {
        EXPECT_FALSE(consoles.contains(QFileInfo(port.name).fileName())) << port.name.toStdString();
        EXPECT_FALSE(port.name.isEmpty());
    }
}
