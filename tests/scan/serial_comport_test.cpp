#include "scan/comport.h"
#include "serial_pty.h"

#include <gtest/gtest.h>
#include <map>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace pelorin;
using pelorin::test::Pty;
using pelorin::test::waitUntil;

namespace {

// A port on the pseudo-terminal that gathers what it receives.
struct Receiver
{
    explicit Receiver(const Pty& pty)
    {
        port.setPort(pty.path());
        port.OnRxChar = [this](QObject*, int count) {
            ++rxEvents;
            EXPECT_GE(count, 1);
            received += port.readBytes(count);
        };
        port.OnFault = [this](QObject*, const QString& message) { faults << message; };
    }
    TComPort port;
    QByteArray received;
    int rxEvents = 0;
    QStringList faults;
};

QString messageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EComPort& e) {
        return QString::number(e.number()) + u' ' + e.message();
    }
    return QStringLiteral("no error");
}

} // namespace

TEST(SerialSettingsTexts, MatchIgnoringCaseAndFallBackToTheDefault)
{
    EXPECT_EQ(baudRateTexts().size(), 16);
    for (int i = 0; i <= br256000; ++i)
        EXPECT_EQ(StrToBaudRate(BaudRateToStr(TBaudRate(i))), TBaudRate(i));
    EXPECT_EQ(baudRateValue(br14400), 14400);
    EXPECT_EQ(StrToBaudRate("custom"), brCustom);
    EXPECT_EQ(StrToBaudRate("9601"), br9600);
    EXPECT_EQ(StrToDataBits("7"), dbSeven);
    EXPECT_EQ(StrToDataBits("9"), dbEight);
    EXPECT_EQ(StrToStopBits("1.5"), sbOne5StopBits);
    EXPECT_EQ(StrToStopBits("1,5"), sbOneStopBit);
    EXPECT_EQ(StrToParity("mARk"), prMark);
    EXPECT_EQ(StrToParity(""), prNone);
    EXPECT_EQ(ParityToStr(prSpace), "Space");
}

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
        EXPECT_EQ(portDevicePath(c.name), c.path) << c.name;
}

TEST(SerialErrors, TextNumberAndSystemCode)
{
    EXPECT_EQ(EComPort(1, ENOENT).message(), "Unable to open com port (win error code: 2)");
    EXPECT_EQ(EComPort(14).message(), "Cannot set property while connected");
    EXPECT_EQ(EComPort(23, 13).message(), "Registry error (win error code: 13)");
    EXPECT_EQ(EComPort(7).systemCode(), -1);
}

TEST(SerialPort, LineFlagsForEverySetting)
{
    const struct
    {
        TDataBits bits;
        TParityBits parity;
        TStopBits stop;
        tcflag_t size, set, clear;
        // a pseudo-terminal drops PARENB: even parity, which changes nothing else, does not hold there
        bool parityHolds;
    } cases[] = {
        {dbEight, prNone, sbOneStopBit, CS8, 0, PARENB | CSTOPB | CMSPAR, true},
        {dbSeven, prOdd, sbOneStopBit, CS7, PARENB | PARODD, CMSPAR | CSTOPB, true},
        {dbSix, prEven, sbTwoStopBits, CS6, PARENB | CSTOPB, PARODD | CMSPAR, false},
        {dbFive, prMark, sbOneStopBit, CS5, PARENB | CMSPAR | PARODD, CSTOPB, true},
        {dbEight, prSpace, sbTwoStopBits, CS8, PARENB | CMSPAR | CSTOPB, PARODD, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "data bits " << int(c.bits) << ", parity " << int(c.parity));
        Pty pty;
        // a device left cooked and echoing by its last user
        termios cooked = pty.slaveTermios();
        cooked.c_lflag |= ICANON | ECHO | ISIG;
        cooked.c_iflag |= ICRNL | IXON | INPCK;
        ::tcsetattr(pty.slave(), TCSANOW, &cooked);
        TComPort port;
        port.setPort(pty.path());
        port.setStopBits(c.stop);
        test::clearTermiosRequests();
        port.OpenPort();
        const int fd = port.handle();
        // a pseudo-terminal keeps 8 data bits only and drops PARENB: settings that do not hold are
        // asked for and reported as not applied, the line going on as it was
        EXPECT_EQ(messageOf([&] { port.Parity().setBits(c.parity); }),
                  c.parityHolds ? "no error" : "7 SetCommState function failed (win error code: 22)");
        // (whether the C library reports it depends on what else the request changed)
        const QString sizeResult = messageOf([&] { port.setDataBits(c.bits); });
        if (c.bits == dbEight)
            EXPECT_EQ(sizeResult, "no error");
        else
            EXPECT_TRUE(sizeResult == "no error" || sizeResult == "7 SetCommState function failed (win error code: 22)")
                << sizeResult.toStdString();
        EXPECT_TRUE(port.Connected());
        EXPECT_TRUE(test::anyTermiosRequest(fd, [&](const termios& t) { return (t.c_cflag & CSIZE) == c.size; }))
            << int(c.bits);
        EXPECT_EQ(test::anyTermiosRequest(fd, [](const termios& t) { return bool(t.c_cflag & PARENB); }),
                  bool(c.set & PARENB))
            << int(c.parity);
        const termios t = pty.slaveTermios();
        EXPECT_EQ(t.c_cflag & c.set & ~PARENB, c.set & ~PARENB) << int(c.parity);
        EXPECT_EQ(t.c_cflag & c.clear, 0u) << int(c.parity);
        // raw and receiving, whatever the device had
        EXPECT_TRUE(t.c_cflag & CREAD);
        EXPECT_TRUE(t.c_cflag & CLOCAL);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IXOFF | INPCK), 0u);
        EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
        EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    }

    Pty pty;
    TComPort flow;
    flow.setPort(pty.path());
    flow.FlowControl().setControlRTS(rtsHandshake);
    flow.FlowControl().setXonXoffIn(true);
    flow.Parity().setBits(prOdd);
    flow.Parity().setCheck(true);
    flow.setBaudRate(br115200);
    flow.OpenPort();
    const termios f = pty.slaveTermios();
    EXPECT_TRUE(f.c_cflag & CRTSCTS);
    EXPECT_TRUE(f.c_iflag & IXOFF);
    EXPECT_FALSE(f.c_iflag & IXON); // software flow control only where it was asked
    EXPECT_TRUE(f.c_iflag & INPCK);
    EXPECT_EQ(f.c_cc[VSTOP], 19);
    EXPECT_EQ(cfgetispeed(&f), speed_t(B115200));
}

TEST(SerialPort, OpensConfiguresAndAppliesChangesToTheOpenPort)
{
    Pty pty;
    TComPort port;
    EXPECT_EQ(port.Port(), "COM1");
    port.setPort(pty.path());
    port.setBaudRate(br19200);
    port.setDataBits(dbSeven);
    port.Parity().setBits(prMark);
    port.setStopBits(sbTwoStopBits);
    port.Buffer().setInputSize(1025);
    EXPECT_EQ(port.Buffer().InputSize(), 1024);

    // a pseudo-terminal keeps 8 data bits only: 7 are asked for, and the device that does not keep
    // them is reported rather than run at other settings than the ones chosen; the port stays closed
    test::clearTermiosRequests();
    EXPECT_EQ(messageOf([&] { port.OpenPort(); }), "7 SetCommState function failed (win error code: 22)");
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(test::anyTermiosRequest(-1, [](const termios& t) { return (t.c_cflag & CSIZE) == CS7; }));
    port.setDataBits(dbEight);

    test::clearTermiosRequests();
    port.OpenPort();
    ASSERT_TRUE(port.Connected());
    const int fd = port.handle();
    port.OpenPort(); // already open: nothing happens
    EXPECT_EQ(port.handle(), fd);

    // a pseudo-terminal drops PARENB: the parity is checked as asked
    EXPECT_TRUE(test::anyTermiosRequest(
        fd, [](const termios& t) { return (t.c_cflag & (PARENB | CMSPAR | PARODD)) == (PARENB | CMSPAR | PARODD); }));
    termios t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CMSPAR);
    EXPECT_EQ(t.c_lflag & ICANON, 0u);

    // a change reaches the open device at once, without reopening it
    port.setBaudRate(br115200);
    port.setStopBits(sbOneStopBit);
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B115200));
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_EQ(port.handle(), fd);

    // the custom rate stands behind brCustom
    port.setBaudRate(brCustom);
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));

    // 1.5 stop bits: refused, the line keeps its settings and the port stays open
    const termios before = pty.slaveTermios();
    EXPECT_EQ(messageOf([&] { port.setStopBits(sbOne5StopBits); }), "7 SetCommState function failed");
    EXPECT_TRUE(port.Connected());
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), cfgetospeed(&before));
    EXPECT_EQ(t.c_cflag, before.c_cflag);
    EXPECT_EQ(messageOf([&] { port.setSyncMethod(smNone); }), "14 Cannot set property while connected");

    port.ClosePort();
    EXPECT_FALSE(port.Connected());
    port.ClosePort(); // already closed: nothing happens
    // 1.5 stop bits at opening: the port stays closed
    EXPECT_EQ(messageOf([&] { port.OpenPort(); }), "7 SetCommState function failed");
    EXPECT_FALSE(port.Connected());
}

TEST(SerialPort, EveryRateOfTheListRunsTheLine)
{
    // the rates the C library has a constant for; the others need the kernel's arbitrary rates
    const std::map<int, speed_t> constants{{110, B110},     {300, B300},     {600, B600},      {1200, B1200},
                                           {2400, B2400},   {4800, B4800},   {9600, B9600},    {19200, B19200},
                                           {38400, B38400}, {57600, B57600}, {115200, B115200}};
    Pty pty;
    TComPort port;
    port.setPort(pty.path());
    port.OpenPort();
    // downwards, so that every rate follows another one
    for (int i = br256000; i >= brCustom; --i) {
        const TBaudRate rate = TBaudRate(i);
        EXPECT_EQ(messageOf([&] { port.setBaudRate(rate); }), "no error") << BaudRateToStr(rate).toStdString();
        const int bps = rate == brCustom ? 9600 : baudRateValue(rate);
        const termios t = pty.slaveTermios();
        if (constants.count(bps))
            EXPECT_EQ(cfgetospeed(&t), constants.at(bps)) << bps;
        else // rates without a constant go through the arbitrary-rate interface
            EXPECT_EQ(t.c_cflag & CBAUD, tcflag_t(0010000)) << bps; // BOTHER
    }
}

TEST(SerialPort, OpeningFailuresLeaveThePortClosed)
{
    Pty pty;
    TComPort port;
    port.setPort(QStringLiteral("/nonexistent/ttyX"));
    EXPECT_EQ(messageOf([&] { port.OpenPort(); }), "1 Unable to open com port (win error code: 2)");
    EXPECT_FALSE(port.Connected());

    port.setPort(QStringLiteral("/dev/null"));
    EXPECT_EQ(messageOf([&] { port.OpenPort(); }), "1 Unable to open com port (win error code: 25)");
    EXPECT_FALSE(port.Connected());

    // the device is not shared
    TComPort first;
    first.setPort(pty.path());
    first.OpenPort();
    port.setPort(pty.path());
    EXPECT_EQ(messageOf([&] { port.OpenPort(); }), "1 Unable to open com port (win error code: 16)");
    EXPECT_FALSE(port.Connected());

    // a new name closes the open port and reopens it under that name; a failure leaves it closed
    EXPECT_EQ(messageOf([&] { first.setPort(QStringLiteral("/nonexistent/ttyY")); }),
              "1 Unable to open com port (win error code: 2)");
    EXPECT_FALSE(first.Connected());
    EXPECT_EQ(first.Port(), "/nonexistent/ttyY");
    first.setPort(pty.path());
    EXPECT_FALSE(first.Connected()); // while closed a name is only stored
    first.setConnected(true);
    EXPECT_TRUE(first.Connected());
}

TEST(SerialPort, TheKernelConsoleIsNeverOpened)
{
    Pty pty;
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(pty.path()).constData(), &st), 0);
    // a system tree in which this pseudo-terminal is the active console
    test::FakeTtyTree root;
    root.tty("ttyFAKE", true);
    root.console("tty0 ttyFAKE");
    root.deviceNumbers("ttyFAKE", major(st.st_rdev), minor(st.st_rdev));

    // every opening of the device shows here: refusing it after opening is too late
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(pty.path()).constData(), IN_OPEN), 0);

    TCustomComPort::setListRoot(root.path());
    TComPort port;
    port.setPort(pty.path());
    const QString message = messageOf([&] { port.OpenPort(); });
    TCustomComPort::setListRoot(QString());
    EXPECT_EQ(message, "1 Unable to open com port (win error code: 16)");
    EXPECT_FALSE(port.Connected());
    char events[256];
    EXPECT_LT(::read(watch, events, sizeof events), 0) << "the console was opened";
    ::close(watch);
}

TEST(SerialPort, DeliversEveryCharacterInOrderOnTheUserInterfaceThread)
{
    Pty pty;
    Receiver r(pty);
    r.port.OpenPort();
    QByteArray sent;
    for (int i = 0; i < 2000; ++i)
        sent += QByteArray::number(i) + '\r';
    std::thread writer([&] { pty.send(sent); });
    EXPECT_TRUE(waitUntil([&] { return r.received.size() >= sent.size(); }));
    writer.join();
    EXPECT_EQ(r.received, sent);
    EXPECT_TRUE(r.faults.isEmpty());
}

TEST(SerialPort, ReadTextReturnsWhatIsWaitingAtOnce)
{
    Pty pty;
    TComPort port; // no handler: the characters wait in the driver
    port.setPort(pty.path());
    port.OpenPort();
    pty.send("AB\xE9");
    ASSERT_TRUE(waitUntil([&] { return port.WaitingCount() == 3; }));
    EXPECT_EQ(port.ReadText(5), QString::fromUtf8("ABé"));
    EXPECT_EQ(port.ReadText(5), QString());
    EXPECT_EQ(port.ReadText(0), QString());

    port.setDiscardNull(true);
    pty.send(QByteArray("A\0B", 3));
    ASSERT_TRUE(waitUntil([&] { return port.WaitingCount() == 3; }));
    EXPECT_EQ(port.ReadText(3), "AB");
}

TEST(SerialPort, AHandlerExceptionIsReportedAndReceptionGoesOn)
{
    Pty pty;
    Receiver r(pty);
    bool thrown = false;
    r.port.OnRxChar = [&](QObject*, int count) {
        r.received += r.port.readBytes(count);
        if (!thrown) {
            thrown = true;
            throw Error(QStringLiteral("Date impossible : jour 366 de l'année 2006"));
        }
    };
    r.port.OpenPort();
    pty.send("first\r");
    ASSERT_TRUE(waitUntil([&] { return !r.faults.isEmpty(); }));
    EXPECT_EQ(r.faults, QStringList{"Date impossible : jour 366 de l'année 2006"});
    EXPECT_TRUE(r.port.Connected());
    pty.send("second\r");
    EXPECT_TRUE(waitUntil([&] { return r.received == "first\rsecond\r"; }));
}

TEST(SerialPort, CharactersLeftUnreadDoNotKeepTheThreadBusy)
{
    Pty pty;
    TComPort port;
    port.setPort(pty.path());
    int events = 0;
    port.OnRxChar = [&](QObject*, int) { ++events; }; // reads nothing
    port.OpenPort();
    pty.send("ABC");
    ASSERT_TRUE(waitUntil([&] { return events == 1; }));
    // poll() reports the unread input every time: the thread must not keep handing it over
    EXPECT_LT(test::cpuMsWhileIdle(400), 100.0);
    EXPECT_EQ(events, 1);
    // once someone reads, new characters are reported again
    EXPECT_EQ(port.ReadText(10), "ABC");
    pty.send("D");
    EXPECT_TRUE(waitUntil([&] { return events == 2; }));
}

TEST(SerialPort, WithoutEventsNoThreadRuns)
{
    Pty pty;
    TComPort port;
    port.setPort(pty.path());
    port.setEvents({});
    int events = 0;
    port.OnRxChar = [&](QObject*, int) { ++events; };
    port.OpenPort();
    EXPECT_TRUE(port.Connected());
    pty.send("ABC");
    ASSERT_TRUE(waitUntil([&] { return port.WaitingCount() == 3; }));
    test::cpuMsWhileIdle(100);
    EXPECT_EQ(events, 0);
    EXPECT_EQ(port.ReadText(3), "ABC");
}

TEST(SerialPort, ADeviceThatGoesAwayEndsReceptionWithAMessageAndCostsNothing)
{
    Pty pty;
    Receiver r(pty);
    int closes = 0;
    TComErrors errors;
    r.port.OnAfterClose = [&](QObject*) { ++closes; };
    r.port.OnError = [&](QObject*, TComErrors e) { errors = e; };
    bool closedWhenTold = false;
    r.port.OnFault = [&](QObject*, const QString& message) {
        r.faults << message;
        closedWhenTold = !r.port.Connected();
    };
    r.port.OpenPort();
    pty.send("B25012515L"); // half a code
    ASSERT_TRUE(waitUntil([&] { return r.received.size() == 10; }));
    pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return !r.faults.isEmpty(); }));
    EXPECT_EQ(r.faults, QStringList{"ReadFile function failed (win error code: 5)"});
    EXPECT_TRUE(closedWhenTold);
    EXPECT_FALSE(r.port.Connected());
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(errors, TComErrors(ceIO));
    // no thread left spinning on the hung-up device
    EXPECT_LT(test::cpuMsWhileIdle(500), 100.0);
    EXPECT_EQ(r.faults.size(), 1);
    r.port.ClosePort();
    EXPECT_EQ(closes, 1);
}

TEST(SerialPort, ClosingAThousandTimesWhileDataFlowsNeverDeadlocks)
{
    test::Watchdog watchdog(240, "closing while data flows");
    Pty pty;
    Receiver r(pty);
    int closedFromHandler = 0;
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        const QByteArray code("B25012515LAV5930033906\r");
        while (!stop) {
            pollfd p{pty.master(), POLLOUT, 0};
            if (::poll(&p, 1, 20) > 0) [[maybe_unused]]
                ssize_t n = ::write(pty.master(), code.constData(), size_t(code.size()));
        }
    });
    for (int i = 0; i < 1000; ++i) {
        // every third round the handler itself closes the port, from inside its reception event
        if (i % 3 == 0)
            r.port.OnRxChar = [&](QObject*, int count) {
                r.received += r.port.readBytes(count);
                r.port.ClosePort();
                ++closedFromHandler;
            };
        else
            r.port.OnRxChar = [&](QObject*, int count) { r.received += r.port.readBytes(count); };
        r.port.OpenPort();
        const qsizetype before = r.received.size();
        if (i % 2 == 0) // half the rounds close with reception most likely under way
            waitUntil([&] { return r.received.size() > before || !r.port.Connected(); });
        r.port.ClosePort();
        ASSERT_FALSE(r.port.Connected());
    }
    stop = true;
    writer.join();
    EXPECT_GT(closedFromHandler, 0);
    EXPECT_GT(r.received.size(), 0);
    EXPECT_TRUE(r.faults.isEmpty()) << r.faults.join('\n').toStdString();
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

    root.install();
    QStringList list{"stale"};
    TCustomComPort::ListPorts(list);
    TCustomComPort::setListRoot(root.path() + "/none");
    const QString unreadable = messageOf([&] { TCustomComPort::ListPorts(list); });
    test::FakeTtyTree::uninstall();

    EXPECT_EQ(list.join(','), "/dev/serial/by-id/usb-Scanner_9-if00,ttyACM0,ttyacm9,ttyS2,ttyUSB0,ttyUSB10,ttyUSB2");
    EXPECT_EQ(unreadable, "23 Registry error (win error code: 2)");
}

TEST(SerialPortList, AUsbScannerShowsItsMakerAndProductAndAForbiddenPortSaysWhy)
{
    test::FakeTtyTree root;
    root.tty("ttyS2", true, "4");
    root.port({"ttyACM0", "Scanix", "Lecteur 2D  SX-40", true});
    root.port({"ttyUSB1", QString(), QString(), false});
    root.byId("usb-Scanix_SX-40-if00", "../../ttyACM0");
    root.install();
    const QList<SerialPortInfo> ports = TCustomComPort::listPorts();
    test::FakeTtyTree::uninstall();

    QStringList labels;
    for (const SerialPortInfo& port : ports)
        labels << port.label();
    EXPECT_EQ(labels,
              QStringList({"/dev/serial/by-id/usb-Scanix_SX-40-if00 – Scanix Lecteur 2D SX-40",
                           "ttyACM0 – Scanix Lecteur 2D SX-40", "ttyS2", "ttyUSB1 (accès réservé au groupe dialout)"}));

    // opening such a port tells the user what to do, below the error's own text
    const QString message = EComPort(1, EACCES).message();
    EXPECT_TRUE(message.startsWith("Unable to open com port (win error code: 13)\n")) << message.toStdString();
    EXPECT_TRUE(message.contains("groupe dialout")) << message.toStdString();
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
    for (const SerialPortInfo& port : TCustomComPort::listPorts()) {
        EXPECT_FALSE(consoles.contains(QFileInfo(port.name).fileName())) << port.name.toStdString();
        EXPECT_FALSE(port.name.isEmpty());
    }
}
