#pragma once
#include "editor/sheetsearch.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace pelorin {

// "Choisir une planche standard": the sheets found by the words typed (a reference or words of the
// description) and the maker and paper chosen, with a drawing of the current one's layout, its labels
// across and down and their size. "Choisir" hands the sheet to the page editor, which fills the
// "Nouvelle page" fields with it; the page itself is made by "CREER".
class SheetChooser : public QDialog
{
    Q_OBJECT

public:
    SheetChooser(const QList<SheetTemplate>& sheets, QWidget* parent = nullptr);

    // The position of the chosen sheet in the list given, -1 when none is.
    int chosenSheet() const;

private:
    void refresh();
    void showCurrent();

    const QList<SheetTemplate>& m_sheets;
    QList<int> m_shown; // positions of the sheets listed, row by row
    QLineEdit* m_search = nullptr;
    QComboBox* m_brand = nullptr;
    QComboBox* m_paper = nullptr;
    QListWidget* m_list = nullptr;
    QWidget* m_drawing = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_choose = nullptr;
};

} // namespace pelorin
