#include "app/ui/splashform.h"

#include "app/ui/pictures.h"
#include "base/version.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

namespace pelorin {

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashForm"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    const QPixmap picture = splashPicture();
    setFixedSize(picture.size());

    Label1 = new QLabel(QStringLiteral("Version ") + LireVersion(), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setAutoFillBackground(true);
    QPalette pal = Label1->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Highlight));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
    Label1->setPalette(pal);
    Label1->setContentsMargins(6, 2, 6, 2);
    Label1->adjustSize();
    Label1->move(32, 52);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TSplashForm::paintEvent(QPaintEvent*)
{
    static const QPixmap picture = splashPicture();
    QPainter p(this);
    p.drawPixmap(0, 0, picture);
}

} // namespace pelorin
