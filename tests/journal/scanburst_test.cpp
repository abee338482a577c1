// `pelorin scan` records every code it reads: killed with SIGKILL in the middle of a burst, it leaves
// a journal that checks sound and holds every code it had printed.
#include "journal/journalfixture.h"

#include "journal/journal.h"
#include "journal/search.h"
#include "scan/serial_pty.h"
#include "support/testsupport.h"

#include <QProcess>
#include <QSet>
#include <atomic>
#include <csignal>
#include <thread>

using namespace pelorin;
using namespace pelorin::journal;
using pelorin::test::JournalTest;
using pelorin::test::Pty;
using pelorin::test::waitUntil;

namespace {

class ScanBurst : public JournalTest
{
protected:
    void SetUp() override
    {
        JournalTest::SetUp();
        if (IsSkipped())
            return;
        useDataFolderJournal(m_data.path());
    }
    test::TempDataFolder m_data;
};

} // namespace

TEST_P(ScanBurst, AKilledScanLeavesASoundJournalWithEveryCodeItPrinted)
{
    Pty pty;
    QProcess scan;
    QByteArray out;
    QObject::connect(&scan, &QProcess::readyReadStandardOutput, [&] { out += scan.readAllStandardOutput(); });
    scan.start(QStringLiteral(PELORIN_BINARY),
               {QStringLiteral("scan"), QStringLiteral("--data"), m_data.path(), QStringLiteral("--port"), pty.path()});
    ASSERT_TRUE(scan.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return !(pty.slaveTermios().c_lflag & ICANON) || scan.state() != QProcess::Running; }));
    ASSERT_EQ(scan.state(), QProcess::Running) << scan.readAllStandardError().constData();

    QByteArray stream;
    for (int i = 0; i < 3000; ++i)
        stream += QStringLiteral("B25012515LAV59300%1%2\r")
                      .arg(i % 365 + 1, 3, 10, QLatin1Char('0'))
                      .arg(i / 365, 2, 10, QLatin1Char('0'))
                      .toLatin1();
    std::atomic<bool> stop = false, sent = false;
    std::thread writer([&] {
        for (qsizetype at = 0; at < stream.size() && !stop; at += 230)
            pty.send(stream.mid(at, 230));
        sent = true;
    });
    const bool some = waitUntil([&] { return out.count('\n') >= 300; }, 60000);
    ::kill(pid_t(scan.processId()), SIGKILL);
    scan.waitForFinished();
    // nobody reads the line any more: empty it until the writer gives up
    stop = true;
    while (!sent)
        ::tcflush(pty.slave(), TCIFLUSH);
    writer.join();
    ASSERT_TRUE(some) << out.count('\n');
    out += scan.readAllStandardOutput();

    QStringList printed = QString::fromUtf8(out).split(u'\n');
    printed.removeLast(); // a line the kill may have cut
    const test::RunResult check = test::runPelorin(
        {QStringLiteral("journal"), QStringLiteral("--data"), m_data.path(), QStringLiteral("--check")});
    EXPECT_EQ(check.exitCode, 0) << check.out.constData() << check.err.constData();
    EXPECT_TRUE(check.out.contains("Intégrité : ok")) << check.out.constData();

    Journal journal(m_settings, m_data.file(QStringLiteral("Journal")));
    journal.flush(true);
    QSet<QString> stored;
    Search(journal.store(), {}).forEachEntry([&](const Row& r) {
        stored << r.entry.code;
        EXPECT_EQ(r.entry.source, QStringLiteral("série"));
    });
    for (const QString& line : std::as_const(printed))
        EXPECT_TRUE(stored.contains(line.section(u'\t', 0, 0))) << line.toStdString();
    EXPECT_GE(stored.size(), printed.size());
}

PELORIN_BOTH_ENGINES(ScanBurst);
