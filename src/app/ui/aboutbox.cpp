#include "app/ui/aboutbox.h"

#include "app/ui/pictures.h"
#include "base/ui/widgetkit.h"
#include "base/version.h"
#include "ui_aboutbox.h"

#include <QGuiApplication>
#include <QScreen>

namespace pelorin {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::AboutBox>())
{
    ui->setupUi(this);
    ui->programIcon->setPixmap(emblemPicture(64));
    QFont big = ui->productNameLabel->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    ui->productNameLabel->setFont(big);
    ui->versionLabel->setText(QStringLiteral("Version   ") + LireVersion());
    connect(ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    setFixedWidth(360);
}

AboutBox::~AboutBox() = default;

void AboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void AboutBox::setVisible(bool visible)
{
    if (visible && !isVisible())
        tieToOpener(this);
    QDialog::setVisible(visible);
}

} // namespace pelorin
