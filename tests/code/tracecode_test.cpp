#include "base/error.h"
#include "base/paths.h"
#include "code/rallist.h"
#include "code/tracecode.h"
#include "config/configfile.h"
#include "support/testsupport.h"
#include "qstringprint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

QString message(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

// A data folder holding the test configuration: systems B, S and one without Code; places with two
// "Condé", lower-case and accented names; perfumes "Lavande" and "lavande".
class TraceCodeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("Config"));
        QDir(m_dir.path()).mkpath(QStringLiteral("logos"));
        QFile::copy(test::fixture(QStringLiteral("code/cfg.xml")), m_dir.filePath(QStringLiteral("Config/cfg.xml")));
        QFile logo(m_dir.filePath(QStringLiteral("logos/anzin.BMP")));
        ASSERT_TRUE(logo.open(QIODevice::WriteOnly));
        DataFolder::setRoot(m_dir.path());
        m_config.load();
        m_lists = selectionLists(m_config);
    }

    int ral(const char* number) const { return ral::indexOfNumber(QLatin1String(number)); }

    // The main window's start-up: the fields emptied, the date set, then every field from the first items.
    void startUp(const QDate& date = QDate(2006, 12, 5))
    {
        m_code.clear();
        m_code.setDate(date);
        m_code.computeAll(startupSelection(m_lists));
    }

    QTemporaryDir m_dir;
    ConfigFile m_config;
    SelectionLists m_lists;
    TraceCode m_code{m_config};
};

TEST_F(TraceCodeTest, ListsAreFilledAsTheSelectorsShowThem)
{
    EXPECT_EQ(m_lists.systems, (QStringList{"Bougie", "Savon", "Sans code"})) << "document order";
    EXPECT_EQ(m_lists.places, (QStringList{"Anzin", "aulnoy", "Condé", "Condé", "Écaillon", "Valenciennes"}))
        << "alphabetical, letter case and accents ignored, duplicates kept";
    EXPECT_EQ(m_lists.perfumes, (QStringList{"Lavande", "lavande", "Muguet", "Vanille", "Violette"}));
}

TEST_F(TraceCodeTest, FirstCodeAfterStartUp)
{
    startUp();
    EXPECT_EQ(m_code.currentCode(), QStringLiteral("B00006100LAV5930033906"));
    EXPECT_EQ(m_code.fields().system, QStringLiteral("B"));
    EXPECT_EQ(m_code.fields().mass, QStringLiteral("000"));
    EXPECT_EQ(m_code.fields().packaging, QStringLiteral("06"));
    EXPECT_EQ(m_code.fields().colour, QStringLiteral("100"));
    EXPECT_EQ(m_code.fields().perfume, QStringLiteral("LAV"));
    EXPECT_EQ(m_code.fields().factory, QStringLiteral("59300"));
    EXPECT_EQ(m_code.dateDisplay().day, QStringLiteral("339"));
    EXPECT_EQ(m_code.dateDisplay().year, QStringLiteral("06"));
    // the stored name "Anzin.bmp" under "Logos" finds logos/anzin.BMP
    EXPECT_EQ(m_code.logoPath(), m_dir.filePath(QStringLiteral("logos/anzin.BMP")));
}

TEST_F(TraceCodeTest, EachSelectionChangesItsOwnField)
{
    startUp();
    m_code.setMass(QStringLiteral("250"));
    m_code.setPackaging(1, QStringLiteral("1"), QStringLiteral("1"));
    m_code.setColour(ral("5015"));
    EXPECT_EQ(m_code.currentCode(), QStringLiteral("B25012515LAV5930033906"));
    m_code.setSystem(1);
    m_code.setPerfume(QStringLiteral("lavande"));
    m_code.setFactory(QStringLiteral("Écaillon"));
    m_code.setDate(QDate(2008, 12, 31));
    EXPECT_EQ(m_code.currentCode(), QStringLiteral("S25012515LVX5917636608"));
    EXPECT_EQ(m_code.composedCode(), m_code.currentCode());
}

TEST_F(TraceCodeTest, Mass)
{
    const struct
    {
        const char* text;
        const char* field;
    } cases[] = {{"7", "007"}, {"0", "000"}, {"250", "250"}, {"05", "005"}, {"999", "999"}};
    for (const auto& c : cases) {
        m_code.setMass(QLatin1String(c.text));
        EXPECT_EQ(m_code.fields().mass, QLatin1String(c.field)) << c.text;
    }
    // what the key filter lets through but is no whole number: the message, the field kept
    m_code.setMass(QStringLiteral("42"));
    for (const char* bad : {"", "2.5", ".", "12."}) {
        EXPECT_EQ(message([&] { m_code.setMass(QLatin1String(bad)); }),
                  QStringLiteral("'%1' is not a valid integer value").arg(QLatin1String(bad)));
        EXPECT_EQ(m_code.fields().mass, QStringLiteral("042"));
    }
}

TEST_F(TraceCodeTest, Packaging)
{
    const struct
    {
        int index;
        const char* layers;
        const char* rows;
        const char* field;
    } cases[] = {
        {0, "1", "1", "06"},   {1, "1", "1", "12"}, {2, "1", "1", "01"}, {3, "1", "1", "02"},
        {4, "4", "6", "46"},   {0, "4", "6", "06"}, {4, "2", "3", "23"}, {-1, "5", "5", "23"}, // nothing selected
        {4, "10", "2", "102"}, // a text the spin edits refuse is composed as given, never cut
        {4, "", "x", "11"},    // no number counts as 1
    };
    for (const auto& c : cases) {
        m_code.setPackaging(c.index, QLatin1String(c.layers), QLatin1String(c.rows));
        EXPECT_EQ(m_code.fields().packaging, QLatin1String(c.field)) << c.index << " " << c.layers << " " << c.rows;
    }
    EXPECT_EQ(packagingItems().at(kSoapPackaging), QStringLiteral("Savons"));
    EXPECT_EQ(packagingItems().size(), 5);

    // the spin edit loses the focus: 10 becomes 6
    const int layers = clampSpin(spinValue(QStringLiteral("10")));
    m_code.setSoapPackaging(QString::number(layers), QStringLiteral("2"));
    EXPECT_EQ(m_code.fields().packaging, QStringLiteral("62"));
    EXPECT_EQ(clampSpin(spinValue(QStringLiteral("0"))), 1);
    EXPECT_EQ(clampSpin(spinValue(QStringLiteral("abc"))), 1);
    EXPECT_EQ(clampSpin(spinValue(QStringLiteral("3"))), 3);
}

// What "Masse en gr" and "Couches / Rangs" take: only what the code's fields hold as typed.
TEST(FieldTexts, MassAndLayersTakeOnlyWhatTheCodeHolds)
{
    const struct
    {
        const char* text;
        bool mass;
        bool layers;
    } cases[] = {
        {"", true, false},      {"0", true, false},    {"1", true, true},    {"6", true, true},
        {"7", true, false},     {"25", true, false},   {"250", true, false}, {"999", true, false},
        {"2500", false, false}, {"-5", false, false},  {"+5", false, false}, {"1,5", false, false},
        {"1.5", false, false},  {" 25", false, false}, {"2a", false, false}, {"١٢", false, false},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(isMassText(text), c.mass) << c.text;
        EXPECT_EQ(isSpinText(text), c.layers) << c.text;
    }
}

TEST_F(TraceCodeTest, Colour)
{
    const struct
    {
        const char* number;
        const char* field;
    } cases[] = {{"1000", "100"}, {"5015", "515"}, {"7032", "732"}, {"7033", "733"}, {"9018", "918"}};
    for (const auto& c : cases) {
        m_code.setColour(ral(c.number));
        EXPECT_EQ(m_code.fields().colour, QLatin1String(c.field)) << c.number;
    }
    m_code.setColour(ral("7001") + 1);
    EXPECT_EQ(m_code.fields().colour, QStringLiteral("701")) << "the second 7001 entry";
}

TEST_F(TraceCodeTest, SystemByPosition)
{
    m_code.setSystem(1);
    EXPECT_EQ(m_code.fields().system, QStringLiteral("S"));
    EXPECT_EQ(message([&] { m_code.setSystem(-1); }), QStringLiteral("List index out of bounds (-1)"));
    EXPECT_EQ(m_code.fields().system, QStringLiteral("S")) << "kept after a failed lookup";
    EXPECT_EQ(message([&] { m_code.setSystem(3); }), QStringLiteral("List index out of bounds (3)"));
    m_code.setSystem(2);
    EXPECT_EQ(m_code.fields().system, QString()) << "an entry without Code gives an empty field";
}

TEST_F(TraceCodeTest, PerfumeAndFactoryByExactName)
{
    startUp();
    m_code.setPerfume(QStringLiteral("lavande"));
    EXPECT_EQ(m_code.fields().perfume, QStringLiteral("LVX")) << "letter case counts";
    for (const char* unknown : {"LAVANDE", "Lavande ", "Rose", ""}) {
        m_code.setPerfume(QLatin1String(unknown));
        EXPECT_EQ(m_code.fields().perfume, QStringLiteral("LVX")) << unknown;
    }

    m_code.setFactory(QStringLiteral("Condé"));
    EXPECT_EQ(m_code.fields().factory, QStringLiteral("59163")) << "the first of two places named alike";
    EXPECT_EQ(m_code.logoPath(), m_dir.filePath(QStringLiteral("logos/Conde.bmp"))) << "a missing logo still named";

    m_code.setFactory(QStringLiteral("condé"));
    EXPECT_EQ(m_code.fields().factory, QStringLiteral("59163")) << "no match keeps the field";
    EXPECT_TRUE(m_code.logoPath().isEmpty()) << "and empties the logo";

    m_code.setFactory(QStringLiteral("aulnoy"));
    EXPECT_EQ(m_code.fields().factory, QStringLiteral("59134"));
    EXPECT_EQ(m_code.logoPath(), m_dir.filePath(QStringLiteral("logos/"))) << "no Logo: the folder itself";
}

// Two entries of one name, letter case aside, are shown with their codes, and each of those texts picks
// its own entry, logo included; a name alone still picks the first, as the command line names it.
TEST_F(TraceCodeTest, RepeatedNamesAreToldApartByTheirCodes)
{
    EXPECT_EQ(m_lists.placeItems,
              (QStringList{"Anzin", "aulnoy", "Condé (59163)", "Condé (59999)", "Écaillon", "Valenciennes"}));
    EXPECT_EQ(m_lists.perfumeItems, (QStringList{"Lavande (LAV)", "lavande (LVX)", "Muguet", "Vanille", "Violette"}));

    startUp();
    EXPECT_EQ(m_code.fields().perfume, QStringLiteral("LAV")) << "the first shown item";
    EXPECT_EQ(m_code.fields().factory, QStringLiteral("59300"));
    const struct
    {
        const char* shown;
        const char* factory;
        const char* logo;
    } places[] = {
        {"Condé (59999)", "59999", "logos/Autre.bmp"},
        {"Condé (59163)", "59163", "logos/Conde.bmp"},
        {"Condé", "59163", "logos/Conde.bmp"},
    };
    for (const auto& p : places) {
        m_code.setFactory(QString::fromUtf8(p.shown));
        EXPECT_EQ(m_code.fields().factory, QLatin1String(p.factory)) << p.shown;
        EXPECT_EQ(m_code.logoPath(), m_dir.filePath(QLatin1String(p.logo))) << p.shown;
    }
    for (const auto& [shown, code] : {std::pair("lavande (LVX)", "LVX"), std::pair("Lavande (LAV)", "LAV")}) {
        m_code.setPerfume(QLatin1String(shown));
        EXPECT_EQ(m_code.fields().perfume, QLatin1String(code)) << shown;
    }
    // a code that is not the entry's own names nothing
    m_code.setPerfume(QStringLiteral("Lavande (LVX)"));
    EXPECT_EQ(m_code.fields().perfume, QStringLiteral("LAV"));
    m_code.setFactory(QStringLiteral("Condé (59300)"));
    EXPECT_EQ(m_code.fields().factory, QStringLiteral("59163"));
    EXPECT_TRUE(m_code.logoPath().isEmpty());
}

TEST_F(TraceCodeTest, ManualMode)
{
    startUp();
    m_code.setManualMode(true);
    EXPECT_EQ(m_code.currentCode(), QString()) << "an empty manual code is the code";
    m_code.setManualCode(QStringLiteral("b250abc-é"));
    EXPECT_EQ(m_code.currentCode(), QStringLiteral("B250ABC-É"));
    m_code.setManualCode(QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ(m_code.currentCode(), QStringLiteral("ABCDEFGHIJKLMNOPQR"));
    EXPECT_EQ(m_code.composedCode(), QStringLiteral("B00006100LAV5930033906")) << "the clipboard copy";
    m_code.setMass(QStringLiteral("12"));
    m_code.setManualMode(false);
    EXPECT_EQ(m_code.currentCode(), QStringLiteral("B01206100LAV5930033906")) << "fields kept computing";
}

TEST_F(TraceCodeTest, ClearEmptiesAllButThePerfume)
{
    startUp();
    m_code.clear();
    EXPECT_EQ(m_code.currentCode(), QStringLiteral("LAV"));
    EXPECT_TRUE(m_code.dateDisplay().day.isEmpty());
}

TEST(TraceCodeWithoutSystems, OtherFieldsAreStillComputed)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("Config"));
    QFile cfg(dir.filePath(QStringLiteral("Config/cfg.xml")));
    ASSERT_TRUE(cfg.open(QIODevice::WriteOnly));
    cfg.write("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Configuration><Lieux><Ville><Nom>Anzin</Nom>"
              "<Code>59300</Code><Logo>Anzin.bmp</Logo></Ville></Lieux></Configuration>\r\n");
    cfg.close();
    DataFolder::setRoot(dir.path());
    ConfigFile config;
    config.load();
    const SelectionLists lists = selectionLists(config);
    EXPECT_TRUE(lists.systems.isEmpty());
    EXPECT_TRUE(lists.perfumes.isEmpty()) << "a missing list reads as empty";
    TraceCode code(config);
    code.setDate(QDate(2007, 1, 1));
    EXPECT_EQ(message([&] { code.computeAll(startupSelection(lists)); }),
              QStringLiteral("List index out of bounds (-1)"));
    EXPECT_EQ(code.currentCode(), QStringLiteral("000061005930000107"));
}

} // namespace
