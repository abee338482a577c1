#include "scan/ui/scanwindow.h"
#include "ui_scanwindow.h"

#include "base/error.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "scan/seriallink.h"
#include "scan/filesource.h"
#include "scan/keyboardsource.h"
#include "scan/scangrid.h"
#include "scan/scansession.h"
#include "scan/scbfile.h"
#include "scan/serialsource.h"
#include "scan/ui/serialsettingsdialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QPainter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QSpinBox>
#include <QTimer>

namespace pelorin {

namespace {

const QString kScbFilter = QStringLiteral("Fichiers code barre (*.SCB);;Tous (*.*)");
const QString kScbSuffix = QStringLiteral("SCB");
constexpr int kRowHeight = 26;
// Wide enough for "RAL 5015", a soap case's "3 couche(s) / 4 rang(s)" and a read's reason on one line.
constexpr int kColumnWidths[ScanGrid::kColumnCount] = {40, 160, 120, 60, 170, 70, 120, 120, 80, 300};

// Draws a cell as the sheet shows it: the number column in the button-face colour, the others
// white, the text black (red on a read to check) and broken at words and line breaks, "&" as is.
class ScanCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool fixed = index.column() == ScanGrid::ColScan;
        painter->fillRect(option.rect, fixed ? option.palette.color(QPalette::Button) : QColor(Qt::white));
        QString text = index.data(Qt::DisplayRole).toString();
        if (text.isEmpty())
            return;
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(u'\r', u'\n');
        const QVariant foreground = index.data(Qt::ForegroundRole);
        painter->save();
        painter->setPen(foreground.canConvert<QColor>() ? foreground.value<QColor>() : QColor(Qt::black));
        painter->setFont(option.font);
        const int align = (fixed ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop | Qt::TextWordWrap;
        painter->drawText(option.rect.adjusted(2, 0, -2, 0), align, text);
        painter->restore();
    }
};

} // namespace

ScanWindow::ScanWindow(ConfigFile& config, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::ScanWindow>()), m_session(new ScanSession(config, this)),
      m_keyboard(new KeyboardCodeSource(this)), m_serial(new SerialCodeSource(this))
{
    ui->setupUi(this);
    nameOverflowButton(ui->toolBar);
    // the pause that ends a read from a scanner that sends no Return, for the operator to set
    auto* pause = new QSpinBox(this);
    pause->setObjectName(QStringLiteral("readPauseSpin"));
    pause->setRange(0, 2000);
    pause->setSingleStep(10);
    pause->setSuffix(QStringLiteral(" ms"));
    pause->setSpecialValueText(QStringLiteral("aucune pause"));
    pause->setValue(m_keyboard->pause());
    setHint(pause, QStringLiteral("Pause qui termine une lecture sans Entrée (insertion automatique)."));
    ui->toolBar->addWidget(pause);
    connect(pause, &QSpinBox::valueChanged, this, [this](int ms) { m_keyboard->setPause(ms); });

    const struct
    {
        QToolButton* button;
        const char* icon;
        QStyle::StandardPixmap fallback;
    } icons[] = {
        {ui->clearButton, "edit-delete", QStyle::SP_DialogResetButton},
        {ui->openButton, "document-open", QStyle::SP_DialogOpenButton},
        {ui->saveButton, "document-save", QStyle::SP_DialogSaveButton},
        {ui->serialSettingsButton, "preferences-system", QStyle::SP_ComputerIcon},
        {ui->ps2Button, "input-keyboard", QStyle::SP_DesktopIcon},
        {ui->usbButton, "drive-removable-media", QStyle::SP_DriveFDIcon},
        {ui->serialButton, "modem", QStyle::SP_DriveNetIcon},
        {ui->autoInsertButton, "media-playlist-repeat", QStyle::SP_BrowserReload},
        {ui->addButton, "list-add", QStyle::SP_DialogApplyButton},
    };
    for (const auto& i : icons)
        i.button->setIcon(themeIcon(QString::fromLatin1(i.icon), i.fallback));

    m_modeGroup = new QButtonGroup(this);
    m_modeGroup->setExclusive(true);
    for (QToolButton* button : {ui->ps2Button, ui->usbButton, ui->serialButton})
        m_modeGroup->addButton(button, button->property("Tag").toInt());

    QFont gridFont(QStringLiteral("Courier New"));
    gridFont.setPixelSize(11);
    ui->scanGrid->setFont(gridFont);
    ui->scanGrid->setModel(m_session->sheet());
    ui->scanGrid->setItemDelegate(new ScanCellDelegate(ui->scanGrid));
    // fixed row heights: a view of 100 000 rows never measures a row
    ui->scanGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // the header row is the view's own header, which stays in sight while the rows scroll
    QHeaderView* columns = ui->scanGrid->horizontalHeader();
    columns->setFont(gridFont);
    columns->setDefaultAlignment(Qt::AlignCenter);
    columns->setSectionsClickable(false);
    columns->setFixedHeight(kRowHeight);
    for (int c = 0; c < ScanGrid::kColumnCount; ++c)
        columns->resizeSection(c, kColumnWidths[c]);

    connect(ui->clearButton, &QToolButton::clicked, this, &ScanWindow::clearSheet);
    connect(ui->openButton, &QToolButton::clicked, this, &ScanWindow::openSheetFile);
    connect(ui->saveButton, &QToolButton::clicked, this, &ScanWindow::saveSheet);
    connect(ui->serialSettingsButton, &QToolButton::clicked, this, &ScanWindow::showSerialSettings);
    connect(m_modeGroup, &QButtonGroup::idClicked, this, &ScanWindow::scannerModeChanged);
    connect(ui->addButton, &QToolButton::clicked, this, &ScanWindow::addTypedCode);

    // the keyboard-wedge scanner types into codeEdit; the source tells where a read ends, and the box
    // is emptied for the next one
    ui->codeEdit->installEventFilter(this);
    connect(ui->autoInsertButton, &QToolButton::toggled, m_keyboard, &KeyboardCodeSource::setAutoInsert);
    connect(ui->codeEdit, &QLineEdit::textChanged, this, &ScanWindow::codeEditChanged);
    connect(ui->codeEdit, &QLineEdit::returnPressed, this, [this] { m_keyboard->enterPressed(ui->codeEdit->text()); });
    connect(m_keyboard, &KeyboardCodeSource::readEnded, ui->codeEdit, &QLineEdit::clear);

    // the RS-232 scanner: COM1 at 9600 bits per second, 8 data bits, no parity, 1 stop bit, no flow
    // control, DTR and RTS held off; closed until the RS232 button is clicked
    serialLink = m_serial->link();
    serialLink->setSettings(SerialSettings());
    m_serialSettings = new SerialSettingsDialog(serialLink, this);
    // the end character is read anew for every chunk
    m_serial->setEndCharacter([this] { return m_serialSettings->endCharacter(); });

    // The sources the window reads from, each fed to the session the same way; a new kind of
    // scanner is one more entry here.
    for (CodeSource* source : {static_cast<CodeSource*>(m_keyboard), static_cast<CodeSource*>(m_serial)})
        attachSource(source);
    // a configuration that cannot be read is a real failure, said in a message box; a read to check
    // is only marked in its row, so that a batch of scans is never held up by a dialog
    connect(m_session, &ScanSession::takeFailed, this,
            [this](const QString& message) { Dialogs::error(this, message); });
    connect(grid(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { rowsTaken(first, last); });
    connect(grid(), &QAbstractItemModel::modelReset, this, &ScanWindow::showCounts);
    showCounts();
}

ScanWindow::~ScanWindow() = default;

ScanGrid* ScanWindow::grid() const
{
    return m_session->sheet();
}

ScanWindow::ScannerMode ScanWindow::scannerMode() const
{
    return ScannerMode(m_modeGroup->checkedId());
}

bool ScanWindow::autoInsert() const
{
    return m_keyboard->autoInsert();
}

int ScanWindow::readPause() const
{
    return m_keyboard->pause();
}

void ScanWindow::setReadPause(int milliseconds)
{
    m_keyboard->setPause(milliseconds);
}

const QByteArray& ScanWindow::receptionBuffer() const
{
    return m_serial->buffer();
}

void ScanWindow::attachSource(CodeSource* source)
{
    m_session->attach(source);
    // the device went away (the port is closed by then, the RS232 button stays down) or a chunk could
    // not be read; reception goes on where it can
    connect(source, &CodeSource::failed, this, [this](const QString& message) { Dialogs::error(this, message); });
}

void ScanWindow::rowsTaken(int first, int last)
{
    for (int i = first; i <= last && i < grid()->codeCount(); ++i)
        if (!grid()->problem(i).isEmpty()) {
            // once for the reads that came together (a file read, a serial chunk)
            QApplication::beep();
            break;
        }
    showCounts();
}

void ScanWindow::showCounts()
{
    ui->statusBar->showMessage(
        QStringLiteral("%1 lectures, %2 à vérifier").arg(grid()->codeCount()).arg(grid()->problemCount()));
}

void ScanWindow::codeEditChanged(const QString& text)
{
    m_keyboard->textChanged(text);
}

void ScanWindow::codeEditLeft()
{
    // A PS2 scanner types wherever the focus is: it is given back to the edit box once the event
    // that took it away has been handled.
    if (scannerMode() != Ps2)
        return;
    QTimer::singleShot(0, this, [this] {
        if (scannerMode() == Ps2 && isVisible() && ui->codeEdit->isEnabled())
            ui->codeEdit->setFocus(Qt::OtherFocusReason);
    });
}

void ScanWindow::scannerModeChanged(int tag)
{
    // every mode button first closes the port; RS232 opens it again with the settings as they stand
    if (!guarded(this, [this] { m_serial->close(); }))
        return;
    switch (tag) {
    case Ps2:
        ui->codeEdit->setFocus(Qt::OtherFocusReason);
        break;
    case Usb:
        break;
    case Serie:
        // on failure the RS232 button stays down and the port closed
        guarded(this, [this] { m_serial->open(); });
        break;
    }
}

void ScanWindow::addTypedCode()
{
    m_keyboard->addRequested(ui->codeEdit->text());
}

void ScanWindow::clearSheet()
{
    // a read begun in the box goes with the sheet; the counts start again from nothing
    ui->codeEdit->clear();
    grid()->clear();
}

void ScanWindow::saveSheet()
{
    const QString path = Dialogs::saveFileName(this, QString(), QString(), kScbFilter, kScbSuffix);
    if (path.isEmpty())
        return;
    const QStringList codes = grid()->codes();
    if (guarded(this, [&] { writeScbFile(path, codes); }))
        ui->statusBar->showMessage(
            QStringLiteral("Codes enregistrés : %1 (%2 codes)").arg(QFileInfo(path).fileName()).arg(codes.size()));
}

void ScanWindow::openSheetFile()
{
    const QString path = Dialogs::openFileName(this, QString(), QString(), kScbFilter);
    if (!path.isEmpty())
        openSheet(path);
}

void ScanWindow::openSheet(const QString& path)
{
    // Every line gives one row, automatic insertion or not, and all go in at once so that the view
    // lays out once; a line that is not a whole code that decodes is marked in its row, and saving the
    // sheet again keeps every code. The box is left to the scanner.
    guarded(this, [&] {
        FileCodeSource file(path);
        m_session->attach(&file);
        file.read();
    });
}

void ScanWindow::showSerialSettings()
{
    m_serialSettings->exec();
}

void ScanWindow::closePort()
{
    // closing hides the window and closes the port: the rows and the mode buttons stay as they are
    guarded(this, [this] { m_serial->close(); });
}

void ScanWindow::setVisible(bool visible)
{
    if (visible)
        tieToOpener(this);
    QDialog::setVisible(visible);
}

void ScanWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ui->codeEdit->setFocus(Qt::OtherFocusReason);
}

void ScanWindow::done(int result)
{
    closePort();
    QDialog::done(result);
}

bool ScanWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->codeEdit && event->type() == QEvent::FocusOut)
        codeEditLeft();
    return QDialog::eventFilter(watched, event);
}

} // namespace pelorin
