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
class Journal;
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

    journal::Journal& journal() { return *m_journal; }
    // "Journal", modal over the main window.
    void showJournal();
    // Updates the status text, sending what waits when the store may be back.
    void refreshStatus();

    // PrintHistory, for the configuration lists: the pages printed, PDF exports included, whose code
    // carries `code` in the list's field.
    bool printed(RefList list, const QString& code) override;

private:
    void recordPrint(bool toFile, const QString& output, int copies);
    void recordScan(const TakenCode& taken);

    MainWindow& m_mainWindow;
    ScanWindow& m_scanForm;
    std::unique_ptr<journal::Journal> m_journal;
    QPointer<QToolButton> m_button;
    QPointer<QLabel> m_status;
    QTimer* m_timer;
};

} // namespace pelorin
