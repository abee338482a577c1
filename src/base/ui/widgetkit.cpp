#include "base/ui/widgetkit.h"

#include <QApplication>
#include <QScreen>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPainterPath>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
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

// Draws one picture, designed on a 24 by 24 grid, at every size a tool bar asks for at 100 % and
// 200 % scaling, so that none is blown up from a small bitmap.
template <typename Draw> QIcon drawnIcon(Draw draw)
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 96}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

const QColor kOutline(60, 60, 60);

// A sheet with its corner folded and a red band reading PDF: a plain white page reads as disabled.
void drawPdfPage(QPainter& p)
{
    QPainterPath sheet;
    sheet.moveTo(4.5, 1.5);
    sheet.lineTo(15.5, 1.5);
    sheet.lineTo(19.5, 5.5);
    sheet.lineTo(19.5, 22.5);
    sheet.lineTo(4.5, 22.5);
    sheet.closeSubpath();
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.drawLine(QPointF(15.5, 1.5), QPointF(15.5, 5.5));
    p.drawLine(QPointF(15.5, 5.5), QPointF(19.5, 5.5));
    p.setPen(QPen(QColor(120, 120, 120), 1));
    for (const qreal y : {7.5, 9.5})
        p.drawLine(QPointF(7, y), QPointF(14, y));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 30, 30));
    p.drawRoundedRect(QRectF(1.5, 12, 21, 8), 1.5, 1.5);
    QFont font(QStringLiteral("Sans Serif"));
    font.setBold(true);
    font.setPixelSize(7);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(1.5, 12, 21, 8), Qt::AlignCenter, QStringLiteral("PDF"));
}

// A hand-held code reader aiming its red beam at a few bars.
void drawScanner(QPainter& p)
{
    p.setPen(QPen(QColor(30, 30, 30), 1));
    for (const qreal x : {15.5, 17.5, 18.5, 20.5, 22.0})
        p.drawLine(QPointF(x, 14), QPointF(x, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 40, 40, 150));
    QPolygonF beam;
    beam << QPointF(11, 7.5) << QPointF(23, 17) << QPointF(14, 17);
    p.drawPolygon(beam);
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(QColor(70, 110, 170));
    QPainterPath head;
    head.addRoundedRect(QRectF(1.5, 2.5, 12, 7), 2.5, 2.5);
    QPainterPath grip;
    grip.moveTo(4, 8.5);
    grip.lineTo(8.5, 8.5);
    grip.lineTo(7, 21.5);
    grip.lineTo(3.5, 21.5);
    grip.closeSubpath();
    p.drawPath(head.united(grip));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 200, 80));
    p.drawEllipse(QPointF(10, 5), 1.2, 1.2); // the ready light
}

// Two green arrows chasing each other round: codes go in on their own.
void drawRepeat(QPainter& p)
{
    const QColor green(40, 150, 60);
    p.setPen(QPen(green, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF ring(4, 4, 16, 16);
    p.drawArc(ring, 30 * 16, 130 * 16);
    p.drawArc(ring, 210 * 16, 130 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(green);
    QPolygonF head;
    head << QPointF(0, -3.6) << QPointF(3.6, 0) << QPointF(-1.2, 2);
    for (const int angle : {30, 210}) {
        p.save();
        p.translate(12, 12);
        p.rotate(-angle);
        p.translate(8, 0);
        p.rotate(-90);
        p.drawPolygon(head);
        p.restore();
    }
}

} // namespace

QIcon barcodeScannerIcon()
{
    return drawnIcon([](QPainter& p) {
        // a label with its bars
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(1.5, 4.5, 21, 15), 1.5, 1.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 20, 20));
        const double bars[][2] = {{4, 1.2},    {6, 0.6},  {7.6, 1.6},  {10, 0.6},  {11.4, 1.2},
                                  {13.6, 0.6}, {15, 1.8}, {17.6, 0.6}, {18.8, 1.2}};
        for (const auto& bar : bars)
            p.drawRect(QRectF(bar[0], 7, bar[1], 10));
        // the scanner's line across them
        p.setPen(QPen(QColor(220, 30, 30), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(0.8, 12), QPointF(23.2, 12));
    });
}

QIcon pdfIcon()
{
    return drawnIcon([](QPainter& p) {
        // the sheet with a folded corner
        QPainterPath sheet;
        sheet.moveTo(4.5, 1.5);
        sheet.lineTo(15, 1.5);
        sheet.lineTo(19.5, 6);
        sheet.lineTo(19.5, 22.5);
        sheet.lineTo(4.5, 22.5);
        sheet.closeSubpath();
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(Qt::white);
        p.drawPath(sheet);
        p.drawLine(QPointF(15, 1.5), QPointF(15, 6));
        p.drawLine(QPointF(15, 6), QPointF(19.5, 6));
        // the red band that says what the file is
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 30, 30));
        p.drawRect(QRectF(2, 11, 20, 8));
        QFont font(QStringLiteral("Sans"));
        font.setPixelSize(7);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(2, 11, 20, 8), Qt::AlignCenter, QStringLiteral("PDF"));
    });
}

QIcon themeIcon(const QString& freedesktopName, QStyle::StandardPixmap fallback)
{
    // the themes' pictures for these are missing, a pale blank page, or a grey disc: the program's own
    // drawings keep them recognisable and never looking disabled
    if (freedesktopName == QLatin1String("x-office-document"))
        return drawnIcon(drawPdfPage);
    if (freedesktopName == QLatin1String("scanner"))
        return drawnIcon(drawScanner);
    if (freedesktopName == QLatin1String("media-playlist-repeat"))
        return drawnIcon(drawRepeat);
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

void nameFieldsByTheirCaptions(QWidget* window)
{
    for (QLabel* label : window->findChildren<QLabel*>()) {
        QWidget* field = label->buddy();
        if (!field || !field->accessibleName().isEmpty())
            continue;
        // "&&" is a shown ampersand, a lone "&" marks the mnemonic
        QString caption = label->text();
        caption.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(u'&').replace(u'\x01', u'&');
        field->setAccessibleName(caption.trimmed());
    }
}

void setHint(QWidget* control, const QString& hint)
{
    control->setToolTip(hint);
    control->setStatusTip(hint);
    control->setAccessibleName(hint);
}

void tieToOpener(QWidget* window)
{
    shrinkToScreen(window);
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

QValidator::State UpperCaseValidator::validate(QString& input, int&) const
{
    input = input.toUpper();
    return QValidator::Acceptable;
}

void showRefusal(QWidget* field, const QString& why)
{
    QApplication::beep();
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), why, field);
}

void nameOverflowButton(QToolBar* bar)
{
    if (auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"), Qt::FindDirectChildrenOnly))
        setHint(more, QStringLiteral("Autres boutons"));
}

QRect fittedGeometry(const QRect& wanted, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return wanted;
    QRect target;
    qint64 bestArea = 0;
    for (const QRect& s : screens) {
        const QRect seen = s.intersected(wanted);
        const qint64 area = qint64(seen.width()) * seen.height();
        if (area > bestArea) {
            bestArea = area;
            target = s;
        }
    }
    if (bestArea == 0) {
        qint64 best = -1;
        for (const QRect& s : screens) {
            const QPoint d = s.center() - wanted.center();
            const qint64 dist = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
            if (best < 0 || dist < best) {
                best = dist;
                target = s;
            }
        }
    }
    const QSize room = (target.size() - kFrameAllowance).expandedTo(QSize(1, 1));
    QRect r(wanted.topLeft(), wanted.size().boundedTo(room));
    r.moveLeft(qBound(target.left(), r.left(), target.left() + room.width() - r.width()));
    r.moveTop(qBound(target.top(), r.top(), target.top() + room.height() - r.height()));
    return r;
}

void shrinkToScreen(QWidget* window)
{
    const QScreen* screen = window->screen();
    if (QWidget* parent = window->parentWidget())
        screen = parent->screen();
    if (!screen)
        return;
    const QSize room = (screen->availableGeometry().size() - kFrameAllowance).expandedTo(window->minimumSize());
    const QSize size = window->size();
    if (size.width() > room.width() || size.height() > room.height())
        window->resize(size.boundedTo(room));
}

} // namespace pelorin
