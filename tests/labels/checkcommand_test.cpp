// `pelorin check` end to end: the built program checks a page's barcodes for a resolution.
#include "samplecode.h"
#include "support/testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

using pelorin::test::kCode;
using test::runPelorin;

class CheckCommand : public ::testing::Test
{
protected:
    test::TempDataFolder m_data;

    test::RunResult check(const QStringList& more)
    {
        return runPelorin(QStringList{QStringLiteral("check"), QStringLiteral("--data"), m_data.path(),
                                      QStringLiteral("--code"), kCode} +
                          more);
    }
};

// The rows of a TSV table, split into fields, its header first.
QList<QStringList> tsvRows(const QByteArray& out)
{
    QList<QStringList> rows;
    for (const QString& line : QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts))
        rows << line.split(u'\t');
    return rows;
}

TEST_F(CheckCommand, EveryBarcodeOfTheSheetIsListedWithItsGradeAndTheStatusSaysWhetherAllScan)
{
    // the 65-label sheet's 33 mm boxes: whole dots reaching 0.125 mm at 203 and 600 dpi, none at 300
    struct Case
    {
        int dpi;
        int status;
        QString printed, dots, grade;
    };
    const Case cases[] = {
        {203, 0, QStringLiteral("oui"), QStringLiteral("1"), QStringLiteral("A")},
        {600, 0, QStringLiteral("oui"), QStringLiteral("3"), QStringLiteral("A")},
        {300, 3, QStringLiteral("non"), QStringLiteral("0"), QStringLiteral("F")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        const test::RunResult run = check({QStringLiteral("--model"), QStringLiteral("Planche65.ETQ"),
                                           QStringLiteral("--dpi"), QString::number(c.dpi)});
        EXPECT_EQ(run.exitCode, c.status) << run.err.toStdString();
        const QList<QStringList> rows = tsvRows(run.out);
        ASSERT_EQ(rows.size(), 1 + 65);
        const QStringList& header = rows.first();
        const auto column = [&](const char* name) { return int(header.indexOf(QString::fromLatin1(name))); };
        for (const char* name :
             {"symbologie", "modules", "imprime", "points_par_module", "qualite", "case_minimale_mm"})
            ASSERT_GE(column(name), 0) << name;
        for (qsizetype i = 1; i < rows.size(); ++i) {
            const QStringList& row = rows[i];
            ASSERT_EQ(row.size(), header.size());
            EXPECT_EQ(row[column("symbologie")], QStringLiteral("Code 128"));
            EXPECT_EQ(row[column("modules")], QStringLiteral("211"));
            EXPECT_EQ(row[column("imprime")], c.printed);
            EXPECT_EQ(row[column("points_par_module")], c.dots);
            EXPECT_EQ(row[column("qualite")], c.grade);
        }
        if (c.status == 3) {
            // the reason names the box and the width it would need: 231 modules of two dots
            const QString err = QString::fromUtf8(run.err);
            EXPECT_TRUE(err.contains(QStringLiteral("trop étroite"))) << err.toStdString();
            EXPECT_TRUE(err.contains(QStringLiteral("39,1 mm"))) << err.toStdString();
            EXPECT_EQ(rows[1][column("case_minimale_mm")], QStringLiteral("39.12"));
        }
    }
}

TEST_F(CheckCommand, ThePagesOwnMinimumModuleCounts)
{
    // the 4 x 2 sheet's wide boxes pass at 300 dpi, and fail once the page asks for 0.5 mm modules
    QByteArray model = m_data.read(QStringLiteral("Modeles/Avery4x2.ETQ"));
    ASSERT_FALSE(model.isEmpty());
    const QStringList args = {QStringLiteral("--model"), m_data.file(QStringLiteral("Modeles/Strict.ETQ")),
                              QStringLiteral("--dpi"), QStringLiteral("300")};
    m_data.write(QStringLiteral("Modeles/Strict.ETQ"), model);
    EXPECT_EQ(check(args).exitCode, 0);
    model.replace("</Format>", "<MinimumModule>0,5</MinimumModule></Format>");
    m_data.write(QStringLiteral("Modeles/Strict.ETQ"), model);
    const test::RunResult strict = check(args);
    EXPECT_EQ(strict.exitCode, 3) << strict.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(strict.err).contains(QStringLiteral("0,500 mm"))) << strict.err.toStdString();
}

TEST_F(CheckCommand, CsvAndJsonCarryTheSameTable)
{
    const QStringList page = {QStringLiteral("--model"), QStringLiteral("Planche65.ETQ"), QStringLiteral("--dpi"),
                              QStringLiteral("600")};
    const test::RunResult tsv = check(page);
    const test::RunResult csv = check(page + QStringList{QStringLiteral("--format"), QStringLiteral("csv")});
    const test::RunResult json = check(page + QStringList{QStringLiteral("--format"), QStringLiteral("json")});
    ASSERT_EQ(csv.exitCode, 0);
    ASSERT_EQ(json.exitCode, 0);
    const QList<QStringList> rows = tsvRows(tsv.out);
    QString expectedCsv;
    for (const QStringList& row : rows)
        expectedCsv += row.join(u',') + QStringLiteral("\r\n");
    EXPECT_EQ(QString::fromUtf8(csv.out), expectedCsv);

    const QJsonObject object = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(object.value(QStringLiteral("resolution_ppp")).toDouble(), 600.0);
    EXPECT_EQ(object.value(QStringLiteral("qualite")).toString(), QStringLiteral("A"));
    const QJsonArray barcodes = object.value(QStringLiteral("codes_barres")).toArray();
    ASSERT_EQ(barcodes.size(), rows.size() - 1);
    const QJsonObject first = barcodes.first().toObject();
    EXPECT_EQ(first.value(QStringLiteral("composant")).toString(), rows[1][0]);
    EXPECT_EQ(first.value(QStringLiteral("points_par_module")).toDouble(), 3.0);
    EXPECT_TRUE(first.value(QStringLiteral("imprime")).toBool());
}

TEST_F(CheckCommand, UsageErrorsAndMissingPrintersAreRefused)
{
    struct Case
    {
        QStringList args;
        int status;
        QString message;
    };
    const Case cases[] = {
        {{QStringLiteral("--dpi"), QStringLiteral("300"), QStringLiteral("--printer"), QStringLiteral("PDF")},
         2,
         QStringLiteral("--printer ou --dpi, pas les deux")},
        {{QStringLiteral("--dpi"), QStringLiteral("10")}, 2, QStringLiteral("--dpi : résolution de 72 à 9600")},
        {{QStringLiteral("--dpi"), QStringLiteral("trois")}, 2, QStringLiteral("trois")},
        {{QStringLiteral("--format"), QStringLiteral("xml")}, 2, QStringLiteral("tsv, csv ou json, pas « xml »")},
        {{QStringLiteral("--printer"), QStringLiteral("PasUneImprimante")},
         1,
         QStringLiteral("L'imprimante « PasUneImprimante » n'existe pas.")},
        {{QStringLiteral("--model"), QStringLiteral("Absent.ETQ"), QStringLiteral("--dpi"), QStringLiteral("300")},
         1,
         QStringLiteral("Absent.ETQ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const test::RunResult run = check(c.args);
        EXPECT_EQ(run.exitCode, c.status);
        EXPECT_TRUE(QString::fromUtf8(run.err).contains(c.message)) << run.err.toStdString();
        if (c.status != 0) {
            EXPECT_TRUE(run.out.isEmpty());
        }
    }
}

} // namespace
} // namespace pelorin
