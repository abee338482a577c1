#include "labels/ui/labelselectionwindow.h"
#include "gridclicks.h"
#include "labels/barcodecheck.h"
#include "labels/ui/labelsheet.h"
#include "labels/ui/printdialogs.h"
#include "labels/ui/printing.h"

#include "labels/ui/pdftools.h"
#include "labels/ui/selectiongrid.h"
#include "labels/ui/sheetwindow.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QSet>
#include <QImageReader>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

using test::darkPixels;
using test::SheetWindow;

// A sheet whose margin frame stands clear of the labels, so that each can be looked for alone:
// labels of 90 x 50 mm from (8, 15) with gaps of 4 mm, the frame's right edge at 202 mm.
FormatTexts clearSheet()
{
    FormatTexts f = test::sheetFormat(4, 2);
    f.Reference = QStringLiteral("Essai");
    f.MargeGauche = f.MargeDroite = QStringLiteral("8");
    f.MargeHaute = f.MargeBasse = QStringLiteral("15");
    f.LargeurEtiquette = QStringLiteral("90");
    f.HauteurEtiquette = QStringLiteral("50");
    f.EcartHorizontal = f.EcartVertical = QStringLiteral("4");
    return f;
}

// Regions of that sheet, in millimetres.
const QRectF kLabel1Inside(11, 18, 84, 44);
const QRectF kLabel2Inside(105, 18, 84, 44);
const QRectF kLabel2BottomEdge(110, 63, 75, 4);
const QRectF kFrameRightEdge(199, 80, 6, 170);

using test::doubleClickCell;

QString uniqueToken()
{
    return QStringLiteral("LOT%1X%2")
        .arg(QCoreApplication::applicationPid())
        .arg(QRandomGenerator::global()->bounded(1000000));
}

QSet<QString> pdfFiles(const QString& folder)
{
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    return QSet<QString>(names.begin(), names.end());
}

// The printed file holding `token`, once the queue has written it; empty after `seconds`.
QString waitForPrintout(const QString& folder, const QSet<QString>& before, const QString& token, int seconds)
{
    QDeadlineTimer deadline(seconds * 1000);
    while (!deadline.hasExpired()) {
        for (const QString& name : pdfFiles(folder)) {
            if (before.contains(name))
                continue;
            const QString path = QDir(folder).filePath(name);
            if (test::pdfText(path).contains(token))
                return path;
        }
        QTest::qWait(250);
    }
    return QString();
}

class SheetPrint : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_printer = qEnvironmentVariable("PELORIN_TEST_PRINTER");
        m_out = qEnvironmentVariable("PELORIN_TEST_PRINTER_OUT");
        if (m_printer.isEmpty() || m_out.isEmpty())
            GTEST_SKIP() << "no test printer: PELORIN_TEST_PRINTER is unset (./test.sh starts CUPS with a PDF "
                            "queue as the default printer)";
        if (QPrinterInfo::defaultPrinterName() != m_printer)
            GTEST_SKIP() << "the default printer is \"" << qPrintable(QPrinterInfo::defaultPrinterName())
                         << "\", not the test queue \"" << qPrintable(m_printer) << "\" (is cupsd running?)";
    }

    // Prints with the selection window's button and returns the file the queue wrote.
    QString printWithToken(SheetWindow& w, LabelSelectionWindow& form)
    {
        const QString token = uniqueToken();
        w.values.m_operatorText = token;
        const QSet<QString> before = pdfFiles(m_out);
        QSignalSpy delivered(w.sheet.get(), &LabelSheet::pageDelivered);
        QTest::mouseClick(form.findChild<QToolButton*>(QStringLiteral("printButton")), Qt::LeftButton);
        EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << Dialogs::shownMessages().join(u'|').toStdString();
        // the default printer, named, and the one copy
        EXPECT_EQ(delivered.size(), 1);
        if (!delivered.isEmpty()) {
            EXPECT_EQ(delivered.first().first().toString(),
                      QStringLiteral("Page envoyée à %1 (1 exemplaire)").arg(m_printer));
        }
        const QString pdf = waitForPrintout(m_out, before, token, 120);
        if (!pdf.isEmpty())
            m_printed << pdf;
        EXPECT_FALSE(pdf.isEmpty()) << "no printout holding " << qPrintable(token) << " in " << qPrintable(m_out);
        return pdf;
    }

    void TearDown() override
    {
        for (const QString& pdf : m_printed)
            QFile::remove(pdf);
    }

    QString m_printer, m_out;
    QStringList m_printed;
};

TEST_F(SheetPrint, PrintsWhatThePreviewShowsOnTheDefaultPrinter)
{
    SheetWindow w;
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Essai.ETQ"), clearSheet()));
    LabelSelectionWindow form(*w.sheet, w.window.get());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    doubleClickCell(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid")), 1,
                    0); // the second label of the first row left blank
    QTemporaryDir scratch;

    const QString first = printWithToken(w, form);
    ASSERT_FALSE(first.isEmpty());
    const QString text = test::pdfText(first);
    EXPECT_TRUE(text.contains(w.values.m_operatorText));
    EXPECT_TRUE(text.contains(QStringLiteral("Modéle : Essai"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Etiquettes de traçabilité Pelorin Version 2.1.1.7")))
        << text.toStdString();
    QString png;
    const QImage page = test::rasterise(first, 300, scratch, &png);
    ASSERT_FALSE(page.isNull());
    EXPECT_TRUE(test::zbarRead(png).contains(test::kTestCode));
    EXPECT_GT(darkPixels(page, 300, kLabel1Inside), 0);
    EXPECT_EQ(darkPixels(page, 300, kLabel2Inside), 0) << "the unmarked label is not blank";
    EXPECT_GT(darkPixels(page, 300, kLabel2BottomEdge), 0) << "the unmarked label lost its outline";
    EXPECT_GT(darkPixels(page, 300, kFrameRightEdge), 0) << "no margin frame";

    // neither frame nor outlines once both switches are off; the marked labels keep their components
    QTest::mouseClick(form.findChild<QCheckBox*>(QStringLiteral("marginsCheck")), Qt::LeftButton);
    QTest::mouseClick(form.findChild<QCheckBox*>(QStringLiteral("outlinesCheck")), Qt::LeftButton);
    Dialogs::clearShownMessages();
    const QString second = printWithToken(w, form);
    ASSERT_FALSE(second.isEmpty());
    QTemporaryDir scratch2;
    const QImage bare = test::rasterise(second, 300, scratch2, &png);
    ASSERT_FALSE(bare.isNull());
    EXPECT_TRUE(test::zbarRead(png).contains(test::kTestCode));
    EXPECT_GT(darkPixels(bare, 300, kLabel1Inside), 0);
    EXPECT_EQ(darkPixels(bare, 300, kLabel2BottomEdge), 0) << "an outline was printed";
    EXPECT_EQ(darkPixels(bare, 300, kFrameRightEdge), 0) << "the margin frame was printed";
}

// A page whose barcodes cannot be fitted at the printer's own resolution is not printed behind the
// operator's back: the printer's finer resolution is offered, and the page printed there carries
// barcodes of whole dots that read back. Declining it asks whether to print anyway.
TEST_F(SheetPrint, APageThatWillNotScanAtThePrintersResolutionIsOfferedAFinerOne)
{
    const int own = report::printerResolution(m_printer);
    const std::vector<int> offered = report::printerResolutions(m_printer);
    if (own != 300 || std::find(offered.begin(), offered.end(), 600) == offered.end())
        GTEST_SKIP() << "the test queue prints at " << own << " dpi, without 600 dpi";
    SheetWindow w;
    std::vector<ComponentTexts> components = test::codeAndText();
    components.front().Width = QStringLiteral("33"); // one dot a module at 300 dpi: 0.085 mm
    w.sheet->openDescription(w.writeDescription(QStringLiteral("Etroit.ETQ"), clearSheet(), components));
    ASSERT_TRUE(w.sheet->page());
    EXPECT_EQ(report::qualityMark(w.sheet->checkPage()), report::QualityMark::Red);

    // declined, then not printed anyway: nothing leaves
    QSignalSpy delivered(w.sheet.get(), &LabelSheet::pageDelivered);
    Dialogs::clearShownMessages();
    Dialogs::setNextAnswer(QMessageBox::Cancel);
    w.sheet->printPage();
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().endsWith(QStringLiteral("Imprimer à 600 points par pouce ?")))
        << qPrintable(Dialogs::shownMessages().first());
    EXPECT_TRUE(delivered.isEmpty());

    const QString token = uniqueToken();
    w.values.m_operatorText = token;
    const QSet<QString> before = pdfFiles(m_out);
    Dialogs::clearShownMessages();
    Dialogs::setNextAnswer(QMessageBox::Yes);
    w.sheet->printPage();
    EXPECT_EQ(Dialogs::shownMessages().size(), 1);
    ASSERT_EQ(delivered.size(), 1);
    const QString pdf = waitForPrintout(m_out, before, token, 120);
    ASSERT_FALSE(pdf.isEmpty());
    m_printed << pdf;
    QTemporaryDir scratch;
    QString png;
    QImageReader::setAllocationLimit(0); // an A4 page at 600 dpi is past the default 128 MB
    ASSERT_FALSE(test::rasterise(pdf, 600, scratch, &png).isNull());
    EXPECT_TRUE(test::zbarRead(png).contains(test::kTestCode));
}

// "Imprimer…": the dialog's printer and copies, the job named after the code and the page, and the
// printer chosen offered again for the rest of the session; the one-click print keeps the default.
TEST_F(SheetPrint, PrintDialogChoosesThePrinterAndCopiesAndRemembersThePrinter)
{
    SheetWindow w;
    w.sheet->openDescription(w.writeDescription(QStringLiteral("Lot 7.ETQ"), clearSheet()));
    ASSERT_TRUE(w.sheet->page() && !w.sheet->page()->isEmpty());
    EXPECT_TRUE(w.sheet->sessionPrinter().isEmpty());

    // cancelled: nothing is printed and nothing remembered
    const QSet<QString> before = pdfFiles(m_out);
    w.sheet->printPageWithDialog();
    EXPECT_EQ(PrintDialogs::lastOfferedPrinter(), QPrinterInfo::defaultPrinterName());
    EXPECT_TRUE(w.sheet->sessionPrinter().isEmpty());

    const QString token = uniqueToken();
    w.values.m_operatorText = token;
    PrintDialogs::setNextChoice({m_printer, 2});
    QSignalSpy delivered(w.sheet.get(), &LabelSheet::pageDelivered);
    w.sheet->printPageWithDialog();
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << Dialogs::shownMessages().join(u'|').toStdString();
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_EQ(delivered.first().first().toString(), QStringLiteral("Page envoyée à %1 (2 exemplaires)").arg(m_printer));
    const QString pdf = waitForPrintout(m_out, before, token, 120);
    ASSERT_FALSE(pdf.isEmpty()) << "no printout holding " << qPrintable(token);
    m_printed << pdf;
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    info.waitForFinished(30000);
    const QString text = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n")))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Pelorin %1 Lot 7").arg(test::kTestCode))) << text.toStdString();
    EXPECT_EQ(w.sheet->sessionPrinter(), m_printer);

    // the next time, the dialog opens on that printer; a printer that has gone is said
    PrintDialogs::setNextChoice({QStringLiteral("Absente"), 1});
    w.sheet->printPageWithDialog();
    EXPECT_EQ(PrintDialogs::lastOfferedPrinter(), m_printer);
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{QStringLiteral("L'imprimante « Absente » n'existe pas.")});
}

// Run by NoPrinterShowsTheMessageAndGoesOn in a process that cannot reach any print server, where
// every print that is attempted ends with the message: so the messages also tell whether the
// print was attempted after the page build.
TEST(SheetPrintAlone, DISABLED_PrintWithoutPrinter)
{
    const QString noPrinter = QStringLiteral("Aucune imprimante n'est installée.");
    auto unknownType = test::codeAndText();
    unknownType[1].Type = QStringLiteral("Cercle");
    auto badTaille = test::codeAndText();
    badTaille[1].Taille = QStringLiteral("huit");
    FormatTexts badFormat = clearSheet();
    badFormat.Hauteur = QStringLiteral("29,7cm");
    struct Case
    {
        const char* what;
        FormatTexts format;
        std::vector<ComponentTexts> components;
        QStringList messages;
    };
    const Case cases[] = {
        {"a good page", clearSheet(), test::codeAndText(), {noPrinter}},
        {"an unknown type still prints", clearSheet(), unknownType, {QStringLiteral("erreur de composant"), noPrinter}},
        {"a bad component value ends the command",
         clearSheet(),
         badTaille,
         {QStringLiteral("Essai.ETQ : la valeur « huit » de l'élément Taille du composant Operateur n'est pas un "
                         "nombre entier.")}},
        {"a bad format value ends the command",
         badFormat,
         test::codeAndText(),
         {QStringLiteral("Essai.ETQ : la valeur « 29,7cm » de l'élément Hauteur du format de la page n'est pas un "
                         "nombre.")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SheetWindow w;
        w.sheet->loadDescription(w.writeDescription(QStringLiteral("Essai.ETQ"), c.format, c.components));
        w.sheet->marks().rebuild(w.sheet->EtiqXML());
        Dialogs::clearShownMessages();
        w.sheet->printPage();
        EXPECT_EQ(Dialogs::shownMessages(), c.messages);
    }

    // from the selection window's button as well, and the program goes on
    SheetWindow w;
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Essai.ETQ"), clearSheet()));
    LabelSelectionWindow form(*w.sheet, w.window.get());
    Dialogs::clearShownMessages();
    QTest::mouseClick(form.findChild<QToolButton*>(QStringLiteral("printButton")), Qt::LeftButton);
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{noPrinter});
    EXPECT_NE(w.shownPage(), nullptr);
    EXPECT_TRUE(w.sheet->showPage());
}

TEST(SheetPrintAlone, NoPrinterShowsTheMessageAndGoesOn)
{
    QTemporaryDir home;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // a print server that does not exist, and no user printer settings to fall back on
    env.insert(QStringLiteral("CUPS_SERVER"), home.filePath(QStringLiteral("absent/cups.sock")));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=SheetPrintAlone.DISABLED_PrintWithoutPrinter"),
                 QStringLiteral("--gtest_also_run_disabled_tests")});
    ASSERT_TRUE(child.waitForStarted(10000));
    const bool finished = child.waitForFinished(90000);
    if (!finished) {
        child.kill();
        child.waitForFinished();
    }
    const QByteArray output = child.readAll();
    ASSERT_TRUE(finished) << "printing without a printer hangs:\n" << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

TEST(SheetPdf, ExportsTheShownPageAsAVectorPdf)
{
    SheetWindow w;
    w.sheet->loadDescription(w.writeDescription(QStringLiteral("Essai.ETQ"), clearSheet()));
    LabelSelectionWindow form(*w.sheet, w.window.get());
    doubleClickCell(form.findChild<SelectionGrid*>(QStringLiteral("labelGrid")), 1, 0);
    QTemporaryDir out;
    Dialogs::clearShownMessages();

    // the name typed without extension takes ".pdf"
    QSignalSpy delivered(w.sheet.get(), &LabelSheet::pageDelivered);
    Dialogs::setNextFileName(out.filePath(QStringLiteral("Planche")));
    w.sheet->exportPdf();
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << Dialogs::shownMessages().join(u'|').toStdString();
    const QString pdf = out.filePath(QStringLiteral("Planche.pdf"));
    ASSERT_TRUE(QFileInfo::exists(pdf));
    ASSERT_EQ(delivered.size(), 1);
    EXPECT_EQ(delivered.first().first().toString(), QStringLiteral("Page exportée : %1").arg(pdf));

    const QString text = test::pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Opérateur"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Modéle : Essai"))) << text.toStdString();
    EXPECT_EQ(test::pdfImageCount(pdf), 0) << "barcodes and texts should be vectors";
    QString png;
    const QImage page = test::rasterise(pdf, 300, out, &png);
    ASSERT_FALSE(page.isNull());
    EXPECT_TRUE(test::zbarRead(png).contains(test::kTestCode));
    EXPECT_GT(darkPixels(page, 300, kLabel1Inside), 0);
    EXPECT_EQ(darkPixels(page, 300, kLabel2Inside), 0);
    EXPECT_GT(darkPixels(page, 300, kLabel2BottomEdge), 0);
    EXPECT_GT(darkPixels(page, 300, kFrameRightEdge), 0);

    // cancelled: nothing written, nothing said
    const QStringList before = QDir(out.path()).entryList(QDir::Files);
    w.sheet->exportPdf();
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files), before);
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());

    // a folder that does not exist: the reason, and no file
    Dialogs::setNextFileName(out.filePath(QStringLiteral("absent/Planche.pdf")));
    w.sheet->exportPdf();
    EXPECT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(out.filePath(QStringLiteral("absent/Planche.pdf"))));
    // neither the cancelled export nor the failed one claims a page went out
    EXPECT_EQ(delivered.size(), 1);
}

} // namespace
} // namespace pelorin
