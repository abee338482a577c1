#pragma once
#include "config/printhistory.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QLabel;
class QTimer;
class QToolButton;

namespace pelorin {

class MainWindow;
class ScanWindow;
struct TakenCode;

namespace journal {
class JournalWorker;
}

// The journal in the program: every page printed or exported from the main window and every code the
// scan window takes is recorded; the tool bar button "Journal" (Ctrl+J) opens the journal window, and
// the main window's status bar says while entries wait to be sent. Recording never stops a print or
// a scan: a journal that cannot be written is reported after the print, or in the scan window's
// status bar, and the entry waits.
class JournalHooks : public QObject, public PrintHistory
{
    Q_OBJECT

public:
    JournalHooks(MainWindow& mainWindow, ScanWindow& scanForm);
    ~JournalHooks() override;

    // The journal recording runs on, off the window's thread.
    journal::JournalWorker& journal() { return *m_journal; }
    // "Journal", modal over the main window.
    void showJournal();
    // Sends what waits when the store may be back; the status text follows.
    void refreshStatus();

    // PrintHistory, for the configuration lists: the pages printed, PDF exports included, whose code
    // carries `code` in the list's field.
    bool printed(RefList list, const QString& code) override;

private:
    void recordPrint(bool toFile, const QString& output, int copies);
    void recordScan(const TakenCode& taken);

    MainWindow& m_mainWindow;
    ScanWindow& m_scanForm;
    void showRecorded(const QString& message, int tag);

    std::unique_ptr<journal::JournalWorker> m_journal;
    QPointer<QToolButton> m_button;
    QPointer<QLabel> m_status;
    QTimer* m_timer;
};

} // namespace pelorin
