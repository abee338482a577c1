#pragma once
#include "editor/sheettemplates.h"

#include <QDialog>
#include <QString>

class QShowEvent;
class QTabWidget;

namespace pelorin {

class ConfigurationHost;
class LabelValues;
class ListsPage;
class PageEditorPage;

// The configuration window "Configuration": the reference lists and manual mode on the tab
// "Configuration des listes", the label page editor on "Editeur de page d'étiquettes". Created once
// at start-up after the main window and shown modally from its toolbar; the editor's tab is in
// front the first time, afterwards the tab in front when it was last closed.
class ConfigurationWindow : public QDialog
{
    Q_OBJECT

public:
    // `host` gives the main window's configuration and manual mode, `values` the live values of the
    // labels; `sheetFolder` is the label-sheet database offered by the editor (none when empty).
    ConfigurationWindow(ConfigurationHost& host, LabelValues& values, QWidget* parent = nullptr,
                        const QString& sheetFolder = standardSheetFolder());

    QTabWidget* tabs() const { return m_tabs; }
    ListsPage* listsPage() const { return m_lists; }
    PageEditorPage* editorPage() const { return m_editor; }

    // Opens tied to the window that shows it (pelorin::tieToOpener), centred on that window's screen.
    void setVisible(bool visible) override;
    // Closing (the close button, Escape) asks first when the editor's page has unsaved changes.
    void done(int result) override;

protected:
    // Every showing: "Code manuel" from the manual-mode flag first, then the editor's text parsed,
    // its grid rebuilt and its preview redrawn and fitted.
    void showEvent(QShowEvent* event) override;

private:
    QTabWidget* m_tabs = nullptr;
    ListsPage* m_lists = nullptr;
    PageEditorPage* m_editor = nullptr;
};

} // namespace pelorin
