#include "base/error.h"
#include "config/configfile.h"
#include "scan/decode.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>
#include <optional>

using namespace pelorin;

namespace {

struct DecodeCase
{
    const char* code;
    // system, mass, packaging, colour, perfume, factory, date
    const char* texts[kDecodedFieldCount];
};

const DecodeCase kCases[] = {
    {"P250061000031234507406",
     {"Pâte à modeler", "250 gr", "Boite de 6", "RAL 1000", "Lavande", "Usine du Nord", "15/03/2006"}},
    // a soap case: layers first, as in the code and on the main window, on one line
    {"S500235150031234532107",
     {"Savon", "500 gr", "2 couche(s) / 3 rang(s)", "RAL 5015", "Lavande", "Usine du Nord", "17/11/2007"}},
    {"S50006100LAV1234536604",
     {"Savon", "500 gr", "0 couche(s) / 6 rang(s)", "RAL 1000", "Cœur & Rose", "Usine du Nord", "31/12/2004"}},
    // a colour field that is not three digits is no RAL number
    {"P00023AB1LAV1234500106",
     {"Pâte à modeler", "000 gr", "Erreur", "Erreur", "Cœur & Rose", "Usine du Nord", "01/01/2006"}},
    {"P250069 1LAV1234500106",
     {"Pâte à modeler", "250 gr", "Boite de 6", "Erreur", "Cœur & Rose", "Usine du Nord", "01/01/2006"}},
    {"P25006903LAV1234500106",
     {"Pâte à modeler", "250 gr", "Boite de 6", "RAL 9003", "Cœur & Rose", "Usine du Nord", "01/01/2006"}},
    // a lower-case s is no soap case, and no system
    {"s2a006100lav1234 00149", {"Erreur", "Erreur", "Boite de 6", "RAL 1000", "Erreur", "Erreur", "01/01/2049"}},
    {"P25012100003abcde00150",
     {"Pâte à modeler", "250 gr", "Boite de 12", "RAL 1000", "Lavande", "Erreur", "01/01/1950"}},
    {"P25001100003ABCDE0A106",
     {"Pâte à modeler", "250 gr", "Briquette simple", "RAL 1000", "Lavande", "Majuscules", "Erreur"}},
    {"P25002100003ABCDE00106 et la suite",
     {"Pâte à modeler", "250 gr", "Briquette double", "RAL 1000", "Lavande", "Majuscules", "01/01/2006"}},
    // 21 characters: no date yet
    {"P25006100003123450740", {"Pâte à modeler", "250 gr", "Boite de 6", "RAL 1000", "Lavande", "Usine du Nord", ""}},
    {"", {"Erreur", "", "Erreur", "Erreur", "Erreur", "Erreur", ""}},
    {"P25", {"Pâte à modeler", "", "Erreur", "Erreur", "Erreur", "Erreur", ""}},
    // a soap code cut inside its packaging field leaves the missing character's place empty
    {"S2500", {"Savon", "250 gr", "0 couche(s) /  rang(s)", "Erreur", "Erreur", "Erreur", ""}},
    {"S250", {"Savon", "250 gr", " couche(s) /  rang(s)", "Erreur", "Erreur", "Erreur", ""}},
    {"P2500610", {"Pâte à modeler", "250 gr", "Boite de 6", "Erreur", "Erreur", "Erreur", ""}},
};

class DecodeTest : public ::testing::Test
{
protected:
    void SetUp() override { m_config.document().loadFile(test::fixture(QStringLiteral("scan/cfg.xml"))); }
    ConfigFile m_config;
};

TEST_F(DecodeTest, DecodesEveryFieldOfTheTable)
{
    const CodeDecoder decoder(m_config);
    // one code at a time, then with the lists indexed for a batch: the same texts
    for (const bool batch : {false, true}) {
        std::optional<DecodeBatch> scope;
        if (batch)
            scope.emplace(decoder);
        for (const DecodeCase& c : kCases) {
            const QString code = QString::fromUtf8(c.code);
            SCOPED_TRACE(std::string(c.code) + (batch ? " (batch)" : ""));
            QString dateError;
            const DecodedTexts texts = decoder.decodeAll(code, &dateError);
            EXPECT_TRUE(dateError.isEmpty()) << dateError.toStdString();
            for (int i = 0; i < kDecodedFieldCount; ++i) {
                EXPECT_EQ(texts[size_t(i)].toStdString(), std::string(c.texts[i])) << "field " << i;
                // one line each: a CSV record or a journal entry is one line
                EXPECT_FALSE(texts[size_t(i)].contains(u'\r') || texts[size_t(i)].contains(u'\n')) << "field " << i;
            }
            EXPECT_EQ(decoder.decodeSystem(code), texts[0]);
            EXPECT_EQ(decoder.decodeMass(code), texts[1]);
            EXPECT_EQ(decoder.decodePackaging(code), texts[2]);
            EXPECT_EQ(decoder.decodeColour(code), texts[3]);
            EXPECT_EQ(decoder.decodePerfume(code), texts[4]);
            EXPECT_EQ(decoder.decodeFactory(code), texts[5]);
            EXPECT_EQ(decoder.decodeDate(code), texts[6]);
        }
    }
}

TEST_F(DecodeTest, ImpossibleDayRaisesTheConversionError)
{
    const CodeDecoder decoder(m_config);
    const struct
    {
        const char* date;
        const char* message;
    } cases[] = {
        {"36606", "Date impossible : jour 366 de l'année 2006"},
        {"00006", "Date impossible : jour 0 de l'année 2006"},
        {"99950", "Date impossible : jour 999 de l'année 1950"},
        {"36700", "Date impossible : jour 367 de l'année 2000"},
    };
    for (const auto& c : cases) {
        const QString full = QStringLiteral("P2500610000312345") + QString::fromLatin1(c.date);
        try {
            decoder.decodeDate(full);
            ADD_FAILURE() << "no error for " << c.date;
        } catch (const Error& e) {
            EXPECT_EQ(e.message().toStdString(), std::string(c.message));
        }
        // the other six fields are still decoded, the date is left empty
        QString dateError;
        const DecodedTexts texts = decoder.decodeAll(full, &dateError);
        EXPECT_EQ(dateError.toStdString(), std::string(c.message));
        EXPECT_EQ(texts[0], QStringLiteral("Pâte à modeler"));
        EXPECT_EQ(texts[5], QStringLiteral("Usine du Nord"));
        EXPECT_TRUE(texts[6].isEmpty());
    }
    // day 366 exists in a leap year
    EXPECT_EQ(decoder.decodeDate(QStringLiteral("P250061000031234536600")), QStringLiteral("31/12/2000"));
    EXPECT_EQ(decoder.decodeDate(QStringLiteral("P250061000031234506004")), QStringLiteral("29/02/2004"));
    EXPECT_EQ(decoder.decodeDate(QStringLiteral("P250061000031234506005")), QStringLiteral("01/03/2005"));
}

TEST_F(DecodeTest, ReadProblemSaysWhyAReadIsNotAWholeCodeThatDecodes)
{
    const CodeDecoder decoder(m_config);
    const struct
    {
        const char* code;
        const char* problem; // empty for a valid scan
    } cases[] = {
        {"P250061000031234507406", ""},
        {"S500235150031234532107", ""},
        // a damaged label's few characters, and two reads run together
        {"S2503451", "Lecture de 8 caractère(s) au lieu de 22"},
        {"", "Lecture de 0 caractère(s) au lieu de 22"},
        {"P250061000031234507406P25006", "Lecture de 28 caractère(s) au lieu de 22"},
        {"P25006100003123450740", "Lecture de 21 caractère(s) au lieu de 22"},
        {"P250061000031234536606", "Date impossible : jour 366 de l'année 2006"},
        {"P25006100ZZZ1234507406", "Champ non reconnu : Parfum"},
        {"X2a0061000031234507406", "Champs non reconnus : Système, Masse"},
        {"P25006AB1003123450A106", "Champs non reconnus : Couleur, Date"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const QString code = QString::fromUtf8(c.code);
        QString dateError;
        const DecodedTexts texts = decoder.decodeAll(code, &dateError);
        EXPECT_EQ(readProblem(code, texts, dateError).toStdString(), std::string(c.problem));
    }
}

TEST(isAllDigits, OnlyTheTenAsciiDigits)
{
    EXPECT_TRUE(isAllDigits(QString()));
    EXPECT_TRUE(isAllDigits(QStringLiteral("0123456789")));
    for (const char* text : {"12a", " 12", "12 ", "-1", "+1", "1,5", "\xd9\xa1\xd9\xa2", "\xef\xbc\x91"})
        EXPECT_FALSE(isAllDigits(QString::fromUtf8(text))) << text;
}

// A missing list or entry field reads as empty, and decoding leaves the configuration as it was.
TEST(DecodeLookup, MissingListsAndFieldsReadEmpty)
{
    for (const bool batch : {false, true}) {
        SCOPED_TRACE(batch ? "batch" : "one at a time");
        // no Parfums list, an entry without Code (which the empty field then matches), no Lieux entries
        ConfigFile config;
        config.document().parseText(QStringLiteral("<Configuration><Systemes><Systeme><Nom>Sans code</Nom></Systeme>"
                                                   "<Systeme><Nom>X</Nom><Code>X</Code></Systeme></Systemes><Lieux/>"
                                                   "</Configuration>"));
        const QByteArray before = config.document().toBytes();
        const CodeDecoder decoder(std::as_const(config));
        std::optional<DecodeBatch> scope;
        if (batch)
            scope.emplace(decoder);
        EXPECT_EQ(decoder.decodeSystem(QString()), QStringLiteral("Sans code"));
        EXPECT_EQ(decoder.decodeSystem(QStringLiteral("X")), QStringLiteral("X"));
        EXPECT_EQ(decoder.decodePerfume(QStringLiteral("P25006100003")), QStringLiteral("Erreur"));
        EXPECT_EQ(decoder.decodeFactory(QStringLiteral("P2500610000312345")), QStringLiteral("Erreur"));
        EXPECT_EQ(config.document().toBytes(), before);
    }
}

TEST(DecodeLookup, UnloadedConfigurationIsAnError)
{
    ConfigFile config;
    const CodeDecoder decoder(config);
    EXPECT_THROW(decoder.decodeSystem(QStringLiteral("P")), Error);
    // the fields that need no list still decode
    EXPECT_EQ(decoder.decodeMass(QStringLiteral("P250")), QStringLiteral("250 gr"));
}

} // namespace
