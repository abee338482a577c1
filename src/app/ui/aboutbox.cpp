#include "app/ui/aboutbox.h"

#include "app/ui/pictures.h"
#include "base/version.h"
#include "base/ui/widgetkit.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace pelorin {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("A propos ... "));
    setModal(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setLineWidth(2);

    ProgramIcon = new QLabel(panel);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(emblemPicture(64));
    ProgramIcon->setFixedSize(64, 64);
    ProgramIcon->setAccessibleName(QStringLiteral("PELORIN"));

    ProductName = new QLabel(QStringLiteral("PELORIN"), panel);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont big = ProductName->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.6);
    ProductName->setFont(big);

    Version = new QLabel(QStringLiteral("Version   ") + LireVersion(), panel);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Comments = new QLabel(QStringLiteral("Gratuit et sans garanties"), panel);
    Comments->setObjectName(QStringLiteral("Comments"));

    Copyright =
        new QLabel(QStringLiteral("Étiquettes de traçabilité en code barre et lecture des codes scannés."), panel);
    Copyright->setObjectName(QStringLiteral("Copyright"));
    Copyright->setWordWrap(true);

    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setHorizontalSpacing(16);
    grid->addWidget(ProgramIcon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(ProductName, 0, 1);
    grid->addWidget(Version, 1, 1);
    grid->addWidget(Copyright, 2, 0, 1, 2);
    grid->addWidget(Comments, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setAutoDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(panel);
    layout->addWidget(OKButton);
    setFixedWidth(360);
}

void TAboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TAboutBox::setVisible(bool visible)
{
    if (visible && !isVisible())
        tieToOpener(this);
    QDialog::setVisible(visible);
}

} // namespace pelorin
