#include "app/widgets/widgetkit.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace pelorin {

QIcon themeIcon(const QString& freedesktopName, QStyle::StandardPixmap fallback)
{
    QIcon icon = QIcon::fromTheme(freedesktopName);
    if (icon.isNull() || icon.availableSizes().isEmpty())
        icon = QApplication::style()->standardIcon(fallback);
    return icon;
}

QWidget* labeled(QWidget* field, const QString& caption, QLabel** labelOut)
{
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* label = new QLabel(caption, box);
    label->setBuddy(field);
    layout->addWidget(label);
    layout->addWidget(field);
    if (field->accessibleName().isEmpty())
        field->setAccessibleName(caption.trimmed());
    if (labelOut)
        *labelOut = label;
    return box;
}

void setHint(QWidget* control, const QString& hint)
{
    control->setToolTip(hint);
    control->setStatusTip(hint);
    control->setAccessibleName(hint);
}

} // namespace pelorin
