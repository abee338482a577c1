#pragma once
#include <QString>

// Conversions of the program's texts to numbers, with the runtime's exact messages.
// They never depend on the C library's locale: decimals use the decimal separator of the
// user's regional settings through QLocale.
namespace pelorin {

// Optional blanks, an optional sign and decimal digits; otherwise
// Error("'<text>' is not a valid integer value").
int strToInt(const QString& text);

// A decimal with the regional decimal separator (a comma under French settings); otherwise
// Error("'<text>' is not a valid floating point value").
double strToFloat(const QString& text);

// A number (non-zero is true) or the words True/False in any letter case; otherwise
// Error("'<text>' is not a valid boolean value").
bool strToBool(const QString& text);

// An integer written with at least `width` digits, zeros in front ("%.3d": 5 gives "005").
QString zeroPadded(int value, int width);

// The shortest decimal form with at most 15 significant digits and the regional separator.
QString shortestDecimal(double value);

} // namespace pelorin
