#pragma once
#include <QString>
#include <QStringList>
#include <memory>

#include "app/cli/startoptions.h"

class QDialog;

namespace pelorin {

class DataFolderLock;
class MainWindow;
class ConfigurationWindow;
class LabelSelectionWindow;
class AboutBox;
class ScanWindow;
class JournalHooks;

// The whole program: the command line when its first argument is a command, else the windows.
int runProgram(int argc, char** argv);

class ProgramWindows;
// Opens a file named on the command line: a label page description becomes the main window's page
// (as "Charger une page d'étiquettes." opens it); a sheet of scanned codes opens the scan window on
// its codes once the event loop runs.
void openStartFile(ProgramWindows& windows, const QString& file);

// What a file named on the command line is: a sheet of scanned codes (.SCB, or a first line
// "ScanCode") or else a label page description.
bool isScanSheet(const QString& path);

// Loads Qt's own French texts, so that standard buttons read "Oui", "Non", "Annuler". False when
// the translations are not installed (the buttons then stay in English).
// What Qt leaves in English in the print dialog is then ours in French (base/frenchtexts.h).
bool installQtTranslations();

// The program's windows, created in their order, each running its own preparation; they live
// until the program ends. The main window is created first and destroyed last, since the others
// work on what it owns. They hold the data folder for their whole life: when another copy of the
// program holds it, they say so and write no configuration; when they hold it, what a killed save
// left there is removed first.
class ProgramWindows
{
public:
    // `pauseMs`: how long the main window's preparation ends by waiting, the splash window on screen.
    explicit ProgramWindows(int pauseMs = 0);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    MainWindow& mainWindow() const { return *m_mainWindow; }
    ConfigurationWindow& configurationWindow() const { return *m_configurationWindow; }
    LabelSelectionWindow& selectionWindow() const { return *m_form4; }
    AboutBox& aboutBox() const { return *m_aboutBox; }
    ScanWindow& scanWindow() const { return *m_scanForm; }
    JournalHooks& journalHooks() const { return *m_journalHooks; }

    // Whether another copy of the program held the data folder at start.
    bool folderInUse() const;

private:
    std::unique_ptr<DataFolderLock> m_lock;
    std::unique_ptr<MainWindow> m_mainWindow;
    std::unique_ptr<ConfigurationWindow> m_configurationWindow;
    std::unique_ptr<LabelSelectionWindow> m_form4;
    std::unique_ptr<AboutBox> m_aboutBox;
    std::unique_ptr<ScanWindow> m_scanForm;
    std::unique_ptr<JournalHooks> m_journalHooks;
};

} // namespace pelorin
