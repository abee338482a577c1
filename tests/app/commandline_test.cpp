#include "base/version.h"
#include "support/testsupport.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cups/cups.h>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

const QString kCode = QStringLiteral("B25012515LAV5930033906");

// The program run as from a text console: no display of any kind.
test::RunResult runWithoutDisplay(const QStringList& args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(PELORIN_BINARY), args);
    test::RunResult r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -3;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// The help of the program and of each command names every option, each followed by its sentence.
TEST(CommandLine, HelpListsEveryOptionWithASentence)
{
    const QStringList selection = {"--data", "--system",  "--mass",  "--packaging", "--layers", "--rows",
                                   "--ral",  "--perfume", "--place", "--date",      "--manual"};
    const QStringList page = {"--model",     "--code",   "--operator",   "--memo",
                              "--increment", "--unmark", "--no-margins", "--no-outlines"};
    const struct
    {
        QStringList command;
        QStringList options;
    } cases[] = {
        {{}, {"--help", "--version", "--data", "--no-splash"}},
        {{"code"}, selection},
        {{"render"}, selection + page + QStringList{"--dpi", "--output"}},
        {{"print"}, selection + page + QStringList{"--printer", "--copies"}},
        {{"decode"}, {"--data", "--scb", "--format"}},
        {{"scan"}, {"--data", "--port", "--baud", "--data-bits", "--parity", "--stop-bits", "--end", "--append"}},
        {{"journal"},
         {"--data", "--from", "--to", "--code", "--kind", "--workstation", "--system", "--perfume", "--place",
          "--production-date", "--unscanned", "--unprinted", "--format", "--import", "--check"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command.join(u' ').toStdString());
        const test::RunResult r = runWithoutDisplay(c.command + QStringList{QStringLiteral("--help")});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        const QString help = QString::fromUtf8(r.out);
        EXPECT_TRUE(help.startsWith(QStringLiteral("Utilisation : pelorin"))) << help.toStdString();
        for (const QString& option : c.options + QStringList{QStringLiteral("--help")}) {
            // "  -o, --output FICHIER   Le fichier écrit, ..." (a long left part puts the sentence below)
            const QRegularExpression line(
                QStringLiteral("^  (-\\w, )?%1( \\S+)?\\s+[A-ZÀ-Ý].*$").arg(QRegularExpression::escape(option)),
                QRegularExpression::MultilineOption);
            EXPECT_TRUE(line.match(help).hasMatch()) << option.toStdString() << " in\n" << help.toStdString();
        }
        if (c.command.isEmpty()) {
            for (const char* command : {"code", "render", "print", "decode", "scan", "journal"}) {
                const QRegularExpression line(QStringLiteral("^  %1 +\\S").arg(QLatin1String(command)),
                                              QRegularExpression::MultilineOption);
                EXPECT_TRUE(line.match(help).hasMatch()) << command;
            }
        }
    }
}

// What the command line refuses, it refuses before a display is needed: one French line naming the
// fault, the usage line, status 2. -V and --version need no display either.
TEST(CommandLine, UsageErrorsAndTheVersionNeedNoDisplay)
{
    const struct
    {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"--bogus"}, "pelorin : option inconnue --bogus"},
        {{"Planche65.ETQ", "Lot.SCB"}, "pelorin : un seul fichier à ouvrir, pas 2 (Planche65.ETQ, Lot.SCB)"},
        {{"--data"}, "--data : valeur manquante"},
        {{"--no-splash=1"}, "--no-splash : cette option ne prend pas de valeur"},
        {{"code", "--bogus"}, "pelorin code : option inconnue --bogus"},
        {{"code", "extra"}, "pelorin code : argument inconnu extra"},
        {{"render", "--dpi"}, "--dpi : valeur manquante"},
        {{"print", "--copies", "0"}, "--copies : de 1 à 999 exemplaires"},
        {{"decode", "--format", "xml", "P"}, "--format : tsv, csv ou json, pas « xml »"},
        {{"decode", "-", "-"}, "pelorin decode : l'entrée standard ne se lit qu'une fois"},
        {{"scan", "-x"}, "pelorin scan : option inconnue -x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const test::RunResult r = runWithoutDisplay(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        const QStringList lines = QString::fromUtf8(r.err).split(u'\n');
        ASSERT_EQ(lines.size(), 3) << r.err.toStdString(); // two whole lines
        EXPECT_EQ(lines[0], QString::fromUtf8(c.message));
        EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Utilisation : pelorin"))) << lines[1].toStdString();
        EXPECT_TRUE(lines[2].isEmpty());
    }

    for (const char* option : {"-V", "--version"}) {
        const test::RunResult r = runWithoutDisplay({QLatin1String(option)});
        EXPECT_EQ(r.exitCode, 0) << option << ": " << r.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(r.out), QStringLiteral("pelorin %1\n").arg(LireVersion()));
    }

    // a file to open that does not exist is said at once
    const test::RunResult missing = runWithoutDisplay({QStringLiteral("/nonexistent/Planche65.ETQ")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(missing.err),
              QStringLiteral("Le fichier « /nonexistent/Planche65.ETQ » n'existe pas.\n"));
}

// render -o - writes the PDF on standard output, to pipe into lp.
TEST(CommandLine, RenderWritesThePdfToStandardOutput)
{
    if (!test::haveZbar() || QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        GTEST_SKIP() << "zbarimg or pdftoppm is not installed";
    test::TempDataFolder data;
    const test::RunResult r =
        test::runPelorin({QStringLiteral("render"), QStringLiteral("--data"), data.path(), QStringLiteral("--model"),
                          test::fixture(QStringLiteral("labels/sheet4x2.ETQ")), QStringLiteral("--code"), kCode,
                          QStringLiteral("-o"), QStringLiteral("-")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    ASSERT_TRUE(r.out.startsWith("%PDF-"));
    EXPECT_TRUE(r.out.trimmed().endsWith("%%EOF"));

    QTemporaryDir dir;
    QFile pdf(dir.filePath(QStringLiteral("page.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.write(r.out);
    pdf.close();
    QProcess raster;
    raster.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"), QStringLiteral("-singlefile"),
                  pdf.fileName(), dir.filePath(QStringLiteral("page"))});
    ASSERT_TRUE(raster.waitForFinished(60000));
    EXPECT_EQ(test::zbarRead(dir.filePath(QStringLiteral("page.png"))), QStringList{kCode});
}

// A result written where it cannot go (a full disk) is lost: every command that writes on standard
// output then says so and fails, instead of ending as if it had been written.
TEST(CommandLine, OutputThatCannotBeWrittenIsAnError)
{
    if (!QFileInfo(QStringLiteral("/dev/full")).isWritable())
        GTEST_SKIP() << "no /dev/full on this system";
    test::TempDataFolder data;
    data.write(QStringLiteral("lecture.SCB"), "ScanCode\r\n" + kCode.toLatin1() + "\r\n\r\n");
    const QStringList folder{QStringLiteral("--data"), data.path()};
    const test::RunResult imported =
        test::runPelorin(QStringList{QStringLiteral("journal")} + folder +
                         QStringList{QStringLiteral("--import"), data.file(QStringLiteral("lecture.SCB"))});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();

    const QStringList cases[] = {
        QStringList{"code"} + folder,
        QStringList{"code", "--mass", "250", "--date", "2006-12-05"} + folder,
        QStringList{"decode", kCode} + folder,
        QStringList{"decode", "--format", "json", kCode} + folder,
        QStringList{"journal"} + folder,
        QStringList{"journal", "--format", "csv"} + folder,
        QStringList{"render", "--model", test::fixture(QStringLiteral("labels/sheet4x2.ETQ")), "--code", kCode, "-o",
                    "-"} +
            folder,
        QStringList{"code", "--help"},
        QStringList{"--version"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        // on an output that takes it, the command writes something and succeeds
        const test::RunResult written = test::runPelorin(args);
        ASSERT_EQ(written.exitCode, 0) << written.err.toStdString();
        ASSERT_FALSE(written.out.isEmpty());

        const test::RunResult lost = test::runPelorinWithOutputTo(QStringLiteral("/dev/full"), args);
        EXPECT_EQ(lost.exitCode, 1);
        EXPECT_EQ(QString::fromUtf8(lost.err), QStringLiteral("La sortie standard ne peut pas être écrite.\n"));
    }
}

struct QueuedJob
{
    int id = 0;
    QString title;
};

// The jobs of a queue as the print server lists them to their owner (what lpstat asks for).
QList<QueuedJob> jobsOf(const QString& printer)
{
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.toUtf8().constData(), 1, CUPS_WHICHJOBS_ALL);
    QList<QueuedJob> result;
    for (int i = 0; i < count; ++i)
        result.append({jobs[i].id, QString::fromUtf8(jobs[i].title)});
    cupsFreeJobs(count, jobs);
    return result;
}

// pelorin print: the page printed on the named queue, the copies asked, the job named after the
// code and the page; the printout's barcode reads back.
TEST(CommandLine, PrintsOnTheNamedPrinterWithItsCopiesAndJobName)
{
    const QString printer = qEnvironmentVariable("PELORIN_TEST_PRINTER");
    const QString outFolder = qEnvironmentVariable("PELORIN_TEST_PRINTER_OUT");
    if (printer.isEmpty() || outFolder.isEmpty())
        GTEST_SKIP() << "no test printer: PELORIN_TEST_PRINTER is unset (./test.sh starts CUPS with a PDF queue)";
    if (!test::haveZbar() || QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        GTEST_SKIP() << "zbarimg or pdftoppm is not installed";

    test::TempDataFolder data;
    QDir(data.path()).mkpath(QStringLiteral("Modeles"));
    QFile::copy(test::fixture(QStringLiteral("labels/sheet4x2.ETQ")), data.file(QStringLiteral("Modeles/Lot.ETQ")));
    // a code of this run only, so that its printout is told from any other
    const QString code =
        QStringLiteral("B25012515LAV%1").arg(QRandomGenerator::global()->bounded(1000000000u), 10, 10, QChar(u'0'));
    const QStringList before = QDir(outFolder).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    const test::RunResult r =
        test::runPelorin({QStringLiteral("print"), QStringLiteral("--data"), data.path(), QStringLiteral("--model"),
                          QStringLiteral("Lot.ETQ"), QStringLiteral("--code"), code, QStringLiteral("--unmark"),
                          QStringLiteral("2,3,4,5,6,7,8"), QStringLiteral("--printer"), printer,
                          QStringLiteral("--copies"), QStringLiteral("2")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();

    const QString title = QStringLiteral("Pelorin %1 Lot").arg(code);
    bool listed = false;
    for (const QueuedJob& job : jobsOf(printer))
        listed = listed || job.title == title;
    EXPECT_TRUE(listed) << "no job named " << title.toStdString();

    // the printout: the file the queue wrote, titled with the job's name, two pages (the copies), its
    // barcode read back
    const auto checkPrintout = [&](const QStringList& earlier) {
        QString printout, infoText;
        const QDeadlineTimer deadline(120000);
        while (printout.isEmpty() && !deadline.hasExpired()) {
            for (const QString& name : QDir(outFolder).entryList({QStringLiteral("*.pdf")}, QDir::Files)) {
                if (earlier.contains(name))
                    continue;
                QProcess info;
                info.start(QStringLiteral("pdfinfo"), {QDir(outFolder).filePath(name)});
                info.waitForFinished(30000);
                const QString text = QString::fromUtf8(info.readAllStandardOutput());
                if (text.contains(code)) {
                    printout = QDir(outFolder).filePath(name);
                    infoText = text;
                }
            }
            QThread::msleep(250);
        }
        ASSERT_FALSE(printout.isEmpty()) << "no printout in " << outFolder.toStdString();
        EXPECT_TRUE(infoText.contains(QRegularExpression(QStringLiteral("Title:\\s+\\(?%1\\)?\\n").arg(title))))
            << infoText.toStdString();
        EXPECT_TRUE(infoText.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n")))) << infoText.toStdString();

        QTemporaryDir dir;
        QProcess raster;
        raster.start(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"), QStringLiteral("-f"),
                      QStringLiteral("1"), QStringLiteral("-singlefile"), printout,
                      dir.filePath(QStringLiteral("page"))});
        ASSERT_TRUE(raster.waitForFinished(60000));
        EXPECT_EQ(test::zbarRead(dir.filePath(QStringLiteral("page.png"))), QStringList{code});
        QFile::remove(printout);
    };
    checkPrintout(before);

    // the page is on the journal's record: its code, page, the one label printed and the printer
    const auto printEntries = [&] {
        const test::RunResult logged =
            test::runPelorin({QStringLiteral("journal"), QStringLiteral("--data"), data.path(),
                              QStringLiteral("--kind"), QStringLiteral("print")});
        EXPECT_EQ(logged.exitCode, 0) << logged.err.toStdString();
        return QString::fromUtf8(logged.out).split(u'\n', Qt::SkipEmptyParts);
    };
    QStringList entries = printEntries();
    ASSERT_EQ(entries.size(), 1) << entries.join(u'\n').toStdString();
    const QStringList cells = entries.first().split(u'\t');
    EXPECT_EQ(cells.value(4), code);
    EXPECT_EQ(cells.value(14), QStringLiteral("Lot.ETQ"));
    EXPECT_EQ(cells.value(15), QStringLiteral("1"));
    // two copies of the one label, at the queue's own resolution
    EXPECT_EQ(cells.value(16), QStringLiteral("2"));
    EXPECT_EQ(cells.value(17), QStringLiteral("2"));
    EXPECT_EQ(cells.value(18), QStringLiteral("300"));
    EXPECT_EQ(cells.value(21), printer);

    // a printer that is no queue is said, and nothing is printed nor recorded
    const test::RunResult unknown =
        test::runPelorin({QStringLiteral("print"), QStringLiteral("--data"), data.path(), QStringLiteral("--model"),
                          QStringLiteral("Lot.ETQ"), QStringLiteral("--printer"), QStringLiteral("Absente")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(unknown.err), QStringLiteral("L'imprimante « Absente » n'existe pas.\n"));
    EXPECT_EQ(printEntries().size(), 1);

    // the description printed is kept under its fingerprint, byte for byte
    QFile etq(data.file(QStringLiteral("Modeles/Lot.ETQ")));
    ASSERT_TRUE(etq.open(QIODevice::ReadOnly));
    const QByteArray description = etq.readAll();
    etq.close();
    const QString firstId = cells.value(23), fingerprint = cells.value(24);
    EXPECT_EQ(fingerprint,
              QString::fromLatin1(QCryptographicHash::hash(description, QCryptographicHash::Sha256).toHex()));
    EXPECT_TRUE(cells.value(25).isEmpty());
    const test::RunResult page = test::runPelorin(
        {QStringLiteral("journal"), QStringLiteral("--data"), data.path(), QStringLiteral("--page"), fingerprint});
    EXPECT_EQ(page.exitCode, 0) << page.err.toStdString();
    EXPECT_EQ(page.out, description);

    // printed again from the record, after the description was edited: the page as it was, its copies,
    // recorded as a reprint of the first print
    ASSERT_TRUE(etq.open(QIODevice::WriteOnly | QIODevice::Truncate));
    etq.write(QByteArray(description).replace("<Colonne>", "<Colonne>1"));
    etq.close();
    const QStringList beforeReprint = QDir(outFolder).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    const test::RunResult again =
        test::runPelorin({QStringLiteral("journal"), QStringLiteral("--data"), data.path(), QStringLiteral("--reprint"),
                          firstId, QStringLiteral("--printer"), printer});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    checkPrintout(beforeReprint);
    entries = printEntries();
    ASSERT_EQ(entries.size(), 2) << entries.join(u'\n').toStdString();
    const QStringList reprinted = entries.first().split(u'\t');
    EXPECT_EQ(reprinted.value(4), code);
    EXPECT_EQ(reprinted.value(15), QStringLiteral("1"));
    EXPECT_EQ(reprinted.value(16), QStringLiteral("2"));
    EXPECT_EQ(reprinted.value(17), QStringLiteral("2"));
    EXPECT_EQ(reprinted.value(21), printer);
    EXPECT_NE(reprinted.value(23), firstId);
    EXPECT_EQ(reprinted.value(24), fingerprint);
    EXPECT_EQ(reprinted.value(25), firstId);

    // what cannot be printed again is said, and nothing is recorded
    const test::RunResult refused =
        test::runPelorin({QStringLiteral("journal"), QStringLiteral("--data"), data.path(), QStringLiteral("--reprint"),
                          QStringLiteral("00000000-0000-4000-8000-000000000000")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(QString::fromUtf8(refused.err).contains(QStringLiteral("Aucune entrée du journal")))
        << refused.err.toStdString();
    EXPECT_EQ(printEntries().size(), 2);
}

} // namespace
