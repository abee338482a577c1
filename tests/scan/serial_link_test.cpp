#include "scan/seriallink.h"
#include "serial_pty.h"

#include <gtest/gtest.h>
#include <map>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace pelorin;
using pelorin::test::Pty;
using pelorin::test::waitUntil;
using Parity = SerialSettings::Parity;
using StopBits = SerialSettings::StopBits;
using FlowControl = SerialSettings::FlowControl;

namespace {

const QString kRefused = QStringLiteral("SetCommState function failed (win error code: 22)");

// A link on the pseudo-terminal that gathers what it receives and the faults it reports.
struct Receiver
{
    explicit Receiver(const Pty& pty)
    {
        SerialSettings s;
        s.port = pty.path();
        link.setSettings(s);
        QObject::connect(&link, &SerialLink::received, [this](const QByteArray& bytes) {
            ++deliveries;
            EXPECT_FALSE(bytes.isEmpty());
            received += bytes;
        });
        QObject::connect(&link, &SerialLink::failed, [this](const QString& message) { faults << message; });
    }
    SerialLink link;
    QByteArray received;
    int deliveries = 0;
    QStringList faults;
};

// Changes the link's settings as `change` says.
QString change(SerialLink& link, const std::function<void(SerialSettings&)>& change)
{
    SerialSettings s = link.settings();
    change(s);
    return test::serialErrorOf([&] { link.setSettings(s); });
}

} // namespace

TEST(SerialErrors, TextAndSystemCode)
{
    EXPECT_EQ(SerialError(SerialError::Open, ENOENT).message(), "Unable to open com port (win error code: 2)");
    EXPECT_EQ(SerialError(SerialError::LineSettings).message(), "SetCommState function failed");
    EXPECT_EQ(SerialError(SerialError::Read, EIO).message(), "ReadFile function failed (win error code: 5)");
    EXPECT_EQ(SerialError(SerialError::Clear, EBADF).message(), "PurgeComm function failed (win error code: 9)");
    EXPECT_EQ(SerialError(SerialError::PortList, 13).message(), "Registry error (win error code: 13)");
    EXPECT_EQ(SerialError(SerialError::LineSettings).systemCode(), -1);

    // a port the user's account may not open tells the user what to do, below the error's own text
    const QString message = SerialError(SerialError::Open, EACCES).message();
    EXPECT_TRUE(message.startsWith("Unable to open com port (win error code: 13)\n")) << message.toStdString();
    EXPECT_TRUE(message.contains("groupe dialout")) << message.toStdString();
    // only opening says so
    EXPECT_FALSE(SerialError(SerialError::PortList, EACCES).message().contains("dialout"));
}

TEST(SerialLink, LineFlagsForEverySetting)
{
    const struct
    {
        int bits;
        Parity parity;
        StopBits stop;
        tcflag_t size, set, clear;
        // a pseudo-terminal drops PARENB: even parity, which changes nothing else, does not hold there
        bool parityHolds;
    } cases[] = {
        {8, Parity::None, StopBits::One, CS8, 0, PARENB | CSTOPB | CMSPAR, true},
        {7, Parity::Odd, StopBits::One, CS7, PARENB | PARODD, CMSPAR | CSTOPB, true},
        {6, Parity::Even, StopBits::Two, CS6, PARENB | CSTOPB, PARODD | CMSPAR, false},
        {5, Parity::Mark, StopBits::One, CS5, PARENB | CMSPAR | PARODD, CSTOPB, true},
        {8, Parity::Space, StopBits::Two, CS8, PARENB | CMSPAR | CSTOPB, PARODD, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "data bits " << c.bits << ", parity " << int(c.parity));
        Pty pty;
        // a device left cooked and echoing by its last user
        termios cooked = pty.slaveTermios();
        cooked.c_lflag |= ICANON | ECHO | ISIG;
        cooked.c_iflag |= ICRNL | IXON | INPCK;
        ::tcsetattr(pty.slave(), TCSANOW, &cooked);
        SerialLink link;
        change(link, [&](SerialSettings& s) {
            s.port = pty.path();
            s.stopBits = c.stop;
        });
        test::clearTermiosRequests();
        link.open();
        const int fd = link.handle();
        // a pseudo-terminal keeps 8 data bits only and drops PARENB: settings that do not hold are
        // asked for and reported as not applied, the line going on as it was
        EXPECT_EQ(change(link, [&](SerialSettings& s) { s.parity = c.parity; }), c.parityHolds ? "no error" : kRefused);
        // (whether the C library reports it depends on what else the request changed)
        const QString sizeResult = change(link, [&](SerialSettings& s) { s.dataBits = c.bits; });
        if (c.bits == 8)
            EXPECT_EQ(sizeResult, "no error");
        else
            EXPECT_TRUE(sizeResult == "no error" || sizeResult == kRefused) << sizeResult.toStdString();
        EXPECT_TRUE(link.isOpen());
        EXPECT_TRUE(test::anyTermiosRequest(fd, [&](const termios& t) { return (t.c_cflag & CSIZE) == c.size; }));
        EXPECT_EQ(test::anyTermiosRequest(fd, [](const termios& t) { return bool(t.c_cflag & PARENB); }),
                  bool(c.set & PARENB));
        const termios t = pty.slaveTermios();
        EXPECT_EQ(t.c_cflag & c.set & ~PARENB, c.set & ~PARENB);
        EXPECT_EQ(t.c_cflag & c.clear, 0u);
        // raw and receiving, whatever the device had
        EXPECT_TRUE(t.c_cflag & CREAD);
        EXPECT_TRUE(t.c_cflag & CLOCAL);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(t.c_iflag & (ICRNL | IXON | IXOFF | INPCK), 0u);
        EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
        EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    }

    // flow control, parity checking and the XON and XOFF characters
    Pty pty;
    SerialLink hardware;
    change(hardware, [&](SerialSettings& s) {
        s.port = pty.path();
        s.flowControl = FlowControl::Hardware;
        s.parity = Parity::Odd;
        s.parityCheck = true;
        s.baudRate = 115200;
    });
    hardware.open();
    termios f = pty.slaveTermios();
    EXPECT_TRUE(f.c_cflag & CRTSCTS);
    EXPECT_EQ(f.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_TRUE(f.c_iflag & INPCK);
    EXPECT_EQ(cfgetispeed(&f), speed_t(B115200));
    // checking only makes sense with a parity to check
    EXPECT_EQ(change(hardware, [](SerialSettings& s) { s.parity = Parity::None; }), "no error");
    EXPECT_FALSE(pty.slaveTermios().c_iflag & INPCK);
    hardware.close();

    SerialLink software;
    change(software, [&](SerialSettings& s) {
        s.port = pty.path();
        s.flowControl = FlowControl::Software;
        s.xonChar = 0x05;
        s.xoffChar = 0x06;
    });
    software.open();
    f = pty.slaveTermios();
    EXPECT_EQ(f.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(f.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));
    EXPECT_EQ(f.c_cc[VSTART], 0x05);
    EXPECT_EQ(f.c_cc[VSTOP], 0x06);
    // and back, on the open device
    EXPECT_EQ(change(software,
                     [](SerialSettings& s) {
                         s.flowControl = FlowControl::None;
                         s.xonChar = 17;
                         s.xoffChar = 19;
                     }),
              "no error");
    f = pty.slaveTermios();
    EXPECT_EQ(f.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(f.c_cc[VSTART], 17);
    EXPECT_EQ(f.c_cc[VSTOP], 19);
}

TEST(SerialLink, OpensConfiguresAndAppliesChangesToTheOpenPort)
{
    Pty pty;
    SerialLink link;
    EXPECT_EQ(link.settings().port, "COM1");
    EXPECT_EQ(link.settings(), SerialSettings());
    change(link, [&](SerialSettings& s) {
        s.port = pty.path();
        s.baudRate = 19200;
        s.dataBits = 7;
        s.parity = Parity::Mark;
        s.stopBits = StopBits::Two;
    });
    EXPECT_FALSE(link.isOpen()); // while closed, settings are only stored

    // a pseudo-terminal keeps 8 data bits only: 7 are asked for, and the device that does not keep
    // them is reported rather than run at other settings than the ones chosen; the port stays closed
    test::clearTermiosRequests();
    EXPECT_EQ(test::serialErrorOf([&] { link.open(); }), kRefused);
    EXPECT_FALSE(link.isOpen());
    EXPECT_TRUE(test::anyTermiosRequest(-1, [](const termios& t) { return (t.c_cflag & CSIZE) == CS7; }));
    change(link, [](SerialSettings& s) { s.dataBits = 8; });

    test::clearTermiosRequests();
    link.open();
    ASSERT_TRUE(link.isOpen());
    const int fd = link.handle();
    link.open(); // already open: nothing happens
    EXPECT_EQ(link.handle(), fd);

    // a pseudo-terminal drops PARENB: the parity is checked as asked
    EXPECT_TRUE(test::anyTermiosRequest(
        fd, [](const termios& t) { return (t.c_cflag & (PARENB | CMSPAR | PARODD)) == (PARENB | CMSPAR | PARODD); }));
    termios t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CMSPAR);
    EXPECT_EQ(t.c_lflag & ICANON, 0u);

    // a change reaches the open device at once, without reopening it
    change(link, [](SerialSettings& s) {
        s.baudRate = 115200;
        s.stopBits = StopBits::One;
    });
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B115200));
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_EQ(link.handle(), fd);

    // "Custom" runs the line at 9600
    change(link, [](SerialSettings& s) { s.baudRate = SerialSettings::kCustomRate; });
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));

    // 1.5 stop bits: refused, the line keeps its settings and the port stays open; the choice stays
    const termios before = pty.slaveTermios();
    EXPECT_EQ(change(link, [](SerialSettings& s) { s.stopBits = StopBits::OneAndHalf; }),
              "SetCommState function failed");
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(link.settings().stopBits, StopBits::OneAndHalf);
    t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), cfgetospeed(&before));
    EXPECT_EQ(t.c_cflag, before.c_cflag);

    link.close();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.handle(), -1);
    link.close(); // already closed: nothing happens
    // 1.5 stop bits at opening: the port stays closed
    EXPECT_EQ(test::serialErrorOf([&] { link.open(); }), "SetCommState function failed");
    EXPECT_FALSE(link.isOpen());
}

TEST(SerialLink, EveryRateOfTheListRunsTheLine)
{
    // the rates the C library has a constant for; the others need the kernel's arbitrary rates
    const std::map<int, speed_t> constants{{110, B110},     {300, B300},     {600, B600},      {1200, B1200},
                                           {2400, B2400},   {4800, B4800},   {9600, B9600},    {19200, B19200},
                                           {38400, B38400}, {57600, B57600}, {115200, B115200}};
    Pty pty;
    SerialLink link;
    change(link, [&](SerialSettings& s) { s.port = pty.path(); });
    link.open();
    const QStringList rates = settingTexts(SerialSetting::BaudRate);
    // downwards, so that every rate follows another one
    for (qsizetype i = rates.size() - 1; i >= 0; --i) {
        SCOPED_TRACE(rates[i].toStdString());
        EXPECT_EQ(change(link, [&](SerialSettings& s) { setSettingFromText(s, SerialSetting::BaudRate, rates[i]); }),
                  "no error");
        const int bps = link.settings().lineRate();
        EXPECT_EQ(bps, i == 0 ? 9600 : rates[i].toInt());
        const termios t = pty.slaveTermios();
        if (constants.count(bps))
            EXPECT_EQ(cfgetospeed(&t), constants.at(bps));
        else // rates without a constant go through the arbitrary-rate interface
            EXPECT_EQ(t.c_cflag & CBAUD, tcflag_t(0010000)); // BOTHER
    }
}

TEST(SerialLink, OpeningFailuresLeaveThePortClosed)
{
    Pty pty;
    SerialLink link;
    change(link, [](SerialSettings& s) { s.port = QStringLiteral("/nonexistent/ttyX"); });
    EXPECT_EQ(test::serialErrorOf([&] { link.open(); }), "Unable to open com port (win error code: 2)");
    EXPECT_FALSE(link.isOpen());

    change(link, [](SerialSettings& s) { s.port = QStringLiteral("/dev/null"); });
    EXPECT_EQ(test::serialErrorOf([&] { link.open(); }), "Unable to open com port (win error code: 25)");
    EXPECT_FALSE(link.isOpen());

    // the device is not shared: one held by another link is refused
    SerialLink first;
    change(first, [&](SerialSettings& s) { s.port = pty.path(); });
    first.open();
    change(link, [&](SerialSettings& s) { s.port = pty.path(); });
    EXPECT_EQ(test::serialErrorOf([&] { link.open(); }), "Unable to open com port (win error code: 16)");
    EXPECT_FALSE(link.isOpen());
    EXPECT_TRUE(first.isOpen());

    // a new name closes the open port and reopens it under that name; a failure leaves it closed
    EXPECT_EQ(change(first, [](SerialSettings& s) { s.port = QStringLiteral("/nonexistent/ttyY"); }),
              "Unable to open com port (win error code: 2)");
    EXPECT_FALSE(first.isOpen());
    EXPECT_EQ(first.settings().port, "/nonexistent/ttyY");
    change(first, [&](SerialSettings& s) { s.port = pty.path(); });
    EXPECT_FALSE(first.isOpen()); // while closed a name is only stored
    first.open();
    EXPECT_TRUE(first.isOpen());
    // once it is free, the other link may have it
    first.close();
    link.open();
    EXPECT_TRUE(link.isOpen());
}

TEST(SerialLink, TheKernelConsoleIsNeverOpened)
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

    setSerialSystemRoot(root.path());
    SerialLink link;
    change(link, [&](SerialSettings& s) { s.port = pty.path(); });
    const QString message = test::serialErrorOf([&] { link.open(); });
    setSerialSystemRoot(QString());
    EXPECT_EQ(message, "Unable to open com port (win error code: 16)");
    EXPECT_FALSE(link.isOpen());
    char events[256];
    EXPECT_LT(::read(watch, events, sizeof events), 0) << "the console was opened";
    ::close(watch);
}

TEST(SerialLink, DeliversEveryByteInOrder)
{
    Pty pty;
    Receiver r(pty);
    r.link.open();
    QByteArray sent;
    for (int i = 0; i < 2000; ++i)
        sent += QByteArray::number(i) + '\r';
    sent += QByteArray("\0\x80\xFF", 3); // every byte value is data
    std::thread writer([&] { pty.send(sent); });
    EXPECT_TRUE(waitUntil([&] { return r.received.size() >= sent.size(); }));
    writer.join();
    EXPECT_EQ(r.received, sent);
    EXPECT_GE(r.deliveries, 1);
    EXPECT_TRUE(r.faults.isEmpty());

    // closed and opened again, the link goes on delivering
    r.link.close();
    r.link.open();
    pty.send("kept");
    EXPECT_TRUE(waitUntil([&] { return r.received.endsWith("kept"); }));
    EXPECT_EQ(r.received, sent + "kept");
}

TEST(SerialLink, ASlotThatThrowsIsReportedAndReceptionGoesOn)
{
    Pty pty;
    Receiver r(pty);
    bool thrown = false;
    QObject::connect(&r.link, &SerialLink::received, [&] {
        if (!thrown) {
            thrown = true;
            throw Error(QStringLiteral("Date impossible : jour 366 de l'année 2006"));
        }
    });
    r.link.open();
    pty.send("first\r");
    ASSERT_TRUE(waitUntil([&] { return !r.faults.isEmpty(); }));
    EXPECT_EQ(r.faults, QStringList{"Date impossible : jour 366 de l'année 2006"});
    EXPECT_TRUE(r.link.isOpen());
    pty.send("second\r");
    EXPECT_TRUE(waitUntil([&] { return r.received == "first\rsecond\r"; }));
    EXPECT_EQ(r.faults.size(), 1);
}

TEST(SerialLink, ADeviceThatGoesAwayEndsReceptionWithAMessageAndCostsNothing)
{
    Pty pty;
    Receiver r(pty);
    bool closedWhenTold = false;
    QObject::connect(&r.link, &SerialLink::failed, [&] { closedWhenTold = !r.link.isOpen(); });
    r.link.open();
    pty.send("B25012515L"); // half a code
    ASSERT_TRUE(waitUntil([&] { return r.received.size() == 10; }));
    pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return !r.faults.isEmpty(); }));
    EXPECT_EQ(r.faults, QStringList{"ReadFile function failed (win error code: 5)"});
    EXPECT_TRUE(closedWhenTold);
    EXPECT_FALSE(r.link.isOpen());
    // nothing left spinning on the hung-up device, and the loss is told once
    EXPECT_LT(test::cpuMsWhileIdle(500), 100.0);
    EXPECT_EQ(r.faults.size(), 1);
    EXPECT_EQ(test::serialErrorOf([&] { r.link.close(); }), "no error");
    // a device that is gone cannot be opened again
    EXPECT_TRUE(test::serialErrorOf([&] { r.link.open(); }).startsWith("Unable to open com port"));
    EXPECT_FALSE(r.link.isOpen());
}

TEST(SerialLink, ClosingAThousandTimesWhileDataFlowsNeverDeadlocks)
{
    test::Watchdog watchdog(240, "closing while data flows");
    Pty pty;
    Receiver r(pty);
    bool closeOnReception = false;
    int closedFromSlot = 0;
    QObject::connect(&r.link, &SerialLink::received, [&] {
        if (closeOnReception) {
            r.link.close();
            ++closedFromSlot;
        }
    });
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
        // every third round the link is closed from inside its own delivery
        closeOnReception = i % 3 == 0;
        r.link.open();
        const qsizetype before = r.received.size();
        if (i % 2 == 0) // half the rounds close with reception most likely under way
            waitUntil([&] { return r.received.size() > before || !r.link.isOpen(); });
        r.link.close();
        ASSERT_FALSE(r.link.isOpen());
    }
    stop = true;
    writer.join();
    EXPECT_GT(closedFromSlot, 0);
    EXPECT_GT(r.received.size(), 0);
    EXPECT_TRUE(r.faults.isEmpty()) << r.faults.join('\n').toStdString();
}
