#pragma once
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QSpinBox;

namespace pelorin {

class TCustomComPort;
class TComComboBox;

// The serial settings of the scan window's port: five selectors bound to it, each choice applied
// at once, and the end character of a received code. Nothing here is stored between runs.
class TScanconfig : public QDialog
{
    Q_OBJECT

public:
    explicit TScanconfig(TCustomComPort* port, QWidget* parent = nullptr);

    // The end character of a code received over the serial line, 0 to 255.
    int endCharacter() const;

    QLabel* Image1;
    QFrame* Panel1;
    TComComboBox* ComComboBox4; // port
    TComComboBox* ComComboBox1; // speed
    TComComboBox* ComComboBox2; // data bits
    TComComboBox* ComComboBox3; // parity
    TComComboBox* ComComboBox5; // stop bits
    QSpinBox* codefin;
    QPushButton* BitBtn1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString m_reportedListError;
};

} // namespace pelorin
