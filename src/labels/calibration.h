#pragma once
#include <QSizeF>
#include <QString>
#include <QTransform>

#include "labels/reportpage.h"

// Per-printer calibration: a printer that puts the sheet a little off (the paper fed askew, a
// roller that stretches) gets an offset and a scale applied to everything printed on it. The
// values belong to this workstation and this printer, not to a page description: they live in the
// user's own settings (printers.ini under the XDG configuration folder), under the host's name.
namespace pelorin {

struct PrinterCalibration
{
    double dx = 0.0, dy = 0.0;     // millimetres, to the right and downwards
    double sx = 100.0, sy = 100.0; // per cent

    bool isIdentity() const { return dx == 0.0 && dy == 0.0 && sx == 100.0 && sy == 100.0; }
    bool operator==(const PrinterCalibration&) const = default;
};

// What a measurement can reasonably give: an offset of 50 mm or a scale off by 10 % is no
// calibration but a wrong paper or a mistyped value.
inline constexpr double kMostCalibrationOffsetMm = 50.0;
inline constexpr double kLeastCalibrationScale = 90.0, kMostCalibrationScale = 110.0;

// Error naming the value out of its range ("Décalage horizontal hors limites : 60 mm (de -50 à 50 mm).").
void checkCalibration(const PrinterCalibration& calibration);

// The settings file: $XDG_CONFIG_HOME/pelorin/printers.ini (~/.config when unset).
QString calibrationFile();
// The values stored for `printer` on this workstation; none stored (or unreadable) is no correction.
PrinterCalibration loadCalibration(const QString& printer);
// Stores them (identity values remove the printer's entry); Error when they are out of range or
// the file cannot be written, the file then left as it was.
void saveCalibration(const QString& printer, const PrinterCalibration& calibration);

// The values as shown to the operator: "dx = 1,5 mm  dy = -0,5 mm  sx = 100 %  sy = 99,8 %".
QString calibrationText(const PrinterCalibration& calibration);

// Painter coordinates of the page (`unitsPerInch` a inch) to the device's: scaled about the paper's
// top-left corner, then shifted.
QTransform calibrationTransform(const PrinterCalibration& calibration, double unitsPerInch);

// Where the page puts its crosses, in millimetres from the paper's top-left corner: A near the
// top-left corner, B the same distance from the right edge, C from the bottom edge.
inline constexpr double kCrossInsetMm = 20.0;

// The calibration page on paper of `paperInches`: millimetre rulers along the top and left edges,
// crosses A, B and C, and the operator's instructions for `printer`.
report::Page calibrationPage(QSizeF paperInches, const QString& printer);

} // namespace pelorin
