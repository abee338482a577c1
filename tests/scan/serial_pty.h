#pragma once
// Helpers of the serial tests: a real pseudo-terminal (the kernel's tty layer, nothing mocked), what
// the port asked of the device, and waiting on the event loop for what the port delivers.
#include "scan/serialerror.h"
#include "scan/serialports.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << '[' << l.join(QStringLiteral("|")).toStdString() << ']';
}

namespace pelorin::test {

// The scanner's side is the master; the port under test opens the slave by its path. The slave
// stays open here as well, so that the pair lives until the master is closed.
class Pty
{
public:
    Pty()
    {
        char name[128];
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
            std::perror("openpty");
            std::abort();
        }
        m_path = QString::fromLocal8Bit(name);
        // a program the test starts must not hold the scanner's end open
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    }
    ~Pty()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    QString path() const { return m_path; }
    int master() const { return m_master; }
    int slave() const { return m_slave; }

    // Writes everything, waiting while the tty's buffer is full.
    bool send(const QByteArray& bytes) const
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            else if (n < 0 && errno != EINTR && errno != EAGAIN)
                return false;
        }
        return true;
    }
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    termios slaveTermios() const
    {
        termios t{};
        ::tcgetattr(m_slave, &t);
        return t;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

// Every termios given to tcsetattr() in this process since the last clear, for one descriptor:
// what the port asked of the device (a pseudo-terminal keeps only part of it: it forces 8 data bits
// and drops PARENB); fd -1 for every descriptor. Recorded by serial_termios_spy.cpp, which stands in
// front of the C library's.
std::vector<termios> termiosRequests(int fd);
void clearTermiosRequests();
inline bool anyTermiosRequest(int fd, const std::function<bool(const termios&)>& test)
{
    for (const termios& t : termiosRequests(fd))
        if (test(t))
            return true;
    return false;
}

// A system tree laid out like /sys/class/tty and /dev/serial/by-id, and the serial ports the
// system's listing (QSerialPortInfo) reports on it, for the port listing.
class FakeTtyTree
{
public:
    QString path() const { return m_dir.path(); }
    // A tty entry; `device` gives it a device behind it, which the system's listing reports as a
    // serial port, `type` is a serial port's UART type.
    void tty(const QString& name, bool device, const QByteArray& type = QByteArray())
    {
        QDir(path()).mkpath("sys/class/tty/" + name + (device ? "/device" : ""));
        if (!type.isNull())
            write("sys/class/tty/" + name + "/type", type + '\n');
        if (device)
            port({name, QString(), QString(), true});
    }
    // A serial port as the system's listing reports it, with its maker and product.
    void port(const SerialPortInfo& info) { m_ports->append(info); }
    // The listing reads this tree and these ports until uninstall().
    void install() const
    {
        setSerialSystemRoot(path());
        setSerialPortSource([ports = m_ports] { return *ports; });
    }
    static void uninstall()
    {
        setSerialSystemRoot(QString());
        setSerialPortSource({});
    }
    // The ttys the kernel console is on, and a tty's device numbers.
    void console(const QByteArray& names) const { write("sys/class/tty/console/active", names + '\n'); }
    void deviceNumbers(const QString& name, unsigned major, unsigned minor) const
    {
        write("sys/class/tty/" + name + "/dev", QByteArray::number(major) + ':' + QByteArray::number(minor) + '\n');
    }
    void byId(const QString& link, const QString& target) const
    {
        QDir(path()).mkpath("dev/serial/by-id");
        QFile::link(target, path() + "/dev/serial/by-id/" + link);
    }

private:
    void write(const QString& relative, const QByteArray& bytes) const
    {
        const QString file = path() + u'/' + relative;
        QDir().mkpath(file.section(u'/', 0, -2));
        QFile f(file);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    QTemporaryDir m_dir;
    std::shared_ptr<QList<SerialPortInfo>> m_ports = std::make_shared<QList<SerialPortInfo>>();
};

// Runs the event loop until `done` holds or `limitMs` has passed (a safety net against a hang, not
// a measure of speed); returns `done`'s last value.
// The message of the serial error `f` raises, "no error" when it raises none.
inline QString serialErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const SerialError& e) {
        return e.message();
    }
    return QStringLiteral("no error");
}

inline bool waitUntil(const std::function<bool()>& done, int limitMs = 20000)
{
    QDeadlineTimer limit(limitMs);
    while (!done()) {
        if (limit.hasExpired())
            return done();
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Idles in the event loop for `ms` and returns the CPU time (user + system, all threads) the
// process used meanwhile, in milliseconds: an idle port must cost nothing.
inline double cpuMsWhileIdle(int ms)
{
    auto cpu = [] {
        rusage u{};
        ::getrusage(RUSAGE_SELF, &u);
        return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
    };
    const double before = cpu();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return cpu() - before;
}

// Ends the process with a message when a test has not finished in time: a deadlock must fail the
// run, not hang it.
class Watchdog
{
public:
    explicit Watchdog(int seconds, const char* what)
        : m_thread([this, seconds, what] {
              for (int i = 0; i < seconds * 10 && !m_done; ++i)
                  std::this_thread::sleep_for(std::chrono::milliseconds(100));
              if (!m_done) {
                  std::fprintf(stderr, "deadlock: %s did not finish in %d s\n", what, seconds);
                  std::_Exit(3);
              }
          })
    {
    }
    ~Watchdog()
    {
        m_done = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

} // namespace pelorin::test
