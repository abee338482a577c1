#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class AboutBox;
}

namespace pelorin {

// "A propos ... ": the program's picture, name, version, and its terms (aboutbox.ui).
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
    ~AboutBox() override;

    // Opens tied to the window that shows it, so it never hides behind the main window it blocks.
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::AboutBox> ui;
};

} // namespace pelorin
