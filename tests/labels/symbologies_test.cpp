#include "labels/symbologies.h"

#include "config/xmldocument.h"
#include "labels/labelvalues.h"
#include "labels/marks.h"
#include "labels/pagebuild.h"
#include "labels/sheetbuilder.h"
#include "samplecode.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

using report::Symbology;
using test::errorOf;

TEST(Symbologies, NamesReadWhateverTheirSpellingAndAnUnknownOneIsRefused)
{
    // every name of the list reads back as its symbology, and is shown as written
    for (const SymbologyName& s : barcodeSymbologies()) {
        SCOPED_TRACE(s.name.toStdString());
        EXPECT_EQ(symbologyFromName(s.name), s.symbology);
        EXPECT_EQ(pelorin::symbologyName(s.symbology), s.name);
    }
    EXPECT_EQ(barcodeSymbologies().size(), 6u);
    EXPECT_EQ(barcodeSymbologies().front().symbology, report::kCode128);

    const std::pair<const char*, std::optional<Symbology>> spellings[] = {
        {"", report::kCode128},
        {"code128", report::kCode128},
        {"gs1 128", report::kGs1_128},
        {"EAN13", report::kEan13},
        {"qrcode", report::kQrCode},
        {"QR-Code", report::kQrCode},
        {"DATAMATRIX", report::kDataMatrix},
        {"GS1DataMatrix", report::kGs1DataMatrix},
        {"Code 39", std::nullopt},
        {"GS1", std::nullopt},
    };
    for (const auto& [name, expected] : spellings) {
        SCOPED_TRACE(name);
        EXPECT_EQ(symbologyFromName(QString::fromUtf8(name)), expected);
    }
    EXPECT_EQ(errorOf([] { readSymbology(QStringLiteral("Aztec")); }),
              QStringLiteral("Symbologie inconnue : « Aztec » (Code 128, GS1-128, EAN-13, QR Code, Data Matrix ou "
                             "GS1 Data Matrix)."));
    // GS1 Data Matrix is Data Matrix with GS1 data: two symbologies, one encoder
    EXPECT_NE(report::kGs1DataMatrix, report::kDataMatrix);
    EXPECT_EQ(report::kGs1DataMatrix.zintId, report::kDataMatrix.zintId);
}

TEST(Symbologies, GtinsOfEveryLengthAreCheckedAndBroughtToFourteenDigits)
{
    // published GTINs, whose last digit is their check digit
    const std::pair<const char*, const char*> valid[] = {
        {"96385074", "00000096385074"},      {"036000291452", "00036000291452"},   {"5901234123457", "05901234123457"},
        {"4006381333931", "04006381333931"}, {"10614141000415", "10614141000415"},
    };
    for (const auto& [gtin, fourteen] : valid)
        EXPECT_EQ(gtin14(QString::fromLatin1(gtin)), QString::fromLatin1(fourteen));

    const std::pair<const char*, const char*> refused[] = {
        {"5901234123458", "GS1 (01) : chiffre de contrôle faux"},
        {"10614141000416", "GS1 (01) : chiffre de contrôle faux"},
        {"590123412345", "GS1 (01) : chiffre de contrôle faux"},
        {"59012341234", "GS1 (01) : le GTIN « 59012341234 » doit avoir 8, 12, 13 ou 14 chiffres."},
        {"590123412345A", "GS1 (01) : le GTIN « 590123412345A » doit avoir 8, 12, 13 ou 14 chiffres."},
        {"", "GS1 (01) : GTIN absent (élément GTIN de la description)."},
    };
    for (const auto& [gtin, message] : refused)
        EXPECT_EQ(errorOf([g = QString::fromLatin1(gtin)] { gtin14(g); }), QString::fromUtf8(message)) << gtin;
}

TEST(Symbologies, Gs1DataIsParsedIntoCheckedElementsAndRefusedNamingTheIdentifier)
{
    const std::vector<Gs1Element> expected = {{QStringLiteral("01"), QStringLiteral("05901234123457")},
                                              {QStringLiteral("17"), QStringLiteral("261231")},
                                              {QStringLiteral("3102"), QStringLiteral("001250")},
                                              {QStringLiteral("10"), QStringLiteral("LOT-7/B")}};
    // round or square brackets; a GTIN-13 becomes the 14 digits of (01)
    EXPECT_EQ(parseGs1(QStringLiteral("(01)5901234123457(17)261231(3102)001250(10)LOT-7/B")), expected);
    EXPECT_EQ(parseGs1(QStringLiteral("[01]05901234123457[17]261231[3102]001250[10]LOT-7/B")), expected);
    EXPECT_EQ(gs1EncoderText(expected), QStringLiteral("[01]05901234123457[17]261231[3102]001250[10]LOT-7/B"));
    // a day of 00 is a month's date
    EXPECT_EQ(parseGs1(QStringLiteral("(11)250200")).front().value, QStringLiteral("250200"));

    const std::pair<const char*, const char*> refused[] = {
        {"(01)5901234123458(10)A", "GS1 (01) : chiffre de contrôle faux"},
        {"(11)250230", "GS1 (11) : « 250230 » n'est pas une date AAMMJJ."},
        {"(17)251301", "GS1 (17) : « 251301 » n'est pas une date AAMMJJ."},
        {"(11)2502", "GS1 (11) : « 2502 » n'est pas une date AAMMJJ."},
        {"(3103)250", "GS1 (3103) : « 250 » doit avoir 6 chiffres."},
        {"(3107)000250", "GS1 (3107) : au plus 5 décimales."},
        {"(10)ABCDEFGHIJKLMNOPQRSTU", "GS1 (10) : « ABCDEFGHIJKLMNOPQRSTU » dépasse 20 caractères."},
        {"(10)Loté", "GS1 (10) : le caractère « é » n'est pas admis."},
        {"(10)", "GS1 (10) : valeur vide."},
        {"01)5901234123457", "GS1 : les données commencent par un identifiant entre parenthèses, comme (01)."},
        {"(1)A", "GS1 : identifiant « (1) » invalide (2 à 4 chiffres entre ( et ))."},
        {"(01", "GS1 : identifiant « (01 » invalide (2 à 4 chiffres entre ( et ))."},
        {"", "GS1 : aucune donnée."},
    };
    for (const auto& [text, message] : refused)
        EXPECT_EQ(errorOf([t = QString::fromUtf8(text)] { parseGs1(t); }), QString::fromUtf8(message)) << text;
}

TEST(Symbologies, TheCodesOwnFieldsGiveTheProductionDateTheNetMassAndTheLot)
{
    // day 339 of 2006 is 5 December; 250 g is 0.250 kg; the lot is perfume, factory and date
    EXPECT_EQ(gs1FromCode(QStringLiteral("B25012515LAV5930033906"), QStringLiteral("5901234123457")),
              (std::vector<Gs1Element>{{QStringLiteral("01"), QStringLiteral("05901234123457")},
                                       {QStringLiteral("11"), QStringLiteral("061205")},
                                       {QStringLiteral("3103"), QStringLiteral("000250")},
                                       {QStringLiteral("10"), QStringLiteral("LAV5930033906")}}));
    // day 366 exists in a leap year only; day 1 is 1 January
    EXPECT_EQ(gs1FromCode(QStringLiteral("B05006000ROS5930036624"), QStringLiteral("96385074"))[1].value,
              QStringLiteral("241231"));
    EXPECT_EQ(gs1FromCode(QStringLiteral("B99906000ROS5930000125"), QStringLiteral("96385074"))[1].value,
              QStringLiteral("250101"));

    const std::pair<const char*, const char*> refused[] = {
        {"B25012515LAV5930036625",
         "GS1 (11) : le champ date « 36625 » du code n'est pas un jour de l'année suivi de l'année."},
        {"B25012515LAV5930000025",
         "GS1 (11) : le champ date « 00025 » du code n'est pas un jour de l'année suivi de l'année."},
        {"B25012515LAV", "GS1 (11) : le champ date «  » du code n'est pas un jour de l'année suivi de l'année."},
        {"B2X012515LAV5930033906", "GS1 (3103) : le champ masse « 2X0 » du code n'est pas un nombre de grammes."},
        {"B25012515LA 5930033906", "GS1 (10) : le caractère «   » n'est pas admis."},
    };
    for (const auto& [code, message] : refused)
        EXPECT_EQ(errorOf([c = QString::fromLatin1(code)] { gs1FromCode(c, QStringLiteral("96385074")); }),
                  QString::fromUtf8(message))
            << code;
    EXPECT_EQ(errorOf([] { gs1FromCode(test::kCode, QStringLiteral("96385075")); }),
              QStringLiteral("GS1 (01) : chiffre de contrôle faux"));
}

TEST(Symbologies, BarcodeTextsAreCheckedForTheirSymbology)
{
    struct Case
    {
        Symbology symbology;
        QString text;
        QString encoded; // empty: refused
        QString message;
    };
    const Case cases[] = {
        // Code 128 takes any text, as it always has; what it cannot encode draws nothing
        {report::kCode128, QStringLiteral("Lot é"), QStringLiteral("Lot é"), {}},
        {report::kCode128, QString(200, u'A'), QString(200, u'A'), {}},
        {report::kGs1_128, QStringLiteral("(01)5901234123457(10)A1"), QStringLiteral("[01]05901234123457[10]A1"), {}},
        {report::kGs1DataMatrix, QStringLiteral("(01)5901234123457"), QStringLiteral("[01]05901234123457"), {}},
        {report::kGs1_128,
         QStringLiteral("(01)5901234123450"),
         {},
         QStringLiteral("GS1 (01) : chiffre de contrôle faux")},
        {report::kEan13, QStringLiteral("590123412345"), QStringLiteral("590123412345"), {}},
        {report::kEan13, QStringLiteral("5901234123457"), QStringLiteral("5901234123457"), {}},
        {report::kEan13, QStringLiteral("5901234123456"), {}, QStringLiteral("EAN-13 : chiffre de contrôle faux")},
        {report::kEan13,
         test::kCode,
         {},
         QStringLiteral("EAN-13 : « B25012515LAV5930033906 » n'a pas 12 ou 13 chiffres.")},
        {report::kQrCode, test::kCode, test::kCode, {}},
        // the encoder's own refusals, in its words, after the symbology's name
        {report::kQrCode, QString(), {}, QStringLiteral("QR Code : données refusées (No input data)")},
        {report::kDataMatrix,
         QStringLiteral("Lot œ"),
         {},
         QStringLiteral("Data Matrix : données refusées (Character outside ISO-8859-1: œ)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.left(40).toStdString() + " " + std::to_string(c.symbology.zintId));
        QString encoded;
        EXPECT_EQ(errorOf([&] { encoded = checkedBarcodeText(c.symbology, c.text); }), c.message);
        EXPECT_EQ(encoded, c.encoded);
        // what is accepted encodes
        if (!c.encoded.isEmpty() && c.symbology != report::kCode128) {
            EXPECT_FALSE(report::encodeBarcode(c.symbology, c.encoded).isEmpty());
        }
    }
}

// A description whose barcodes name their symbology, built as the main window builds it.
struct SymbologySheet
{
    XmlDocument doc;
    SelectionMarks marks;
    FixedLabelValues values;
    report::Page page;

    // `extra` holds the lines added to the single component, such as "<Symbology>QR Code</Symbology>"
    SymbologySheet(const QString& type, const QStringList& extra, const QString& text = QString())
    {
        ComponentTexts c = test::component(type, QStringLiteral("Code"));
        c.Text = text;
        QStringList block = componentBlockLines(c);
        for (const QString& line : extra)
            block.insert(block.size() - 1, line);
        QStringList lines = newDescriptionLines(FormatTexts());
        insertComponentBlock(lines, block);
        doc.parseText(lines.join(QStringLiteral("\r\n")));
        marks.rebuild(doc);
        values.m_code = test::kCode;
    }

    PageBuildResult build() { return buildPage(page, doc, marks, values); }
    const report::BarcodeProps& barcode() const
    {
        return test::barcodeOf(test::findComponent(page, QStringLiteral("Code")));
    }
};

TEST(Symbologies, TheBarcodeComponentsTakeTheSymbologyTheirDescriptionNames)
{
    struct Case
    {
        const char* type;
        QStringList extra;
        QString text;
        Symbology symbology;
        QString encoded;
    };
    const QString gtin = QStringLiteral("<GTIN>5901234123457</GTIN>");
    const QString code = QStringLiteral("B25012515LAV5930012525"); // day 125 of 2025: 5 May
    const Case cases[] = {
        // without the element, what a label has always printed
        {"AutoBarCode", {}, {}, report::kCode128, code},
        {"BarCode128", {}, QStringLiteral("Lot 7"), report::kCode128, QStringLiteral("Lot 7")},
        {"AutoBarCode", {QStringLiteral("<Symbology>QR Code</Symbology>")}, {}, report::kQrCode, code},
        {"AutoBarCode", {QStringLiteral("<Symbology>Data Matrix</Symbology>")}, {}, report::kDataMatrix, code},
        {"AutoBarCode",
         {QStringLiteral("<Symbology>GS1-128</Symbology>"), gtin},
         {},
         report::kGs1_128,
         QStringLiteral("[01]05901234123457[11]250505[3103]000250[10]LAV5930012525")},
        {"AutoBarCode",
         {QStringLiteral("<Symbology>GS1 Data Matrix</Symbology>"), gtin},
         {},
         report::kGs1DataMatrix,
         QStringLiteral("[01]05901234123457[11]250505[3103]000250[10]LAV5930012525")},
        {"AutoBarCode",
         {QStringLiteral("<Symbology>EAN-13</Symbology>"), gtin},
         {},
         report::kEan13,
         QStringLiteral("5901234123457")},
        {"BarCode128",
         {QStringLiteral("<Symbology>GS1-128</Symbology>")},
         QStringLiteral("(01)96385074(10)A1"),
         report::kGs1_128,
         QStringLiteral("[01]00000096385074[10]A1")},
        {"BarCode128",
         {QStringLiteral("<Symbology>EAN-13</Symbology>")},
         QStringLiteral("590123412345"),
         report::kEan13,
         QStringLiteral("590123412345")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type + (" " + c.extra.join(u' ').toStdString()));
        SymbologySheet sheet(QString::fromLatin1(c.type), c.extra, c.text);
        sheet.values.m_code = code;
        const PageBuildResult result = sheet.build();
        ASSERT_TRUE(result.complete()) << result.message.toStdString();
        EXPECT_EQ(sheet.barcode().symbology, c.symbology);
        EXPECT_EQ(sheet.barcode().text, c.encoded);
    }
}

TEST(Symbologies, BadSymbologyDataStopsTheBuildWithItsMessage)
{
    struct Case
    {
        const char* type;
        QStringList extra;
        QString text;
        QString message;
    };
    const Case cases[] = {
        {"AutoBarCode",
         {QStringLiteral("<Symbology>GS1-128</Symbology>"), QStringLiteral("<GTIN>5901234123450</GTIN>")},
         {},
         QStringLiteral("GS1 (01) : chiffre de contrôle faux")},
        {"AutoBarCode",
         {QStringLiteral("<Symbology>GS1 Data Matrix</Symbology>")},
         {},
         QStringLiteral("GS1 (01) : GTIN absent (élément GTIN de la description).")},
        {"BarCode128",
         {QStringLiteral("<Symbology>GS1-128</Symbology>")},
         QStringLiteral("(01)96385074(11)251301"),
         QStringLiteral("GS1 (11) : « 251301 » n'est pas une date AAMMJJ.")},
        {"BarCode128",
         {QStringLiteral("<Symbology>Code 39</Symbology>")},
         QStringLiteral("A"),
         QStringLiteral("Symbologie inconnue : « Code 39 » (Code 128, GS1-128, EAN-13, QR Code, Data Matrix ou GS1 "
                        "Data Matrix).")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        SymbologySheet sheet(QString::fromLatin1(c.type), c.extra, c.text);
        const PageBuildResult result = sheet.build();
        EXPECT_EQ(result.stop, PageBuildResult::Stop::Failed);
        EXPECT_EQ(result.message, c.message);
        EXPECT_EQ(result.labelNumber, 1);
        EXPECT_EQ(test::findComponent(sheet.page, QStringLiteral("Code")), nullptr);
    }
    // a manual code that is no traceability code has no production date to give
    SymbologySheet manual(QStringLiteral("AutoBarCode"),
                          {QStringLiteral("<Symbology>GS1-128</Symbology>"), QStringLiteral("<GTIN>96385074</GTIN>")});
    manual.values.m_code = QStringLiteral("ESSAI");
    EXPECT_EQ(manual.build().message,
              QStringLiteral("GS1 (11) : le champ date «  » du code n'est pas un jour de l'année suivi de l'année."));
}

} // namespace
} // namespace pelorin
