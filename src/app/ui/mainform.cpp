#include "app/ui/mainform.h"

#include "app/ui/maincontrols.h"
#include "app/ui/pictures.h"
#include "base/error.h"
#include "base/files.h"
#include "base/paths.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "base/version.h"
#include "code/codelayout.h"
#include "code/dayofyear.h"
#include "code/labeltexts.h"
#include "code/rallist.h"
#include "labels/ui/labelsheet.h"
#include "labels/ui/pagepreview.h"
#include "ui_mainform.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCompleter>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTextDocument>
#include <QTimer>
#include <QScrollArea>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace pelorin {

namespace {

// The position of the item a combo box shows: the current item while the text is its own, else the
// first item of exactly that text, else -1 (a typed text that names no item).
int selectedPosition(const QComboBox* box)
{
    const int current = box->currentIndex();
    if (current >= 0 && box->itemText(current) == box->currentText())
        return current;
    return box->findText(box->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

// A tool bar button made for an action takes the name the action gives it (its "toolButton"
// property), its hint followed by the shortcut as tooltip, and the hint alone in the status bar and as
// the name a screen reader announces; it takes no Tab stop, the shortcuts reaching every command.
void nameToolButton(QToolBar* bar, QAction* action)
{
    QWidget* button = bar->widgetForAction(action);
    const QString name = action->property("toolButton").toString();
    if (!button || name.isEmpty())
        return;
    button->setObjectName(name);
    button->setFocusPolicy(Qt::NoFocus);
    if (auto* tool = qobject_cast<QToolButton*>(button))
        tool->setFixedSize(31, 31);
    const QString hint = action->statusTip();
    button->setAccessibleName(hint);
    const QString shortcut = action->shortcut().toString(QKeySequence::NativeText);
    const QString shown = shortcut.isEmpty() ? hint : QStringLiteral("%1 (%2)").arg(hint, shortcut);
    action->setToolTip(shown);
}

// A picture file as an image, or Error with the reason it cannot be read.
QImage readPicture(const QString& path)
{
    QByteArray bytes = readRegularFile(path, kMaxPictureFileBytes, QStringLiteral("l'image"));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    const QImage image = reader.read();
    if (image.isNull())
        throw Error(
            QStringLiteral("Cannot read picture \"%1\". %2").arg(QDir::toNativeSeparators(path), reader.errorString()));
    return image;
}

// The logo preview: centred, shrunk in proportion to fit 100 by 100 pixels.
QPixmap logoPixmap(const QImage& image)
{
    if (image.width() <= 100 && image.height() <= 100)
        return QPixmap::fromImage(image);
    return QPixmap::fromImage(image.scaled(100, 100, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

} // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>())
{
    ui->setupUi(this);
    m_sheet = std::make_unique<LabelSheet>(*this, this, [this](const QString& name) { m_modelPanel->setText(name); });
    connect(m_sheet.get(), &LabelSheet::pageDelivered, this, &TForm1::showDone);
    ui->Panel1->layout()->addWidget(m_sheet->preview());
    // On a small screen (a laptop at double scaling) the window may be narrower or lower than the
    // selections: they scroll, and the preview keeps what is left.
    auto* selections = new QScrollArea(ui->Central);
    selections->setObjectName(QStringLiteral("SelectionsScroller"));
    selections->setFrameShape(QFrame::NoFrame);
    selections->setWidgetResizable(true);
    selections->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    selections->setFocusPolicy(Qt::NoFocus);
    delete ui->Central->layout()->replaceWidget(ui->Panel3, selections);
    selections->setWidget(ui->Panel3);
    createStatusBar();
    nameFieldsByTheirCaptions(this);
    wireToolBar();
    wireSelectionView();
    wireManualView();
    // the selection view lies over the manual view; whoever hides it uncovers the other
    ui->Panel2->installEventFilter(this);
    // The preview joins the window after its form is laid out, and would take its Tab stop right
    // after the texts' tab bar: the label texts follow the tab bar, the preview comes last.
    QWidget* chain[] = {ui->PageControl1, ui->Text2,        ui->memotexte,     ui->ToolButton3,
                        ui->ToolButton6,  ui->ToolButton17, ui->MemoIncrement, m_sheet->preview()};
    if (auto* tabBar = ui->PageControl1->findChild<QTabBar*>())
        chain[0] = tabBar;
    for (size_t i = 0; i + 1 < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i], chain[i + 1]);
    // no control holds the focus at start: the first Tab reaches "Système"
    ui->Central->setFocus();
    prepare();
}

TForm1::~TForm1() = default;

void TForm1::wireToolBar()
{
    struct Icon
    {
        QAction* action;
        const char* name;
        QStyle::StandardPixmap fallback;
    };
    const Icon icons[] = {
        {ui->actionOpen, "document-open", QStyle::SP_DialogOpenButton},
        {ui->actionZoomFit, "zoom-fit-best", QStyle::SP_TitleBarMaxButton},
        {ui->actionZoomIn, "zoom-in", QStyle::SP_ArrowUp},
        {ui->actionZoomOut, "zoom-out", QStyle::SP_ArrowDown},
        {ui->actionSelectLabels, "edit-select-all", QStyle::SP_FileDialogDetailedView},
        {ui->actionPrint, "document-print", QStyle::SP_DialogSaveButton},
        {ui->actionPrintDialog, "document-print-preview", QStyle::SP_FileDialogInfoView},
        {ui->actionExportPdf, "x-office-document", QStyle::SP_FileIcon},
        {ui->actionConfiguration, "preferences-system", QStyle::SP_FileDialogListView},
        {ui->actionRalChart, "applications-graphics", QStyle::SP_DesktopIcon},
        {ui->actionHelp, "help-contents", QStyle::SP_DialogHelpButton},
        {ui->actionScan, "scanner", QStyle::SP_DriveCDIcon},
        {ui->actionAbout, "help-about", QStyle::SP_MessageBoxInformation},
        {ui->actionQuit, "application-exit", QStyle::SP_DialogCloseButton},
    };
    for (const Icon& i : icons)
        i.action->setIcon(themeIcon(QString::fromLatin1(i.name), i.fallback));
    // the themes' own are pale enough to look disabled, or show a flatbed scanner as a blank sheet
    ui->actionExportPdf->setIcon(pdfIcon());
    ui->actionScan->setIcon(barcodeScannerIcon());
    ui->ToolBar1->toggleViewAction()->setVisible(false);
    ui->ToolBar1->setFixedHeight(41);
    for (QAction* action : ui->ToolBar1->actions())
        nameToolButton(ui->ToolBar1, action);
    nameOverflowButton(ui->ToolBar1);

    connect(ui->actionOpen, &QAction::triggered, this, [this] { m_sheet->chooseDescription(); });
    connect(ui->actionZoomFit, &QAction::triggered, this, [this] { m_sheet->zoomToFit(); });
    connect(ui->actionZoomIn, &QAction::triggered, this, [this] { m_sheet->zoomIn(); });
    connect(ui->actionZoomOut, &QAction::triggered, this, [this] { m_sheet->zoomOut(); });
    connect(ui->actionSelectLabels, &QAction::triggered, this, [this] { showModalWindow(m_selectionWindow); });
    connect(ui->actionPrint, &QAction::triggered, this, [this] { m_sheet->printPage(); });
    connect(ui->actionPrintDialog, &QAction::triggered, this, [this] { m_sheet->printPageWithDialog(); });
    connect(ui->actionExportPdf, &QAction::triggered, this, [this] { m_sheet->exportPdf(); });
    connect(ui->actionConfiguration, &QAction::triggered, this, [this] { showModalWindow(m_configurationWindow); });
    connect(ui->actionRalChart, &QAction::triggered, this, &TForm1::ToolButton19Click);
    connect(ui->actionHelp, &QAction::triggered, this, &TForm1::ToolButton11Click);
    connect(ui->actionScan, &QAction::triggered, this, [this] { showModalWindow(m_scanWindow); });
    connect(ui->actionAbout, &QAction::triggered, this, [this] { showModalWindow(m_aboutBox); });
    connect(ui->actionQuit, &QAction::triggered, this, &QWidget::close);
    connect(ui->actionRefresh, &QAction::triggered, ui->Button1, &QPushButton::click);
}

QToolBar* TForm1::commandBar() const
{
    return ui->ToolBar1;
}

void TForm1::createStatusBar()
{
    ui->StatusBar1->setSizeGripEnabled(true);
    m_hintPanel = new QLabel;
    m_hintPanel->setObjectName(QStringLiteral("StatusHint"));
    // 450 and 300 pixels wide where the window has room, narrower on a small screen
    m_hintPanel->setMaximumWidth(450);
    m_hintPanel->setMinimumWidth(120);
    m_hintPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_hintPanel->setAccessibleName(QStringLiteral("Aide de la commande"));
    m_modelPanel = new QLabel;
    m_modelPanel->setObjectName(QStringLiteral("StatusModel"));
    m_modelPanel->setMaximumWidth(300);
    m_modelPanel->setMinimumWidth(80);
    m_modelPanel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_modelPanel->setAccessibleName(QStringLiteral("Page d'étiquettes"));
    ui->StatusBar1->addWidget(m_hintPanel, 3);
    ui->StatusBar1->addWidget(m_modelPanel, 2);
}

void TForm1::wireSelectionView()
{
    for (QComboBox* box : {ui->Sel_Systeme, ui->Sel_Nature, ui->Sel_Origine, ui->Sel_Parfum})
        // names are compared as typed, so a typed beginning completes only to an item of the same case
        box->completer()->setCaseSensitivity(Qt::CaseSensitive);
    ui->Sel_Nature->addItems(packagingItems());
    ui->CaisseSavon->hide();

    // room for each code field's characters (a list code may be longer than its usual width)
    const std::pair<QLineEdit*, int> displays[] = {
        {ui->LabCodeSyst, 1},   {ui->LabMasse, 3},      {ui->LabCodeCond, 2}, {ui->LabCodeCouleur, 3},
        {ui->LabCodeParfum, 3}, {ui->LabCodePostal, 5}, {ui->LabJour, 3},     {ui->LabAnnee, 2},
    };
    for (const auto& [field, chars] : displays) {
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QString(chars, u'0')) + 12);
        // eight captions share the panel's width: a size smaller keeps them apart
        if (QLabel* caption = findChild<QLabel*>(QStringLiteral("Label") + field->objectName())) {
            QFont small = caption->font();
            small.setPointSizeF(small.pointSizeF() * 0.9);
            caption->setFont(small);
        }
    }
    ui->LabeledEditMasse->setFixedWidth(ui->LabeledEditMasse->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                                        12);
    // what the code cannot hold is refused as typed, and said beside the field and in the status bar
    const RefusalNotice refused = [this](QWidget* field, const QString& why) {
        showRefusal(field, why);
        m_hintPanel->setText(why);
    };
    ui->LabeledEditMasse->setValidator(new MassValidator(ui->LabeledEditMasse, refused));
    for (SpinEdit* spin : {ui->SpinEdit1, ui->SpinEdit2})
        spin->setRefusalNotice(refused);

    for (QToolButton* b : {ui->ToolButton3, ui->ToolButton6, ui->ToolButton17})
        b->setFixedSize(31, 31);
    ui->ToolButton3->setIcon(themeIcon(QStringLiteral("edit-clear"), QStyle::SP_DialogResetButton));
    ui->ToolButton6->setIcon(themeIcon(QStringLiteral("document-open"), QStyle::SP_DialogOpenButton));
    ui->ToolButton17->setIcon(themeIcon(QStringLiteral("document-save"), QStyle::SP_DialogSaveButton));

    // a typed text is taken once the list has completed it, as picking the completed item would be
    auto whenTyped = [this](QComboBox* box, void (TForm1::*handler)()) {
        connect(box->lineEdit(), &QLineEdit::textEdited, this,
                [this, handler] { QMetaObject::invokeMethod(this, handler, Qt::QueuedConnection); });
    };
    connect(ui->Sel_Systeme, &QComboBox::currentIndexChanged, this, &TForm1::Sel_SystemeChange);
    whenTyped(ui->Sel_Systeme, &TForm1::Sel_SystemeChange);
    connect(ui->LabeledEditMasse, &QLineEdit::textChanged, this, &TForm1::LabeledEditMasseChange);
    connect(ui->ComboBox1, &QComboBox::currentIndexChanged, this, &TForm1::ComboBox1Change);
    connect(ui->Sel_Nature, &QComboBox::currentIndexChanged, this, &TForm1::Sel_NatureChange);
    whenTyped(ui->Sel_Nature, &TForm1::Sel_NatureChange);
    connect(ui->SpinEdit1, &QSpinBox::textChanged, this, &TForm1::Changeboitagesavon);
    connect(ui->SpinEdit2, &QSpinBox::textChanged, this, &TForm1::Changeboitagesavon);
    connect(ui->SpinEdit1, &QSpinBox::editingFinished, this, [this] { SpinEditExit(ui->SpinEdit1); });
    connect(ui->SpinEdit2, &QSpinBox::editingFinished, this, [this] { SpinEditExit(ui->SpinEdit2); });
    connect(ui->Sel_Origine, &QComboBox::currentIndexChanged, this, &TForm1::Sel_OrigineChange);
    whenTyped(ui->Sel_Origine, &TForm1::Sel_OrigineChange);
    connect(ui->Sel_Parfum, &QComboBox::currentIndexChanged, this, &TForm1::Sel_ParfumChange);
    whenTyped(ui->Sel_Parfum, &TForm1::Sel_ParfumChange);
    connect(ui->Calendrier, &QDateEdit::dateChanged, this, &TForm1::CalendrierChange);
    connect(ui->Text2, &QLineEdit::textChanged, this, &TForm1::Button3Click);
    connect(ui->memotexte, &QPlainTextEdit::textChanged, this, &TForm1::Button3Click);
    connect(ui->ToolButton3, &QToolButton::clicked, this, &TForm1::ToolButton3Click);
    connect(ui->ToolButton6, &QToolButton::clicked, this, &TForm1::ToolButton6Click);
    connect(ui->ToolButton17, &QToolButton::clicked, this, &TForm1::ToolButton17Click);
    connect(ui->imglog, &QPushButton::clicked, this, &TForm1::imglogClick);
    connect(ui->Button1, &QPushButton::clicked, this, [this] { m_sheet->Preview(); });
    connect(ui->Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
}

void TForm1::wireManualView()
{
    ui->CodeManu->setMaxLength(kManualCodeLength);
    ui->EditQuant->setMaxLength(kDayOfYearWidth);
    for (QLineEdit* edit : {ui->CodeManu, ui->EditQuant, ui->EditAn})
        edit->setValidator(new UpperCaseValidator(edit));
    ui->Image1->setPixmap(labelPicture(QSize(220, 140)));

    connect(ui->CodeManu, &QLineEdit::textChanged, this, [this](const QString& text) { m_code.setManualCode(text); });
    connect(ui->Button2, &QPushButton::clicked, this, &TForm1::CodeManuChange);
    connect(ui->Calculquant, &QDateEdit::dateChanged, this, &TForm1::Quantieme);
    connect(ui->Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(ui->Edit2, &QLineEdit::textChanged, this, &TForm1::Edit2Change);
    connect(ui->Memo1, &QPlainTextEdit::textChanged, this, &TForm1::Edit2Change);
}

void TForm1::prepare()
{
    guarded(this, [this] { m_settings.open(); });
    setWindowTitle(QStringLiteral("PELORIN étiquettes code barre"));

    m_logoFolder = DataFolder::path(QStringLiteral("logos"));
    ui->Image->setText(DataFolder::path(QStringLiteral("logos\\Anzin.bmp")));
    showLogo(ui->Image->text(), true);

    m_code.clear();
    const QDate today = QDate::currentDate();
    {
        const QSignalBlocker a(ui->Calendrier), b(ui->Calculquant);
        ui->Calendrier->setDate(today);
        ui->Calculquant->setDate(today);
    }
    m_code.setDate(ui->Calendrier->date());
    Quantieme();

    guarded(this, [this] { m_settings.read([this](const QString& path) { m_sheet->loadDescription(path); }); });
    const MainSettings::Values& read = m_settings.values();
    if (read.operatorText)
        ui->Text2->setText(*read.operatorText);
    if (read.memoText)
        ui->memotexte->setPlainText(*read.memoText);
    applyGeometry();
    setManualMode(read.manual.value_or(false));

    {
        const QSignalBlocker a(ui->ComboBox1), b(ui->Sel_Nature);
        ui->ComboBox1->setCurrentIndex(0);
        ui->Sel_Nature->setCurrentIndex(0);
    }
    ChangeBox();
}

void TForm1::applyGeometry()
{
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens << s->availableGeometry();
    const QRect r = fittedGeometry(m_settings.geometry(kDefaultMainGeometry), screens);
    resize(r.size());
    move(r.topLeft());
}

void TForm1::setManualMode(bool on)
{
    m_code.setManualMode(on);
    ui->Panel2->setVisible(!on);
    ui->ManualView->setVisible(on);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->Panel2) {
        // whoever hides the selection view uncovers the manual view, and the reverse
        if (event->type() == QEvent::HideToParent)
            ui->ManualView->setVisible(true);
        else if (event->type() == QEvent::ShowToParent)
            ui->ManualView->setVisible(false);
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TForm1::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        // the mouse leaving a control gives the panel back to what was last done
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        m_hintPanel->setText(tip.isEmpty() ? m_lastDone : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_shown || event->spontaneous())
        return;
    m_shown = true;
    // the first page was fitted before the window had its size: fit it to the real preview
    QTimer::singleShot(0, this, [this] {
        if (m_sheet->preview()->page())
            m_sheet->zoomToFit();
    });
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!saveSettings()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool TForm1::saveSettings()
{
    MainSettings::Current now;
    now.geometry = (isMaximized() || isFullScreen()) ? normalGeometry() : QRect(pos(), size());
    now.operatorText = ui->Text2->text();
    now.operatorTyped = ui->Text2->isModified();
    now.memoText = ui->memotexte->toPlainText();
    now.memoTyped = ui->memotexte->document()->isModified();
    if (m_sheet->EtiqXML().isActive())
        now.model = m_sheet->EtiqXML().fileName();
    now.manual = m_code.manualMode();
    return guarded(this, [&] { m_settings.save(now); }) || m_settings.mayCloseUnsaved();
}

void TForm1::Afficher()
{
    m_sheet->showPage();
}

QStringList TForm1::incrementalLines() const
{
    return displayedLines(ui->MemoIncrement->toPlainText(), ui->MemoIncrement->font(), incrementTextWidth());
}

qreal TForm1::incrementTextWidth() const
{
    const qreal margins = 2 * ui->MemoIncrement->document()->documentMargin();
    if (ui->MemoIncrement->isVisible())
        return ui->MemoIncrement->viewport()->width() - margins;
    // a hidden tab has not been laid out: its page is as wide as the one in front
    const QWidget* page = ui->PageControl1->currentWidget();
    const QMargins m = ui->MemoIncrement->parentWidget()->layout()->contentsMargins();
    return page->width() - m.left() - m.right() - 2 * ui->MemoIncrement->frameWidth() - margins;
}

QString TForm1::version() const
{
    return LireVersion();
}

QString TForm1::logoPath() const
{
    return ui->Image->text();
}

void TForm1::showFields()
{
    const CodeFields& f = m_code.fields();
    // as stored, as the labels and the command line print it
    ui->LabCodeSyst->setText(f.system);
    ui->LabMasse->setText(f.mass);
    ui->LabCodeCond->setText(f.packaging);
    ui->LabCodeCouleur->setText(f.colour);
    ui->LabCodeParfum->setText(f.perfume);
    ui->LabCodePostal->setText(f.factory);
    ui->LabJour->setText(m_code.dateDisplay().day);
    ui->LabAnnee->setText(m_code.dateDisplay().year);
}

void TForm1::showDone(const QString& what)
{
    m_lastDone = what;
    m_hintPanel->setText(what);
}

void TForm1::showLogo(const QString& path, bool reportMissing)
{
    ui->Img_logo->clear();
    if (path.isEmpty() || (!reportMissing && !QFileInfo::exists(path)))
        return;
    guarded(this, [&] { ui->Img_logo->setPixmap(logoPixmap(readPicture(path))); });
}

void TForm1::ChangeBox()
{
    SelectionLists lists;
    if (m_settings.state() != MainSettings::State::Unreadable)
        guarded(this, [&] { lists = selectionLists(m_config); });
    {
        const QSignalBlocker a(ui->Sel_Origine), b(ui->Sel_Systeme), c(ui->Sel_Parfum), d(ui->ComboBox1),
            e(ui->Sel_Nature);
        ui->Sel_Origine->clear();
        ui->Sel_Systeme->clear();
        ui->Sel_Parfum->clear();
        ui->Sel_Origine->addItems(lists.places);
        ui->Sel_Systeme->addItems(lists.systems);
        ui->Sel_Parfum->addItems(lists.perfumes);
        ui->Sel_Origine->setCurrentIndex(lists.places.isEmpty() ? -1 : 0);
        ui->Sel_Systeme->setCurrentIndex(lists.systems.isEmpty() ? -1 : 0);
        ui->Sel_Parfum->setCurrentIndex(lists.perfumes.isEmpty() ? -1 : 0);
        ui->ComboBox1->setCurrentIndex(0);
        ui->Sel_Nature->setCurrentIndex(0);
    }
    CodeSelection selection;
    selection.systemIndex = selectedPosition(ui->Sel_Systeme);
    selection.massText = ui->LabeledEditMasse->text();
    selection.packagingIndex = selectedPosition(ui->Sel_Nature);
    selection.layersText = ui->SpinEdit1->text();
    selection.rowsText = ui->SpinEdit2->text();
    selection.ralIndex = ui->ComboBox1->currentIndex();
    selection.perfumeName = ui->Sel_Parfum->currentText();
    selection.placeName = ui->Sel_Origine->currentText();
    try {
        m_code.computeAll(selection);
    } catch (const Error& e) {
        // after a configuration that did not load, the empty lists are no news to the operator
        if (m_settings.state() == MainSettings::State::Loaded)
            Dialogs::error(this, e.message());
    }
    ui->CaisseSavon->setVisible(selection.packagingIndex == kSoapPackaging);
    ui->Image->setText(m_code.logoPath());
    showLogo(m_code.logoPath(), false);
    showFields();
    Button1Click();
}

void TForm1::listsChanged()
{
    m_settings.listsEdited();
    SelectionLists lists;
    if (!guarded(this, [&] { lists = selectionLists(m_config); }))
        return;
    auto refill = [](QComboBox* box, const QStringList& items) {
        const QString text = box->currentText();
        const int position = selectedPosition(box);
        const QSignalBlocker block(box);
        box->clear();
        box->addItems(items);
        int keep =
            (position >= 0 && position < items.size() && items.at(position) == text) ? position : items.indexOf(text);
        if (keep < 0)
            keep = items.isEmpty() ? -1 : 0;
        box->setCurrentIndex(keep);
        return box->currentText() != text || (position >= 0 && keep != position);
    };
    const bool systemMoved = refill(ui->Sel_Systeme, lists.systems);
    const bool placeMoved = refill(ui->Sel_Origine, lists.places);
    const bool perfumeMoved = refill(ui->Sel_Parfum, lists.perfumes);
    if (systemMoved && ui->Sel_Systeme->currentIndex() >= 0)
        Sel_SystemeChange();
    if (placeMoved)
        Sel_OrigineChange();
    if (perfumeMoved)
        Sel_ParfumChange();
}

void TForm1::Sel_SystemeChange()
{
    guarded(this, [&] { m_code.setSystem(selectedPosition(ui->Sel_Systeme)); });
    showFields();
}

void TForm1::LabeledEditMasseChange()
{
    // a field emptied while the operator corrects it composes "000"
    const QString mass = ui->LabeledEditMasse->text();
    guarded(this, [&] { m_code.setMass(mass.isEmpty() ? QStringLiteral("0") : mass); });
    showFields();
}

void TForm1::Sel_NatureChange()
{
    const int index = selectedPosition(ui->Sel_Nature);
    ui->CaisseSavon->setVisible(index == kSoapPackaging);
    m_code.setPackaging(index, ui->SpinEdit1->text(), ui->SpinEdit2->text());
    showFields();
}

void TForm1::Changeboitagesavon()
{
    m_code.setSoapPackaging(ui->SpinEdit1->text(), ui->SpinEdit2->text());
    showFields();
}

void TForm1::SpinEditExit(QSpinBox* spin)
{
    const int clamped = clampSpin(spinValue(spin->text()));
    if (spin->text() != QString::number(clamped)) {
        const QSignalBlocker block(spin);
        spin->setValue(clamped);
    }
    Changeboitagesavon();
}

void TForm1::ComboBox1Change()
{
    guarded(this, [&] { m_code.setColour(ui->ComboBox1->currentIndex()); });
    showFields();
}

void TForm1::Sel_ParfumChange()
{
    guarded(this, [&] { m_code.setPerfume(ui->Sel_Parfum->currentText()); });
    showFields();
}

void TForm1::Sel_OrigineChange()
{
    guarded(this, [&] { m_code.setFactory(ui->Sel_Origine->currentText()); });
    ui->Image->setText(m_code.logoPath());
    showLogo(m_code.logoPath(), false);
    showFields();
}

void TForm1::CalendrierChange()
{
    m_code.setDate(ui->Calendrier->date());
    showFields();
}

void TForm1::CodeManuChange()
{
    m_sheet->Preview();
}

void TForm1::Button4Click()
{
    QGuiApplication::clipboard()->setText(m_code.composedCode());
}

void TForm1::Quantieme()
{
    ui->Quant->setText(quantieme(ui->Calculquant->date()));
}

void TForm1::Button5Click()
{
    guarded(this, [&] {
        const QDate date = calculateDate(ui->EditQuant->text(), ui->EditAn->text());
        if (date < ui->Calculquant->minimumDate())
            throw Error(QStringLiteral("Le calendrier ne montre pas les dates antérieures à l'an 100."));
        // a date set from here raises no change: Quant keeps the day it showed
        const QSignalBlocker block(ui->Calculquant);
        ui->Calculquant->setDate(date);
    });
}

void TForm1::Button3Click()
{
    m_operatorText = ui->Text2->text();
    m_multilineText = ui->memotexte->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

void TForm1::Edit2Change()
{
    m_operatorText = ui->Edit2->text();
    m_multilineText = ui->Memo1->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

void TForm1::Button1Click()
{
    Button3Click();
}

void TForm1::ToolButton3Click()
{
    ui->MemoIncrement->clear();
}

void TForm1::ToolButton6Click()
{
    const QString path = Dialogs::openFileName(this, QStringLiteral("Ouvrir"), DataFolder::root(),
                                               QStringLiteral("Fichier étiquette. (*.ETQ *.etq);;Tous (*)"));
    if (path.isEmpty())
        return;
    guarded(this, [&] {
        ui->MemoIncrement->setPlainText(
            loadIncrementalList(path).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    });
}

void TForm1::ToolButton17Click()
{
    const QString path = Dialogs::saveFileName(this, QStringLiteral("Enregistrer sous"), DataFolder::root(), QString());
    if (path.isEmpty())
        return;
    guarded(this, [&] { saveIncrementalList(path, ui->MemoIncrement->toPlainText()); });
}

void TForm1::imglogClick()
{
    const QString path =
        Dialogs::openFileName(this, QStringLiteral("Ouvrir"), m_logoFolder, QStringLiteral("Bitmap. (*.BMP *.bmp)"));
    if (path.isEmpty())
        return;
    guarded(this, [&] {
        // the picture is read first: a file that is no picture changes nothing
        const QImage image = readPicture(path);
        ui->Image->setText(QFileInfo(path).absoluteFilePath());
        ui->Img_logo->setPixmap(logoPixmap(image));
    });
}

void TForm1::ToolButton11Click()
{
    Dialogs::openDocument(this, DataFolder::path(QStringLiteral("Help\\Pelorin.htm")));
}

void TForm1::ToolButton19Click()
{
    Dialogs::openDocument(this, DataFolder::path(QStringLiteral("Help\\Nuancier.htm")));
}

void TForm1::showModalWindow(QDialog* window)
{
    if (window)
        window->exec();
}

} // namespace pelorin
