#include "labels/ui/printing.h"

#include "support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

namespace pelorin {
namespace {

// The driver's default resolution, as the print server's own files say (readable by root and lp only).
int ppdDefaultResolution(const QString& printer)
{
    QFile ppd(QStringLiteral("/etc/cups/ppd/%1.ppd").arg(printer));
    if (!ppd.open(QIODevice::ReadOnly))
        return -1;
    static const QRegularExpression pattern(QStringLiteral("^\\*DefaultResolution:\\s*(\\d+)"),
                                            QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = pattern.match(QString::fromLatin1(ppd.readAll()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString runAs(const QString& user, const QString& program, const QStringList& args, int* status = nullptr)
{
    QProcess p;
    p.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), user, QStringLiteral("--"), program} + args);
    p.waitForFinished(60000);
    if (status)
        *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The resolutions a printer offers are its driver's choices, as the print server publishes them:
// every one of the driver's file, ascending, its default among them.
TEST(PrinterResolution, theFinerResolutionsOfferedAreTheDriversChoices)
{
    const QString printer = qEnvironmentVariable("PELORIN_TEST_PRINTER");
    if (printer.isEmpty())
        GTEST_SKIP() << "no test printer: PELORIN_TEST_PRINTER is unset (./test.sh starts CUPS with a PDF queue)";
    QFile ppd(QStringLiteral("/etc/cups/ppd/%1.ppd").arg(printer));
    if (!ppd.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "the driver file of " << qPrintable(printer) << " cannot be read here";
    static const QRegularExpression choice(QStringLiteral("^\\*Resolution\\s+(\\d+)dpi"),
                                           QRegularExpression::MultilineOption);
    std::vector<int> expected;
    for (auto it = choice.globalMatch(QString::fromLatin1(ppd.readAll())); it.hasNext();)
        expected.push_back(it.next().captured(1).toInt());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(report::printerResolutions(printer), expected);
    EXPECT_NE(std::find(expected.begin(), expected.end(), report::printerResolution(printer)), expected.end());
    EXPECT_TRUE(report::printerResolutions(QStringLiteral("PasUneImprimante")).empty());
    EXPECT_EQ(report::fittingResolution(QStringLiteral("PasUneImprimante")), 300);
}

// The resolution the bars are laid on comes from the print server, which answers any user: an
// ordinary operator gets the same resolution as root, though the driver's file is closed to them.
TEST(PrinterResolution, comesFromCupsForAnOrdinaryUser)
{
    const QString printer = qEnvironmentVariable("PELORIN_TEST_PRINTER");
    if (printer.isEmpty())
        GTEST_SKIP() << "no test printer: PELORIN_TEST_PRINTER is unset (./test.sh starts CUPS with a PDF queue)";
    const int expected = ppdDefaultResolution(printer);
    if (expected <= 0)
        GTEST_SKIP() << "the driver file of " << qPrintable(printer) << " cannot be read here";

    EXPECT_EQ(report::printerResolution(printer), expected);
    EXPECT_EQ(report::printerResolution(QString()), expected); // the default printer is the test queue
    EXPECT_EQ(report::printerResolution(QStringLiteral("PasUneImprimante")), 0);

    if (geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty())
        GTEST_SKIP() << "not root: the resolution cannot be asked as another user";
    // the probe, where an ordinary user may run it
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther);
    const QString probe = dir.filePath(QStringLiteral("resolution_probe"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(PELORIN_RESOLUTION_PROBE), probe));
    QFile::setPermissions(probe, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                     QFileDevice::ExeOther);
    int status = -1;
    runAs(QStringLiteral("nobody"), QStringLiteral("test"),
          {QStringLiteral("-r"), QStringLiteral("/etc/cups/ppd/%1.ppd").arg(printer)}, &status);
    EXPECT_NE(status, 0) << "nobody can read the driver file: this test would not tell";
    EXPECT_EQ(runAs(QStringLiteral("nobody"), probe, {printer}), QString::number(expected));
}

TEST(PrintJob, isNamedAfterTheCodeAndThePage)
{
    EXPECT_EQ(report::jobName(QStringLiteral("B25012515LAV5930033906"), QStringLiteral("Planche65")),
              QStringLiteral("Pelorin B25012515LAV5930033906 Planche65"));
    EXPECT_EQ(report::jobName(QString(), QStringLiteral("Planche65")), QStringLiteral("Pelorin  Planche65"));
}

} // namespace
} // namespace pelorin
