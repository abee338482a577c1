// `pelorin render` end to end: the built program writes the page, zbarimg and pdftotext read it back.
#include "samplecode.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

using test::fixture;
using test::runPelorin;

using pelorin::test::kCode;

class RenderCommand : public ::testing::Test
{
protected:
    test::TempDataFolder m_data;
    QTemporaryDir m_out;

    QString out(const QString& name) const { return m_out.filePath(name); }

    test::RunResult render(const QString& model, const QString& output, const QStringList& more = {})
    {
        QStringList args = {QStringLiteral("render"), QStringLiteral("--data"), m_data.path()};
        if (!model.isEmpty())
            args << QStringLiteral("--model") << fixture(QStringLiteral("labels/") + model);
        args << more << QStringLiteral("-o") << output;
        return runPelorin(args);
    }
};

// The page's text in the order it was drawn (component after component).
QString pdfText(const QString& pdf)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        return QString();
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-raw"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// What zbarimg reads on each label of the 4 x 2 sheet (origin 5 mm + c x 101 mm, 10 mm + r x 51 mm,
// 100 x 50 mm), label by label: identical symbols in one image are reported once, so each label
// is read on its own.
QList<QStringList> symbolsPerLabel(const QString& png, const QString& workDir)
{
    const QImage page(png);
    QList<QStringList> result;
    if (page.isNull())
        return result;
    const double dotsPerMm = page.dotsPerMeterX() / 1000.0;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 2; ++c) {
            const QRect box(qRound((5 + c * 101) * dotsPerMm), qRound((10 + r * 51) * dotsPerMm),
                            qRound(100 * dotsPerMm), qRound(50 * dotsPerMm));
            const QString crop = workDir + QStringLiteral("/label%1.png").arg(r * 2 + c + 1);
            page.copy(box).save(crop);
            result << test::zbarRead(crop);
        }
    return result;
}

int darkPixelsInColumn(const QImage& image, double xMm, double fromMm, double toMm)
{
    const double dotsPerMm = image.dotsPerMeterX() / 1000.0;
    int dark = 0;
    for (int dx = -2; dx <= 2; ++dx) {
        const int x = qRound(xMm * dotsPerMm) + dx;
        for (int y = qRound(fromMm * dotsPerMm); y < qRound(toMm * dotsPerMm); ++y)
            dark += qGray(image.pixel(x, y)) < 128;
    }
    return dark;
}

TEST_F(RenderCommand, EveryMarkedLabelCarriesAReadableCode)
{
    if (!test::haveZbar())
        GTEST_SKIP() << "zbarimg is not installed";
    struct Case
    {
        QStringList options;
        QList<int> unmarked;
    };
    const Case cases[] = {{{}, {}}, {{QStringLiteral("--unmark"), QStringLiteral("2")}, {2}}};
    for (const Case& c : cases) {
        const QString png = out(QStringLiteral("page.png"));
        QFile::remove(png);
        const test::RunResult run = render(
            QStringLiteral("sheet4x2.ETQ"), png,
            QStringList({QStringLiteral("--code"), kCode, QStringLiteral("--dpi"), QStringLiteral("300")}) + c.options);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QImage image(png);
        ASSERT_FALSE(image.isNull());
        EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, 300, 0.5);
        const QList<QStringList> labels = symbolsPerLabel(png, m_out.path());
        ASSERT_EQ(labels.size(), 8);
        int read = 0;
        for (int n = 1; n <= 8; ++n) {
            const QStringList& symbols = labels[n - 1];
            if (c.unmarked.contains(n)) {
                EXPECT_TRUE(symbols.isEmpty()) << "label " << n;
                continue;
            }
            ASSERT_EQ(symbols.size(), 1) << "label " << n;
            EXPECT_EQ(symbols.first(), kCode) << "label " << n;
            ++read;
        }
        EXPECT_EQ(read, 8 - int(c.unmarked.size()));
    }
}

TEST_F(RenderCommand, EveryLabelOfTheShippedSixtyFiveLabelSheetScansWhereItsBarsFitAndNoneWhereTheyDoNot)
{
    if (!test::haveZbar())
        GTEST_SKIP() << "zbarimg is not installed";
    // the longest code (211 modules) in the sheet's 33 mm boxes of 38,1 x 21,2 mm labels, its frame
    // drawn: each label is read alone, with nothing around it but its own quiet zones. One dot a
    // module at 203 dpi and three at 600 reach 0.125 mm; at 300 dpi one dot is 0.085 mm and two do
    // not fit, so no label carries a symbol there
    for (const auto& [dpi, expected] : {std::pair{203, 65}, std::pair{600, 65}, std::pair{300, 0}}) {
        SCOPED_TRACE(dpi);
        const QString png = out(QStringLiteral("page65.png"));
        const test::RunResult run =
            runPelorin({QStringLiteral("render"), QStringLiteral("--data"), m_data.path(), QStringLiteral("--model"),
                        QStringLiteral("Planche65.ETQ"), QStringLiteral("--code"), kCode, QStringLiteral("--dpi"),
                        QString::number(dpi), QStringLiteral("-o"), png});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        // an A4 page at 600 dpi is past the image reader's default limit of 128 MB
        QImageReader::setAllocationLimit(0);
        const QImage page(png);
        ASSERT_FALSE(page.isNull());
        const double dotsPerMm = page.dotsPerMeterX() / 1000.0;
        int read = 0;
        for (int r = 0; r < 13; ++r)
            for (int c = 0; c < 5; ++c) {
                const QRect label(qRound((4.7 + c * 40.6) * dotsPerMm), qRound((10.7 + r * 21.2) * dotsPerMm),
                                  qRound(38.1 * dotsPerMm), qRound(21.2 * dotsPerMm));
                const QString crop = m_out.filePath(QStringLiteral("label65-%1.png").arg(r * 5 + c + 1));
                page.copy(label).save(crop);
                const QStringList symbols = test::zbarRead(crop);
                EXPECT_EQ(symbols, expected ? QStringList{kCode} : QStringList()) << "label " << r * 5 + c + 1;
                read += symbols == QStringList{kCode};
            }
        EXPECT_EQ(read, expected);
    }
}

TEST_F(RenderCommand, PdfHoldsTheIncrementalLinesOfMarkedLabelsAndThePageTexts)
{
    const QString pdf = out(QStringLiteral("page.pdf"));
    const test::RunResult run =
        render(QStringLiteral("sheet4x2.ETQ"), pdf, {QStringLiteral("--code"), kCode, QStringLiteral("--unmark"), "2"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString text = pdfText(pdf);
    if (text.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    for (const char* line : {"0", "2", "3", "4", "5", "6", "7"})
        EXPECT_TRUE(words.contains(QLatin1String(line))) << line;
    EXPECT_FALSE(words.contains(QStringLiteral("1")));
    EXPECT_EQ(text.count(QStringLiteral("Fabriqué-à-Anzin")), 7);
    EXPECT_TRUE(text.contains(QStringLiteral("Etiquettes de traçabilité Pelorin Version")));
    EXPECT_TRUE(text.contains(QStringLiteral("Modéle : Essai 4x2")));
    EXPECT_TRUE(text.contains(QStringLiteral("Imprimer à 100 %")));
}

TEST_F(RenderCommand, DefaultsComeFromTheConfigurationAndAnIncrementFileCountsDisplayedLines)
{
    // no model given: the one the settings name; the operator text and the multiline text as saved
    const QString pdf = out(QStringLiteral("defaut.pdf"));
    test::RunResult run = render(QString(), pdf);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    QString text = pdfText(pdf);
    if (text.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    EXPECT_TRUE(text.contains(QStringLiteral("Modéle : Avery")));
    EXPECT_EQ(text.count(QStringLiteral("Opérateur 1")), 8);

    // a list line wider than the window's list wraps and feeds two labels: the third line of the
    // file reaches label 4, and label 3 takes the end of the long line
    // (the main window's list leaves 377 pixels to its text, in the application's font)
    const QFontMetricsF metrics(QGuiApplication::font());
    QString longLine;
    int words = 0;
    while (metrics.horizontalAdvance(longLine) < 377 * 1.5)
        longLine += QStringLiteral("mot%1 ").arg(words++);
    const QString lastWord = QStringLiteral("mot%1").arg(words - 1);
    m_data.write(QStringLiteral("liste.txt"),
                 (QStringLiteral("premier\r\n") + longLine.trimmed() + QStringLiteral("\r\ntroisième\n")).toLatin1());
    run = render(QStringLiteral("sheet4x2.ETQ"), pdf,
                 {QStringLiteral("--increment"), m_data.file(QStringLiteral("liste.txt")), QStringLiteral("--operator"),
                  QStringLiteral("Paul")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    text = pdfText(pdf);
    // components are drawn label after label: the fixed text closes each label
    const QStringList labels = text.split(QStringLiteral("Fabriqué-à-Anzin"));
    ASSERT_EQ(labels.size(), 9);
    EXPECT_TRUE(labels[0].contains(QStringLiteral("premier")));
    EXPECT_TRUE(labels[1].contains(QStringLiteral("mot0")));
    EXPECT_FALSE(labels[1].contains(lastWord));
    EXPECT_TRUE(labels[2].contains(lastWord));
    EXPECT_TRUE(labels[3].contains(QStringLiteral("troisième")));
}

TEST_F(RenderCommand, MarginFrameAndOutlinesFollowTheirSwitches)
{
    struct Case
    {
        QStringList options;
        bool frame, outlines;
    };
    const Case cases[] = {
        {{}, true, true},
        {{QStringLiteral("--no-margins")}, false, true},
        {{QStringLiteral("--no-outlines")}, true, false},
        {{QStringLiteral("--no-margins"), QStringLiteral("--no-outlines")}, false, false},
    };
    for (const Case& c : cases) {
        const QString png = out(QStringLiteral("switches.png"));
        const test::RunResult run =
            render(QStringLiteral("sheet4x2.ETQ"), png, c.options + QStringList({QStringLiteral("--dpi"), "100"}));
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QImage image(png);
        ASSERT_FALSE(image.isNull());
        // the frame's left edge below the last row of labels; the right edge of label 1
        EXPECT_EQ(darkPixelsInColumn(image, 5, 230, 270) > 0, c.frame) << c.options.join(u' ').toStdString();
        EXPECT_EQ(darkPixelsInColumn(image, 105, 15, 55) > 0, c.outlines) << c.options.join(u' ').toStdString();
    }
}

TEST_F(RenderCommand, UnknownTypeStillWritesThePageBuiltSoFar)
{
    const QString pdf = out(QStringLiteral("inconnu.pdf"));
    const test::RunResult run = render(QStringLiteral("unknowntype.ETQ"), pdf, {QStringLiteral("--unmark"), "1,2"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.err).trimmed(), QStringLiteral("erreur de composant"));
    ASSERT_TRUE(QFile::exists(pdf));
    const QString text = pdfText(pdf);
    if (text.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    // label 3 has its first component (its incremental line) and nothing after it
    const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    EXPECT_TRUE(words.contains(QStringLiteral("2")));
    for (const char* line : {"0", "1", "3", "4"})
        EXPECT_FALSE(words.contains(QLatin1String(line))) << line;
    EXPECT_FALSE(text.contains(QStringLiteral("Fabriqué")));
    EXPECT_TRUE(text.contains(QStringLiteral("Modéle : Essai inconnu")));
}

TEST_F(RenderCommand, ErrorsWriteNothingAndKeepAnExistingFile)
{
    struct Case
    {
        QString model;
        QStringList options;
        QString message;
        int exitCode;
    };
    const Case cases[] = {
        {QStringLiteral("badformat.ETQ"), {}, QStringLiteral("'297.0.0' is not a valid floating point value"), 1},
        {QStringLiteral("badradius.ETQ"), {}, QStringLiteral("'2,5' is not a valid integer value"), 1},
        {QStringLiteral("absent.ETQ"), {}, QString(), 1},
        {QStringLiteral("sheet4x2.ETQ"), {QStringLiteral("--unmark"), "9"}, QString(), 1},
        {QStringLiteral("sheet4x2.ETQ"), {QStringLiteral("--dpi"), "100000"}, QString(), 2},
        {QStringLiteral("sheet4x2.ETQ"), {QStringLiteral("--bogus")}, QString(), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model.toStdString() + ' ' + c.options.join(u' ').toStdString());
        for (const char* name : {"nouveau.png", "ancien.pdf"}) {
            const QString path = out(QLatin1String(name));
            const bool existed = QString::fromLatin1(name).startsWith(u"ancien");
            if (existed) {
                QFile f(path);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                f.write("avant");
            }
            const test::RunResult run = render(c.model, path, c.options);
            EXPECT_EQ(run.exitCode, c.exitCode);
            EXPECT_FALSE(run.err.isEmpty());
            if (!c.message.isEmpty()) {
                EXPECT_EQ(QString::fromUtf8(run.err).trimmed(), c.message);
            }
            if (existed) {
                QFile f(path);
                ASSERT_TRUE(f.open(QIODevice::ReadOnly));
                EXPECT_EQ(f.readAll(), QByteArray("avant"));
            } else {
                EXPECT_FALSE(QFile::exists(path));
            }
        }
        // no temporary file is left behind either
        EXPECT_EQ(QDir(m_out.path()).entryList(QDir::Files), QStringList({QStringLiteral("ancien.pdf")}));
    }

    // no output named, or one of another kind
    EXPECT_EQ(runPelorin({QStringLiteral("render"), QStringLiteral("--data"), m_data.path()}).exitCode, 2);
    EXPECT_EQ(render(QStringLiteral("sheet4x2.ETQ"), out(QStringLiteral("page.jpg"))).exitCode, 2);
}

} // namespace
} // namespace pelorin
