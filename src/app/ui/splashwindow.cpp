#include "app/ui/splashwindow.h"

#include "app/ui/pictures.h"
#include "base/version.h"
#include "ui_splashwindow.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace pelorin {

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      ui(std::make_unique<Ui::SplashWindow>())
{
    ui->setupUi(this);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(splashPicture().size());

    // "Version " and the version string, in bold on the highlight colour
    ui->Label1->setText(QStringLiteral("Version ") + LireVersion());
    QFont bold = ui->Label1->font();
    bold.setBold(true);
    ui->Label1->setFont(bold);
    QPalette pal = ui->Label1->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Highlight));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
    ui->Label1->setPalette(pal);
    ui->Label1->setContentsMargins(6, 2, 6, 2);
    ui->Label1->adjustSize();
    ui->Label1->move(32, 52);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

SplashWindow::~SplashWindow() = default;

void SplashWindow::paintEvent(QPaintEvent*)
{
    static const QPixmap picture = splashPicture();
    QPainter p(this);
    p.drawPixmap(0, 0, picture);
}

} // namespace pelorin
