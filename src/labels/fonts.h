#pragma once
#include <QFont>
#include <QString>

// Fonts as descriptions name them. Descriptions made on Windows ask for "Arial"; asking fontconfig for
// a family it does not have runs its whole fallback search at every new font, so a name is resolved
// once to an installed family and that family is used from then on.
namespace pelorin {

// The family the descriptions' texts are drawn in when they name none.
inline const QString kDescriptionFontFamily = QStringLiteral("Arial");

// The installed family a description's font name stands for, resolved once per name: the name itself
// when installed, else its metric equivalent (Arial: Liberation Sans, then Arimo), else the name as
// given (fontconfig then chooses).
QString installedFamily(const QString& family);

// A description's font: its family resolved once (installedFamily), its size in points, bold when asked.
QFont descriptionFont(const QString& family = kDescriptionFontFamily, double points = 10.0, bool bold = false);

} // namespace pelorin
