#pragma once
#include "config/configfile.h"

#include <QWidget>
#include <memory>

class QLineEdit;
class QListWidget;

namespace Ui {
class ListsPage;
}

namespace pelorin {

class ConfigurationHost;

// The tab "Configuration des listes" of the configuration window (listspage.ui): adds systems,
// production places and perfumes to the main window's configuration (a system's letter in capitals,
// every code unique within its list), shows the entries each list holds, changes or removes one of
// them (double-click or Return, Delete, or the list's context menu), resets it, and switches manual
// mode. Every change is saved at once; a save that fails shows
// the system's message and the change stays in memory for the next save.
class ListsPage : public QWidget
{
    Q_OBJECT

public:
    explicit ListsPage(ConfigurationHost& host, QWidget* parent = nullptr);
    ~ListsPage() override;

    // Sets "Code manuel" from the manual-mode flag, and shows the lists as they stand; the window does
    // it first at every showing.
    void showManualMode();

    // The question "Effacer tout" asks.
    static QString resetQuestion();

private:
    void addSystem();
    void addPlace();
    void addPerfume();
    void resetConfiguration();
    void manualModeClicked();
    // A code another entry of its list already has is refused with a message naming both; false then.
    bool codeIsFree(RefList list, QLineEdit* codeEdit);
    // Runs a list edit, shows its error if any, then lets the main window show the lists as they now
    // stand (the document keeps the change even when the save failed).
    template <typename Edit> void editLists(Edit edit);
    void showEntries();
    // The entry at `position` of `list`, in "Modifier l'entrée" or removed. An entry the journal shows
    // already printed loses its code only once the operator has agreed.
    void editEntry(RefList list, int position);
    void removeEntry(RefList list, int position);
    bool entryMayChange(RefList list, int position, const QString& oldCode, const QString& name, const QString& code);
    // Whether the operator lets `code` go, after the journal's warning when it shows it printed.
    bool mayDropCode(RefList list, const QString& name, const QString& code, bool removing);
    void wireEntryCommands(QListWidget* view, RefList list);
    QListWidget* view(RefList list) const;

    std::unique_ptr<Ui::ListsPage> ui;
    ConfigurationHost& m_host;
};

} // namespace pelorin
