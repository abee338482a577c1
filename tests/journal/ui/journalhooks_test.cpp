#include "journal/journalfixture.h"

#include "app/ui/journalhooks.h"
#include "app/ui/mainwindow.h"
#include "app/ui/startup.h"
#include "base/paths.h"
#include "base/ui/dialogs.h"
#include "journal/journal.h"
#include "journal/search.h"
#include "journal/ui/journalform.h"
#include "journal/ui/journalmodel.h"
#include <QFile>
#include "journal/database.h"
#include "labels/ui/labelsheet.h"
#include "scan/ui/scanwindow.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace pelorin;
using namespace pelorin::journal;
using pelorin::test::JournalTest;

namespace {

class JournalInProgram : public JournalTest
{
protected:
    void SetUp() override
    {
        JournalTest::SetUp();
        if (IsSkipped())
            return;
        DataFolder::setRoot(m_data.path());
        Settings s = m_settings;
        s.sqlitePath.clear(); // the data folder's own journal
        s.saveFile(m_data.file(QStringLiteral("Config/journal.ini")));
    }
    test::TempDataFolder m_data;
};

QList<Entry> entries(Journal& journal, std::optional<EntryKind> kind)
{
    Filter f;
    f.kind = kind;
    QList<Entry> found;
    Search(journal.store(), f).forEachEntry([&](const Row& r) { found << r.entry; });
    return found;
}

} // namespace

TEST_P(JournalInProgram, PrintedExportedAndScannedCodesAreRecorded)
{
    ProgramWindows windows;
    MainWindow& mainWindow = windows.mainWindow();
    Journal& journal = windows.journalHooks().journal();

    const QString pdf = m_data.file(QStringLiteral("page.pdf"));
    Dialogs::setNextFileName(pdf);
    QTest::mouseClick(mainWindow.findChild<QToolButton*>(QStringLiteral("exportPdfButton")), Qt::LeftButton);
    ASSERT_TRUE(QFileInfo::exists(pdf));
    QList<Entry> printed = entries(journal, EntryKind::Print);
    ASSERT_EQ(printed.size(), 1);
    const Entry& page = printed[0];
    EXPECT_EQ(page.medium, Medium::PdfFile);
    EXPECT_EQ(page.output, pdf);
    EXPECT_EQ(page.code, mainWindow.code());
    EXPECT_EQ(page.code.size(), 22);
    EXPECT_FALSE(page.decoded[4].isEmpty());
    EXPECT_NE(page.decoded[4], QStringLiteral("Erreur"));
    EXPECT_GT(page.labelCount, 0);
    EXPECT_TRUE(page.labels.startsWith(QStringLiteral("1")));
    EXPECT_FALSE(page.model.isEmpty());
    // the description as it was read for the page, kept under its fingerprint
    QFile etq(mainWindow.sheet().EtiqXML().fileName());
    ASSERT_TRUE(etq.open(QIODevice::ReadOnly));
    const QByteArray description = etq.readAll();
    EXPECT_EQ(page.fingerprint, pageFingerprint(description));
    EXPECT_EQ(journal.store().pageDescription(page.fingerprint), description);

    if (!qEnvironmentVariableIsEmpty("PELORIN_TEST_PRINTER") && !QPrinterInfo::defaultPrinter().isNull()) {
        QTest::mouseClick(mainWindow.findChild<QToolButton*>(QStringLiteral("printButton")), Qt::LeftButton);
        printed = entries(journal, EntryKind::Print);
        ASSERT_EQ(printed.size(), 2);
        EXPECT_EQ(printed[0].medium, Medium::Printer);
        EXPECT_EQ(printed[0].output, QPrinterInfo::defaultPrinter().printerName());
    }

    // a keyboard scanner, automatic insertion on
    ScanWindow& scan = windows.scanWindow();
    scan.show();
    scan.findChild<QToolButton*>(QStringLiteral("autoInsertButton"))->setChecked(true);
    QTest::keyClicks(scan.findChild<QLineEdit*>(QStringLiteral("codeEdit")), mainWindow.code());
    QTest::keyClicks(scan.findChild<QLineEdit*>(QStringLiteral("codeEdit")), QStringLiteral("B25012515LAV5930036606"));
    scan.hide();
    // the code that does not decode is a read to check, never a scan
    const QList<Entry> scanned = entries(journal, EntryKind::Scan);
    ASSERT_EQ(scanned.size(), 1);
    EXPECT_EQ(scanned[0].code, mainWindow.code());
    EXPECT_EQ(scanned[0].source, QStringLiteral("clavier"));
    EXPECT_TRUE(scanned[0].error.isEmpty());
    const QList<Entry> misread = entries(journal, EntryKind::Misread);
    ASSERT_EQ(misread.size(), 1);
    EXPECT_EQ(misread[0].code, QStringLiteral("B25012515LAV5930036606"));
    EXPECT_EQ(misread[0].source, QStringLiteral("clavier"));
    EXPECT_EQ(misread[0].error, QStringLiteral("Date impossible : jour 366 de l'année 2006"));
    Dialogs::clearShownMessages();

    // Ctrl+J opens the journal window over the main window
    bool shown = false;
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<JournalForm*>(w); form && form->isVisible()) {
                shown = form->windowTitle() == QStringLiteral("Journal") && form->model()->rowCount() >= 3;
                form->close();
            }
    });
    watch.start();
    mainWindow.show();
    mainWindow.activateWindow();
    auto* button = mainWindow.findChild<QToolButton*>(QStringLiteral("journalButton"));
    ASSERT_TRUE(button);
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Journal"));
    EXPECT_EQ(button->shortcut(), QKeySequence(QStringLiteral("Ctrl+J")));
    button->animateClick();
    QTRY_VERIFY(shown);
}

PELORIN_BOTH_ENGINES(JournalInProgram);
