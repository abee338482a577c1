#pragma once
#include <QDialog>
#include <QPointer>
#include <memory>

namespace Ui {
class LabelSelectionWindow;
}

namespace pelorin {

class LabelSheet;

// The label selection window "Etiquettes": which labels of the main window's sheet receive their
// components, and whether the page shows the margin frame and the label outlines. Its controls
// show the main window's marks model and change it; every change redisplays the page. The window is
// laid out in labelselectionwindow.ui; this class wires it.
class LabelSelectionWindow : public QDialog
{
    Q_OBJECT

public:
    // Rebuilds the grid from the main window's description at once, which builds and fits the
    // first page, and again whenever the main window opens another description.
    explicit LabelSelectionWindow(LabelSheet& sheet, QWidget* parent = nullptr);
    ~LabelSelectionWindow() override;

    // Marks every label of the current description, sizes the grid's cells to the sheet, then
    // shows the main window's page and fits its zoom. A description that cannot give its rows
    // and columns shows the message and marks nothing.
    void rebuildGrid();

    // Opens tied to the window that shows it (pelorin::tieToOpener), at its left, clear of its preview.
    void setVisible(bool visible) override;

private:
    void syncSwitches();

    // the controls of labelselectionwindow.ui: printButton, marginsCheck, outlinesCheck, labelGrid
    std::unique_ptr<Ui::LabelSelectionWindow> ui;
    QPointer<LabelSheet> m_sheet;
};

} // namespace pelorin
