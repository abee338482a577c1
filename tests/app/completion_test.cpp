#include "code/qstringprint.h"
#include "support/sharedworkstation.h"
#include "support/testsupport.h"

#include <QDate>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace pelorin;
using pelorin::test::SharedWorkstation;

namespace {

// Names a shell would take apart: accents written as character references, spaces, quotes, brackets,
// an ampersand.
const QByteArray kListsToComplete =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Configuration>\r\n<Systemes>\r\n"
    "<Systeme><Nom>Bougie parfum&#233;e</Nom><Code>B</Code></Systeme>\r\n"
    "<Systeme><Nom>Savon \"Prestige\" d'&#201;t&#233;</Nom><Code>S</Code></Systeme>\r\n"
    "<Systeme><Nom>Diffuseur (50 ml)</Nom><Code>D</Code></Systeme>\r\n</Systemes>\r\n"
    "<Lieux><Ville><Nom>Saint-\xC9tienne</Nom><Code>42000</Code><Logo/></Ville></Lieux>\r\n"
    "<Parfums><Parfum><Nom>Fleur &amp; Miel</Nom><Code>FLM</Code></Parfum></Parfums>\r\n</Configuration>\r\n";

QStringList lines(const QByteArray& out)
{
    return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
}

// Every file under `dir` with its size: what a run that must write nothing may not change.
QStringList filesUnder(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files << it.filePath() + u' ' + QString::number(it.fileInfo().size());
    }
    files.sort();
    return files;
}

} // namespace

TEST(Completion, OffersTheNamesAsTheProgramReadsThemQuotedForBash)
{
    test::TempDataFolder data;
    data.write("Config/cfg.xml", kListsToComplete);
    QDir(data.file("Modeles")).removeRecursively();
    data.write("Modeles/Planche 65.ETQ", "page");
    data.write("Modeles/autre.etq", "page");
    data.write("Modeles/notes.txt", "not a page");
    const QString savon = QStringLiteral("Savon\\ \\\"Prestige\\\"\\ d\\'Été");
    struct Case
    {
        const char* kind;
        QString typed;
        QStringList offered;
    };
    const Case cases[] = {
        {"systems", "", {"Bougie\\ parfumée", savon, "Diffuseur\\ \\(50\\ ml\\)"}},
        {"systems", "Sa", {savon}},
        // what is typed counts for the text it stands for, escaped or quoted
        {"systems", "Savon\\ \\\"P", {savon}},
        {"systems", "'Savon \"Prestige\" d", {savon}},
        {"systems", "\"Diffuseur (", {"Diffuseur\\ \\(50\\ ml\\)"}},
        {"systems", "Bougie\\ c", {}},
        {"places", "Saint-É", {"Saint-Étienne"}},
        {"perfumes", "", {"Fleur\\ \\&\\ Miel"}},
        {"models", "", {"autre.etq", "Planche\\ 65.ETQ"}},
    };
    const QStringList before = filesUnder(data.path());
    for (const Case& c : cases) {
        const test::RunResult r =
            test::runPelorin({QStringLiteral("--complete"), QString::fromUtf8(c.kind), QStringLiteral("--data"),
                              data.path(), QStringLiteral("--"), c.typed});
        EXPECT_EQ(r.exitCode, 0) << c.kind << r.err.constData();
        EXPECT_EQ(lines(r.out), c.offered) << c.kind << ' ' << qPrintable(c.typed);
        EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
    }
    // completing writes nothing
    EXPECT_EQ(filesUnder(data.path()), before);

    // nothing typed yet, said or not
    for (const QStringList& nothing : {QStringList{"--"}, QStringList{}})
        EXPECT_EQ(lines(test::runPelorin(QStringList{"--complete", "places", "--data", data.path()} + nothing).out),
                  QStringList{"Saint-Étienne"});

    const test::RunResult unknown = test::runPelorin({"--complete", "colours", "--data", data.path()});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.out.isEmpty());
    EXPECT_TRUE(QString::fromUtf8(unknown.err).contains("systems, places, perfumes, models"))
        << unknown.err.constData();
}

TEST(Completion, TheShellsCompletionAsksTheProgram)
{
    const QString bashCompletion = QStringLiteral("/usr/share/bash-completion/bash_completion");
    if (!QFileInfo::exists(bashCompletion))
        GTEST_SKIP() << "bash-completion is not installed";
    test::TempDataFolder data;
    data.write("Config/cfg.xml", kListsToComplete);
    QProcess shell;
    shell.start(QStringLiteral("bash"),
                {QStringLiteral("-c"),
                 QStringLiteral(". \"$1\"; . \"$2\"; COMP_WORDS=(\"$3\" code --data \"$4\" --system "
                                "\"$5\"); COMP_CWORD=5; COMP_LINE=\"${COMP_WORDS[*]}\"; "
                                "COMP_POINT=${#COMP_LINE}; _pelorin; printf '%s\\n' "
                                "\"${COMPREPLY[@]}\""),
                 QStringLiteral("_"), bashCompletion,
                 QStringLiteral(PELORIN_SOURCE_DIR "/packaging/pelorin.bash-completion"),
                 QStringLiteral(PELORIN_BINARY), data.path(), QStringLiteral("Sa")});
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_EQ(lines(shell.readAllStandardOutput()), QStringList{"Savon\\ \\\"Prestige\\\"\\ d\\'Été"})
        << shell.readAllStandardError().constData();
}

TEST(SharedFolderCommandLine, ReadsTheSharedListsAndSaysWhenOnTheirCopy)
{
    SharedWorkstation w;
    QFile shipped(QStringLiteral(PELORIN_TEST_DATA "/Config/cfg.xml"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    QByteArray lists = shipped.readAll();
    ASSERT_TRUE(lists.contains("<Nom>Bougie parfum\xE9"
                               "e</Nom>"));
    lists.replace("<Nom>Bougie parfum\xE9"
                  "e</Nom>",
                  "<Nom>Bougie de l'usine</Nom>");
    w.write("shared/Config/cfg.xml", lists);
    const QStringList decode = {QStringLiteral("decode"), QStringLiteral("B25012515LAV5930033906")};

    // the program beside its own data folder reads the shared lists all the same
    test::RunResult r = test::runPelorin(decode);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("Bougie de l'usine")) << r.out.constData();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();
    EXPECT_EQ(w.read("home/cache/pelorin/shared/Config/cfg.xml"), lists);

    w.unplug();
    r = test::runPelorin(decode);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("Bougie de l'usine")) << r.out.constData();
    const QString warning = QString::fromUtf8(r.err);
    EXPECT_TRUE(warning.contains(QStringLiteral("« %1 » est injoignable").arg(w.sharedDir()))) << qPrintable(warning);
    EXPECT_TRUE(warning.contains(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")))) << qPrintable(warning);
    // the completion reads the same copy, and keeps quiet on the terminal
    r = test::runPelorin(
        {QStringLiteral("--complete"), QStringLiteral("systems"), QStringLiteral("--"), QStringLiteral("Bougie")});
    EXPECT_EQ(lines(r.out), QStringList{"Bougie\\ de\\ l\\'usine"});
    EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();

    // a misspelt system setting stops the command with a message naming the file and the line
    w.writeIni("[data]\nshare=/srv/pelorin\n");
    r = test::runPelorin(decode);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.constData();
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(w.iniPath() + QStringLiteral(" », ligne 2 : clé inconnue « share »")))
        << r.err.constData();
}
