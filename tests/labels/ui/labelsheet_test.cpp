#include "labels/ui/labelsheet.h"

#include "labels/ui/sheetwindow.h"

#include "base/error.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

using test::SheetWindow;

struct ZoomCase
{
    double start;
    void (LabelSheet::*command)();
    double expected;
};

TEST(LabelSheetZoom, StepsByTenBetweenTenAndTwoHundred)
{
    SheetWindow w;
    EXPECT_EQ(w.sheet->preview()->objectName(), QStringLiteral("pagePreview"));
    EXPECT_DOUBLE_EQ(w.sheet->preview()->zoom(), 40.0);
    EXPECT_EQ(w.sheet->preview()->shadowDepth(), 3);

    // one "Agrandir." from the start, then one "Réduire." back
    w.sheet->zoomIn();
    EXPECT_DOUBLE_EQ(w.sheet->preview()->zoom(), 50.0);
    w.sheet->zoomOut();
    EXPECT_DOUBLE_EQ(w.sheet->preview()->zoom(), 40.0);

    const ZoomCase cases[] = {
        {195, &LabelSheet::zoomIn, 200}, {200, &LabelSheet::zoomIn, 200}, {15, &LabelSheet::zoomOut, 10},
        {10, &LabelSheet::zoomOut, 10},  {100, &LabelSheet::zoomOut, 90}, {100, &LabelSheet::zoomIn, 110},
    };
    for (const ZoomCase& c : cases) {
        w.sheet->preview()->setZoom(c.start);
        (w.sheet.get()->*c.command)();
        EXPECT_DOUBLE_EQ(w.sheet->preview()->zoom(), c.expected) << "from " << c.start;
    }
}

TEST(LabelSheetZoom, FitShowsTheWholePageAndBuildingKeepsTheZoom)
{
    SheetWindow w;
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
    w.sheet->marks().rebuild(w.sheet->EtiqXML());
    ASSERT_TRUE(w.sheet->showPage());
    EXPECT_DOUBLE_EQ(w.sheet->preview()->zoom(), 40.0);

    w.sheet->zoomToFit();
    const double fitted = w.sheet->preview()->zoom();
    EXPECT_GE(fitted, 10.0);
    const QSize page = w.sheet->preview()->pageSizePixels();
    const QSize area = w.sheet->preview()->viewport()->size();
    EXPECT_LE(page.width() + 3, area.width());
    EXPECT_LE(page.height() + 3, area.height());
    // one step more would not fit any longer in one direction at least
    EXPECT_TRUE(page.width() * (fitted + 10) / fitted > area.width() ||
                page.height() * (fitted + 10) / fitted > area.height());

    w.sheet->Preview();
    EXPECT_DOUBLE_EQ(w.sheet->preview()->zoom(), fitted);
}

TEST(LabelSheetOpen, OpensFromTheModelsFolderShowsTheNameAndRemarksEveryLabel)
{
    SheetWindow w;
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
    EXPECT_EQ(w.status, QStringLiteral("Avery.ETQ"));
    w.sheet->marks().rebuild(w.sheet->EtiqXML());
    w.sheet->marks().toggle(0, 0);

    const QString other = w.writeDescription(QStringLiteral("Trois.ETQ"), test::sheetFormat(3, 3));
    Dialogs::setNextFileName(other);
    w.sheet->chooseDescription();

    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << Dialogs::shownMessages().join(u'|').toStdString();
    EXPECT_EQ(w.status, QStringLiteral("Trois.ETQ"));
    EXPECT_EQ(w.sheet->marks().columns(), 3);
    EXPECT_EQ(w.sheet->marks().rows(), 3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_TRUE(w.sheet->marks().isMarked(c, r)) << c << "," << r;
    ASSERT_NE(w.shownPage(), nullptr);
    // nine outlines, and the page fitted
    EXPECT_EQ(test::countRectangles(*w.shownPage(), report::BorderStyle::Dot), 9);
    EXPECT_DOUBLE_EQ(w.sheet->preview()->zoom(), w.sheet->preview()->fitZoom());
}

// A page whose values do not read builds nothing: the preview keeps the page it showed, and the
// status bar keeps naming that page, not the file that failed.
TEST(LabelSheetOpen, APageThatCannotBeBuiltLeavesTheShownPageAndItsName)
{
    SheetWindow w;
    Dialogs::setNextFileName(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
    w.sheet->chooseDescription();
    ASSERT_EQ(w.status, QStringLiteral("Avery.ETQ"));
    const auto shown = w.shownPage();
    ASSERT_NE(shown, nullptr);

    FormatTexts bad = test::sheetFormat(3, 3);
    bad.Hauteur = QStringLiteral("29,7cm");
    Dialogs::clearShownMessages();
    Dialogs::setNextFileName(w.writeDescription(QStringLiteral("Casse.ETQ"), bad));
    w.sheet->chooseDescription();
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().contains(QStringLiteral("29,7cm")));
    EXPECT_EQ(w.status, QStringLiteral("Avery.ETQ"));
    EXPECT_EQ(w.shownPage(), shown);

    // a good page opened after it is shown and named as usual
    Dialogs::setNextFileName(w.writeDescription(QStringLiteral("Trois.ETQ"), test::sheetFormat(3, 3)));
    w.sheet->chooseDescription();
    EXPECT_EQ(w.status, QStringLiteral("Trois.ETQ"));
    EXPECT_NE(w.shownPage(), shown);
}

TEST(LabelSheetShortcuts, CtrlOOpensADescriptionAndCtrlPBuildsThePageThenPrints)
{
    SheetWindow w;
    w.sheet->installShortcuts(w.window.get());
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
    w.sheet->marks().rebuild(w.sheet->EtiqXML());
    w.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get()));

    Dialogs::clearShownMessages();
    Dialogs::setNextFileName(w.writeDescription(QStringLiteral("Trois.ETQ"), test::sheetFormat(3, 3)));
    QTest::keyClick(w.window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(w.status, QStringLiteral("Trois.ETQ"));
    EXPECT_EQ(w.sheet->marks().rows(), 3);

    // printing builds the page first: the text typed since the last build is in it
    const auto before = w.sheet->page();
    ASSERT_TRUE(before);
    w.values.m_operatorText = QStringLiteral("Opérateur du raccourci");
    Dialogs::clearShownMessages();
    QTest::keyClick(w.window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_NE(*w.sheet->page(), *before);
    const QStringList messages = Dialogs::shownMessages();
    // printed on the default printer, or told there is none
    EXPECT_TRUE(messages.isEmpty() || messages == QStringList{QStringLiteral("Aucune imprimante n'est installée.")})
        << messages.join(u'|').toStdString();
}

TEST(LabelSheetOpen, CancellingChangesNothing)
{
    SheetWindow w;
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
    w.sheet->marks().rebuild(w.sheet->EtiqXML());
    w.sheet->marks().toggle(1, 2);
    ASSERT_TRUE(w.sheet->showPage());
    w.sheet->preview()->setZoom(70);
    const auto page = w.sheet->preview()->page();
    EXPECT_EQ(w.sheet->page(), page);

    w.sheet->chooseDescription(); // no file queued: the dialog is cancelled

    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
    EXPECT_EQ(w.status, QStringLiteral("Avery.ETQ"));
    EXPECT_TRUE(w.sheet->EtiqXML().isActive());
    EXPECT_EQ(w.sheet->EtiqXML().fileName(), w.data.file(QStringLiteral("Modeles/Avery.ETQ")));
    EXPECT_FALSE(w.sheet->marks().isMarked(1, 2));
    EXPECT_EQ(w.sheet->page(), page);
    EXPECT_EQ(w.sheet->preview()->page(), page);
    EXPECT_DOUBLE_EQ(w.sheet->preview()->zoom(), 70.0);
}

TEST(LabelSheetOpen, UnreadableFileReleasesTheDescriptionAndKeepsStatusAndMarks)
{
    struct Bad
    {
        const char* name;
        QByteArray bytes; // empty: the file does not exist
    };
    const Bad cases[] = {
        {"Casse.ETQ", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Page><Format><Ligne>4</Ligne>\r\n"},
        {"Absent.ETQ", QByteArray()},
    };
    for (const Bad& bad : cases) {
        SCOPED_TRACE(bad.name);
        SheetWindow w;
        w.sheet->loadDescription(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
        w.sheet->marks().rebuild(w.sheet->EtiqXML());
        w.sheet->marks().toggle(0, 1);
        ASSERT_TRUE(w.sheet->showPage());
        const auto shown = w.sheet->page();
        ASSERT_TRUE(shown);

        const QString path = bad.bytes.isEmpty() ? w.data.file(QStringLiteral("Modeles/") + QLatin1String(bad.name))
                                                 : w.writeRaw(QLatin1String(bad.name), bad.bytes);
        Dialogs::setNextFileName(path);
        w.sheet->chooseDescription();

        // the loader's own message, nothing else
        QString loaderMessage;
        try {
            XmlDocument().loadFile(path);
        } catch (const Error& e) {
            loaderMessage = e.message();
        }
        ASSERT_FALSE(loaderMessage.isEmpty());
        EXPECT_EQ(Dialogs::shownMessages(), QStringList{loaderMessage});
        EXPECT_EQ(w.status, QStringLiteral("Avery.ETQ"));
        EXPECT_EQ(w.sheet->marks().rows(), 4);
        EXPECT_FALSE(w.sheet->marks().isMarked(0, 1));
        EXPECT_TRUE(w.sheet->marks().isMarked(1, 1));
        EXPECT_EQ(w.sheet->page(), shown);

        // until a readable description is opened, no page can be built
        Dialogs::clearShownMessages();
        EXPECT_FALSE(w.sheet->showPage());
        EXPECT_EQ(Dialogs::shownMessages(), QStringList{QStringLiteral("No active document")});
        EXPECT_EQ(w.sheet->page(), shown);

        Dialogs::clearShownMessages();
        Dialogs::setNextFileName(w.data.file(QStringLiteral("Modeles/Avery.ETQ")));
        w.sheet->chooseDescription();
        EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
        EXPECT_TRUE(w.sheet->marks().isMarked(0, 1));
        EXPECT_NE(*w.sheet->page(), *shown);
    }
}

// Opening a description whose values do not all convert: the message names the file, the element
// and the component, and the status bar names the page the preview actually shows.
TEST(LabelSheetOpen, AValueThatDoesNotConvertIsNamedAndTheStatusFollowsThePageShown)
{
    struct Case
    {
        const char* file;
        const char* element; // of the format when no component is faulty
        int component;       // -1: the format
        const char* message;
        bool newPageShown; // a component stops the build after the page was begun
    };
    const Case cases[] = {
        {"Planche.ETQ", "Hauteur", -1,
         "Planche.ETQ : la valeur « 4,x » de l'élément Hauteur du format de la page n'est pas un nombre.", false},
        {"Lignes.ETQ", "Ligne", -1,
         "Lignes.ETQ : la valeur « 4,x » de l'élément Ligne du format de la page n'est pas un nombre entier.", false},
        {"Texte.ETQ", "Height", 1,
         "Texte.ETQ : la valeur « 4,x » de l'élément Height du composant Texte3 n'est pas un nombre.", true},
        {"Code.ETQ", "Width", 0,
         "Code.ETQ : la valeur « 4,x » de l'élément Width du composant Code n'est pas un nombre.", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        SheetWindow w;
        Dialogs::setNextFileName(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
        w.sheet->chooseDescription();
        ASSERT_TRUE(Dialogs::shownMessages().isEmpty()) << Dialogs::shownMessages().join(u'|').toStdString();
        ASSERT_EQ(w.status, QStringLiteral("Avery.ETQ"));
        const auto good = w.sheet->preview()->page();
        ASSERT_NE(good, nullptr);

        FormatTexts format = test::sheetFormat(4, 2);
        auto components = test::codeAndText();
        components[1].Name = QStringLiteral("Texte3");
        components[0].Name = QStringLiteral("Code");
        const QString bad = QStringLiteral("4,x");
        if (c.component < 0) {
            if (std::strcmp(c.element, "Hauteur") == 0)
                format.Hauteur = bad;
            else
                format.Ligne = bad;
        } else if (std::strcmp(c.element, "Height") == 0) {
            components[size_t(c.component)].Height = bad;
        } else {
            components[size_t(c.component)].Width = bad;
        }
        Dialogs::setNextFileName(w.writeDescription(QString::fromUtf8(c.file), format, components));
        w.sheet->chooseDescription();

        EXPECT_EQ(Dialogs::shownMessages(), QStringList{QString::fromUtf8(c.message)});
        if (c.newPageShown) {
            EXPECT_NE(w.sheet->preview()->page(), good);
            EXPECT_EQ(w.status, QString::fromUtf8(c.file));
        } else {
            EXPECT_EQ(w.sheet->preview()->page(), good);
            EXPECT_EQ(w.status, QStringLiteral("Avery.ETQ"));
        }
    }
}

TEST(LabelSheetBuild, FailureRulesOfThePageBuild)
{
    SheetWindow w;
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Avery.ETQ"), test::sheetFormat(4, 2)));
    w.sheet->marks().rebuild(w.sheet->EtiqXML());
    ASSERT_TRUE(w.sheet->showPage());
    const auto good = w.sheet->page();

    // a sheet format value that is no number: its message, and the previous page stays
    FormatTexts badFormat = test::sheetFormat(4, 2);
    badFormat.Largeur = QStringLiteral("21O");
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Largeur.ETQ"), badFormat));
    Dialogs::clearShownMessages();
    EXPECT_FALSE(w.sheet->showPage());
    EXPECT_EQ(Dialogs::shownMessages(),
              QStringList{QStringLiteral(
                  "Largeur.ETQ : la valeur « 21O » de l'élément Largeur du format de la page n'est pas un nombre.")});
    EXPECT_EQ(w.sheet->page(), good);

    // an unknown type in the second component: "erreur de composant", the first component of
    // label 1 and nothing further; the page is shown and counts as built (printing goes on)
    auto components = test::codeAndText();
    components[1].Type = QStringLiteral("Cercle");
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Inconnu.ETQ"), test::sheetFormat(4, 2), components));
    Dialogs::clearShownMessages();
    EXPECT_TRUE(w.sheet->showPage());
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{QStringLiteral("erreur de composant")});
    ASSERT_NE(w.shownPage(), nullptr);
    EXPECT_EQ(test::contentIn(*w.shownPage(), 5, 10, 100, 50), 1);
    EXPECT_EQ(test::contentIn(*w.shownPage(), 106, 10, 100, 50), 0);

    // a component value that is no number: the page as built so far, then the message
    auto badTaille = test::codeAndText();
    badTaille[1].Taille = QStringLiteral("huit");
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Taille.ETQ"), test::sheetFormat(4, 2), badTaille));
    Dialogs::clearShownMessages();
    EXPECT_FALSE(w.sheet->showPage());
    EXPECT_EQ(Dialogs::shownMessages(),
              QStringList{QStringLiteral("Taille.ETQ : la valeur « huit » de l'élément Taille du composant "
                                         "Operateur n'est pas un nombre entier.")});
    ASSERT_NE(w.shownPage(), nullptr);
    EXPECT_EQ(test::contentIn(*w.shownPage(), 5, 10, 100, 50), 1); // the barcode of label 1
    EXPECT_EQ(test::countRectangles(*w.shownPage(), report::BorderStyle::Dot), 8);
}

} // namespace
} // namespace pelorin
