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
    ui->versionLabel->setText(QStringLiteral("Version ") + LireVersion());
    QFont bold = ui->versionLabel->font();
    bold.setBold(true);
    ui->versionLabel->setFont(bold);
    QPalette pal = ui->versionLabel->palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Highlight));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
    ui->versionLabel->setPalette(pal);
    ui->versionLabel->setContentsMargins(6, 2, 6, 2);
    ui->versionLabel->adjustSize();
    ui->versionLabel->move(32, 52);

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
