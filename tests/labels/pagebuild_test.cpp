#include "labels/pagebuild.h"

#include "base/convert.h"
#include "base/error.h"
#include "base/paths.h"
#include "config/xmldocument.h"
#include "labels/labelvalues.h"
#include "labels/marks.h"
#include "labels/sheetbuilder.h"
#include "support/testsupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace pelorin {
namespace {

using report::Component;
using report::ComponentClass;
using test::barcodeOf;
using test::bitmapOf;
using test::component;
using test::findComponent;
using test::memoOf;
using test::rectOf;
using test::textOf;
using test::toMm;

// A sheet with its marks and live values: what the main window holds at a page build.
struct Sheet
{
    XmlDocument doc;
    SelectionMarks marks;
    FixedLabelValues values;
    report::Page page;
    QStringList executionReport;

    explicit Sheet(const FormatTexts& format = FormatTexts(), const std::vector<ComponentTexts>& components = {})
    {
        doc.parseText(test::descriptionText(format, components));
        marks.rebuild(doc);
        values.m_code = QStringLiteral("B25012515LAV5930033906");
        values.m_operatorText = QStringLiteral("Opérateur");
        values.m_multilineText = QStringLiteral("ligne 1\r\nligne 2");
        values.m_version = QStringLiteral("2.1.1.7");
        values.m_logoPath = QStringLiteral("/logos/Anzin.bmp");
        for (int i = 0; i < 10; ++i)
            values.m_incrementalLines << QString::number(i);
    }

    PageBuildResult build() { return buildPage(page, doc, marks, values, &executionReport); }

    // The description's components on the page, whatever name they were given way to.
    std::vector<const Component*> labelComponents() const
    {
        std::vector<const Component*> out;
        for (const auto& c : page.components()) {
            const QString& n = c->name;
            if (n != u"Marge" && n != u"Trace" && n != u"Page" && n != QLatin1String(kNoticeName) &&
                !(n.startsWith(u"Etq") && c->cls == ComponentClass::Rectangle &&
                  rectOf(c.get()).borderStyle == report::BorderStyle::Dot))
                out.push_back(c.get());
        }
        return out;
    }
};

// The label (row, column) whose box holds a component's top-left corner on the default sheet.
std::pair<int, int> labelAt(const Component& c)
{
    const double pitchX = 101, pitchY = 51;
    return {int((toMm(c.top) - 10) / pitchY), int((toMm(c.left) - 5) / pitchX)};
}

using test::errorOf;

TEST(PageBuild, DefaultSheetGeometry)
{
    Sheet s(FormatTexts(), {component("Texte", "Libelle", "20", "10")});
    const PageBuildResult result = s.build();
    ASSERT_TRUE(result.complete()) << result.message.toStdString();

    // the margin frame: the sheet inside its margins, dash-dot and not filled
    const Component* marge = findComponent(s.page, "Marge");
    ASSERT_TRUE(marge);
    EXPECT_EQ(marge->cls, ComponentClass::Rectangle);
    EXPECT_NEAR(toMm(marge->top), 10, 1e-9);
    EXPECT_NEAR(toMm(marge->left), 5, 1e-9);
    EXPECT_NEAR(toMm(marge->height), 297 - 20, 1e-9);
    EXPECT_NEAR(toMm(marge->width), 210 - 10, 1e-9);
    EXPECT_EQ(rectOf(marge).borderStyle, report::BorderStyle::DashDot);
    EXPECT_TRUE(rectOf(marge).clearFill);

    // one dotted outline per label, named row then column; row 1, column 1 at 106 mm, 61 mm
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 2; ++c) {
            const Component* o = findComponent(s.page, QStringLiteral("Etq%1%2").arg(r).arg(c));
            ASSERT_TRUE(o) << r << c;
            EXPECT_NEAR(toMm(o->left), 5 + c * 101, 1e-9);
            EXPECT_NEAR(toMm(o->top), 10 + r * 51, 1e-9);
            EXPECT_NEAR(toMm(o->width), 100, 1e-9);
            EXPECT_NEAR(toMm(o->height), 50, 1e-9);
            const auto& rect = rectOf(o);
            EXPECT_EQ(rect.borderStyle, report::BorderStyle::Dot);
            EXPECT_TRUE(rect.clearFill);
            EXPECT_NEAR(toMm(rect.hRadius), 5, 1e-9);
            EXPECT_NEAR(toMm(rect.vRadius), 5, 1e-9);
        }
    const Component* etq11 = findComponent(s.page, "Etq11");
    EXPECT_NEAR(toMm(etq11->left), 106, 1e-9);
    EXPECT_NEAR(toMm(etq11->top), 61, 1e-9);

    // the three page texts
    struct TextCase
    {
        const char* name;
        double top, left;
        QString text;
    };
    const TextCase texts[] = {
        {"Trace", 5, 70, QStringLiteral("--  Etiquettes de traçabilité Pelorin Version 2.1.1.7  --")},
        {"Page", 287, 5, QStringLiteral("Modéle : Avery")},
        {kNoticeName, 287, 170, noticeText()},
    };
    for (const TextCase& t : texts) {
        const Component* c = findComponent(s.page, QString::fromLatin1(t.name));
        ASSERT_TRUE(c) << t.name;
        EXPECT_EQ(c->cls, ComponentClass::Text);
        EXPECT_NEAR(toMm(c->top), t.top, 1e-9);
        EXPECT_NEAR(toMm(c->left), t.left, 1e-9);
        EXPECT_NEAR(toMm(c->height), 5, 1e-9);
        EXPECT_NEAR(toMm(c->width), 5, 1e-9);
        EXPECT_EQ(textOf(c).text, t.text);
    }
    EXPECT_FALSE(noticeText().isEmpty());

    // components are moved by plain addition to their label's origin
    const auto placed = s.labelComponents();
    ASSERT_EQ(placed.size(), 8u);
    for (size_t i = 0; i < placed.size(); ++i) {
        const int r = int(i) / 2, c = int(i) % 2;
        EXPECT_NEAR(toMm(placed[i]->top), 10 + r * 51 + 20, 1e-9);
        EXPECT_NEAR(toMm(placed[i]->left), 5 + c * 101 + 10, 1e-9);
        EXPECT_NEAR(toMm(placed[i]->height), 10, 1e-9);
    }
    // the name repeats on every label: the first keeps it, the others give way to the class name
    EXPECT_EQ(placed[0]->name, QStringLiteral("Libelle"));
    EXPECT_EQ(placed[1]->name, QStringLiteral("Text1"));
}

TEST(PageBuild, SwitchesAndEmptySelections)
{
    Sheet s(FormatTexts(), {component("AutoLogo", "Logo")});
    s.marks.setMarginFrame(false);
    s.marks.setOutlines(false);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 2; ++c)
            s.marks.toggle(c, r);
    ASSERT_TRUE(s.build().complete());
    // neither frame nor outlines nor components: the three page texts alone
    ASSERT_EQ(s.page.components().size(), 3u);
    EXPECT_TRUE(findComponent(s.page, "Trace"));
    EXPECT_TRUE(findComponent(s.page, "Page"));

    // rows of 0 or less: no outline and no component, but the frame and the texts
    for (const char* rows : {"0", "-2"}) {
        Sheet z(FormatTexts(), {component("AutoLogo", "Logo")});
        setText(ensure(ensure(z.doc.documentElement(), "Format"), "Ligne"), QString::fromLatin1(rows));
        ASSERT_TRUE(z.build().complete());
        EXPECT_EQ(z.page.components().size(), 4u) << rows;
        EXPECT_TRUE(findComponent(z.page, "Marge"));
    }

    // no component at all (Composants empty or missing): labels stay blank, the sheet is drawn
    XmlDocument bare;
    bare.parseText(
        test::descriptionText(FormatTexts()).replace(QStringLiteral("<Composants>\r\n</Composants>"), QString()));
    SelectionMarks marks;
    marks.rebuild(bare);
    FixedLabelValues values;
    report::Page page;
    ASSERT_TRUE(buildPage(page, bare, marks, values).complete());
    EXPECT_EQ(page.components().size(), 1u + 8u + 3u);
}

TEST(PageBuild, EveryTypeBecomesItsComponent)
{
    test::TempDataFolder data;
    data.write(QStringLiteral("logos/defaut.bmp"), QByteArray("BM"));
    DataFolder::setRoot(data.path());

    std::vector<ComponentTexts> list;
    ComponentTexts rect = component("Rectangle", "Cadre");
    rect.BorderWidth = QStringLiteral("3");
    rect.HRadius = QStringLiteral("2");
    rect.VRadius = QStringLiteral("4");
    list.push_back(rect);
    ComponentTexts autoText = component("AutoTexte", "Operateur");
    autoText.Taille = QStringLiteral("12");
    autoText.Rotation = QStringLiteral("90");
    list.push_back(autoText);
    ComponentTexts inc = component("AutoIncTexte", "Numero");
    list.push_back(inc);
    ComponentTexts fixed = component("Texte", "Fixe");
    fixed.Text = QStringLiteral("Lot n° 7");
    fixed.Rotation = QStringLiteral("-45");
    list.push_back(fixed);
    ComponentTexts version = component("AutoVersion", "Version");
    version.Taille = QStringLiteral("20"); // written, never read
    list.push_back(version);
    list.push_back(component("AutoBarCode", "Code"));
    ComponentTexts bar = component("BarCode128", "Fixe128");
    bar.Text = QStringLiteral("ABC-123");
    list.push_back(bar);
    list.push_back(component("AutoLogo", "Logo"));
    ComponentTexts image = component("Image", "Photo");
    image.FileName = QStringLiteral("Defaut.bmp");
    list.push_back(image);
    ComponentTexts autoMemo = component("AutoMemoTexte", "Multi");
    autoMemo.Taille = QStringLiteral("9");
    list.push_back(autoMemo);
    ComponentTexts memo = component("MemoTexte", "Memo");
    memo.Text = QStringLiteral("un\r\ndeux");
    list.push_back(memo);

    FormatTexts one;
    one.Ligne = QStringLiteral("1");
    one.Colonne = QStringLiteral("1");
    Sheet s(one, list);
    ASSERT_TRUE(s.build().complete());
    const auto placed = s.labelComponents();
    ASSERT_EQ(placed.size(), list.size());
    auto get = [&](int i) { return placed[size_t(i)]; };

    EXPECT_EQ(get(0)->cls, ComponentClass::Rectangle);
    EXPECT_EQ(rectOf(get(0)).borderWidth, 3);
    EXPECT_EQ(rectOf(get(0)).borderStyle, report::BorderStyle::Solid);
    EXPECT_TRUE(rectOf(get(0)).clearFill);
    EXPECT_NEAR(toMm(rectOf(get(0)).hRadius), 2, 1e-9);
    EXPECT_NEAR(toMm(rectOf(get(0)).vRadius), 4, 1e-9);

    struct TextCase
    {
        int index;
        QString text;
        int rotation, height;
    };
    const TextCase texts[] = {
        {1, QStringLiteral("Opérateur"), 90, 12},
        {2, QStringLiteral("0"), 0, 8},
        {3, QStringLiteral("Lot n° 7"), -45, 8},
        {4, QStringLiteral("Pelorin V2.1.1.7"), 0, 6},
    };
    for (const TextCase& t : texts) {
        ASSERT_EQ(get(t.index)->cls, ComponentClass::Text) << t.index;
        EXPECT_EQ(textOf(get(t.index)).text, t.text);
        EXPECT_EQ(textOf(get(t.index)).rotation, t.rotation);
        EXPECT_EQ(textOf(get(t.index)).fontHeightPx, t.height);
    }
    EXPECT_EQ(get(5)->cls, ComponentClass::Barcode);
    EXPECT_EQ(barcodeOf(get(5)).text, QStringLiteral("B25012515LAV5930033906"));
    EXPECT_EQ(barcodeOf(get(6)).text, QStringLiteral("ABC-123"));
    // the description names no symbology: its barcodes are Code 128
    EXPECT_EQ(barcodeOf(get(5)).symbology, report::kCode128);
    EXPECT_EQ(barcodeOf(get(6)).symbology, report::kCode128);
    EXPECT_EQ(get(7)->cls, ComponentClass::Bitmap);
    EXPECT_EQ(bitmapOf(get(7)).fileLink, QStringLiteral("/logos/Anzin.bmp"));
    EXPECT_TRUE(bitmapOf(get(7)).matchInside);
    // Image names a file of the logos folder, found whatever the letter case
    EXPECT_EQ(bitmapOf(get(8)).fileLink, data.file(QStringLiteral("logos/defaut.bmp")));
    EXPECT_TRUE(bitmapOf(get(8)).matchInside);
    EXPECT_EQ(get(9)->cls, ComponentClass::Memo);
    EXPECT_EQ(memoOf(get(9)).text, QStringLiteral("ligne 1\r\nligne 2"));
    EXPECT_EQ(memoOf(get(9)).fontHeightPx, 9);
    EXPECT_EQ(memoOf(get(10)).text, QStringLiteral("un\ndeux"));

    // in manual mode the barcode carries the code as typed
    s.values.m_code = QStringLiteral("saisie manuelle");
    ASSERT_TRUE(s.build().complete());
    EXPECT_EQ(barcodeOf(s.labelComponents()[5]).text, QStringLiteral("saisie manuelle"));
}

// A text's face and alignment and a barcode's text under the bars come from optional elements:
// absent, the defaults of every earlier description (Arial, regular, left, text printed).
TEST(PageBuild, OptionalFaceAlignmentAndHumanReadableElementsReachThePage)
{
    struct Case
    {
        const char* type;
        std::vector<std::pair<const char*, const char*>> elements;
        report::TextFace face;
        bool humanReadable;
    };
    using report::TextAlignment;
    const Case cases[] = {
        {"Texte", {}, {QString(), false, TextAlignment::Left}, true},
        {"Texte",
         {{"Police", "DejaVu Serif"}, {"Gras", "1"}, {"Position", "Right"}},
         {QStringLiteral("DejaVu Serif"), true, TextAlignment::Right},
         true},
        {"AutoTexte", {{"Position", "Center"}, {"Gras", "0"}}, {QString(), false, TextAlignment::Center}, true},
        {"AutoIncTexte", {{"Position", "center"}}, {QString(), false, TextAlignment::Center}, true},
        {"AutoVersion", {{"Gras", "oui"}}, {QString(), true, TextAlignment::Left}, true},
        // an unknown placement word keeps the left, as it always has
        {"Texte", {{"Position", "Milieu"}}, {QString(), false, TextAlignment::Left}, true},
        {"MemoTexte",
         {{"Position", "Right"}, {"Police", "Liberation Serif"}},
         {QStringLiteral("Liberation Serif"), false, TextAlignment::Right},
         true},
        {"AutoMemoTexte", {{"Position", "Center"}}, {QString(), false, TextAlignment::Center}, true},
        {"AutoBarCode", {}, {}, true},
        {"AutoBarCode", {{"TexteLisible", "0"}}, {}, false},
        {"BarCode128", {{"TexteLisible", "non"}}, {}, false},
        {"BarCode128", {{"TexteLisible", "1"}}, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type + QString::number(c.elements.size()).toStdString());
        ComponentTexts one = component(QString::fromLatin1(c.type), QStringLiteral("Objet"));
        one.Text = QStringLiteral("ABC");
        Sheet sheet(FormatTexts(), {one});
        const pugi::xml_node node = entries(find(sheet.doc.documentElement(), "Composants")).first();
        for (const auto& [element, value] : c.elements)
            setText(ensure(node, element), QString::fromUtf8(value));
        ASSERT_EQ(sheet.build().stop, PageBuildResult::Stop::None);
        const Component* built = findComponent(sheet.page, QStringLiteral("Objet"));
        ASSERT_NE(built, nullptr);
        if (built->cls == ComponentClass::Text)
            EXPECT_EQ(textOf(built).face, c.face);
        else if (built->cls == ComponentClass::Memo)
            EXPECT_EQ(memoOf(built).face, c.face);
        else
            EXPECT_EQ(barcodeOf(built).humanReadable, c.humanReadable);
    }
}

TEST(PageBuild, IncrementalLineFollowsTheLabelNumber)
{
    Sheet s(FormatTexts(), {component("AutoIncTexte", "Numero")});
    s.marks.toggle(1, 0); // label 2
    s.marks.toggle(0, 2); // label 5
    ASSERT_TRUE(s.build().complete());
    QStringList printed;
    for (const Component* c : s.labelComponents())
        printed << textOf(c).text;
    // label n prints line n; unmarked labels leave theirs out
    EXPECT_EQ(printed, QStringList({"0", "2", "3", "5", "6", "7"}));

    // fewer lines than labels: the labels past the end print an empty text
    s.values.m_incrementalLines = QStringList({"a", "b", "c", "d", "e"});
    s.marks.markAll();
    ASSERT_TRUE(s.build().complete());
    printed.clear();
    for (const Component* c : s.labelComponents())
        printed << textOf(c).text;
    EXPECT_EQ(printed, QStringList({"a", "b", "c", "d", "e", "", "", ""}));
}

TEST(PageBuild, BadFormatValueBuildsNothing)
{
    const char* elements[] = {"Hauteur", "Ligne", "EcartVertical", "EtiquetteHorizontalRadius"};
    for (const char* element : elements) {
        SCOPED_TRACE(element);
        Sheet s(FormatTexts(), {component("AutoLogo", "Logo")});
        ASSERT_TRUE(s.build().complete());
        const size_t before = s.page.components().size();
        setText(ensure(ensure(s.doc.documentElement(), "Format"), element), QStringLiteral("1,5.0"));
        const QString message = errorOf([&] { s.build(); });
        EXPECT_TRUE(message == u"'1,5.0' is not a valid floating point value" ||
                    message == u"'1,5.0' is not a valid integer value")
            << message.toStdString();
        // the page of the previous build is kept, and the editor's report is empty
        EXPECT_EQ(s.page.components().size(), before);
        EXPECT_TRUE(s.executionReport.isEmpty());
    }

    // a mistyped count is refused before the page is touched
    Sheet big(FormatTexts(), {component("AutoLogo", "Logo")});
    ASSERT_TRUE(big.build().complete());
    const size_t before = big.page.components().size();
    setText(ensure(ensure(big.doc.documentElement(), "Format"), "Ligne"), QStringLiteral("400000"));
    EXPECT_EQ(errorOf([&] { big.build(); }),
              QStringLiteral("Trop d'étiquettes sur la page : 400000 x 2 (au plus 10000)."));
    EXPECT_EQ(big.page.components().size(), before);

    XmlDocument none;
    SelectionMarks marks;
    FixedLabelValues values;
    report::Page page;
    EXPECT_EQ(errorOf([&] { buildPage(page, none, marks, values); }), QStringLiteral("No active document"));
}

TEST(PageBuild, UnknownTypeStopsAtThatComponentAndKeepsThePageBuiltSoFar)
{
    // labels 1 and 2 unmarked; the second component is of no known type
    Sheet s(FormatTexts(),
            {component("Texte", "Premier"), component("texte", "Inconnu"), component("AutoLogo", "Troisieme")});
    s.marks.toggle(0, 0);
    s.marks.toggle(1, 0);
    const PageBuildResult result = s.build();
    EXPECT_EQ(result.stop, PageBuildResult::Stop::UnknownType);
    EXPECT_EQ(result.message, QStringLiteral("erreur de composant"));
    EXPECT_EQ(result.labelNumber, 3);
    EXPECT_EQ(result.componentIndex, 1);

    // label 3 keeps its first component, and no later label has any
    const auto placed = s.labelComponents();
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(placed[0]->name, QStringLiteral("Premier"));
    EXPECT_EQ(labelAt(*placed[0]), std::make_pair(1, 0));
    // frame, outlines and page texts are still there
    EXPECT_TRUE(findComponent(s.page, "Marge"));
    EXPECT_TRUE(findComponent(s.page, "Etq31"));
    EXPECT_TRUE(findComponent(s.page, "Trace"));
    EXPECT_TRUE(findComponent(s.page, "Page"));
    EXPECT_TRUE(findComponent(s.page, QString::fromLatin1(kNoticeName)));
    // the report traces the component created and nothing after
    EXPECT_EQ(s.executionReport.size(), 1 + 10);
}

TEST(PageBuild, BadComponentValueOrNameStopsWithItsMessage)
{
    struct Case
    {
        ComponentTexts broken;
        QString message;
    };
    ComponentTexts rect = component("Rectangle", "Cadre");
    rect.HRadius = QStringLiteral("2,5");
    ComponentTexts noSize = component("Texte", "SansTaille");
    noSize.Taille.clear();
    ComponentTexts badTop = component("AutoLogo", "Logo", "dix");
    ComponentTexts spaced = component("AutoLogo", "Mon logo");
    ComponentTexts accented = component("AutoLogo", "Logé");
    ComponentTexts digitFirst = component("AutoLogo", "1Logo");
    ComponentTexts noName = component("AutoBarCode", "");
    const Case cases[] = {
        {rect, QStringLiteral("'2,5' is not a valid integer value")},
        {noSize, QStringLiteral("'' is not a valid integer value")},
        {badTop, QStringLiteral("'dix' is not a valid floating point value")},
        {spaced, QStringLiteral("''Mon logo'' is not a valid component name")},
        {accented, QStringLiteral("''Logé'' is not a valid component name")},
        {digitFirst, QStringLiteral("''1Logo'' is not a valid component name")},
        {noName, QStringLiteral("'''' is not a valid component name")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        Sheet s(FormatTexts(), {component("AutoVersion", "Version"), c.broken});
        const PageBuildResult result = s.build();
        EXPECT_EQ(result.stop, PageBuildResult::Stop::Failed);
        EXPECT_EQ(result.message, c.message);
        EXPECT_EQ(result.labelNumber, 1);
        EXPECT_EQ(result.componentIndex, 1);
        // the first label's first component, the sheet and its texts were built before the failure
        const auto placed = s.labelComponents();
        ASSERT_EQ(placed.size(), 1u);
        EXPECT_EQ(placed[0]->name, QStringLiteral("Version"));
        EXPECT_EQ(s.page.components().size(), 1u + 8u + 3u + 1u);
    }

    // a Texte with its Taille but without Text prints an empty text
    ComponentTexts noText = component("Texte", "Vide");
    Sheet s(FormatTexts(), {noText});
    entries(find(s.doc.documentElement(), "Composants")).first().remove_child("Text");
    ASSERT_TRUE(s.build().complete());
    EXPECT_EQ(textOf(s.labelComponents()[0]).text, QString());
}

TEST(PageBuild, ExecutionReport)
{
    FormatTexts f;
    f.Reference = QStringLiteral("Planche 3");
    f.Colonne = QStringLiteral("1");
    f.Ligne = QStringLiteral("2");
    ComponentTexts t = component("Texte", "Libelle", "20", "12,5");
    t.Text = QStringLiteral("Bonjour");
    Sheet s(f, {t, component("AutoLogo", "Logo", "0", "0")});
    ASSERT_TRUE(s.build().complete());
    ASSERT_EQ(s.executionReport.size(), 1 + 2 * 2 * 10);
    EXPECT_EQ(s.executionReport[0], QStringLiteral("Planche 3"));
    const QStringList first = s.executionReport.mid(1, 10);
    const QStringList expected = {
        QStringLiteral("** Trace composant **"),
        QStringLiteral("*   Composant1  *"),
        QStringLiteral("*********************"),
        QStringLiteral("Type : Texte"),
        QStringLiteral("Nom : Libelle"),
        QStringLiteral("Haut : 30"),                               // 10 of margin + 20, in millimetres
        QStringLiteral("Gauche : 17,5"),                           // 5 + 12,5
        QStringLiteral("Hauteur : ") + shortestDecimal(10 / 25.4), // inches
        QStringLiteral("Largeur : ") + shortestDecimal(10 / 25.4),
        QStringLiteral("Texte : Bonjour"),
    };
    EXPECT_EQ(first, expected);
    EXPECT_EQ(shortestDecimal(10 / 25.4), QStringLiteral("0,393700787401575"));
    // the component number starts again at 1 on every label; the second label is one row down
    EXPECT_EQ(s.executionReport[12], QStringLiteral("*   Composant2  *"));
    EXPECT_EQ(s.executionReport[22], QStringLiteral("*   Composant1  *"));
    EXPECT_EQ(s.executionReport[26], QStringLiteral("Haut : 81"));
    EXPECT_EQ(s.executionReport[20], QStringLiteral("Texte : "));
}

} // namespace
} // namespace pelorin
