#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

namespace pelorin {

// "A propos ... ": the program's picture, name, version, and its terms.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Comments = nullptr;
    QLabel* Copyright = nullptr;
    QPushButton* OKButton = nullptr;

    // Opens tied to the window that shows it, so it never hides behind the main window it blocks.
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace pelorin
