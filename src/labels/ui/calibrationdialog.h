#pragma once
#include <QDialog>

#include "labels/calibration.h"

class QDoubleSpinBox;

namespace pelorin {

// "Calibrer l'imprimante": prints a printer's calibration page and takes the offset and scale the
// operator measured on it, stored for that printer on this workstation when accepted.
class CalibrationDialog : public QDialog
{
    Q_OBJECT
public:
    // Opens on the values stored for `printer`.
    explicit CalibrationDialog(const QString& printer, QWidget* parent = nullptr);

    QString printer() const { return m_printer; }
    PrinterCalibration values() const;

    // Stores the values and closes; an error (a file that cannot be written) is shown and the
    // dialog stays open with what was typed.
    void accept() override;

public slots:
    // Prints the calibration page on the printer, without its stored calibration.
    void printCalibrationPage();

private:
    QString m_printer;
    QDoubleSpinBox* m_dx;
    QDoubleSpinBox* m_dy;
    QDoubleSpinBox* m_sx;
    QDoubleSpinBox* m_sy;
};

} // namespace pelorin
