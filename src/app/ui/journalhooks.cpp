#include "app/ui/journalhooks.h"

#include "app/cli/labelpage.h"
#include "app/ui/mainwindow.h"
#include "base/error.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "journal/journal.h"
#include "journal/journalreader.h"
#include "journal/journalworker.h"
#include "journal/recording.h"
#include "journal/search.h"
#include "journal/ui/journalform.h"
#include "labels/ui/labelsheet.h"
#include "labels/ui/printing.h"
#include "scan/codesource.h"
#include "scan/decode.h"
#include "scan/scansession.h"
#include "scan/ui/scanwindow.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLabel>
#include <QShortcut>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <atomic>
#include <memory>

namespace pelorin {

namespace {

// How long a list edit waits for the journal to say whether a code was printed.
constexpr int kLookupWaitMilliseconds = 2000;

// What a recording's message is about: a print's is shown once the job has gone, a scan's in the scan
// window's status bar.
enum RecordTag { PrintRecord, ScanRecord };

journal::Settings journalSettings(QWidget* parent)
{
    try {
        return journal::Settings::load();
    } catch (const Error& e) {
        // an unreadable settings file leaves the journal in the data folder rather than nowhere
        Dialogs::error(parent, e.message() + QStringLiteral("\nLe journal est tenu dans le dossier des données."));
        return {};
    }
}

} // namespace

JournalHooks::JournalHooks(MainWindow& mainWindow, ScanWindow& scanForm)
    : m_mainWindow(mainWindow), m_scanForm(scanForm),
      m_journal(std::make_unique<journal::JournalWorker>(journalSettings(&mainWindow))), m_timer(new QTimer(this))
{
    m_button = new QToolButton;
    m_button->setObjectName(QStringLiteral("journalButton"));
    m_button->setIcon(themeIcon(QStringLiteral("x-office-spreadsheet"), QStyle::SP_FileDialogDetailedView));
    setHint(m_button, QStringLiteral("Journal"));
    m_button->setShortcut(QKeySequence(QStringLiteral("Ctrl+J")));
    // as the other tool bar commands: the shortcut in the hint, no Tab stop
    m_button->setToolTip(QStringLiteral("Journal (%1)").arg(m_button->shortcut().toString(QKeySequence::NativeText)));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_mainWindow.commandBar()->addSeparator();
    m_mainWindow.commandBar()->addWidget(m_button);
    connect(m_button, &QToolButton::clicked, this, &JournalHooks::showJournal);

    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("JournalPanel"));
    m_status->setAccessibleName(QStringLiteral("État du journal"));
    m_mainWindow.statusBar()->addPermanentWidget(m_status);

    m_mainWindow.sheet().setOutputRecorder(
        [this](bool toFile, const QString& output, int copies) { recordPrint(toFile, output, copies); });
    connect(m_scanForm.session(), &ScanSession::codeTaken, this, &JournalHooks::recordScan);

    // entries held in memory only are lost with the program: closing says so and asks first. It never
    // waits on the network for more than a moment: what the journal is still sending stays in the
    // outbox, and goes next time.
    m_mainWindow.addCloseCheck([this] {
        const QDeadlineTimer deadline(journal::JournalWorker::kCloseWaitMilliseconds);
        m_journal->finishBy(deadline);
        const auto left = std::make_shared<std::atomic<qint64>>(0);
        qint64 unsaved = 0;
        const bool answered = m_journal->runAndWait(
            [left](journal::Journal& j) {
                // the outbox or the store may take them now
                if (j.unsaved() > 0)
                    j.flush(true);
                *left = j.unsaved();
            },
            deadline);
        if (answered)
            unsaved = *left;
        else
            // the journal still waits on the store: what it was given is put in the outbox from here
            unsaved = m_journal->unsaved() + m_journal->saveInFlight();
        if (unsaved == 0)
            return true;
        return Dialogs::question(&m_mainWindow,
                                 QStringLiteral("%1 entrées du journal ne sont enregistrées nulle part : ni le journal "
                                                "ni sa file d'envoi n'ont pu les prendre (%2).\nElles seront perdues "
                                                "si le programme se ferme. Fermer quand même ?")
                                     .arg(unsaved)
                                     .arg(m_journal->triedPlaces()),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    });
    connect(m_journal.get(), &journal::JournalWorker::recorded, this, &JournalHooks::showRecorded);
    connect(m_journal.get(), &journal::JournalWorker::statusChanged, this, [this] {
        if (m_status)
            m_status->setText(m_journal->statusText());
    });

    // entries that wait are sent as soon as the store answers again
    connect(m_timer, &QTimer::timeout, this, &JournalHooks::refreshStatus);
    m_timer->start(5000);
    QTimer::singleShot(0, this, &JournalHooks::refreshStatus);
    m_mainWindow.setPrintHistory(this);
}

JournalHooks::~JournalHooks()
{
    m_mainWindow.setPrintHistory(nullptr);
}

bool JournalHooks::printed(RefList list, const QString& code)
{
    journal::Filter filter;
    filter.kind = journal::EntryKind::Print;
    switch (list) {
    case RefList::Systemes:
        filter.system = code;
        break;
    case RefList::Lieux:
        filter.place = code;
        break;
    case RefList::Parfums:
        filter.perfume = code;
        break;
    }
    // asked while the operator edits a list: on a thread of its own, with a journal of its own, and
    // waited for a moment only; a server that does not answer leaves the answer unknown, and the list
    // warns as it does for a journal that cannot be read
    struct Answer
    {
        std::atomic<int> printed{-1};
        QString error; // set before `printed` becomes 2
    };
    const auto answer = std::make_shared<Answer>();
    QThread* search = QThread::create([answer, settings = m_journal->settings(), filter] {
        try {
            journal::Journal reader(settings);
            answer->printed = journal::Search(reader.store(), filter).countEntries() > 0 ? 1 : 0;
        } catch (...) {
            answer->error = currentErrorMessage();
            answer->printed = 2;
        }
    });
    search->setObjectName(QStringLiteral("journal lookup"));
    QObject::connect(search, &QThread::finished, search, &QObject::deleteLater);
    journal::waitForAtExit(search);
    search->start();
    search->wait(QDeadlineTimer(kLookupWaitMilliseconds));
    switch (answer->printed.load()) {
    case 0:
        return false;
    case 1:
        return true;
    case 2:
        throw Error(answer->error);
    default:
        throw Error(QStringLiteral("le journal n'a pas répondu en %1 s").arg(kLookupWaitMilliseconds / 1000));
    }
}

void JournalHooks::showJournal()
{
    guarded(&m_mainWindow, [&] {
        // the window reads through a journal of its own, on a thread of its own
        journal::JournalForm form(m_journal->settings(), QString(), &m_mainWindow);
        // a print chosen in the journal is printed again as it was, with the configuration in use
        form.setPagePrinter([this](const journal::PageToReprint& page, const QString& printer) {
            return cli::printAgain(page, printer, m_mainWindow.configuration());
        });
        shrinkToScreen(&form);
        form.exec();
    });
    refreshStatus();
}

void JournalHooks::refreshStatus()
{
    m_journal->flush();
}

void JournalHooks::showRecorded(const QString& message, int tag)
{
    if (tag == ScanRecord) {
        // never a message box here: it would take the keyboard scanner's characters away from the edit box
        if (auto* bar = m_scanForm.findChild<QStatusBar*>(QStringLiteral("statusBar")))
            bar->showMessage(QString(message).replace(u'\n', u' '));
        return;
    }
    Dialogs::error(&m_mainWindow, message);
}

void JournalHooks::recordPrint(bool toFile, const QString& output, int copies)
{
    try {
        LabelSheet& sheet = m_mainWindow.sheet();
        journal::PrintedPage page;
        page.code = m_mainWindow.code();
        page.operatorText = m_mainWindow.operatorText();
        page.model = QFileInfo(sheet.EtiqXML().fileName()).fileName();
        const SelectionMarks& marks = sheet.marks();
        const QStringList lines = m_mainWindow.incrementalLines();
        for (int n = 1; n <= marks.columns() * marks.rows(); ++n)
            if (marks.isLabelMarked(n))
                page.labels << n;
        if (!page.labels.isEmpty()) {
            page.firstText = lines.value(page.labels.first() - 1);
            page.lastText = lines.value(page.labels.last() - 1);
        }
        const LabelDescription& description = sheet.EtiqXML();
        page.description = description.bytes();
        if (description.printsIncrementalText())
            for (int n : std::as_const(page.labels))
                page.allTexts << lines.value(n - 1);
        page.medium = toFile ? journal::Medium::PdfFile : journal::Medium::Printer;
        page.output = output;
        page.copies = copies;
        if (!toFile)
            page.dpi = report::printerResolution(output);
        const CodeDecoder decoder(m_mainWindow.configuration());
        // its message comes back once the job has gone: it must not hold the print up
        m_journal->record(journal::printEntry(page, decoder), PrintRecord);
    } catch (...) {
        const QString message = currentErrorMessage();
        QTimer::singleShot(0, &m_mainWindow, [this, message] { Dialogs::error(&m_mainWindow, message); });
    }
}

void JournalHooks::recordScan(const TakenCode& taken)
{
    // a sheet read back from its file holds codes scanned before, already on record or imported apart
    if (taken.source == kFileSource)
        return;
    try {
        // a read that is not a whole code that decodes is recorded as a failed read, never as a scan
        m_journal->record(journal::scanEntry(taken.code, taken.texts, taken.problem, taken.source), ScanRecord);
    } catch (...) {
        showRecorded(currentErrorMessage(), ScanRecord);
    }
}

} // namespace pelorin
