#include "base/ui/widgetkit.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPainterPath>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace pelorin {

namespace {

// A printer in the spirit of the style's own pictograms: grey body, white sheet, paper out in front.
QIcon printerIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        const QColor outline(60, 60, 60);
        p.setPen(QPen(outline, 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6.5, 2.5, 11, 8)); // the sheet going in
        QPainterPath body;
        body.addRoundedRect(QRectF(2.5, 8.5, 19, 9), 2, 2);
        p.setBrush(QColor(150, 156, 164));
        p.drawPath(body);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6.5, 14.5, 11, 7)); // the printed sheet
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.drawLine(QPointF(8.5, 17.5), QPointF(15.5, 17.5));
        p.drawLine(QPointF(8.5, 19.5), QPointF(13.5, 19.5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 180, 75));
        p.drawEllipse(QPointF(18.5, 11.5), 1, 1); // the power light
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon themeIcon(const QString& freedesktopName, QStyle::StandardPixmap fallback)
{
    QIcon icon = QIcon::fromTheme(freedesktopName);
    if (!icon.isNull() && !icon.availableSizes().isEmpty())
        return icon;
    if (freedesktopName == QLatin1String("document-print"))
        return printerIcon();
    return QApplication::style()->standardIcon(fallback);
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

void tieToOpener(QWidget* window)
{
    if (window->parentWidget())
        return; // Qt ties it to its parent
    QWidget* opener = QApplication::activeWindow();
    if (!opener || opener == window) {
        opener = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMainWindow*>(w) && w->isVisible())
                opener = w;
    }
    if (!opener || opener == window || !opener->windowHandle())
        return;
    window->winId(); // the native window, to be given its transient parent before it is mapped
    if (QWindow* handle = window->windowHandle())
        handle->setTransientParent(opener->windowHandle());
}

void nameOverflowButton(QToolBar* bar)
{
    if (auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"), Qt::FindDirectChildrenOnly))
        setHint(more, QStringLiteral("Autres boutons"));
}

} // namespace pelorin
