#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "support/testsupport.h"

namespace pelorin {
namespace {

// The shared libraries a run of the program loaded, as the dynamic loader itself reports them
// (LD_DEBUG=files): their file names, "libQt6Gui.so.6" and the like.
QStringList loadedLibraries(const QStringList& args, int* exitCode = nullptr)
{
    qputenv("LD_DEBUG", "files");
    const test::RunResult r = test::runPelorin(args);
    qunsetenv("LD_DEBUG");
    if (exitCode)
        *exitCode = r.exitCode;
    QStringList names;
    static const QRegularExpression opened(QStringLiteral("file=(\\S+)\\s+\\[0\\];\\s+(?:needed|dynamically loaded)"));
    for (auto it = opened.globalMatch(QString::fromLocal8Bit(r.err)); it.hasNext();)
        names << QDir(it.next().captured(1)).dirName();
    names.removeDuplicates();
    return names;
}

bool loads(const QStringList& loaded, const QString& prefix)
{
    return std::any_of(loaded.begin(), loaded.end(), [&](const QString& n) { return n.startsWith(prefix); });
}

// What a start costs is mostly loading and binding libraries: each command loads what it uses and
// nothing of the printing stack or the widgets it does not use.
TEST(StartLibraries, EachCommandLoadsOnlyWhatItUses)
{
#if defined(__SANITIZE_ADDRESS__)
    // the sanitized build compiles each library as one unit: a command's unit then brings every other
    // command's libraries along, and the count says nothing of the program as it is shipped
    GTEST_SKIP() << "the sanitized build links each library as one unit";
#endif
    test::TempDataFolder data;
    const QString pdf = QDir(data.path()).filePath(QStringLiteral("page.pdf"));
    const QString data_ = data.path();
    struct Case
    {
        QStringList args;
        bool drawing;    // Qt Gui (fonts, images, PDF)
        QString product; // a file the command writes, empty for none
    } cases[] = {
        {{QStringLiteral("--version")}, false, {}},
        {{QStringLiteral("--help")}, false, {}},
        {{QStringLiteral("code"), QStringLiteral("--data"), data_}, false, {}},
        {{QStringLiteral("decode"), QStringLiteral("--data"), data_, QStringLiteral("B00006100AMB5941034526")},
         false,
         {}},
        {{QStringLiteral("--data"), data_, QStringLiteral("journal")}, false, {}},
        {{QStringLiteral("render"), QStringLiteral("--data"), data_, QStringLiteral("-o"), pdf}, true, pdf},
        {{QStringLiteral("check"), QStringLiteral("--data"), data_, QStringLiteral("--dpi"), QStringLiteral("600")},
         true,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        int status = -1;
        const QStringList loaded = loadedLibraries(c.args, &status);
        EXPECT_EQ(status, 0);
        // the loader's report was read: every run loads Qt Core
        ASSERT_TRUE(loads(loaded, QStringLiteral("libQt6Core.so"))) << loaded.join(u' ').toStdString();
        EXPECT_EQ(loads(loaded, QStringLiteral("libQt6Gui.so")), c.drawing) << loaded.join(u' ').toStdString();
        for (const char* never : {"libQt6Widgets.so", "libQt6PrintSupport.so", "libcups.so", "libQt6SerialPort.so"}) {
            EXPECT_FALSE(loads(loaded, QString::fromLatin1(never))) << never;
        }
        if (!c.product.isEmpty()) {
            EXPECT_GT(QFileInfo(c.product).size(), 0);
        }
    }
}

// The windows and the commands that print still have everything they need: the library that holds
// them loads with all its own.
TEST(StartLibraries, PrintingCommandsLoadThePrintingStack)
{
    test::TempDataFolder data;
    const QStringList loaded = loadedLibraries({QStringLiteral("calibrate"), QStringLiteral("--data"), data.path(),
                                                QStringLiteral("--printer"), QStringLiteral("nulle-part")});
    EXPECT_TRUE(loads(loaded, QStringLiteral("libpelorin-gui.so")));
    EXPECT_TRUE(loads(loaded, QStringLiteral("libQt6PrintSupport.so")));
    EXPECT_TRUE(loads(loaded, QStringLiteral("libQt6Widgets.so")));
}

// A page written to a file is on the sheet its description is made for, whatever paper the default
// printer has (and without asking the print server).
TEST(RenderCommand, WritesTheSheetTheDescriptionIsMadeFor)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "pdfinfo is not installed";
    test::TempDataFolder data;
    QByteArray small = data.read(QStringLiteral("Modeles/Avery4x2.ETQ"));
    ASSERT_TRUE(small.contains("<Largeur>210</Largeur>") && small.contains("<Hauteur>297</Hauteur>"));
    small.replace("<Largeur>210</Largeur>", "<Largeur>100</Largeur>");
    small.replace("<Hauteur>297</Hauteur>", "<Hauteur>150</Hauteur>");
    data.write(QStringLiteral("Modeles/Petite.ETQ"), small);
    const struct
    {
        const char* model;
        const char* pageSize; // in points, as pdfinfo rounds them
    } cases[] = {{"Petite.ETQ", "283 x 425 pts"}, {"Avery4x2.ETQ", "595 x 842 pts"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        const QString pdf = data.file(QStringLiteral("page.pdf"));
        const test::RunResult r =
            test::runPelorin({QStringLiteral("render"), QStringLiteral("--data"), data.path(),
                              QStringLiteral("--model"), QString::fromLatin1(c.model), QStringLiteral("-o"), pdf});
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        ASSERT_TRUE(info.waitForFinished(30000));
        EXPECT_TRUE(info.readAllStandardOutput().contains(QByteArray("Page size:       ") + c.pageSize));
    }
}

} // namespace
} // namespace pelorin
