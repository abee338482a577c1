#include "scan/ui/serialsettingsdialog.h"
#include "ui_serialsettingsdialog.h"

#include "base/ui/dialogs.h"
#include "scan/ui/serialsettingbox.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

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

SerialSettingsDialog::SerialSettingsDialog(SerialLink* link, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::SerialSettingsDialog>())
{
    ui->setupUi(this);
    // a tool window with only its close box
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    const std::pair<SerialSettingBox*, SerialSetting> selectors[] = {
        {ui->portCombo, SerialSetting::Port},         {ui->baudCombo, SerialSetting::BaudRate},
        {ui->dataBitsCombo, SerialSetting::DataBits}, {ui->parityCombo, SerialSetting::Parity},
        {ui->stopBitsCombo, SerialSetting::StopBits},
    };
    for (auto [box, setting] : selectors) {
        box->setSetting(setting);
        box->setLink(link);
    }
    // the banner spans the window, however wide the selectors make it
    ui->bannerImage->setPixmap(bannerPicture(qMax(kBannerWidth, ui->settingsPanel->sizeHint().width())));
}

SerialSettingsDialog::~SerialSettingsDialog() = default;

int SerialSettingsDialog::endCharacter() const
{
    return ui->endCharacterSpin->value();
}

void SerialSettingsDialog::showEvent(QShowEvent* event)
{
    // a scanner plugged in since the last showing is offered; the choices made stay
    ui->portCombo->refreshItems();
    QDialog::showEvent(event);
    // a system without a readable list of ports still works with the port named; the operator is
    // told once why the list is short
    const QString error = ui->portCombo->listError();
    if (!error.isEmpty() && error != m_reportedListError) {
        m_reportedListError = error;
        QTimer::singleShot(0, this, [this, error] { Dialogs::error(this, error); });
    }
}

} // namespace pelorin
