#include "app/ui/journalhooks.h"

#include "app/ui/mainwindow.h"
#include "base/paths.h"
#include "base/ui/dialogs.h"
#include "journal/entry.h"
#include "journal/journal.h"
#include "journal/journalworker.h"
#include "scan/ui/scanwindow.h"
#include "support/testsupport.h"

#include <QFile>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

QByteArray appFixture(const QString& name)
{
    QFile f(test::fixture(QStringLiteral("app/") + name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(name);
    return f.readAll();
}

// The lists ask the journal through the main window whether a code was printed: each list's field of
// the printed codes is looked up, and scans or other fields are no print of it.
TEST(JournalHooks, TellTheListsWhichCodesWerePrinted)
{
    Dialogs::clearShownMessages();
    test::TempDataFolder data;
    data.write(QStringLiteral("Config/cfg.xml"), appFixture(QStringLiteral("cfg.xml")));
    data.write(QStringLiteral("Modeles/Test.ETQ"), appFixture(QStringLiteral("Test.ETQ")));
    DataFolder::setRoot(data.path());
    MainWindow form;
    ScanWindow scan(form.configuration());
    {
        JournalHooks hooks(form, scan);
        ASSERT_EQ(form.printHistory(), &hooks);
        journal::Entry printed = journal::newEntry(journal::EntryKind::Print);
        printed.code = QStringLiteral("B25012515LAV5930033906");
        journal::Entry scanned = journal::newEntry(journal::EntryKind::Scan);
        scanned.code = QStringLiteral("S25012515CIT5941033906");
        // stored at once, on the journal's own thread
        bool stored = false;
        hooks.journal().runAndWait(
            [&](journal::Journal& j) { stored = j.record(printed).stored && j.record(scanned).stored; });
        ASSERT_TRUE(stored);

        const struct
        {
            RefList list;
            const char* code;
            bool printed;
        } cases[] = {
            {RefList::Systemes, "B", true},  {RefList::Parfums, "LAV", true},  {RefList::Lieux, "59300", true},
            {RefList::Systemes, "S", false}, {RefList::Parfums, "CIT", false}, {RefList::Lieux, "59410", false},
            {RefList::Parfums, "B", false},  {RefList::Lieux, "LAV", false},
        };
        for (const auto& c : cases)
            EXPECT_EQ(form.printHistory()->printed(c.list, QString::fromLatin1(c.code)), c.printed) << c.code;
    }
    // the hooks gone, the lists no longer ask
    EXPECT_EQ(form.printHistory(), nullptr);
}

} // namespace
} // namespace pelorin
