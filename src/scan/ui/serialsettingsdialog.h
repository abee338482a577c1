#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class SerialSettingsDialog;
}

namespace pelorin {

class SerialLink;

// The serial settings of the scan window's link: five selectors bound to it, each choice applied
// at once, and the end character of a received code. Nothing here is stored between runs. The
// controls are those of serialsettingsdialog.ui.
class SerialSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SerialSettingsDialog(SerialLink* link, QWidget* parent = nullptr);
    ~SerialSettingsDialog() override;

    // The end character of a code received over the serial line, 0 to 255.
    int endCharacter() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::SerialSettingsDialog> ui;
    QString m_reportedListError;
};

} // namespace pelorin
