#include "journal/journalfixture.h"

#include "app/ui/journalhooks.h"
#include "app/ui/mainwindow.h"
#include "app/ui/startup.h"
#include "base/error.h"
#include "base/paths.h"
#include "base/ui/dialogs.h"
#include "journal/journal.h"
#include "journal/journalworker.h"
#include "journal/outbox.h"
#include "journal/search.h"
#include "journal/ui/journalform.h"
#include "journal/ui/journalmodel.h"
#include <QFile>
#include "journal/database.h"
#include "labels/ui/labelsheet.h"
#include "scan/ui/scanwindow.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSet>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <unistd.h>

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
    // recording runs on the hooks' own thread: the test reads the journal through a connection of its own
    Journal journal(Settings::load());

    const QString pdf = m_data.file(QStringLiteral("page.pdf"));
    Dialogs::setNextFileName(pdf);
    QTest::mouseClick(mainWindow.findChild<QToolButton*>(QStringLiteral("exportPdfButton")), Qt::LeftButton);
    ASSERT_TRUE(QFileInfo::exists(pdf));
    QTRY_COMPARE(entries(journal, EntryKind::Print).size(), 1);
    QList<Entry> printed = entries(journal, EntryKind::Print);
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
        QTRY_COMPARE(entries(journal, EntryKind::Print).size(), 2);
        printed = entries(journal, EntryKind::Print);
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
    QTRY_COMPARE(entries(journal, std::nullopt).size(), printed.size() + 2);
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

// The program closes while its journal waits on a PostgreSQL server that accepts connections and never
// answers, with entries given to it still to be recorded: closing waits a moment, not for the server,
// asks nothing (every entry is kept), and the entries are in the outbox, to be sent next time.
TEST(JournalInProgramOnSilentServer, ClosesWithoutWaitingForTheServerAndKeepsTheEntries)
{
    test::SilentServer server;
    ASSERT_TRUE(server.listening());
    test::TempDataFolder data;
    DataFolder::setRoot(data.path());
    const Settings settings = server.settings();
    settings.saveFile(data.file(QStringLiteral("Config/journal.ini")));

    QList<Entry> scans;
    for (int n = 0; n < 3; ++n)
        scans << test::sampleEntry(EntryKind::Scan, n);
    Dialogs::clearShownMessages();
    QString outboxPath;
    QElapsedTimer closing;
    {
        ProgramWindows windows;
        JournalWorker& worker = windows.journalHooks().journal();
        // every entry tries the server, each for as long as the server is given to answer
        worker.runAndWait([&](Journal& j) {
            j.setRetryDelay(0);
            outboxPath = j.outboxPath();
        });
        for (const Entry& e : scans)
            worker.record(e);
        // a list edit asks whether a perfume was printed: the answer stays unknown, said as the
        // journal's silence, and the lists then warn as for a journal that cannot be read
        try {
            windows.journalHooks().printed(RefList::Parfums, QStringLiteral("LAV"));
            ADD_FAILURE() << "a silent journal gave an answer";
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("n'a pas répondu"))) << e.message().toStdString();
        }
        windows.mainWindow().show();
        closing.start();
        EXPECT_TRUE(windows.mainWindow().close());
    }
    // a check that closing does not wait for the server, with a wide margin: not a speed goal
    EXPECT_LT(closing.elapsed(), 5000);
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << Dialogs::shownMessages().join(u' ').toStdString();
    QSet<QString> kept;
    Outbox outbox(outboxPath);
    for (const auto& [position, entry] : outbox.oldest(100))
        kept << entry.id;
    for (const Entry& e : scans)
        EXPECT_TRUE(kept.contains(e.id)) << e.id.toStdString();
}
