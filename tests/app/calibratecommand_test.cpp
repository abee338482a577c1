#include "support/testsupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include "labels/calibration.h"

using namespace pelorin;

namespace {

// The calibration of this test only: its own configuration folder, for the test and the programs it
// runs, given back at the end.
class OwnSettings
{
public:
    OwnSettings() : m_saved(qgetenv("XDG_CONFIG_HOME")), m_had(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    }
    ~OwnSettings()
    {
        if (m_had)
            qputenv("XDG_CONFIG_HOME", m_saved);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved;
    bool m_had;
};

constexpr double kPointsPerMm = 72.0 / 25.4;

// Every word of a PDF's first page with its box's top-left corner, in points: "word" -> (x, y).
QMultiMap<QString, QPointF> wordPositions(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                                          QStringLiteral("-l"), QStringLiteral("1"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"[\\d.]+\" yMax=\"[\\d.]+\">([^<]*)</word>"));
    QMultiMap<QString, QPointF> words;
    const QString xml = QString::fromUtf8(p.readAllStandardOutput());
    for (auto it = word.globalMatch(xml); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        words.insert(m.captured(3), QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()));
    }
    return words;
}

bool havePoppler()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

TEST(CalibrateCommand, UsageErrorsNameTheFaultAndStoreNothing)
{
    OwnSettings settings;
    const std::pair<QStringList, const char*> cases[] = {
        {{}, "pelorin calibrate : imprimante manquante (--printer NOM)"},
        {{"--printer", "PDF", "--page", "--dx", "1"},
         "pelorin calibrate : --page ne va pas avec --dx, --dy, --sx, --sy"},
        {{"--printer", "PDF", "-o", "x.pdf"}, "pelorin calibrate : -o ne va qu'avec --page"},
        {{"--printer", "PDF", "--page", "-o", "x.png"}, "pelorin calibrate : x.png n'est pas un fichier .pdf"},
        {{"--printer", "PDF", "--dx", "1,5x"}, "--dx : « 1,5x » n'est pas un nombre"},
        {{"--printer", "PDF", "--dx", "60"}, "Décalage horizontal hors limites : 60 mm (de -50 à 50 mm)."},
        {{"--printer", "PDF", "--sy", "80"}, "Échelle verticale hors limites : 80 % (de 90 à 110 %)."},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(message);
        const test::RunResult r = test::runPelorin(QStringList{QStringLiteral("calibrate")} + args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(QString::fromUtf8(r.err).startsWith(QString::fromUtf8(message) + u'\n')) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(settings.path() + QStringLiteral("/pelorin/printers.ini")));
}

// The calibration page: rulers numbered at their millimetres from the paper's edges, the crosses
// where the instructions say, the instructions naming the printer.
TEST(CalibrateCommand, ThePageHasItsRulersAndCrossesWhereItSays)
{
    if (!havePoppler())
        GTEST_SKIP() << "pdftotext is not installed";
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("calibration.pdf"));
    const test::RunResult r =
        test::runPelorin({QStringLiteral("calibrate"), QStringLiteral("--printer"), QStringLiteral("Bureau"),
                          QStringLiteral("--page"), QStringLiteral("-o"), pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QMultiMap<QString, QPointF> words = wordPositions(pdf);
    ASSERT_FALSE(words.isEmpty());
    // the numbers of the top ruler stand just right of their tick, those of the left ruler beside it,
    // a little above
    for (int mm : {10, 50, 100, 190}) {
        SCOPED_TRACE(mm);
        bool top = false, left = false;
        for (const QPointF& at : words.values(QString::number(mm))) {
            top = top || (std::abs(at.x() - (mm + 0.5) * kPointsPerMm) < 1.0 && at.y() < 10 * kPointsPerMm);
            left = left ||
                   (std::abs(at.x() - 6.5 * kPointsPerMm) < 1.0 && std::abs(at.y() - (mm - 2.0) * kPointsPerMm) < 1.0);
        }
        EXPECT_TRUE(top);
        EXPECT_TRUE(left);
    }
    // A at 20 mm from both edges, B 170 mm to its right, C 257 mm below it (A4)
    const std::pair<const char*, QPointF> crosses[] = {{"A", {20, 20}}, {"B", {190, 20}}, {"C", {20, 277}}};
    for (const auto& [name, mm] : crosses) {
        // the letter beside its cross (the instructions name the crosses too)
        bool found = false;
        for (const QPointF& at : words.values(QString::fromLatin1(name)))
            found = found || (std::abs(at.x() - (mm.x() + 1.5) * kPointsPerMm) < 1.0 &&
                              std::abs(at.y() - (mm.y() + 1.0) * kPointsPerMm) < 4.0);
        EXPECT_TRUE(found) << name;
    }
    EXPECT_TRUE(words.contains(QStringLiteral("«")) && words.contains(QStringLiteral("Bureau")));
    EXPECT_TRUE(words.contains(QStringLiteral("170")) && words.contains(QStringLiteral("257")));
}

// The printout of a page on the test queue, told by its unique code; empty when none came.
QString printedPdf(const QString& outFolder, const QStringList& before, const QString& code)
{
    const QDeadlineTimer deadline(120000);
    while (!deadline.hasExpired()) {
        for (const QString& name : QDir(outFolder).entryList({QStringLiteral("*.pdf")}, QDir::Files)) {
            if (before.contains(name))
                continue;
            QProcess info;
            info.start(QStringLiteral("pdfinfo"), {QDir(outFolder).filePath(name)});
            info.waitForFinished(30000);
            if (QString::fromUtf8(info.readAllStandardOutput()).contains(code))
                return QDir(outFolder).filePath(name);
        }
        QThread::msleep(250);
    }
    return QString();
}

// Stored values are shown, and every print to that printer is shifted and scaled by them: the texts
// of a calibrated printout are where those of an uncalibrated one are, moved by dx, dy and scaled
// by sx, sy about the paper's corner.
TEST(CalibrateCommand, StoredValuesMoveEveryPrintOnThatPrinter)
{
    const QString printer = qEnvironmentVariable("PELORIN_TEST_PRINTER");
    const QString outFolder = qEnvironmentVariable("PELORIN_TEST_PRINTER_OUT");
    if (printer.isEmpty() || outFolder.isEmpty())
        GTEST_SKIP() << "no test printer: PELORIN_TEST_PRINTER is unset (./test.sh starts CUPS with a PDF queue)";
    if (!havePoppler())
        GTEST_SKIP() << "pdftotext is not installed";
    OwnSettings settings;
    test::TempDataFolder data;
    QDir(data.path()).mkpath(QStringLiteral("Modeles"));
    QFile::copy(test::fixture(QStringLiteral("labels/sheet4x2.ETQ")), data.file(QStringLiteral("Modeles/Lot.ETQ")));

    const auto print = [&](const QString& code) {
        const QStringList before = QDir(outFolder).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        const test::RunResult r = test::runPelorin(
            {QStringLiteral("print"), QStringLiteral("--data"), data.path(), QStringLiteral("--model"),
             QStringLiteral("Lot.ETQ"), QStringLiteral("--code"), code, QStringLiteral("--printer"), printer});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QString pdf = printedPdf(outFolder, before, code);
        QMultiMap<QString, QPointF> words = wordPositions(pdf);
        QFile::remove(pdf);
        return words;
    };
    const QString run = QString::number(QRandomGenerator::global()->bounded(1000000000u));
    const QMultiMap<QString, QPointF> plain = print(QStringLiteral("B25012515LAV") + run + u'0');

    const test::RunResult stored =
        test::runPelorin({QStringLiteral("calibrate"), QStringLiteral("--printer"), printer, QStringLiteral("--dx"),
                          QStringLiteral("3"), QStringLiteral("--dy"), QStringLiteral("-4,5"), QStringLiteral("--sx"),
                          QStringLiteral("102"), QStringLiteral("--sy"), QStringLiteral("98")});
    ASSERT_EQ(stored.exitCode, 0) << stored.err.toStdString();
    const test::RunResult shown = test::runPelorin({QStringLiteral("calibrate"), QStringLiteral("--printer"), printer});
    EXPECT_EQ(QString::fromUtf8(shown.out), QStringLiteral("dx = 3 mm  dy = -4,5 mm  sx = 102 %  sy = 98 %\n"));
    const QMultiMap<QString, QPointF> moved = print(QStringLiteral("B25012515LAV") + run + u'1');

    // the page's own texts, the same in both printouts
    int compared = 0;
    for (const QString& word : {QStringLiteral("Etiquettes"), QStringLiteral("Modéle"), QStringLiteral("Imprimer")}) {
        SCOPED_TRACE(word.toStdString());
        ASSERT_EQ(plain.values(word).size(), 1);
        ASSERT_EQ(moved.values(word).size(), 1);
        const QPointF before = plain.value(word), after = moved.value(word);
        EXPECT_NEAR(after.x(), 3.0 * kPointsPerMm + 1.02 * before.x(), 0.5);
        EXPECT_NEAR(after.y(), -4.5 * kPointsPerMm + 0.98 * before.y(), 0.5);
        ++compared;
    }
    EXPECT_EQ(compared, 3);

    // back to no correction: the entry goes, and prints are as before
    const test::RunResult reset =
        test::runPelorin({QStringLiteral("calibrate"), QStringLiteral("--printer"), printer, QStringLiteral("--dx"),
                          QStringLiteral("0"), QStringLiteral("--dy"), QStringLiteral("0"), QStringLiteral("--sx"),
                          QStringLiteral("100"), QStringLiteral("--sy"), QStringLiteral("100")});
    EXPECT_EQ(reset.exitCode, 0) << reset.err.toStdString();
    EXPECT_EQ(loadCalibration(printer), PrinterCalibration());
}

} // namespace
