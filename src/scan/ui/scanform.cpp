#include "scan/ui/scanform.h"

#include "base/error.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "code/codelayout.h"
#include "scan/comport.h"
#include "scan/decode.h"
#include "scan/scangrid.h"
#include "scan/scbfile.h"
#include "scan/ui/scanconfig.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace pelorin {

namespace {

const QString kScbFilter = QStringLiteral("Fichiers code barre (*.SCB);;Tous (*.*)");
const QString kScbSuffix = QStringLiteral("SCB");
constexpr int kRowHeight = 26;
constexpr int kColumnWidths[ScanGrid::kColumnCount] = {40, 160, 120, 60, 120, 55, 120, 120, 80};

// Draws a cell as the sheet shows it: the number column in the button-face colour, the others
// white, black text broken at words and line breaks (the soap packaging's two lines), "&" as is.
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
        painter->save();
        painter->setPen(Qt::black);
        painter->setFont(option.font);
        const int align = (fixed ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop | Qt::TextWordWrap;
        painter->drawText(option.rect.adjusted(2, 0, -2, 0), align, text);
        painter->restore();
    }
};

} // namespace

TscanForm::TscanForm(ConfigFile& config, QWidget* parent)
    : QDialog(parent), m_decoder(std::make_unique<CodeDecoder>(config)), m_grid(new ScanGrid(*m_decoder, this))
{
    setObjectName(QStringLiteral("scanForm"));
    setWindowTitle(QStringLiteral("Scancode"));
    resize(900, 600);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFixedHeight(35);
    ToolBar1->setIconSize(QSize(22, 22));
    nameOverflowButton(ToolBar1);

    ToolButton1 = addButton("ToolButton1", QStringLiteral("edit-delete"), QStyle::SP_DialogResetButton,
                            QStringLiteral("Vider la feuille."));
    ToolButton6 = addButton("ToolButton6", QStringLiteral("document-open"), QStyle::SP_DialogOpenButton,
                            QStringLiteral("Ouvrir un fichier de codes."));
    // the save button has no hint; screen readers still get a name
    ToolButton2 = addButton("ToolButton2", QStringLiteral("document-save"), QStyle::SP_DialogSaveButton, QString());
    ToolButton2->setAccessibleName(QStringLiteral("Enregistrer les codes."));
    ToolBar1->addSeparator();
    ToolButton4 = addButton("ToolButton4", QStringLiteral("preferences-system"), QStyle::SP_ComputerIcon,
                            QStringLiteral("Configurer la liaison."));
    ToolBar1->addSeparator();

    Edit1 = new QLineEdit(ToolBar1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(184);
    Edit1->setAccessibleName(QStringLiteral("ScanCode"));
    // the box has no caption on the tool bar: while empty it says what lands in it
    Edit1->setPlaceholderText(QStringLiteral("ScanCode"));
    Edit1->installEventFilter(this);
    ToolBar1->addWidget(Edit1);
    ToolBar1->addSeparator();

    ps2bouton =
        addButton("ps2bouton", QStringLiteral("input-keyboard"), QStyle::SP_DesktopIcon, QStringLiteral("Scanner PS2"));
    usbbouton = addButton("usbbouton", QStringLiteral("drive-removable-media"), QStyle::SP_DriveFDIcon,
                          QStringLiteral("Scanner USB"));
    seriebouton =
        addButton("seriebouton", QStringLiteral("modem"), QStyle::SP_DriveNetIcon, QStringLiteral("Scanner RS232."));
    m_modeGroup = new QButtonGroup(this);
    m_modeGroup->setExclusive(true);
    for (auto [button, tag] : {std::pair{ps2bouton, Ps2}, std::pair{usbbouton, Usb}, std::pair{seriebouton, Serie}}) {
        button->setCheckable(true);
        button->setProperty("Tag", int(tag));
        m_modeGroup->addButton(button, tag);
    }
    ps2bouton->setChecked(true);
    ToolBar1->addSeparator();

    autobouton = addButton("autobouton", QStringLiteral("media-playlist-repeat"), QStyle::SP_BrowserReload,
                           QStringLiteral("Insertion automatique."));
    autobouton->setCheckable(true);
    ajoutCode =
        addButton("ajoutCode", QStringLiteral("list-add"), QStyle::SP_DialogApplyButton, QStringLiteral("Ajouter"));

    StringGrid1 = new QTableView(this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setAccessibleName(QStringLiteral("Scancode"));
    QFont gridFont(QStringLiteral("Courier New"));
    gridFont.setPixelSize(11);
    StringGrid1->setFont(gridFont);
    StringGrid1->setModel(m_grid);
    StringGrid1->setItemDelegate(new ScanCellDelegate(StringGrid1));
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setShowGrid(true);
    StringGrid1->setWordWrap(true);
    // fixed row heights: a view of 100 000 rows never measures a row
    QHeaderView* rows = StringGrid1->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(kRowHeight);
    rows->setMinimumSectionSize(kRowHeight);
    rows->hide();
    // the header row is the view's own header, which stays in sight while the rows scroll
    QHeaderView* columns = StringGrid1->horizontalHeader();
    columns->setFont(gridFont);
    columns->setDefaultSectionSize(120);
    columns->setDefaultAlignment(Qt::AlignCenter);
    columns->setHighlightSections(false);
    columns->setSectionsClickable(false);
    columns->setFixedHeight(kRowHeight);
    for (int c = 0; c < ScanGrid::kColumnCount; ++c)
        columns->resizeSection(c, kColumnWidths[c]);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(StringGrid1, 1);
    layout->addWidget(StatusBar1);

    connect(ToolButton1, &QToolButton::clicked, this, &TscanForm::ToolButton1Click);
    connect(ToolButton6, &QToolButton::clicked, this, &TscanForm::ToolButton6Click);
    connect(ToolButton2, &QToolButton::clicked, this, &TscanForm::ToolButton2Click);
    connect(ToolButton4, &QToolButton::clicked, this, &TscanForm::ToolButton4Click);
    connect(Edit1, &QLineEdit::textChanged, this, &TscanForm::Edit1Change);
    // scanners end a code with Enter: one that comes while the box holds part of a code marks it
    connect(Edit1, &QLineEdit::returnPressed, this, [this] {
        const qsizetype length = Edit1->text().size();
        if (autobouton->isChecked() && length > 0 && length < kCodeLength)
            m_incomplete = true;
    });
    connect(m_modeGroup, &QButtonGroup::idClicked, this, &TscanForm::ChoixScannerChange);
    connect(ajoutCode, &QToolButton::clicked, this, &TscanForm::ajoutCodeClick);

    // the RS-232 scanner: COM1 at 9600 bits per second, 8 data bits, no parity, 1 stop bit, no flow
    // control, DTR and RTS held off; closed until the RS232 button is clicked
    ComPort1 = new TComPort(this);
    ComPort1->setPort(QStringLiteral("COM1"));
    ComPort1->setBaudRate(br9600);
    ComPort1->setDataBits(dbEight);
    ComPort1->Parity().setBits(prNone);
    ComPort1->setStopBits(sbOneStopBit);
    ComPort1->setEvents(kAllComEvents);
    ComPort1->FlowControl().setOutCTSFlow(false);
    ComPort1->FlowControl().setOutDSRFlow(false);
    ComPort1->FlowControl().setControlDTR(dtrDisable);
    ComPort1->FlowControl().setControlRTS(rtsDisable);
    ComPort1->FlowControl().setXonXoffOut(false);
    ComPort1->FlowControl().setXonXoffIn(false);
    ComPort1->OnRxChar = [this](QObject* sender, int count) { ComPort1RxChar(sender, count); };
    ComPort1->OnFault = [this](QObject*, const QString& message) { ComPort1Fault(message); };
    Scanconfig = new TScanconfig(ComPort1, this);
}

TscanForm::~TscanForm() = default;

QToolButton* TscanForm::addButton(const char* name, const QString& icon, int fallback, const QString& hint)
{
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoRaise(true);
    button->setFixedSize(31, 30);
    button->setIcon(themeIcon(icon, QStyle::StandardPixmap(fallback)));
    if (!hint.isEmpty())
        setHint(button, hint);
    ToolBar1->addWidget(button);
    return button;
}

TscanForm::ScannerMode TscanForm::scannerMode() const
{
    return ScannerMode(m_modeGroup->checkedId());
}

bool TscanForm::autoInsert() const
{
    return autobouton->isChecked();
}

void TscanForm::receiveCode(const QString& code)
{
    // the code replaces what the box held, so no partial scan is left in it
    m_incomplete = false;
    Edit1->setText(code);
}

void TscanForm::ajouterligne()
{
    m_grid->ajouterligne(Edit1->text());
}

void TscanForm::Edit1Change(const QString& text)
{
    // A scan that ended short leaves its characters in the box, and the next scan is appended to
    // them: its first character would complete a code made of both. Nothing is inserted until the
    // box is emptied.
    if (text.isEmpty())
        m_incomplete = false;
    if (m_readingFile || m_incomplete || !autobouton->isChecked() || text.size() != kCodeLength)
        return;
    try {
        ajouterligne();
    } catch (const Error& e) {
        // the row is in with an empty date; the code stays in the edit box for the operator to see
        Dialogs::error(this, e.message());
        return;
    }
    Edit1->clear();
}

void TscanForm::Edit1Exit()
{
    // A PS2 scanner types wherever the focus is: it is given back to the edit box once the event
    // that took it away has been handled.
    if (scannerMode() != Ps2)
        return;
    QTimer::singleShot(0, this, [this] {
        if (scannerMode() == Ps2 && isVisible() && Edit1->isEnabled())
            Edit1->setFocus(Qt::OtherFocusReason);
    });
}

void TscanForm::ChoixScannerChange(int tag)
{
    // every mode button first closes the port; RS232 opens it again with the settings as they stand
    try {
        if (ComPort1->Connected())
            ComPort1->ClosePort();
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
        return;
    }
    switch (tag) {
    case Ps2:
        Edit1->setFocus(Qt::OtherFocusReason);
        break;
    case Usb:
        break;
    case Serie:
        try {
            // characters of a code cut short when the port last closed would spoil the first code
            m_reception.clear();
            ComPort1->OpenPort();
        } catch (const Error& e) {
            // the RS232 button stays down and the port closed
            Dialogs::error(this, e.message());
        }
        break;
    }
}

void TscanForm::ComPort1RxChar(QObject*, int Count)
{
    try {
        // the end character is read anew for every chunk; several codes in one chunk are each taken
        const QStringList codes = m_reception.feed(ComPort1->readBytes(Count), Scanconfig->endCharacter());
        for (const QString& code : codes)
            receiveCode(code);
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
}

void TscanForm::ComPort1Fault(const QString& message)
{
    // the device went away (the port is closed by then, the RS232 button stays down) or a code could
    // not be handled; reception goes on where it can
    Dialogs::error(this, message);
}

void TscanForm::ajoutCodeClick()
{
    if (Edit1->text().isEmpty() || autobouton->isChecked())
        return;
    try {
        ajouterligne();
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
}

void TscanForm::ToolButton1Click()
{
    m_grid->clear();
}

void TscanForm::ToolButton2Click()
{
    const QString path = Dialogs::saveFileName(this, QString(), QString(), kScbFilter, kScbSuffix);
    if (path.isEmpty())
        return;
    try {
        writeScbFile(path, m_grid->codes());
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
}

void TscanForm::ToolButton6Click()
{
    const QString path = Dialogs::openFileName(this, QString(), QString(), kScbFilter);
    if (path.isEmpty())
        return;
    QStringList codes;
    try {
        codes = readScbFile(path);
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
        return;
    }
    // every line gives one row, automatic insertion or not, and all go in at once so that the
    // view lays out once; a date error stops at its line
    QString error;
    const int before = m_grid->codeCount();
    try {
        m_grid->appendCodes(codes);
    } catch (const Error& e) {
        error = e.message();
    }
    const int read = m_grid->codeCount() - before;
    if (read > 0) {
        m_readingFile = true;
        m_incomplete = false;
        Edit1->setText(codes.at(read - 1));
        m_readingFile = false;
    }
    if (!error.isEmpty())
        Dialogs::error(this, error);
}

void TscanForm::ToolButton4Click()
{
    Scanconfig->exec();
}

void TscanForm::FormClose()
{
    // closing hides the window and closes the port: the rows and the mode buttons stay as they are
    if (!ComPort1->Connected())
        return;
    try {
        ComPort1->ClosePort();
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
}

void TscanForm::setVisible(bool visible)
{
    if (visible)
        tieToOpener(this);
    QDialog::setVisible(visible);
}

void TscanForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Edit1->setFocus(Qt::OtherFocusReason);
}

void TscanForm::done(int result)
{
    FormClose();
    QDialog::done(result);
}

bool TscanForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Edit1 && event->type() == QEvent::FocusOut)
        Edit1Exit();
    return QDialog::eventFilter(watched, event);
}

} // namespace pelorin
