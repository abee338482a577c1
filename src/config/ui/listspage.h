#pragma once
#include <QWidget>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace pelorin {

class ConfigurationHost;

// The tab "Configuration des listes" of the configuration window: adds systems, production places
// and perfumes to the main window's configuration, resets it, and switches manual mode. Every change
// is saved at once; a save that fails shows the system's message and the change stays in memory
// for the next save.
class ListsPage : public QWidget
{
    Q_OBJECT

public:
    explicit ListsPage(ConfigurationHost& host, QWidget* parent = nullptr);

    // Sets "Code manuel" from the manual-mode flag; the window does it first at every showing.
    void showManualMode();

    QLineEdit* LabeledEditSyst = nullptr;
    QLineEdit* LabeledEditsystcode = nullptr;
    QPushButton* Button2 = nullptr;
    QLineEdit* LabeledEditLieux = nullptr;
    QLineEdit* LabeledEditCode = nullptr;
    QLineEdit* LabeledEditLogo = nullptr;
    QPushButton* Button3 = nullptr;
    QLineEdit* LabeledEditnomparfum = nullptr;
    QLineEdit* LabeledEditCodeParfum = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button4 = nullptr;
    QCheckBox* ChoixCodeManu = nullptr;

    // The question "Effacer tout" asks.
    static QString resetQuestion();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Fills the three read-only lists below the fields with what the configuration holds now.
    void showLists();
    void Button2Click();
    void Button3Click();
    void Button5Click();
    void Button4Click();
    void ChoixCodeManuClick();
    // Runs a list edit, shows its error if any, then lets the main window show the lists as they now
    // stand (the document keeps the change even when the save failed).
    template <typename Edit> void editLists(Edit edit);

    ConfigurationHost& m_host;
    // what each list holds, under the fields that add to it: systems, places, perfumes
    QListWidget* m_savedSystems = nullptr;
    QListWidget* m_savedPlaces = nullptr;
    QListWidget* m_savedPerfumes = nullptr;
};

} // namespace pelorin
