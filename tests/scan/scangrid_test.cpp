#include "samplecodes.h"
#include "base/error.h"
#include "config/configfile.h"
#include "scan/scangrid.h"
#include "support/testsupport.h"

#include <QColor>
#include <QList>
#include <utility>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

using pelorin::test::kBadDay;
using pelorin::test::kCode;
using pelorin::test::kSoap;

class ScanGridTest : public ::testing::Test
{
protected:
    void SetUp() override { m_config.document().loadFile(test::fixture(QStringLiteral("scan/cfg.xml"))); }

    QStringList row(const ScanGrid& grid, int gridRow) const
    {
        QStringList cells;
        for (int c = 0; c < ScanGrid::kColumnCount; ++c)
            cells << grid.cell(gridRow, c);
        return cells;
    }

    ConfigFile m_config;
    const CodeDecoder m_decoder{m_config};
};

TEST_F(ScanGridTest, StartsWithTheHeaderAndOneEmptyRow)
{
    ScanGrid grid(m_decoder);
    EXPECT_EQ(grid.gridRowCount(), 2);
    EXPECT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(row(grid, 0), QStringList({"Scan", "ScanCode", "Système", "Masse", "Boite", "Couleur", "Parfum", "Usine",
                                         "Date", "Erreur"}));
    for (int c = 0; c < ScanGrid::kColumnCount; ++c)
        EXPECT_EQ(grid.headerData(c, Qt::Horizontal).toString(), grid.cell(0, c));
    EXPECT_EQ(row(grid, 1), QStringList(ScanGrid::kColumnCount, QString()));
}

TEST_F(ScanGridTest, AjouterligneFillsTheEmptyRowAndAddsOneBelow)
{
    ScanGrid grid(m_decoder);
    grid.addRow(kCode);
    grid.addRow(kSoap);
    EXPECT_EQ(grid.gridRowCount(), 4);
    EXPECT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(row(grid, 1), QStringList({"1", kCode, "Pâte à modeler", "250 gr", "Boite de 6", "RAL 1000", "Lavande",
                                         "Usine du Nord", "15/03/2006", ""}));
    EXPECT_EQ(grid.cell(2, 0), QStringLiteral("2"));
    EXPECT_EQ(grid.data(grid.index(1, ScanGrid::ColBoite)).toString(), QStringLiteral("2 couche(s) / 3 rang(s)"));
    EXPECT_EQ(grid.problemCount(), 0);
    EXPECT_FALSE(grid.data(grid.index(0, ScanGrid::ColCode), Qt::ForegroundRole).isValid());
    EXPECT_EQ(row(grid, 3), QStringList(ScanGrid::kColumnCount, QString()));
    EXPECT_EQ(grid.codes(), QStringList({kCode, kSoap}));
}

TEST_F(ScanGridTest, AReadToCheckIsARowInRedWithItsReason)
{
    ScanGrid grid(m_decoder);
    const struct
    {
        QString code;
        const char* problem;
        const char* date;
    } cases[] = {
        {kBadDay, "Date impossible : jour 366 de l'année 2006", ""},
        {QStringLiteral("S2503451"), "Lecture de 8 caractère(s) au lieu de 22", ""},
        {kCode + kCode, "Lecture de 44 caractère(s) au lieu de 22", "15/03/2006"},
        {QStringLiteral("P25006100ZZZ1234507406"), "Champ non reconnu : Parfum", "15/03/2006"},
    };
    for (const auto& c : cases)
        grid.addRow(c.code);
    grid.addRow(kCode);
    ASSERT_EQ(grid.codeCount(), 5);
    EXPECT_EQ(grid.problemCount(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(cases[i].code.toStdString());
        // kept as read, one row each, never merged with another
        EXPECT_EQ(grid.cell(i + 1, ScanGrid::ColCode), cases[i].code);
        EXPECT_EQ(grid.cell(i + 1, ScanGrid::ColErreur), QString::fromUtf8(cases[i].problem));
        EXPECT_EQ(grid.problem(i), QString::fromUtf8(cases[i].problem));
        EXPECT_EQ(grid.cell(i + 1, ScanGrid::ColDate), QString::fromUtf8(cases[i].date));
        for (int c = 0; c < ScanGrid::kColumnCount; ++c)
            EXPECT_EQ(grid.data(grid.index(i, c), Qt::ForegroundRole).value<QColor>(), QColor(Qt::red)) << c;
    }
    // the date's own message, and the other fields decoded
    EXPECT_EQ(grid.dateError(0), QStringLiteral("Date impossible : jour 366 de l'année 2006"));
    EXPECT_EQ(grid.cell(1, ScanGrid::ColUsine), QStringLiteral("Usine du Nord"));
    EXPECT_TRUE(grid.cell(5, ScanGrid::ColErreur).isEmpty());
    EXPECT_FALSE(grid.data(grid.index(4, ScanGrid::ColCode), Qt::ForegroundRole).isValid());

    grid.clear();
    EXPECT_EQ(grid.problemCount(), 0);
}

TEST_F(ScanGridTest, AppendCodesInsertsOnceAndGoesOnPastADateError)
{
    ScanGrid grid(m_decoder);
    grid.addRow(kSoap);
    QList<std::pair<int, int>> inserted;
    QObject::connect(&grid, &ScanGrid::rowsInserted, [&](const QModelIndex&, int first, int last) {
        inserted << std::pair{first, last};
    });

    EXPECT_EQ(grid.appendCodes({kCode, kCode, kCode}), 3);
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted.at(0), std::pair(1, 3));
    EXPECT_EQ(grid.cell(4, 0), QStringLiteral("4"));

    // every read goes in, the one whose date cannot be decoded with its date cell empty and its reason
    EXPECT_EQ(grid.appendCodes({kSoap, kBadDay, kCode, kBadDay}), 4);
    EXPECT_EQ(inserted.size(), 2);
    EXPECT_EQ(inserted.at(1), std::pair(4, 7));
    EXPECT_EQ(grid.gridRowCount(), 10);
    EXPECT_EQ(grid.cell(6, 1), kBadDay);
    EXPECT_TRUE(grid.cell(6, ScanGrid::ColDate).isEmpty());
    EXPECT_EQ(grid.dateError(5), QStringLiteral("Date impossible : jour 366 de l'année 2006"));
    EXPECT_EQ(grid.cell(6, ScanGrid::ColErreur), QStringLiteral("Date impossible : jour 366 de l'année 2006"));
    EXPECT_EQ(grid.cell(7, ScanGrid::ColCode), kCode);
    EXPECT_EQ(grid.cell(7, ScanGrid::ColDate), QStringLiteral("15/03/2006"));
    EXPECT_TRUE(grid.dateError(6).isEmpty());
    EXPECT_EQ(grid.cell(8, ScanGrid::ColCode), kBadDay);
    EXPECT_TRUE(grid.cell(9, ScanGrid::ColCode).isEmpty());
    EXPECT_EQ(grid.problemCount(), 2);

    EXPECT_EQ(grid.appendCodes({}), 0);
    EXPECT_EQ(inserted.size(), 2);
}

TEST_F(ScanGridTest, ClearLeavesOneEmptyRowAndNumbersFromOne)
{
    ScanGrid grid(m_decoder);
    grid.appendCodes(QStringList(5, kCode));
    grid.clear();
    EXPECT_EQ(grid.gridRowCount(), 2);
    EXPECT_TRUE(grid.codes().isEmpty());
    grid.addRow(kSoap);
    EXPECT_EQ(grid.cell(1, 0), QStringLiteral("1"));
    EXPECT_EQ(grid.cell(1, 1), kSoap);
    EXPECT_EQ(grid.gridRowCount(), 3);
}

TEST_F(ScanGridTest, AnUnloadedConfigurationAddsNothing)
{
    ConfigFile empty;
    const CodeDecoder decoder(empty);
    ScanGrid grid(decoder);
    EXPECT_THROW(grid.addRow(kCode), Error);
    EXPECT_EQ(grid.gridRowCount(), 2);
}

} // namespace
