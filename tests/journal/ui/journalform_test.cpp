#include "journal/journalfixture.h"

#include "base/ui/dialogs.h"
#include "journal/journal.h"
#include "journal/journalreader.h"
#include "journal/reprint.h"
#include "journal/ui/journalform.h"
#include "journal/ui/journalmodel.h"
#include "journal/ui/recallform.h"

#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <QScopeGuard>
#include <unistd.h>

using namespace pelorin;
using namespace pelorin::journal;
using pelorin::test::JournalTest;
using pelorin::test::sampleEntry;

namespace {

class JournalWindow : public JournalTest
{
protected:
    void SetUp() override
    {
        JournalTest::SetUp();
        if (IsSkipped())
            return;
        m_journal = std::make_unique<Journal>(m_settings, folder());
        QList<Entry> entries;
        // 450 entries: more than two pages of the table
        for (int i = 0; i < 440; ++i)
            entries << sampleEntry(i % 2 ? EntryKind::Scan : EntryKind::Print, i,
                                   QStringLiteral("B25012515LAV59300%1").arg(100 + i / 2) + QStringLiteral("06"));
        entries << sampleEntry(EntryKind::Print, 500, QStringLiteral("P%_'\\500"))
                << sampleEntry(EntryKind::Print, 501, QStringLiteral("P%_'\\501"))
                << sampleEntry(EntryKind::Scan, 502, QStringLiteral("S%XY"));
        m_journal->store().insert(entries);
        m_form = std::make_unique<JournalForm>(m_settings, folder());
        m_form->show();
        m_table = m_form->findChild<QTableView*>(QStringLiteral("TableJournal"));
        ASSERT_TRUE(m_table);
        waitForList();
    }
    void TearDown() override
    {
        m_form.reset();
        m_journal.reset();
        JournalTest::TearDown();
    }
    void search(const QString& code)
    {
        auto* edit = m_form->findChild<QLineEdit*>(QStringLiteral("EditCode"));
        edit->clear();
        QTest::keyClicks(edit, code);
        QTest::mouseClick(m_form->findChild<QPushButton*>(QStringLiteral("ButtonChercher")), Qt::LeftButton);
        waitForList();
    }
    // The list is read off the window's thread: it is shown once its first page has come.
    void waitForList() { QTRY_VERIFY_WITH_TIMEOUT(!m_form->model()->busy(), 15000); }
    void chooseView(int index)
    {
        m_form->findChild<QComboBox*>(QStringLiteral("ComboVue"))->setCurrentIndex(index);
        waitForList();
    }
    // Clicks the export button `name` and waits for the file to be written.
    template <typename Window> void exportWith(Window* window, const char* name, const QString& path)
    {
        QSignalSpy exported(window, &Window::exported);
        Dialogs::setNextFileName(path);
        QTest::mouseClick(window->template findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(exported.size(), 1, 30000);
        EXPECT_EQ(exported.at(0).at(0).toString(), path);
    }
    QString label() const { return m_form->findChild<QLabel*>(QStringLiteral("LabelCompte"))->text(); }

    std::unique_ptr<Journal> m_journal;
    std::unique_ptr<JournalForm> m_form;
    QTableView* m_table = nullptr;
};

} // namespace

TEST_P(JournalWindow, ShowsAPageAndFetchesTheNextAsTheTableScrolls)
{
    EXPECT_EQ(m_form->windowTitle(), QStringLiteral("Journal"));
    // the store in use, and that no settings file chose it
    auto* source = m_form->findChild<QLabel*>(QStringLiteral("LabelSource"));
    ASSERT_TRUE(source);
    EXPECT_TRUE(source->text().startsWith(
        QStringLiteral("Journal : %1 (réglages : aucun")
            .arg(postgres() ? QStringLiteral("PostgreSQL, service « %1 »").arg(m_settings.service)
                            : m_settings.sqlitePath)))
        << source->text().toStdString();
    EXPECT_EQ(source->accessibleName(), QStringLiteral("Journal en usage"));
    QAbstractItemModel* model = m_table->model();
    EXPECT_EQ(model->rowCount(), JournalModel::kPage);
    EXPECT_EQ(label(), QStringLiteral("200 entrées affichées, d'autres suivent"));
    // newest first
    EXPECT_EQ(model->data(model->index(0, 4)).toString(), QStringLiteral("S%XY"));
    m_table->scrollToBottom();
    QTRY_COMPARE(model->rowCount(), 2 * JournalModel::kPage);
    // each page is asked for once, however often the view asks while it comes
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            model->fetchMore(QModelIndex());
            model->fetchMore(QModelIndex());
            return !model->canFetchMore(QModelIndex());
        }(),
        15000);
    EXPECT_EQ(model->rowCount(), 443);
    EXPECT_EQ(label(), QStringLiteral("443 entrées"));
}

TEST_P(JournalWindow, FiltersAreTakenLiterallyAndTheViewsCountTheirCodes)
{
    search(QStringLiteral("%_'\\"));
    EXPECT_EQ(m_table->model()->rowCount(), 2);
    search(QStringLiteral("%"));
    EXPECT_EQ(m_table->model()->rowCount(), 3);
    search(QStringLiteral("_"));
    EXPECT_EQ(m_table->model()->rowCount(), 2);

    search(QString());
    chooseView(1); // printed, never scanned: the two P codes (the others were scanned too)
    EXPECT_EQ(m_table->model()->rowCount(), 2);
    EXPECT_EQ(label(), QStringLiteral("2 codes"));
    chooseView(2);
    EXPECT_EQ(m_table->model()->rowCount(), 1);
    EXPECT_EQ(m_table->model()->data(m_table->model()->index(0, 0)).toString(), QStringLiteral("S%XY"));
}

// A failed read shows as a read to check, the type list chooses it, and it reads no printed code.
TEST_P(JournalWindow, ShowsMisreadsApartAndNeverAsAReadOfAPrintedCode)
{
    Entry misread = sampleEntry(EntryKind::Misread, 600, QStringLiteral("P%_'\\500"));
    misread.error = QStringLiteral("Champ non reconnu : Parfum");
    m_journal->store().insert({misread});
    QAbstractItemModel* model = m_table->model();
    const auto column = [&](const QString& header) {
        for (int c = 0; c < model->columnCount(); ++c)
            if (model->headerData(c, Qt::Horizontal).toString() == header)
                return c;
        return -1;
    };
    auto* type = m_form->findChild<QComboBox*>(QStringLiteral("ComboType"));
    ASSERT_TRUE(type);
    const int misreads = type->findText(QStringLiteral("Lectures à vérifier"));
    ASSERT_EQ(misreads, type->count() - 1);
    const struct
    {
        QString item;
        qint64 entries;
        const char* shown; // the type every row shows
    } cases[] = {
        {QStringLiteral("Lectures à vérifier"), 1, "Lecture à vérifier"},
        {QStringLiteral("Lectures"), 221, "Lecture"},
        {QStringLiteral("Impressions"), 222, nullptr},
        {QStringLiteral("Tout"), 444, nullptr},
    };
    for (const auto& c : cases) {
        type->setCurrentIndex(type->findText(c.item));
        search(QString());
        ASSERT_TRUE(m_form->model()->searched());
        EXPECT_EQ(Search(m_journal->store(), m_form->model()->filter()).countEntries(), c.entries)
            << c.item.toStdString();
        if (c.shown) {
            for (int r = 0; r < model->rowCount(); ++r)
                EXPECT_EQ(model->data(model->index(r, column(QStringLiteral("Type")))).toString(),
                          QString::fromUtf8(c.shown))
                    << c.item.toStdString() << r;
        }
    }
    type->setCurrentIndex(misreads);
    search(QString());
    EXPECT_EQ(model->data(model->index(0, column(QStringLiteral("Code")))).toString(), misread.code);
    EXPECT_EQ(model->data(model->index(0, column(QStringLiteral("Erreur")))).toString(), misread.error);

    // its code stays printed and never read
    type->setCurrentIndex(0);
    chooseView(1);
    QStringList unscanned;
    for (int r = 0; r < model->rowCount(); ++r)
        unscanned << model->data(model->index(r, 0)).toString();
    unscanned.sort();
    EXPECT_EQ(unscanned, (QStringList{QStringLiteral("P%_'\\500"), QStringLiteral("P%_'\\501")}));
}

TEST_P(JournalWindow, ExportsWhatIsShownToCsvInBothEncodingsAndToPdf)
{
    search(QStringLiteral("P%"));
    const QString csv = folder() + QStringLiteral("/journal.csv");
    exportWith(m_form.get(), "ButtonCsv", csv);
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray cp1252 = f.readAll();
    f.close();
    EXPECT_TRUE(cp1252.startsWith("Date et heure,Type,Poste,Utilisateur,Code,Syst\xE8me,"))
        << cp1252.left(80).constData();
    EXPECT_EQ(cp1252.count("\r\n"), 3); // the header and the two entries
    EXPECT_TRUE(cp1252.contains(",P%_'\\501,"));

    m_form->findChild<QComboBox*>(QStringLiteral("ComboEncodage"))->setCurrentIndex(1);
    exportWith(m_form.get(), "ButtonCsv", csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray utf8 = f.readAll();
    EXPECT_TRUE(utf8.startsWith("\xEF\xBB\xBF"
                                "Date et heure,Type,Poste,Utilisateur,Code,Système,"));
    EXPECT_EQ(utf8.count("\xEF\xBB\xBF"), 1);

    const QString pdf = folder() + QStringLiteral("/journal.pdf");
    exportWith(m_form.get(), "ButtonPdf", pdf);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString shown = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(shown.contains(QStringLiteral("P%_'\\500"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("P%_'\\501")));
    EXPECT_FALSE(shown.contains(QStringLiteral("S%XY")));
    // the filter it was made with, and when
    EXPECT_TRUE(shown.contains(QStringLiteral("Filtre : code contenant « P% »"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("Établi le ")));
}

// The reconciliation view: one row per code the filter selects, labels printed against labels read,
// with the totals under the table; the recall window shows a lot's sheets, reads and totals.
TEST_P(JournalWindow, ReconcilesLabelsPerCodeAndRecallsALot)
{
    QList<Entry> lot;
    const QString printed = QStringLiteral("R25012515LAV5930033906"), extra = QStringLiteral("R25012515LAV5930033907");
    Entry print = sampleEntry(EntryKind::Print, 600, printed);
    print.medium = Medium::Printer;
    print.copies = 3;
    print.labelTotal = 12;
    lot << print;
    for (int i = 0; i < 5; ++i)
        lot << sampleEntry(EntryKind::Scan, 601 + i, printed);
    lot << sampleEntry(EntryKind::Scan, 610, extra);
    m_journal->store().insert(lot);

    auto* edit = m_form->findChild<QLineEdit*>(QStringLiteral("EditCode"));
    edit->setText(QStringLiteral("R2501"));
    chooseView(3);
    QAbstractItemModel* model = m_table->model();
    ASSERT_EQ(model->rowCount(), 2);
    const QStringList expected[] = {{printed, "12", "5", "7", "0"}, {extra, "0", "1", "0", "1"}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(model->data(model->index(r, c)).toString(), expected[r][c]) << r << "," << c;
    EXPECT_EQ(label(),
              QStringLiteral("2 codes : 12 étiquettes imprimées, 6 lues, 7 jamais lues, 1 lues sans impression"));

    QTest::mouseClick(m_form->findChild<QPushButton*>(QStringLiteral("ButtonRappel")), Qt::LeftButton);
    auto* recall = m_form->findChild<RecallForm*>();
    ASSERT_TRUE(recall);
    QSignalSpy reported(recall, &RecallForm::searched);
    QTRY_COMPARE_WITH_TIMEOUT(reported.size(), 1, 15000);
    EXPECT_EQ(recall->printsTable()->rowCount(), 1);
    EXPECT_EQ(recall->scansTable()->rowCount(), 6);
    ASSERT_EQ(recall->totalsTable()->rowCount(), 3);
    EXPECT_EQ(recall->totalsTable()->item(2, 0)->text(), QStringLiteral("Total"));
    EXPECT_EQ(recall->totalsTable()->item(2, 3)->text(), QStringLiteral("7"));
    const QString pdf = folder() + QStringLiteral("/rappel.pdf");
    exportWith(recall, "ButtonPdf", pdf);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString shown = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(shown.contains(QStringLiteral("Rappel : « R2501 »"))) << shown.toStdString();
    EXPECT_EQ(shown.count(printed), 1 + 5 + 1);
}

// The date filters take a date typed with its separators, as the main window's date does; a date no
// calendar has is refused with the reason and the filter keeps its date.
TEST_P(JournalWindow, DateFiltersTakeTypedDates)
{
    const struct
    {
        const char* typed;
        QDate date; // invalid: refused
    } cases[] = {
        {"14/07/2025", QDate(2025, 7, 14)},
        {"14.07.2025", QDate(2025, 7, 14)},
        {"3.2.2024", QDate(2024, 2, 3)},
        {"29022024", QDate(2024, 2, 29)},
        {"31/02/2025", QDate()},
    };
    m_form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    for (const char* name : {"DateProduction", "DateDebut", "DateFin"}) {
        auto* edit = m_form->findChild<QDateTimeEdit*>(QLatin1String(name));
        ASSERT_TRUE(edit) << name;
        edit->setEnabled(true);
        for (const auto& c : cases) {
            const QDateTime before(QDate(2020, 1, 1), QTime(10, 30));
            edit->setDateTime(before);
            Dialogs::clearShownMessages();
            // reached by the keyboard, as an operator reaches it
            m_form->findChild<QLineEdit*>(QStringLiteral("EditPoste"))->setFocus(Qt::TabFocusReason);
            edit->setFocus(Qt::TabFocusReason);
            ASSERT_TRUE(edit->hasFocus());
            QTest::keyClicks(edit, QLatin1String(c.typed));
            if (c.date.isValid()) {
                EXPECT_EQ(edit->date(), c.date) << name << " " << c.typed;
                // the time of a moment filter is kept
                EXPECT_EQ(edit->time(), before.time()) << name << " " << c.typed;
                EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << name << " " << c.typed;
            } else {
                EXPECT_EQ(edit->dateTime(), before) << name << " " << c.typed;
                EXPECT_EQ(Dialogs::shownMessages().size(), 1) << name << " " << c.typed;
                // Escape drops what was typed; the filter shows its own date again
                QTest::keyClick(edit, Qt::Key_Escape);
                EXPECT_EQ(edit->findChild<QLineEdit*>()->text(), before.toString(edit->displayFormat()));
            }
        }
    }
}

// Tab moves between the table's cells; Ctrl+Tab and Ctrl+Shift+Tab leave the table both ways.
TEST_P(JournalWindow, CtrlTabLeavesTheTable)
{
    m_form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    const struct
    {
        Qt::KeyboardModifiers modifiers;
        bool leaves;
    } cases[] = {{Qt::NoModifier, false}, {Qt::ControlModifier, true}, {Qt::ControlModifier | Qt::ShiftModifier, true}};
    QWidget* seen[2] = {nullptr, nullptr};
    int left = 0;
    for (const auto& c : cases) {
        m_table->setFocus(Qt::OtherFocusReason);
        m_table->setCurrentIndex(m_table->model()->index(0, 0));
        ASSERT_TRUE(m_table->hasFocus());
        QTest::keyClick(m_table, Qt::Key_Tab, c.modifiers);
        QWidget* focus = QApplication::focusWidget();
        if (!c.leaves) {
            EXPECT_EQ(focus, m_table);
            EXPECT_EQ(m_table->currentIndex().column(), 1);
            continue;
        }
        EXPECT_NE(focus, m_table);
        ASSERT_TRUE(focus);
        EXPECT_TRUE(m_form->isAncestorOf(focus));
        seen[left++] = focus;
    }
    // forward and back land on different neighbours
    EXPECT_NE(seen[0], seen[1]);
}

// "Réimprimer" prints the chosen print again through the program's printer, only a print to a printer
// whose description the journal kept, and the reprint shows in the table, linked to the first.
TEST_P(JournalWindow, ReprintsTheChosenPrintWhoseDescriptionWasKept)
{
    const QByteArray etq = "<?xml version=\"1.0\"?>\r\n<Page><Format/></Page>\r\n";
    Entry print = sampleEntry(EntryKind::Print, 600, QStringLiteral("R25012515LAV5930033906"));
    print.description = etq;
    print.fingerprint = pageFingerprint(etq);
    Entry old = sampleEntry(EntryKind::Print, 602, QStringLiteral("R25012515LAV5930033906"));
    const Entry scan = sampleEntry(EntryKind::Scan, 601, QStringLiteral("R25012515LAV5930033906"));
    m_journal->store().insert({print, scan, old});
    auto* button = m_form->findChild<QPushButton*>(QStringLiteral("ButtonReimprimer"));
    ASSERT_TRUE(button);
    EXPECT_EQ(button->text().remove(u'&'), QStringLiteral("Réimprimer"));
    search(QStringLiteral("R2501"));
    ASSERT_EQ(m_table->model()->rowCount(), 3);
    const auto choose = [&](int row) {
        QTest::mouseClick(m_table->viewport(), Qt::LeftButton, {},
                          m_table->visualRect(m_table->model()->index(row, 4)).center());
    };
    // newest first: the print from before descriptions were kept, the scan, the print
    choose(2);
    EXPECT_FALSE(button->isEnabled()); // no printer given yet

    QList<PageToReprint> printed;
    m_form->setPagePrinter([&](const PageToReprint& page, const QString& printer) {
        printed << page;
        return Reprinted{printer.isEmpty() ? QStringLiteral("Atelier") : printer, 600};
    });
    for (const auto& [row, enabled] : {std::pair{0, false}, {1, false}, {2, true}}) {
        choose(row);
        EXPECT_EQ(button->isEnabled(), enabled) << row;
    }
    QSignalSpy reprinted(m_form.get(), &JournalForm::reprinted);
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(reprinted.size(), 1, 15000);
    waitForList();
    ASSERT_EQ(printed.size(), 1);
    EXPECT_EQ(printed[0].description, etq);
    EXPECT_EQ(printed[0].first.id, print.id);
    // the table shows the reprint on top, on the printer it went to, linked to the first print
    ASSERT_EQ(m_table->model()->rowCount(), 4);
    const QStringList headers = entryHeaders();
    const auto cell = [&](int row, const QString& header) {
        return m_table->model()->data(m_table->model()->index(row, int(headers.indexOf(header)))).toString();
    };
    EXPECT_EQ(cell(0, QStringLiteral("Réimpression de")), print.id);
    EXPECT_EQ(cell(0, QStringLiteral("Imprimante ou fichier")), QStringLiteral("Atelier"));
    EXPECT_EQ(cell(0, QStringLiteral("Empreinte de la page")), print.fingerprint);
}

// A search asked for while an earlier one is still on its way: the earlier list, coming later, never
// shows over the newer one, in the table or in the count under it.
TEST_P(JournalWindow, AnEarlierSearchNeverShowsOverALaterOne)
{
    QAbstractItemModel* model = m_table->model();
    QStringList shownFirst; // the first code of every list the table showed
    QObject::connect(model, &QAbstractItemModel::modelReset, [&] {
        if (model->rowCount() > 0)
            shownFirst << model->data(model->index(0, 4)).toString();
    });
    auto* edit = m_form->findChild<QLineEdit*>(QStringLiteral("EditCode"));
    const struct
    {
        const char* name;
        bool readBeforeTheNext; // the earlier search has been read, its answer still to come
    } cases[] = {{"queued", false}, {"answered", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        shownFirst.clear();
        // the reader is held until both searches have been asked for
        QSemaphore gate, read;
        m_form->reader().ask(m_form.get(), [&](Journal&) -> JournalReader::Reply {
            gate.acquire();
            return {};
        });
        edit->setText(QStringLiteral("P%"));
        m_form->Chercher();
        if (c.readBeforeTheNext) {
            m_form->reader().ask(m_form.get(), [&](Journal&) -> JournalReader::Reply {
                read.release();
                return {};
            });
            gate.release();
            // the window's thread waits, without taking the answer, until the reader has read the first
            ASSERT_TRUE(read.tryAcquire(1, 15000));
        }
        edit->setText(QStringLiteral("S%"));
        m_form->Chercher();
        if (!c.readBeforeTheNext)
            gate.release();
        waitForList();
        QTest::qWait(100);
        EXPECT_EQ(model->rowCount(), 1);
        EXPECT_EQ(model->data(model->index(0, 4)).toString(), QStringLiteral("S%XY"));
        EXPECT_EQ(label(), QStringLiteral("1 entrées"));
        EXPECT_FALSE(shownFirst.contains(QStringLiteral("P%_'\\501"))) << shownFirst.join(u' ').toStdString();
    }
}

PELORIN_BOTH_ENGINES(JournalWindow);

// A PostgreSQL server that accepts connections and never answers: the journal window opens, searches,
// opens its recall window and closes while each try waits for the server; the window's event loop
// keeps turning all along (the longest gap between two ticks of a 50 ms timer stays far below the
// seconds a try waits), the window says it is connecting, and then that the server does not answer.
TEST(JournalWindowOnSilentServer, TheWindowKeepsTurningAndReportsTheFailureInFrench)
{
    test::SilentServer server;
    ASSERT_TRUE(server.listening());
    QTemporaryDir folder;
    const Settings settings = server.settings();
    Dialogs::clearShownMessages();

    QElapsedTimer clock;
    qint64 lastTick = 0, longestGap = 0;
    QTimer tick;
    tick.setInterval(50);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    clock.start();
    tick.start();
    {
        JournalForm form(settings, folder.path());
        form.show();
        auto* count = form.findChild<QLabel*>(QStringLiteral("LabelCompte"));
        EXPECT_EQ(count->text(), QStringLiteral("Connexion au journal…"));
        // asked again while the first try waits: the window takes it at once
        form.findChild<QLineEdit*>(QStringLiteral("EditCode"))->setText(QStringLiteral("B2501"));
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("ButtonChercher")), Qt::LeftButton);
        EXPECT_TRUE(form.model()->busy());
        QTRY_VERIFY_WITH_TIMEOUT(!Dialogs::shownMessages().isEmpty(), 30000);
        QTRY_VERIFY(!form.model()->busy());
        const QString shown = Dialogs::shownMessages().join(u'\n');
        EXPECT_TRUE(shown.startsWith(QStringLiteral("Le serveur du journal (service « silent ») ne répond pas")))
            << shown.toStdString();
        EXPECT_TRUE(count->text().contains(QStringLiteral("liste incomplète"))) << count->text().toStdString();

        // the recall window waits on the same server, and the journal window closes meanwhile
        Dialogs::clearShownMessages();
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("ButtonRappel")), Qt::LeftButton);
        auto* recall = form.findChild<RecallForm*>();
        ASSERT_TRUE(recall);
        EXPECT_EQ(recall->findChild<QLabel*>(QStringLiteral("LabelEtat"))->text(), QStringLiteral("Recherche…"));
        QTest::qWait(300);
    }
    QTest::qWait(300);
    tick.stop();
    // a check that the window never waited on the network, with a wide margin: not a speed goal
    EXPECT_LT(longestGap, 1000);
}
