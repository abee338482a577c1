#include "editor/pagedocument.h"

#include "base/error.h"
#include "code/qstringprint.h"
#include "labels/description.h"

#include <QUndoStack>
#include <cstring>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

// A description as a person writes it: comments, indentation, elements in an order of their own,
// a decimal point where the editor writes a comma.
const QString kHandWritten = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
    "<Page>\n"
    "  <!-- planche de 8 -->\n"
    "  <Format>\n"
    "    <Reference>Essai</Reference><Largeur>210</Largeur><Hauteur>297</Hauteur>\n"
    "    <Ligne>4</Ligne><Colonne>2</Colonne>\n"
    "    <MargeGauche>5</MargeGauche><MargeDroite>5</MargeDroite><MargeHaute>10</MargeHaute>\n"
    "    <MargeBasse>10</MargeBasse><LargeurEtiquette>100</LargeurEtiquette>\n"
    "    <HauteurEtiquette>50</HauteurEtiquette><EtiquetteVerticalRadius>0</EtiquetteVerticalRadius>\n"
    "    <EtiquetteHorizontalRadius>0</EtiquetteHorizontalRadius><EcartHorizontal>1</EcartHorizontal>\n"
    "    <EcartVertical>1</EcartVertical>\n"
    "  </Format>\n"
    "  <Composants>\n"
    "    <Composant><!-- le code -->\n"
    "      <Name>Code</Name><Type>AutoBarCode</Type>\n"
    "      <Left>4.0</Left><Top>30</Top><Width>64</Width><Height>12,5</Height>\n"
    "    </Composant>\n"
    "    <Composant>\n"
    "      <Type>Texte</Type><Name>Titre</Name><Top>4</Top><Left>1,5</Left><Height>5</Height><Width>37,1</Width>\n"
    "      <Text>Lot été &amp; hiver</Text><Taille>8</Taille><Rotation>0</Rotation>\n"
    "    </Composant>\n"
    "    <Composant>\n"
    "      <Type>Rectangle</Type><Name>Cadre</Name><Top>0</Top><Left>0</Left><Height>50</Height><Width>100</Width>\n"
    "      <BorderWidth>1</BorderWidth><VRadius>0</VRadius><HRadius>0</HRadius>\n"
    "    </Composant>\n"
    "  </Composants>\n"
    "</Page>");

QStringList names(const PageDocument& doc)
{
    QStringList out;
    for (const PageObject& o : doc.objects())
        out << o.name;
    return out;
}

TEST(PageDocument, ReadsObjectsInMillimetresOnTheLabelWithTheirPlaceInTheText)
{
    PageDocument doc;
    doc.open(kHandWritten);
    ASSERT_TRUE(doc.isValid());
    ASSERT_EQ(doc.objects().size(), 3u);
    const PageObject& code = doc.objects()[0];
    EXPECT_EQ(code.type, QStringLiteral("AutoBarCode"));
    EXPECT_EQ(componentTypeCaption(code.type), QStringLiteral("Code de traçabilité"));
    EXPECT_TRUE(code.boxValid);
    EXPECT_EQ(code.box, QRectF(4.0, 30.0, 64.0, 12.5));
    // the element's text, from its opening to its closing tag, on the line it begins
    EXPECT_TRUE(kHandWritten.mid(code.start, code.end - code.start).startsWith(QStringLiteral("<Composant><!--")));
    EXPECT_TRUE(kHandWritten.mid(code.start, code.end - code.start).endsWith(QStringLiteral("</Composant>")));
    EXPECT_EQ(code.line, 14);
    EXPECT_EQ(doc.objects()[1].line, 18);
    // a character written as two bytes before an element does not shift it
    EXPECT_EQ(kHandWritten.mid(doc.objects()[2].start, 11), QStringLiteral("<Composant>"));
    // the sheet in inches, from the millimetres
    EXPECT_DOUBLE_EQ(doc.sheet().MargeGauche, 5 / 25.4);
    EXPECT_DOUBLE_EQ(doc.sheet().LargeurEtiquette, 100 / 25.4);
}

TEST(PageDocument, WritesMillimetresToTheTenthWithAComma)
{
    const std::pair<double, const char*> cases[] = {
        {10.0, "10"}, {12.5, "12,5"}, {12.449999, "12,4"}, {12.45000001, "12,5"},
        {0.04, "0"},  {-0.3, "-0,3"}, {37.1, "37,1"},      {199.96, "200"},
    };
    for (const auto& [mm, written] : cases) {
        EXPECT_EQ(millimetreText(mm), QString::fromLatin1(written)) << mm;
        // and reads back as the same tenth
        EXPECT_NEAR(descriptionDecimal(millimetreText(mm)), std::round(mm * 10) / 10, 1e-9) << mm;
    }
}

TEST(PageDocument, AValueChangedKeepsEverythingElseOfAHandWrittenText)
{
    PageDocument doc;
    doc.open(kHandWritten);
    // moved 2.5 mm down: only Top changes; Left "4.0", the same value, keeps its writing
    doc.setBox(0, QRectF(4.0, 32.5, 64.0, 12.5));
    QString expected = kHandWritten;
    expected.replace(QStringLiteral("<Top>30</Top>"), QStringLiteral("<Top>32,5</Top>"));
    EXPECT_EQ(doc.text(), expected);
    EXPECT_EQ(doc.objects()[0].box, QRectF(4.0, 32.5, 64.0, 12.5));

    // a text with the markup characters
    doc.setValue(1, "Text", QStringLiteral("A<B & C"));
    expected.replace(QStringLiteral("Lot été &amp; hiver"), QStringLiteral("A&lt;B &amp; C"));
    EXPECT_EQ(doc.text(), expected);
    EXPECT_EQ(doc.value(1, "Text"), QStringLiteral("A<B & C"));
}

// The panel's optional elements (a text's font, weight and alignment, a barcode's symbology and
// text under the bars): one line added in the component's own layout when set, taken out again when
// set back to what their absence means, nothing written for a default that is already absent.
TEST(PageDocument, OptionalValuesAreWrittenOnlyWhenTheyDifferFromTheirDefault)
{
    struct Case
    {
        int index;
        const char* element;
        const char* value;
        const char* byDefault;
        const char* addedLine; // the line the value adds to the text, in the component's layout
    };
    const Case cases[] = {
        {1, "Police", "DejaVu Serif", "", "      <Police>DejaVu Serif</Police>\n"},
        {1, "Gras", "1", "", "      <Gras>1</Gras>\n"},
        {1, "Position", "Right", "Left", "      <Position>Right</Position>\n"},
        {0, "TexteLisible", "0", "", "      <TexteLisible>0</TexteLisible>\n"},
        {0, "Symbology", "QR Code", "", "      <Symbology>QR Code</Symbology>\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        PageDocument doc;
        doc.open(kHandWritten);
        // the default of an absent element changes nothing, not even the history
        doc.setOptionalValue(c.index, c.element, QString::fromLatin1(c.byDefault), QString::fromLatin1(c.byDefault));
        EXPECT_EQ(doc.text(), kHandWritten);
        EXPECT_EQ(doc.undoStack()->count(), 0);

        doc.setOptionalValue(c.index, c.element, QString::fromUtf8(c.value), QString::fromLatin1(c.byDefault));
        const QString after = doc.text();
        EXPECT_TRUE(doc.hasValue(c.index, c.element));
        EXPECT_EQ(doc.value(c.index, c.element), QString::fromUtf8(c.value));
        // exactly one line more, just before the component's closing tag; every other byte kept
        const qsizetype at = after.indexOf(QString::fromUtf8(c.addedLine));
        ASSERT_GE(at, 0) << qPrintable(after);
        QString without = after;
        without.remove(at, qsizetype(std::strlen(c.addedLine)));
        EXPECT_EQ(without, kHandWritten);
        EXPECT_TRUE(after.mid(at + qsizetype(std::strlen(c.addedLine))).startsWith(QStringLiteral("    </Composant>")));

        // back to the default: the line goes, the text is the opened one byte for byte
        doc.setOptionalValue(c.index, c.element, QString::fromLatin1(c.byDefault), QString::fromLatin1(c.byDefault));
        EXPECT_EQ(doc.text(), kHandWritten);
        EXPECT_FALSE(doc.hasValue(c.index, c.element));
        doc.undoStack()->undo();
        EXPECT_EQ(doc.text(), after);
    }
}

TEST(PageDocument, AnOptionalElementTheTypeWritesStaysWhenSetToItsDefault)
{
    // "Ajouter" writes a memo's Position: set back to Left it keeps its line, valued Left
    ComponentTexts memo;
    memo.Type = QStringLiteral("MemoTexte");
    memo.Name = QStringLiteral("Note");
    QStringList lines = newDescriptionLines(FormatTexts());
    ASSERT_TRUE(insertComponentBlock(lines, componentBlockLines(memo)));
    PageDocument doc;
    doc.open(lines.join(u'\n'));
    doc.setOptionalValue(0, "Position", QStringLiteral("Center"), QStringLiteral("Left"));
    EXPECT_EQ(doc.value(0, "Position"), QStringLiteral("Center"));
    doc.setOptionalValue(0, "Position", QStringLiteral("Left"), QStringLiteral("Left"));
    EXPECT_EQ(doc.text(), lines.join(u'\n'));
}

TEST(PageDocument, EditsTheListOfObjectsAndUndoesBackToTheOpenedPage)
{
    struct Case
    {
        const char* what;
        std::function<void(PageDocument&)> edit;
        QStringList names;
        int comments; // the sheet's, and the first object's while it is there
    };
    const Case cases[] = {
        {"remove the first", [](PageDocument& d) { d.remove(0); }, {"Titre", "Cadre"}, 1},
        {"remove the last", [](PageDocument& d) { d.remove(2); }, {"Code", "Titre"}, 2},
        {"down", [](PageDocument& d) { d.move(0, 1); }, {"Titre", "Code", "Cadre"}, 2},
        {"to the end", [](PageDocument& d) { d.move(0, 2); }, {"Titre", "Cadre", "Code"}, 2},
        {"up", [](PageDocument& d) { d.move(2, 1); }, {"Code", "Cadre", "Titre"}, 2},
        {"duplicate", [](PageDocument& d) { EXPECT_EQ(d.duplicate(1), 2); }, {"Code", "Titre", "Titre", "Cadre"}, 2},
        {"append",
         [](PageDocument& d) { EXPECT_EQ(d.append(componentBlockLines(ComponentTexts())), 3); },
         {"Code", "Titre", "Cadre", "Objet"},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PageDocument doc;
        doc.open(kHandWritten);
        c.edit(doc);
        ASSERT_TRUE(doc.isValid()) << qPrintable(doc.errorMessage());
        EXPECT_EQ(names(doc), c.names);
        // each object stays whole and the comments stay
        EXPECT_EQ(doc.text().count(QStringLiteral("<!--")), c.comments);
        for (const PageObject& o : doc.objects())
            EXPECT_TRUE(doc.text().mid(o.start, o.end - o.start).endsWith(QStringLiteral("</Composant>")));
        // the text still reads as a description
        EXPECT_NO_THROW(LabelDescription::parse(doc.text()).components());
        doc.undoStack()->undo();
        EXPECT_EQ(doc.text(), kHandWritten);
        doc.undoStack()->redo();
        EXPECT_EQ(names(doc), c.names);
    }
}

TEST(PageDocument, ACopyLiesBesideItsOriginalOnALineOfItsOwn)
{
    PageDocument doc;
    doc.open(newDescriptionLines(FormatTexts()).join(u'\n'));
    ComponentTexts fields;
    fields.Type = QStringLiteral("Texte");
    fields.Text = QStringLiteral("Bonjour");
    doc.append(componentBlockLines(fields));
    doc.duplicate(0);
    ASSERT_EQ(doc.objects().size(), 2u);
    EXPECT_EQ(doc.objects()[1].box, QRectF(12, 12, 10, 10));
    EXPECT_EQ(doc.value(1, "Text"), QStringLiteral("Bonjour"));
    // the block of the editor, then its copy, each beginning a line
    EXPECT_TRUE(doc.text().contains(QStringLiteral("<Composants>\n<Composant>\n<Type>Texte</Type>")));
    EXPECT_TRUE(doc.text().contains(QStringLiteral("</Composant>\n<Composant>\n<Type>Texte</Type>")));
    EXPECT_TRUE(doc.text().endsWith(QStringLiteral("</Composant>\n</Composants>\n</Page>")));
}

TEST(PageDocument, TypingIsOneStepAndATextInErrorKeepsTheObjectsReadLast)
{
    PageDocument doc;
    doc.open(kHandWritten);
    QString broken = kHandWritten;
    broken.replace(QStringLiteral("<Name>Titre</Name>"), QStringLiteral("<Name>Titre</Nom>"));
    doc.setText(broken);
    EXPECT_FALSE(doc.isValid());
    EXPECT_EQ(doc.errorLine(), 19);
    EXPECT_FALSE(doc.errorMessage().isEmpty());
    EXPECT_EQ(names(doc), QStringList({"Code", "Titre", "Cadre"}));
    // no edit of the objects while the text is in error, and nothing changes
    EXPECT_THROW(doc.remove(0), Error);
    EXPECT_EQ(doc.text(), broken);

    // the mended text, typed on: one step back to the opened page
    QString mended = kHandWritten;
    mended.replace(QStringLiteral("<Name>Titre</Name>"), QStringLiteral("<Name>Titre2</Name>"));
    doc.setText(mended);
    EXPECT_TRUE(doc.isValid());
    EXPECT_EQ(doc.objects()[1].name, QStringLiteral("Titre2"));
    EXPECT_EQ(doc.undoStack()->count(), 1);
    doc.undoStack()->undo();
    EXPECT_EQ(doc.text(), kHandWritten);
    EXPECT_FALSE(doc.undoStack()->canUndo());
    // an object that is not there
    EXPECT_THROW(doc.setBox(3, QRectF(0, 0, 1, 1)), Error);
    EXPECT_THROW(doc.remove(-1), Error);
}

} // namespace
} // namespace pelorin
