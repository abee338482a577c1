#include "labels/description.h"

#include "base/error.h"
#include "config/xmldocument.h"
#include "labels/sheetbuilder.h"
#include "support/testsupport.h"
#include "support/editorfixtures.h"

#include <functional>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

using test::component;
using test::descriptionText;

using test::errorOf;

TEST(NewDescription, DefaultFieldsGiveTheEditorsInitialText)
{
    const QStringList lines = newDescriptionLines(FormatTexts());
    EXPECT_EQ(lines, test::kInitialDescriptionLines);
}

TEST(NewDescription, EveryFieldLandsInItsOwnElementAndReadsBack)
{
    // distinct values, so a field written into the wrong element shows
    FormatTexts f;
    f.Reference = QStringLiteral("Réf 3422");
    f.Largeur = QStringLiteral("211");
    f.Hauteur = QStringLiteral("298");
    f.Ligne = QStringLiteral("7");
    f.Colonne = QStringLiteral("3");
    f.MargeGauche = QStringLiteral("1");
    f.MargeDroite = QStringLiteral("2");
    f.MargeHaute = QStringLiteral("3");
    f.MargeBasse = QStringLiteral("4");
    f.LargeurEtiquette = QStringLiteral("63,5");
    f.HauteurEtiquette = QStringLiteral("38,1");
    f.EtiquetteVerticalRadius = QStringLiteral("6");
    f.EtiquetteHorizontalRadius = QStringLiteral("7");
    f.EcartHorizontal = QStringLiteral("8");
    f.EcartVertical = QStringLiteral("9");
    XmlDocument doc;
    doc.parseText(newDescriptionLines(f).join(u'\n'));
    const SheetGeometry p = readFormat(doc);
    EXPECT_EQ(p.Reference, f.Reference);
    const std::pair<double, double> lengths[] = {
        {p.Largeur, 211},
        {p.Hauteur, 298},
        {p.MargeGauche, 1},
        {p.MargeDroite, 2},
        {p.MargeHaute, 3},
        {p.MargeBasse, 4},
        {p.LargeurEtiquette, 63.5},
        {p.HauteurEtiquette, 38.1},
        {p.EtiquetteVerticalRadius, 6},
        {p.EtiquetteHorizontalRadius, 7},
        {p.EcartHorizontal, 8},
        {p.EcartVertical, 9},
    };
    for (const auto& [inches, mm] : lengths)
        EXPECT_DOUBLE_EQ(inches, mm / 25.4);
    EXPECT_EQ(p.Ligne, 7);
    EXPECT_EQ(p.Colonne, 3);
    EXPECT_DOUBLE_EQ(p.columnPitch(), (8 + 63.5) / 25.4);
    EXPECT_DOUBLE_EQ(p.rowPitch(), (9 + 38.1) / 25.4);
}

struct BlockCase
{
    const char* type;
    QStringList ownElements; // after the six common ones, in the order written
};

TEST(ComponentBlock, EachTypeWritesItsOwnElementsInOrder)
{
    const BlockCase cases[] = {
        {"Rectangle", {"BorderWidth", "VRadius", "HRadius"}},
        {"AutoTexte", {"Taille", "Rotation"}},
        {"AutoIncTexte", {"Taille", "Rotation"}},
        {"Texte", {"Text", "Taille", "Rotation"}},
        {"AutoVersion", {"Taille", "Rotation"}},
        {"AutoBarCode", {"Rotation", "Position"}},
        {"BarCode128", {"Rotation", "Position", "Text"}},
        {"AutoLogo", {}},
        {"Image", {"FileName"}},
        {"AutoMemoTexte", {"Taille"}},
        {"MemoTexte", {"Position", "Text", "Taille"}},
    };
    ASSERT_EQ(std::size(cases), size_t(componentTypes().size()));
    for (const BlockCase& bc : cases) {
        SCOPED_TRACE(bc.type);
        ComponentTexts c;
        c.Type = QString::fromLatin1(bc.type);
        c.Text = QStringLiteral("t");
        const QStringList lines = componentBlockLines(c);
        QStringList names = {"Type", "Name", "Top", "Left", "Height", "Width"};
        names += bc.ownElements;
        ASSERT_EQ(lines.size(), names.size() + 2);
        EXPECT_EQ(lines.first(), QStringLiteral("<Composant>"));
        EXPECT_EQ(lines.last(), QStringLiteral("</Composant>"));
        for (qsizetype i = 0; i < names.size(); ++i) {
            EXPECT_TRUE(lines[i + 1].startsWith(u'<' + names[i] + u'>')) << lines[i + 1].toStdString();
            EXPECT_TRUE(lines[i + 1].endsWith(QStringLiteral("</") + names[i] + u'>')) << lines[i + 1].toStdString();
        }
        EXPECT_EQ(lines[1], QStringLiteral("<Type>") + c.Type + QStringLiteral("</Type>"));
    }
}

// What the editor's fields hold is written so that the description stays well-formed and reads back
// exactly as typed: markup characters, quotes, accents, a typed reference.
TEST(ComponentBlock, TypedMarkupCharactersReadBackAsTyped)
{
    const QString typed[] = {
        QStringLiteral("a<b"),           QStringLiteral("R&D"),           QStringLiteral("x>y"),
        QStringLiteral("</Text>"),       QStringLiteral("\"dit\" l'a"),   QStringLiteral("Crème brûlée à 5 €"),
        QStringLiteral("&amp; &#38; &"), QStringLiteral("<![CDATA[x]]>"),
    };
    for (const QString& text : typed) {
        SCOPED_TRACE(text.toStdString());
        ComponentTexts c;
        c.Type = QStringLiteral("Texte");
        c.Name = text;
        c.Text = text;
        FormatTexts format;
        format.Reference = text;
        QStringList lines = newDescriptionLines(format);
        ASSERT_TRUE(insertComponentBlock(lines, componentBlockLines(c)));
        LabelDescription description;
        ASSERT_NO_THROW(description = LabelDescription::parse(lines.join(QStringLiteral("\r\n"))));
        ASSERT_EQ(description.components().size(), size_t(1));
        EXPECT_EQ(description.components().front().Name.text(), text);
        EXPECT_EQ(description.components().front().text, text);
        EXPECT_EQ(description.format().Reference.text(), text);
    }
}

TEST(ComponentBlock, RectangleWithTheInitialFieldsGivesElevenLines)
{
    const QStringList lines = componentBlockLines(ComponentTexts());
    const QStringList expected = {
        "<Composant>",          "<Type>Rectangle</Type>", "<Name>Objet</Name>", "<Top>10</Top>",
        "<Left>10</Left>",      "<Height>10</Height>",    "<Width>10</Width>",  "<BorderWidth>1</BorderWidth>",
        "<VRadius>0</VRadius>", "<HRadius>0</HRadius>",   "</Composant>",
    };
    EXPECT_EQ(lines, expected);
}

TEST(ComponentBlock, ValuesAreWrittenAsTypedAndMultiLineTextSpansLines)
{
    ComponentTexts c;
    c.Type = QStringLiteral("MemoTexte");
    c.Name = QStringLiteral(" Objet ");
    c.Text = QStringLiteral("première\r\nseconde\ntroisième");
    const QStringList lines = componentBlockLines(c);
    EXPECT_EQ(lines[2], QStringLiteral("<Name> Objet </Name>"));
    EXPECT_TRUE(lines.contains(QStringLiteral("<Text>première")));
    EXPECT_TRUE(lines.contains(QStringLiteral("seconde")));
    EXPECT_TRUE(lines.contains(QStringLiteral("troisième</Text>")));

    // the spread element reads back as the text, lines and all
    XmlDocument doc;
    doc.parseText(descriptionText(FormatTexts(), {c}));
    EXPECT_EQ(LabelDescription(doc).components().at(0).value("Text").text(),
              QStringLiteral("première\nseconde\ntroisième"));

    // a '<' typed in a value is written as a reference: the text stays readable
    c.Text = QStringLiteral("a < b");
    XmlDocument escaped;
    ASSERT_NO_THROW(escaped.parseText(descriptionText(FormatTexts(), {c})));
    EXPECT_EQ(LabelDescription(escaped).components().at(0).value("Text").text(), QStringLiteral("a < b"));
}

TEST(InsertComponentBlock, GoesBeforeTheFirstExactClosingLineInOrderOfAddition)
{
    QStringList lines = newDescriptionLines(FormatTexts());
    ASSERT_TRUE(insertComponentBlock(lines, componentBlockLines(component("AutoLogo", "Premier"))));
    ASSERT_TRUE(insertComponentBlock(lines, componentBlockLines(component("AutoLogo", "Second"))));
    EXPECT_EQ(lines.size(), 22 + 8 + 8);
    EXPECT_EQ(lines[20], QStringLiteral("<Composant>"));
    EXPECT_EQ(lines[22], QStringLiteral("<Name>Premier</Name>"));
    EXPECT_EQ(lines[30], QStringLiteral("<Name>Second</Name>"));
    EXPECT_EQ(lines[36], QStringLiteral("</Composants>"));
    EXPECT_EQ(lines.last(), QStringLiteral("</Page>"));

    // a second closing line further down is left alone
    QStringList twice = {"<Composants>", "</Composants>", "x", "</Composants>"};
    ASSERT_TRUE(insertComponentBlock(twice, {"B"}));
    EXPECT_EQ(twice, QStringList({"<Composants>", "B", "</Composants>", "x", "</Composants>"}));
}

TEST(InsertComponentBlock, NothingWhenNoLineIsExactlyTheClosingTag)
{
    const QStringList variants[] = {
        {"<Composants>", "  </Composants>", "</Page>"},
        {"<Composants>", "</Composants></Page>"},
        {"<Composants>", "</composants>", "</Page>"},
        {},
    };
    for (const QStringList& v : variants) {
        QStringList lines = v;
        EXPECT_FALSE(insertComponentBlock(lines, componentBlockLines(ComponentTexts())));
        EXPECT_EQ(lines, v);
    }
}

TEST(ReadingRules, ElementOrderIndentationAndLineBreaksDoNotMatter)
{
    const QString texts[] = {
        descriptionText(FormatTexts()),
        QStringLiteral("<?xml version=\"1.0\"?><Page><Composants/><Format><EcartVertical>1</EcartVertical>"
                       "<EcartHorizontal>1</EcartHorizontal><EtiquetteHorizontalRadius>5</EtiquetteHorizontalRadius>"
                       "<EtiquetteVerticalRadius>5</EtiquetteVerticalRadius><HauteurEtiquette>50</HauteurEtiquette>"
                       "<LargeurEtiquette>100</LargeurEtiquette><MargeBasse>10</MargeBasse>"
                       "<MargeHaute>10</MargeHaute><MargeDroite>5</MargeDroite><MargeGauche>5</MargeGauche>"
                       "<Colonne>2</Colonne><Ligne>4</Ligne><Hauteur>297</Hauteur><Largeur>210</Largeur>"
                       "<Reference>Avery</Reference><Inconnu>x</Inconnu></Format></Page>"),
        QStringLiteral("<Page>\n\t<Format>\n\t\t<Reference>Avery</Reference>\n\t\t<Largeur>210</Largeur>\n"
                       "\t\t<Hauteur>297</Hauteur>\n\t\t<Ligne>4</Ligne>\n\t\t<Colonne>2</Colonne>\n"
                       "\t\t<MargeGauche>5</MargeGauche>\n\t\t<MargeDroite>5</MargeDroite>\n"
                       "\t\t<MargeHaute>10</MargeHaute>\n\t\t<MargeBasse>10</MargeBasse>\n"
                       "\t\t<LargeurEtiquette>100</LargeurEtiquette>\n\t\t<HauteurEtiquette>50</HauteurEtiquette>\n"
                       "\t\t<EtiquetteVerticalRadius>5</EtiquetteVerticalRadius>\n"
                       "\t\t<EtiquetteHorizontalRadius>5</EtiquetteHorizontalRadius>\n"
                       "\t\t<EcartHorizontal>1</EcartHorizontal>\n\t\t<EcartVertical>1</EcartVertical>\n"
                       "\t</Format>\n</Page>\n"),
    };
    for (const QString& t : texts) {
        XmlDocument doc;
        doc.parseText(t);
        const SheetGeometry p = readFormat(doc);
        EXPECT_EQ(p.Reference, QStringLiteral("Avery"));
        EXPECT_DOUBLE_EQ(p.Hauteur * 25.4, 297);
        EXPECT_DOUBLE_EQ(p.Largeur * 25.4, 210);
        EXPECT_DOUBLE_EQ(p.MargeHaute * 25.4, 10);
        EXPECT_DOUBLE_EQ(p.LargeurEtiquette * 25.4, 100);
        EXPECT_DOUBLE_EQ(p.EcartVertical * 25.4, 1);
        EXPECT_EQ(p.Ligne, 4);
        EXPECT_EQ(p.Colonne, 2);
        EXPECT_EQ(LabelDescription(doc).components().size(), 0u);
    }
}

// A missing element reads as empty, and reading the description leaves its document as it was.
TEST(ReadingRules, MissingElementReadsEmptyAndLeavesTheDocument)
{
    XmlDocument doc;
    doc.parseText(QStringLiteral("<Page><Format><Reference>R</Reference><Reference>S</Reference></Format></Page>"));
    const QByteArray before = doc.toBytes();
    const LabelDescription d(doc);
    // the first of two same-named siblings is the one read
    EXPECT_EQ(d.format().Reference.text(), QStringLiteral("R"));
    EXPECT_EQ(d.components().size(), 0u);
    EXPECT_EQ(errorOf([&] { readFormat(d); }), QStringLiteral("'' is not a valid floating point value"));
    EXPECT_FALSE(doc.documentElement().child("Composants"));
    EXPECT_FALSE(doc.documentElement().child("Format").child("Hauteur"));
    EXPECT_EQ(doc.toBytes(), before);
}

// The minimum barcode module is the one optional element of Format: absent it is 0.125 mm and the
// description reads and writes as it always did; given, it reads back, and a bad one is refused.
TEST(ReadingRules, TheMinimumModuleIsOptionalAndWrittenOnlyWhenGiven)
{
    FormatTexts plain;
    const QStringList lines = newDescriptionLines(plain);
    EXPECT_EQ(lines, test::kInitialDescriptionLines);
    EXPECT_DOUBLE_EQ(readFormat(LabelDescription::parse(lines.join(u'\n'))).MinimumModuleMm, 0.125);

    struct Case
    {
        QString text;
        double mm;     // read back
        QString error; // or refused
    };
    const Case cases[] = {
        {QStringLiteral("0,2"), 0.2, QString()},
        {QStringLiteral("0.33"), 0.33, QString()},
        {QStringLiteral("fin"), 0.0, QStringLiteral("'fin' is not a valid floating point value")},
        {QStringLiteral("0"), 0.0, QStringLiteral("'0' n'est pas une largeur de module possible (au moins 0.01 mm)")},
        {QStringLiteral("25"), 0.0, QStringLiteral("'25' n'est pas une longueur possible (au plus 10 mm)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        FormatTexts f;
        f.MinimumModule = c.text;
        const QStringList written = newDescriptionLines(f);
        ASSERT_EQ(written.size(), lines.size() + 1);
        EXPECT_EQ(written.indexOf(QStringLiteral("<MinimumModule>") + c.text + QStringLiteral("</MinimumModule>")),
                  written.indexOf(QStringLiteral("</Format>")) - 1);
        const LabelDescription d = LabelDescription::parse(written.join(u'\n'));
        if (c.error.isEmpty())
            EXPECT_DOUBLE_EQ(readFormat(d).MinimumModuleMm, c.mm);
        else
            EXPECT_EQ(errorOf([&] { readFormat(d); }), c.error);
    }

    // reading a description without it adds nothing to its document
    XmlDocument doc;
    doc.parseText(lines.join(u'\n'));
    const QByteArray before = doc.toBytes();
    const LabelDescription d(doc);
    EXPECT_FALSE(doc.documentElement().child("Format").child("MinimumModule"));
    EXPECT_EQ(doc.toBytes(), before);
}

TEST(ReadingRules, ComponentsAreTheChildrenOfComposantsByPositionWhateverTheirNames)
{
    XmlDocument doc;
    doc.parseText(QStringLiteral("<Page><Composants><Composant><Name>a</Name></Composant>"
                                 "<Autre><Name>b</Name></Autre><!-- note --><Composant><Name>c</Name></Composant>"
                                 "</Composants></Page>"));
    const LabelDescription d(doc);
    ASSERT_EQ(d.components().size(), 3u);
    EXPECT_EQ(d.components()[0].Name.text(), QStringLiteral("a"));
    EXPECT_EQ(d.components()[1].Name.text(), QStringLiteral("b"));
    EXPECT_EQ(d.components()[2].Name.text(), QStringLiteral("c"));
}

TEST(ReadFormat, ConversionMessagesAndTheOrderOfReading)
{
    struct Case
    {
        const char* element;
        const char* value;
        const char* message;
    };
    // a comma or a point, whatever the regional settings, but only one of them and no grouping
    const Case cases[] = {
        {"Hauteur", "297.5.0", "'297.5.0' is not a valid floating point value"},
        {"Largeur", "1.234,5", "'1.234,5' is not a valid floating point value"},
        {"MargeDroite", "1 000", "'1 000' is not a valid floating point value"},
        {"MargeBasse", "1e3", "'1e3' is not a valid floating point value"},
        {"EcartHorizontal", ",", "',' is not a valid floating point value"},
        {"MargeGauche", "", "'' is not a valid floating point value"},
        {"LargeurEtiquette", "1,2,3", "'1,2,3' is not a valid floating point value"},
        {"Ligne", "4,0", "'4,0' is not a valid integer value"},
        {"Colonne", "deux", "'deux' is not a valid integer value"},
        {"EtiquetteHorizontalRadius", "5 mm", "'5 mm' is not a valid floating point value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        XmlDocument doc;
        doc.parseText(descriptionText(FormatTexts()));
        setText(ensure(ensure(doc.documentElement(), "Format"), c.element), QString::fromUtf8(c.value));
        EXPECT_EQ(errorOf([&] { readFormat(doc); }), QString::fromUtf8(c.message));
    }

    // of two bad values, the one read first is reported: Hauteur before Ligne, Ligne before the gaps
    FormatTexts f;
    f.Ligne = QStringLiteral("x");
    f.EcartVertical = QStringLiteral("y");
    XmlDocument doc;
    doc.parseText(descriptionText(f));
    EXPECT_EQ(errorOf([&] { readFormat(doc); }), QStringLiteral("'x' is not a valid integer value"));
    f.Hauteur = QStringLiteral("z");
    doc.parseText(descriptionText(f));
    EXPECT_EQ(errorOf([&] { readFormat(doc); }), QStringLiteral("'z' is not a valid floating point value"));

    // an empty Reference is a valid value; negative and signed numbers convert
    f = FormatTexts();
    f.Reference.clear();
    f.Ligne = QStringLiteral("-1");
    f.MargeHaute = QStringLiteral("+2,5");
    doc.parseText(descriptionText(f));
    const SheetGeometry p = readFormat(doc);
    EXPECT_EQ(p.Reference, QString());
    EXPECT_EQ(p.Ligne, -1);
    EXPECT_DOUBLE_EQ(p.MargeHaute * 25.4, 2.5);
}

TEST(ReadFormat, DecimalsReadWithACommaOrAPointWhateverTheRegionalSettings)
{
    // a hand-edited file may mix both; the shipped sheets use the comma of French settings
    FormatTexts f;
    f.Hauteur = QStringLiteral("297.5");
    f.LargeurEtiquette = QStringLiteral("38,1");
    f.MargeGauche = QStringLiteral("-.5");
    f.MargeHaute = QStringLiteral("4,");
    ComponentTexts c = component("Texte", "Libelle", QStringLiteral("0.5"), QStringLiteral("1,25"));
    XmlDocument doc;
    doc.parseText(descriptionText(f, {c}));
    const LabelDescription d(doc);
    const SheetGeometry p = readFormat(d);
    EXPECT_DOUBLE_EQ(p.Hauteur * 25.4, 297.5);
    EXPECT_DOUBLE_EQ(p.LargeurEtiquette * 25.4, 38.1);
    EXPECT_DOUBLE_EQ(p.MargeGauche * 25.4, -0.5);
    EXPECT_DOUBLE_EQ(p.MargeHaute * 25.4, 4);
    EXPECT_DOUBLE_EQ(d.components().at(0).Top.number(), 0.5);
    EXPECT_DOUBLE_EQ(d.components().at(0).Left.number(), 1.25);
    EXPECT_DOUBLE_EQ(descriptionDecimal(QStringLiteral(" +12.75 ")), 12.75);
}

TEST(ReadFormat, SizesBeyondAnySheetAreRefused)
{
    // 10^300 mm would overflow every conversion to device units on the way to the painter
    const QString huge = QStringLiteral("1") + QString(300, u'0');
    struct Case
    {
        const char* element;
        QString value;
    };
    const Case cases[] = {
        {"Hauteur", huge}, {"Largeur", QStringLiteral("10000,5")}, {"LargeurEtiquette", QStringLiteral("-20000")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        XmlDocument doc;
        doc.parseText(descriptionText(FormatTexts()));
        setText(ensure(ensure(doc.documentElement(), "Format"), c.element), c.value);
        EXPECT_EQ(errorOf([&] { readFormat(doc); }),
                  QStringLiteral("'%1' n'est pas une longueur possible (au plus 10000 mm)").arg(c.value));
    }
    // a sheet of 3 m is still a sheet
    FormatTexts f;
    f.Hauteur = QStringLiteral("3000");
    XmlDocument doc;
    doc.parseText(descriptionText(f));
    EXPECT_DOUBLE_EQ(readFormat(doc).Hauteur * 25.4, 3000);
}

TEST(ReadFormat, NoDescriptionLoaded)
{
    XmlDocument doc;
    EXPECT_EQ(errorOf([&] { readFormat(doc); }), QStringLiteral("No active document"));
    EXPECT_EQ(errorOf([&] { LabelDescription(doc).components(); }), QStringLiteral("No active document"));
}

TEST(LabelCount, AMistypedCountIsRefusedWithAMessage)
{
    EXPECT_NO_THROW(checkLabelCount(100, 100));
    EXPECT_NO_THROW(checkLabelCount(-10000, 10000));
    // a negative count draws nothing, but the other one still sizes the selection grid
    EXPECT_EQ(errorOf([] { checkLabelCount(40000000, -1); }),
              QStringLiteral("Trop d'étiquettes sur la page : 40000000 x -1 (au plus 10000)."));
    EXPECT_EQ(errorOf([] { checkLabelCount(40000, 2); }),
              QStringLiteral("Trop d'étiquettes sur la page : 40000 x 2 (au plus 10000)."));
    EXPECT_FALSE(errorOf([] { checkLabelCount(2147483647, 2147483647); }).isEmpty());
}

} // namespace
} // namespace pelorin
