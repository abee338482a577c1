#pragma once
#include <QIcon>
#include <QString>
#include <QStyle>

class QAbstractButton;
class QLabel;
class QWidget;

// Small pieces every window uses.
namespace pelorin {

// An icon of the desktop's icon theme (freedesktop name), or the style's own standard icon when the
// theme has none, so that no tool button is ever blank.
QIcon themeIcon(const QString& freedesktopName, QStyle::StandardPixmap fallback);

// A caption above a field, the caption being the field's buddy (screen readers announce the field
// by it). Returns the container to put in a layout; the field keeps its objectName.
QWidget* labeled(QWidget* field, const QString& caption, QLabel** labelOut = nullptr);

// An icon-only tool button's hint: tooltip, status tip and accessible name at once.
void setHint(QWidget* control, const QString& hint);

} // namespace pelorin
