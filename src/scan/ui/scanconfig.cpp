#include "scan/ui/scanconfig.h"

#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "scan/ui/comcombobox.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace pelorin {

namespace {

constexpr int kBannerWidth = 280;

// The banner: two hand scanners reading a barcode, drawn here so that no outside art ships. The
// picture is centred in `width`, the sky filling the rest.
QPixmap bannerPicture(int width)
{
    QPixmap pixmap(width, 60);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 60);
    sky.setColorAt(0, QColor(32, 64, 112));
    sky.setColorAt(1, QColor(88, 136, 196));
    p.fillRect(pixmap.rect(), sky);
    p.translate((width - kBannerWidth) / 2, 0);

    // a barcode on a white label
    p.fillRect(QRect(96, 12, 92, 38), Qt::white);
    const int widths[] = {2, 1, 1, 3, 2, 1, 1, 2, 3, 1, 2, 1, 1, 3, 1, 2, 2, 1, 3, 1, 1, 2, 1, 2};
    int x = 102;
    for (int i = 0; i < int(std::size(widths)) && x < 182; ++i) {
        if (i % 2 == 0)
            p.fillRect(QRect(x, 16, widths[i] * 2, 24), Qt::black);
        x += widths[i] * 2;
    }
    QFont font = p.font();
    font.setPixelSize(7);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(96, 40, 92, 10), Qt::AlignCenter, QStringLiteral("RS-232"));

    // a scanner on each side, its red beam across the code
    auto scanner = [&p](bool left) {
        QPainterPath body;
        const qreal s = left ? 1 : -1, o = left ? 14 : 266;
        body.moveTo(o, 8);
        body.lineTo(o + s * 56, 14);
        body.lineTo(o + s * 60, 26);
        body.lineTo(o + s * 30, 30);
        body.lineTo(o + s * 24, 56);
        body.lineTo(o + s * 10, 56);
        body.lineTo(o + s * 12, 28);
        body.closeSubpath();
        p.setPen(QPen(QColor(20, 20, 20), 1.5));
        p.setBrush(QColor(236, 180, 40));
        p.drawPath(body);
        p.setPen(QPen(QColor(230, 30, 30, 200), 2));
        p.drawLine(QPointF(o + s * 60, 20), QPointF(left ? 140 : 142, 28));
    };
    scanner(true);
    scanner(false);
    return pixmap;
}

} // namespace

TScanconfig::TScanconfig(TCustomComPort* port, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Scanconfig"));
    setWindowTitle(QStringLiteral("Scanconfig"));
    // a tool window with only its close box
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(bannerPicture(kBannerWidth));
    Image1->setAccessibleName(QStringLiteral("Scanners de codes-barres"));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

    auto selector = [this, port](const char* name, TComProperty property) {
        auto* box = new TComComboBox(Panel1);
        box->setObjectName(QString::fromLatin1(name));
        box->setComProperty(property);
        box->setComPort(port);
        box->setAutoApply(true);
        return box;
    };
    ComComboBox4 = selector("ComComboBox4", cpPort);
    ComComboBox1 = selector("ComComboBox1", cpBaudRate);
    ComComboBox2 = selector("ComComboBox2", cpDataBits);
    ComComboBox3 = selector("ComComboBox3", cpParity);
    ComComboBox5 = selector("ComComboBox5", cpStopBits);
    ComComboBox4->setMinimumContentsLength(7);
    ComComboBox4->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    codefin = new QSpinBox(Panel1);
    codefin->setObjectName(QStringLiteral("codefin"));
    codefin->setRange(0, 255);
    codefin->setValue(13);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    auto* selectors = new QHBoxLayout;
    selectors->setSpacing(4);
    selectors->addWidget(labeled(ComComboBox4, QStringLiteral("Port")), 2);
    selectors->addWidget(labeled(ComComboBox1, QStringLiteral("Vitesse")), 1);
    selectors->addWidget(labeled(ComComboBox2, QStringLiteral("Bits")), 1);
    selectors->addWidget(labeled(ComComboBox3, QStringLiteral("Parité")), 1);
    selectors->addWidget(labeled(ComComboBox5, QStringLiteral("Stop")), 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(labeled(codefin, QStringLiteral("Code fin")));
    bottom->addStretch(1);
    bottom->addWidget(BitBtn1, 0, Qt::AlignBottom);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(6, 6, 6, 6);
    panelLayout->addLayout(selectors);
    panelLayout->addLayout(bottom);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Image1, 0, Qt::AlignHCenter);
    layout->addWidget(Panel1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // the labelled selectors join the window after the button: Tab goes left to right, then "OK"
    QWidget* order[] = {ComComboBox4, ComComboBox1, ComComboBox2, ComComboBox3, ComComboBox5, codefin, BitBtn1};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    // the banner spans the window, however wide the selectors make it
    Image1->setPixmap(bannerPicture(qMax(kBannerWidth, Panel1->sizeHint().width())));
}

int TScanconfig::endCharacter() const
{
    return codefin->value();
}

void TScanconfig::showEvent(QShowEvent* event)
{
    // a scanner plugged in since the last showing is offered; the choices made stay
    ComComboBox4->refreshItems();
    QDialog::showEvent(event);
    // a system without a readable list of ports still works with the port named; the operator is
    // told once why the list is short
    const QString error = ComComboBox4->select().listError();
    if (!error.isEmpty() && error != m_reportedListError) {
        m_reportedListError = error;
        QTimer::singleShot(0, this, [this, error] { Dialogs::error(this, error); });
    }
}

} // namespace pelorin
