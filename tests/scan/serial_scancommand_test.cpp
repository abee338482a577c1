// `pelorin scan` on a real pseudo-terminal: the scanner writes on the master, the program reads the
// slave as its serial port.
#include "base/convert.h"
#include "scan/scbfile.h"
#include "serial_pty.h"
#include "support/testsupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <csignal>

using namespace pelorin;
using pelorin::test::Pty;
using pelorin::test::waitUntil;

namespace {

// 22-character codes that all differ: the day and the year change from one to the next.
QStringList codes(int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("B25012515LAV59300") + zeroPadded(i % 365 + 1, 3) + zeroPadded(i / 365 % 100, 2);
    return list;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class ScanCommand
{
public:
    ScanCommand(const Pty& pty, const QStringList& extra)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("LC_ALL", "fr_FR.UTF-8");
        m_process.setProcessEnvironment(env);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput,
                         [this] { m_out += m_process.readAllStandardOutput(); });
        QObject::connect(&m_process, &QProcess::readyReadStandardError,
                         [this] { m_err += m_process.readAllStandardError(); });
        m_process.start(PELORIN_BINARY,
                        QStringList{"scan", "--data", m_data.path(), "--port", pty.path(), "--baud", "115200"} + extra);
        // the port is set up once the line is raw at the asked rate
        m_ready = m_process.waitForStarted() && waitUntil([&] {
                      const termios t = pty.slaveTermios();
                      return m_process.state() != QProcess::Running ||
                             (!(t.c_lflag & ICANON) && cfgetospeed(&t) == speed_t(B115200));
                  }) &&
                  m_process.state() == QProcess::Running;
    }
    ~ScanCommand()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    bool ready() const { return m_ready; }
    QStringList lines() const { return QString::fromUtf8(m_out).split('\n', Qt::SkipEmptyParts); }
    QStringList printedCodes() const
    {
        QStringList list;
        for (const QString& line : lines())
            list << line.section('\t', 0, 0);
        return list;
    }
    QString err() const { return QString::fromUtf8(m_err); }
    void signal(int sig) { ::kill(pid_t(m_process.processId()), sig); }
    // The process's CPU time so far (user + system), in clock ticks.
    long long cpuTicks() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(m_process.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        // the fields after the command name, which is in parentheses
        const QList<QByteArray> f = stat.readAll().split(')').last().trimmed().split(' ');
        return f.size() > 12 ? f[11].toLongLong() + f[12].toLongLong() : -1;
    }
    // The exit status once it has ended by itself, or -1.
    int finish()
    {
        if (!waitUntil([&] { return m_process.state() == QProcess::NotRunning; }, 30000))
            return -1;
        m_out += m_process.readAllStandardOutput();
        m_err += m_process.readAllStandardError();
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -2;
    }

private:
    test::TempDataFolder m_data;
    QProcess m_process;
    QByteArray m_out, m_err;
    bool m_ready = false;
};

} // namespace

TEST(SerialScanCommand, TenThousandCodesAt115200ArriveCompleteAndInOrder)
{
    Pty pty;
    QTemporaryDir dir;
    const QString scb = dir.filePath("lot.SCB");
    ScanCommand scan(pty, {"--append", scb});
    ASSERT_TRUE(scan.ready()) << scan.err().toStdString();

    const QStringList sent = codes(10000);
    QByteArray stream;
    for (const QString& code : sent)
        stream += code.toLatin1() + "\r\n";
    std::thread writer([&] { pty.send(stream); });
    const bool all = waitUntil([&] { return scan.lines().size() >= sent.size(); }, 180000);
    writer.join();
    ASSERT_TRUE(all) << scan.lines().size() << " lines";

    EXPECT_EQ(scan.printedCodes(), sent);
    EXPECT_EQ(scan.lines().first().split('\t').size(), 8);
    EXPECT_EQ(readFile(scb), scbBytes(sent));
    scan.signal(SIGTERM);
    EXPECT_EQ(scan.finish(), 0);
    EXPECT_EQ(scan.err(), "");
}

TEST(SerialScanCommand, TheFileIsACompleteSheetAfterEveryCode)
{
    Pty pty;
    QTemporaryDir dir;
    const QString scb = dir.filePath("lot.SCB");
    // an earlier sheet with LF line ends: kept, and continued
    QFile earlier(scb);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("ScanCode\nB25012515LAV5930033906\n\n");
    earlier.close();

    ScanCommand scan(pty, {"--append", scb});
    ASSERT_TRUE(scan.ready()) << scan.err().toStdString();
    QStringList expected{"B25012515LAV5930033906"};
    EXPECT_EQ(readFile(scb), scbBytes(expected));

    // codes cut anywhere, their LF late, and an empty code between them
    const QList<QByteArray> chunks = {"B25012515LAV59", "30033907\r", "\n", "\r\n", "B2501", "2515LAV5930033908\r"};
    const QStringList arriving = {"", "B25012515LAV5930033907", "", "", "", "B25012515LAV5930033908"};
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        pty.send(chunks[i]);
        if (arriving[i].isEmpty())
            continue;
        expected << arriving[i];
        ASSERT_TRUE(waitUntil([&] { return scan.lines().size() == expected.size() - 1; })) << i;
        EXPECT_EQ(readFile(scb), scbBytes(expected));
    }
    EXPECT_EQ(scan.printedCodes(), expected.mid(1));
    // waiting for the next code costs nothing
    const long long before = scan.cpuTicks();
    test::cpuMsWhileIdle(1000);
    EXPECT_LE(scan.cpuTicks() - before, 5) << "ticks of CPU while idle";
    EXPECT_EQ(
        scan.lines().last().toStdString(),
        "B25012515LAV5930033908\tBougie parfumée\t250 gr\tBoite de 12\tRAL 5015\tLavande\tValenciennes\t04/12/2008");

    scan.signal(SIGINT);
    EXPECT_EQ(scan.finish(), 0);
    EXPECT_EQ(readScbFile(scb), expected);
}

TEST(SerialScanCommand, ADeviceThatGoesAwayEndsTheCommandWithAMessage)
{
    Pty pty;
    QTemporaryDir dir;
    const QString scb = dir.filePath("lot.SCB");
    ScanCommand scan(pty, {"--append", scb, "--end", "0"});
    ASSERT_TRUE(scan.ready()) << scan.err().toStdString();
    pty.send(QByteArray("B25012515LAV5930033906\0B25012515", 32));
    ASSERT_TRUE(waitUntil([&] { return scan.lines().size() == 1; }));
    pty.closeMaster();
    EXPECT_EQ(scan.finish(), 1);
    EXPECT_TRUE(scan.err().endsWith(" : ReadFile function failed (win error code: 5)\n")) << scan.err().toStdString();
    EXPECT_EQ(readScbFile(scb), QStringList{"B25012515LAV5930033906"});
}

TEST(SerialScanCommand, LineBreaksAndOverlongLinesNeverReachTheSheet)
{
    Pty pty;
    QTemporaryDir dir;
    const QString scb = dir.filePath("lot.SCB");
    // a scanner ending its codes with CR LF, read with the line feed as end character
    ScanCommand scan(pty, {"--append", scb, "--end", "10"});
    ASSERT_TRUE(scan.ready()) << scan.err().toStdString();
    pty.send("B25012515LAV5930033906\r\nB25012515LAV5930033907\r\n");
    ASSERT_TRUE(waitUntil([&] { return scan.lines().size() == 2; }));
    pty.send(QByteArray(5000, 'X') + "\r\n");
    ASSERT_TRUE(waitUntil([&] { return scan.lines().size() == 3; }));
    scan.signal(SIGINT);
    EXPECT_EQ(scan.finish(), 0);
    const QStringList stored = readScbFile(scb);
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored[0], "B25012515LAV5930033906");
    EXPECT_EQ(stored[1], "B25012515LAV5930033907");
    EXPECT_EQ(stored[2], QString(1000, u'X'));
    EXPECT_EQ(scan.printedCodes().mid(0, 2), stored.mid(0, 2));
    EXPECT_FALSE(readFile(scb).contains("\r\r")) << "a code was stored with its CR";
    EXPECT_TRUE(scan.err().contains(QString::fromUtf8("Code reçu trop long (plus de 1000 caractères)")))
        << scan.err().toStdString();
    // the read is printed and kept, and said to be no whole code, as the scan window marks it
    EXPECT_TRUE(scan.err().contains(QString::fromUtf8("Lecture de 1000 caractère(s) au lieu de 22\n")))
        << scan.err().toStdString();
}

TEST(SerialScanCommand, BadArgumentsAndPortsAreRefusedWithAMessage)
{
    QTemporaryDir dir;
    const QString notSheet = dir.filePath("notes.SCB");
    QFile f(notSheet);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4\n...");
    f.close();
    Pty pty;

    const struct
    {
        QStringList args;
        int status;
        const char* message;
    } cases[] = {
        {{"scan", "--baud", "9600"}, 2, "pelorin scan : --port manquant\n"},
        {{"scan", "--port", pty.path(), "--end", "300"}, 2, "--end : un caractère de 0 à 255\n"},
        {{"scan", "--port", pty.path(), "--baud", "vite"}, 2, "'vite' is not a valid integer value\n"},
        {{"scan", "--port", pty.path(), "--parity", "odd", "--data-bits", "9"}, 2, "--data-bits : 5, 6, 7 ou 8\n"},
        {{"scan", "--port", pty.path(), "--parity", "impair"}, 2, "--parity : none, odd, even, mark ou space\n"},
        {{"scan", "--port", "/nonexistent/ttyUSB9"},
         1,
         "/nonexistent/ttyUSB9 : Unable to open com port (win error code: 2)\n"},
        {{"scan", "--port", pty.path(), "--stop-bits", "1.5"}, 1, "SetCommState function failed\n"},
        {{"scan", "--port", pty.path(), "--append", notSheet}, 1, "n'est pas un fichier de codes.\n"},
    };
    for (const auto& c : cases) {
        const test::RunResult r = test::runPelorin(c.args, 20000);
        EXPECT_EQ(r.exitCode, c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(QString::fromUtf8(r.err).contains(QString::fromUtf8(c.message)))
            << c.args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_EQ(readFile(notSheet), "%PDF-1.4\n...");
}
