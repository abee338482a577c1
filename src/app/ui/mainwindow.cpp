#include "app/ui/mainwindow.h"

#include "app/ui/configurationwindow.h"
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
#include "editor/ui/pageeditor.h"
#include "labels/imageformat.h"
#include "labels/ui/labelsheet.h"
#include "labels/ui/pagepreview.h"
#include "ui_mainwindow.h"

#include <QAction>
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
#include <QPainter>
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
    QImageReader reader(&buffer, imageFormat(bytes));
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

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);
    m_sheet = std::make_unique<LabelSheet>(*this, this, [this](const QString& name) { m_modelPanel->setText(name); });
    connect(m_sheet.get(), &LabelSheet::pageDelivered, this, &MainWindow::showDone);
    ui->previewPanel->layout()->addWidget(m_sheet->preview());
    // On a small screen (a laptop at double scaling) the window may be narrower or lower than the
    // selections: they scroll, and the preview keeps what is left.
    auto* selections = new QScrollArea(ui->centralArea);
    selections->setObjectName(QStringLiteral("SelectionsScroller"));
    selections->setFrameShape(QFrame::NoFrame);
    selections->setWidgetResizable(true);
    selections->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    selections->setFocusPolicy(Qt::NoFocus);
    delete ui->centralArea->layout()->replaceWidget(ui->selectionsPanel, selections);
    selections->setWidget(ui->selectionsPanel);
    createStatusBar();
    nameFieldsByTheirCaptions(this);
    wireToolBar();
    wireSelectionView();
    wireManualView();
    // the selection view lies over the manual view; whoever hides it uncovers the other
    ui->selectionView->installEventFilter(this);
    // The preview joins the window after its form is laid out, and would take its Tab stop right
    // after the texts' tab bar: the label texts follow the tab bar, the preview comes last.
    QWidget* chain[] = {ui->textTabs,
                        ui->operatorTextEdit,
                        ui->multilineTextEdit,
                        ui->clearIncrementalButton,
                        ui->openIncrementalButton,
                        ui->saveIncrementalButton,
                        ui->incrementalTextEdit,
                        m_sheet->preview()};
    if (auto* tabBar = ui->textTabs->findChild<QTabBar*>())
        chain[0] = tabBar;
    for (size_t i = 0; i + 1 < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i], chain[i + 1]);
    // no control holds the focus at start: the first Tab reaches "Système"
    ui->centralArea->setFocus();
    prepare();
}

MainWindow::~MainWindow()
{
    // The controls go with the window's QWidget part, after the code and the configuration they show:
    // what they signal on their way out (a list box left with a typed text takes it at focus-out)
    // must not reach them.
    for (QObject* child : findChildren<QObject*>())
        disconnect(child, nullptr, this, nullptr);
}

void MainWindow::wireToolBar()
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
    ui->commandToolBar->toggleViewAction()->setVisible(false);
    ui->commandToolBar->setFixedHeight(41);
    for (QAction* action : ui->commandToolBar->actions())
        nameToolButton(ui->commandToolBar, action);
    nameOverflowButton(ui->commandToolBar);

    connect(ui->actionOpen, &QAction::triggered, this, [this] { m_sheet->chooseDescription(); });
    connect(ui->actionZoomFit, &QAction::triggered, this, [this] { m_sheet->zoomToFit(); });
    connect(ui->actionZoomIn, &QAction::triggered, this, [this] { m_sheet->zoomIn(); });
    connect(ui->actionZoomOut, &QAction::triggered, this, [this] { m_sheet->zoomOut(); });
    connect(ui->actionSelectLabels, &QAction::triggered, this, [this] { showModalWindow(m_selectionWindow); });
    connect(ui->actionPrint, &QAction::triggered, this, [this] { m_sheet->printPage(); });
    connect(ui->actionPrintDialog, &QAction::triggered, this, [this] { m_sheet->printPageWithDialog(); });
    connect(ui->actionExportPdf, &QAction::triggered, this, [this] { m_sheet->exportPdf(); });
    connect(ui->actionConfiguration, &QAction::triggered, this, [this] {
        // the page editor opens on the page in use here
        if (auto* configuration = qobject_cast<ConfigurationWindow*>(m_configurationWindow.data());
            configuration && m_sheet->EtiqXML().isActive())
            configuration->editorPage()->openPageInUse(m_sheet->EtiqXML().fileName(), m_sheet->EtiqXML().bytes());
        showModalWindow(m_configurationWindow);
    });
    connect(ui->actionRalChart, &QAction::triggered, this, &MainWindow::showRalChart);
    connect(ui->actionHelp, &QAction::triggered, this, &MainWindow::showHelp);
    connect(ui->actionScan, &QAction::triggered, this, [this] { showModalWindow(m_scanWindow); });
    connect(ui->actionAbout, &QAction::triggered, this, [this] { showModalWindow(m_aboutBox); });
    connect(ui->actionQuit, &QAction::triggered, this, &QWidget::close);
    connect(ui->actionRefresh, &QAction::triggered, ui->redisplayButton, &QPushButton::click);

    m_qualityMark = new QLabel;
    m_qualityMark->setObjectName(QStringLiteral("printQualityMark"));
    m_qualityMark->setMargin(4);
    ui->commandToolBar->insertWidget(ui->actionPrintDialog, m_qualityMark);
    showPrintQuality(report::PageReport());
    connect(m_sheet.get(), &LabelSheet::pageChecked, this, &MainWindow::showPrintQuality);
}

void MainWindow::showPrintQuality(const report::PageReport& report)
{
    static const QColor colours[] = {QColor(0x2e, 0x9e, 0x44), QColor(0xf0, 0x8c, 0x00), QColor(0xd0, 0x20, 0x20)};
    const QColor colour = colours[int(report::qualityMark(report))];
    QPixmap dot(16, 16);
    dot.fill(Qt::transparent);
    {
        QPainter painter(&dot);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(colour.darker(140), 1.0));
        painter.setBrush(colour);
        painter.drawEllipse(QRectF(1.5, 1.5, 13.0, 13.0));
    }
    m_qualityMark->setPixmap(dot);
    const QString hint = report::qualityHint(report);
    m_qualityMark->setToolTip(hint);
    m_qualityMark->setStatusTip(hint);
    m_qualityMark->setAccessibleName(QStringLiteral("Qualité des codes-barres : ") + hint);
}

QToolBar* MainWindow::commandBar() const
{
    return ui->commandToolBar;
}

void MainWindow::createStatusBar()
{
    ui->mainStatusBar->setSizeGripEnabled(true);
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
    ui->mainStatusBar->addWidget(m_hintPanel, 3);
    ui->mainStatusBar->addWidget(m_modelPanel, 2);
}

void MainWindow::wireSelectionView()
{
    for (QComboBox* box : {ui->systemCombo, ui->packagingCombo, ui->placeCombo, ui->perfumeCombo})
        // names are compared as typed, so a typed beginning completes only to an item of the same case
        box->completer()->setCaseSensitivity(Qt::CaseSensitive);
    ui->packagingCombo->addItems(packagingItems());
    ui->soapBoxGroup->hide();

    // room for each code field's characters (a list code may be longer than its usual width)
    const std::pair<QLineEdit*, int> displays[] = {
        {ui->systemField, 1},  {ui->massField, 3},    {ui->packagingField, 2}, {ui->colourField, 3},
        {ui->perfumeField, 3}, {ui->factoryField, 5}, {ui->dayField, 3},       {ui->yearField, 2},
    };
    for (const auto& [field, chars] : displays) {
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QString(chars, u'0')) + 12);
        // eight captions share the panel's width: a size smaller keeps them apart
        if (QLabel* caption = findChild<QLabel*>(field->objectName() + QStringLiteral("Label"))) {
            QFont small = caption->font();
            small.setPointSizeF(small.pointSizeF() * 0.9);
            caption->setFont(small);
        }
    }
    ui->massEdit->setFixedWidth(ui->massEdit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    // what the code cannot hold is refused as typed, and said beside the field and in the status bar
    const RefusalNotice refused = [this](QWidget* field, const QString& why) {
        showRefusal(field, why);
        m_hintPanel->setText(why);
    };
    ui->massEdit->setValidator(new MassValidator(ui->massEdit, refused));
    for (SpinEdit* spin : {ui->layersSpin, ui->rowsSpin})
        spin->setRefusalNotice(refused);

    for (QToolButton* b : {ui->clearIncrementalButton, ui->openIncrementalButton, ui->saveIncrementalButton})
        b->setFixedSize(31, 31);
    ui->clearIncrementalButton->setIcon(themeIcon(QStringLiteral("edit-clear"), QStyle::SP_DialogResetButton));
    ui->openIncrementalButton->setIcon(themeIcon(QStringLiteral("document-open"), QStyle::SP_DialogOpenButton));
    ui->saveIncrementalButton->setIcon(themeIcon(QStringLiteral("document-save"), QStyle::SP_DialogSaveButton));

    // a typed text is taken once the list has completed it, as picking the completed item would be
    auto whenTyped = [this](QComboBox* box, void (MainWindow::*handler)()) {
        connect(box->lineEdit(), &QLineEdit::textEdited, this,
                [this, handler] { QMetaObject::invokeMethod(this, handler, Qt::QueuedConnection); });
    };
    connect(ui->systemCombo, &QComboBox::currentIndexChanged, this, &MainWindow::systemChanged);
    whenTyped(ui->systemCombo, &MainWindow::systemChanged);
    connect(ui->massEdit, &QLineEdit::textChanged, this, &MainWindow::massChanged);
    connect(ui->ralCombo, &QComboBox::currentIndexChanged, this, &MainWindow::ralChanged);
    connect(ui->packagingCombo, &QComboBox::currentIndexChanged, this, &MainWindow::packagingChanged);
    whenTyped(ui->packagingCombo, &MainWindow::packagingChanged);
    connect(ui->layersSpin, &QSpinBox::textChanged, this, &MainWindow::soapBoxChanged);
    connect(ui->rowsSpin, &QSpinBox::textChanged, this, &MainWindow::soapBoxChanged);
    connect(ui->layersSpin, &QSpinBox::editingFinished, this, [this] { finishSpinEdit(ui->layersSpin); });
    connect(ui->rowsSpin, &QSpinBox::editingFinished, this, [this] { finishSpinEdit(ui->rowsSpin); });
    connect(ui->placeCombo, &QComboBox::currentIndexChanged, this, &MainWindow::placeChanged);
    whenTyped(ui->placeCombo, &MainWindow::placeChanged);
    connect(ui->perfumeCombo, &QComboBox::currentIndexChanged, this, &MainWindow::perfumeChanged);
    whenTyped(ui->perfumeCombo, &MainWindow::perfumeChanged);
    connect(ui->productionDatePicker, &QDateEdit::dateChanged, this, &MainWindow::productionDateChanged);
    // a date fixed for the shift (a night shift's, past midnight) comes back at the next start instead
    // of today's, until the operator lets it go
    m_keepDateAction = new QAction(QStringLiteral("Garder cette date"), ui->productionDatePicker);
    m_keepDateAction->setObjectName(QStringLiteral("keepDateAction"));
    m_keepDateAction->setCheckable(true);
    m_keepDateAction->setStatusTip(
        QStringLiteral("Garder cette date : la reprendre au prochain démarrage au lieu de la date du jour."));
    ui->productionDatePicker->addMenuAction(m_keepDateAction);
    connect(ui->operatorTextEdit, &QLineEdit::textChanged, this, &MainWindow::takeAutoTexts);
    connect(ui->multilineTextEdit, &QPlainTextEdit::textChanged, this, &MainWindow::takeAutoTexts);
    connect(ui->clearIncrementalButton, &QToolButton::clicked, this, &MainWindow::clearIncrementalList);
    connect(ui->openIncrementalButton, &QToolButton::clicked, this, &MainWindow::openIncrementalList);
    connect(ui->saveIncrementalButton, &QToolButton::clicked, this, &MainWindow::saveIncrementalList);
    connect(ui->otherLogosButton, &QPushButton::clicked, this, &MainWindow::chooseLogo);
    connect(ui->redisplayButton, &QPushButton::clicked, this, [this] { m_sheet->Preview(); });
    connect(ui->copyCodeButton, &QPushButton::clicked, this, &MainWindow::copyCodeToClipboard);
}

void MainWindow::wireManualView()
{
    ui->manualCodeEdit->setMaxLength(kManualCodeLength);
    ui->dayEdit->setMaxLength(kDayOfYearWidth);
    for (QLineEdit* edit : {ui->manualCodeEdit, ui->dayEdit, ui->yearEdit})
        edit->setValidator(new UpperCaseValidator(edit));
    ui->labelPicture->setPixmap(labelPicture(QSize(220, 140)));

    connect(ui->manualCodeEdit, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_code.setManualCode(text); });
    connect(ui->validateManualCodeButton, &QPushButton::clicked, this, &MainWindow::previewManualCode);
    connect(ui->dayOfYearDatePicker, &QDateEdit::dateChanged, this, &MainWindow::showDayOfYear);
    connect(ui->calculateDateButton, &QPushButton::clicked, this, &MainWindow::calculateDate);
    connect(ui->manualOperatorTextEdit, &QLineEdit::textChanged, this, &MainWindow::takeManualTexts);
    connect(ui->manualMultilineTextEdit, &QPlainTextEdit::textChanged, this, &MainWindow::takeManualTexts);
}

void MainWindow::prepare()
{
    guarded(this, [this] { m_settings.open(); });
    setWindowTitle(QStringLiteral("PELORIN étiquettes code barre"));

    m_logoFolder = DataFolder::path(QStringLiteral("logos"));
    ui->logoPathEdit->setText(DataFolder::path(QStringLiteral("logos\\Anzin.bmp")));
    showLogo(ui->logoPathEdit->text(), true);

    m_code.clear();
    const QDate today = QDate::currentDate();
    {
        const QSignalBlocker a(ui->productionDatePicker), b(ui->dayOfYearDatePicker);
        ui->productionDatePicker->setDate(today);
        ui->dayOfYearDatePicker->setDate(today);
    }
    m_code.setDate(ui->productionDatePicker->date());
    showDayOfYear();

    guarded(this, [this] { m_settings.read([this](const QString& path) { m_sheet->loadDescription(path); }); });
    const MainSettings::Values& read = m_settings.values();
    if (read.operatorText)
        ui->operatorTextEdit->setText(*read.operatorText);
    if (read.memoText)
        ui->multilineTextEdit->setPlainText(*read.memoText);
    applyGeometry();
    setManualMode(read.manual.value_or(false));

    {
        const QSignalBlocker a(ui->ralCombo), b(ui->packagingCombo);
        ui->ralCombo->setCurrentIndex(0);
        ui->packagingCombo->setCurrentIndex(0);
    }
    reloadSelections();
    restoreChoices();
}

void MainWindow::restoreChoices()
{
    const OperatorChoices c = OperatorChoices::load();
    // each control set as the operator would set it, its handler computing its field
    if (m_settings.state() != MainSettings::State::Unreadable) {
        const auto codes = [this](RefList list) {
            QStringList out;
            guarded(this, [&] {
                for (const auto& entry : m_config.namesAndCodes(list))
                    out << entry.second;
            });
            return out;
        };
        const SelectionLists lists = [this] {
            SelectionLists l;
            guarded(this, [&] { l = selectionLists(m_config); });
            return l;
        }();
        const struct
        {
            QComboBox* box;
            QStringList codes;
            QString code;
        } picks[] = {
            {ui->systemCombo, codes(RefList::Systemes), c.systemCode},
            {ui->placeCombo, lists.placeCodes, c.placeCode},
            {ui->perfumeCombo, lists.perfumeCodes, c.perfumeCode},
        };
        for (const auto& p : picks) {
            const int index = p.code.isEmpty() ? -1 : int(p.codes.indexOf(p.code));
            if (index > 0 && index < p.box->count())
                p.box->setCurrentIndex(index);
        }
    }
    if (!c.mass.isEmpty() && isMassText(c.mass))
        ui->massEdit->setText(c.mass);
    if (isSpinText(c.layers))
        ui->layersSpin->setValue(spinValue(c.layers));
    if (isSpinText(c.rows))
        ui->rowsSpin->setValue(spinValue(c.rows));
    if (c.packaging > 0 && c.packaging < ui->packagingCombo->count())
        ui->packagingCombo->setCurrentIndex(c.packaging);
    if (const int ral = ral::indexOfNumber(c.ralNumber); ral > 0)
        ui->ralCombo->setCurrentIndex(ral);
    m_sheet->marks().setMarginFrame(c.marginFrame);
    m_sheet->marks().setOutlines(c.outlines);
    if (c.keptDate.isValid() && c.keptDate >= ui->productionDatePicker->minimumDate() &&
        c.keptDate <= ui->productionDatePicker->maximumDate()) {
        ui->productionDatePicker->setDate(c.keptDate);
        m_keepDateAction->setChecked(true);
    }
}

OperatorChoices MainWindow::currentChoices() const
{
    OperatorChoices c;
    const int system = selectedPosition(ui->systemCombo);
    try {
        const auto systems = m_config.namesAndCodes(RefList::Systemes);
        if (system >= 0 && system < systems.size())
            c.systemCode = systems.at(system).second;
    } catch (const Error&) {
        // a configuration that did not load has no system to remember
    }
    c.mass = ui->massEdit->text();
    c.packaging = qMax(0, selectedPosition(ui->packagingCombo));
    c.layers = ui->layersSpin->text();
    c.rows = ui->rowsSpin->text();
    c.ralNumber = ral::number(ral::entry(qMax(0, ui->ralCombo->currentIndex())));
    // the place and perfume the code was composed with
    c.placeCode = m_code.fields().factory;
    c.perfumeCode = m_code.fields().perfume;
    c.marginFrame = m_sheet->marks().marginFrame();
    c.outlines = m_sheet->marks().outlines();
    if (m_keepDateAction->isChecked())
        c.keptDate = ui->productionDatePicker->date();
    return c;
}

void MainWindow::applyGeometry()
{
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens << s->availableGeometry();
    const QRect r = fittedGeometry(m_settings.geometry(kDefaultMainGeometry), screens);
    resize(r.size());
    move(r.topLeft());
}

void MainWindow::setManualMode(bool on)
{
    m_code.setManualMode(on);
    ui->selectionView->setVisible(!on);
    ui->manualView->setVisible(on);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->selectionView) {
        // whoever hides the selection view uncovers the manual view, and the reverse
        if (event->type() == QEvent::HideToParent)
            ui->manualView->setVisible(true);
        else if (event->type() == QEvent::ShowToParent)
            ui->manualView->setVisible(false);
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        // the mouse leaving a control gives the panel back to what was last done
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        m_hintPanel->setText(tip.isEmpty() ? m_lastDone : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void MainWindow::showEvent(QShowEvent* event)
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

void MainWindow::closeEvent(QCloseEvent* event)
{
    for (const auto& mayClose : m_closeChecks)
        if (!mayClose()) {
            event->ignore();
            return;
        }
    if (!saveSettings()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool MainWindow::saveSettings()
{
    MainSettings::Current now;
    now.geometry = (isMaximized() || isFullScreen()) ? normalGeometry() : QRect(pos(), size());
    now.operatorText = ui->operatorTextEdit->text();
    now.operatorTyped = ui->operatorTextEdit->isModified();
    now.memoText = ui->multilineTextEdit->toPlainText();
    now.memoTyped = ui->multilineTextEdit->document()->isModified();
    if (m_sheet->EtiqXML().isActive())
        now.model = m_sheet->EtiqXML().fileName();
    now.manual = m_code.manualMode();
    // the operator's choices are no part of cfg.xml: a file that cannot be written there only means
    // the next start shows the first entries
    currentChoices().save();
    return guarded(this, [&] { m_settings.save(now); }) || m_settings.mayCloseUnsaved();
}

void MainWindow::showPage()
{
    m_sheet->showPage();
}

QStringList MainWindow::incrementalLines() const
{
    return displayedLines(ui->incrementalTextEdit->toPlainText(), ui->incrementalTextEdit->font(),
                          incrementTextWidth());
}

qreal MainWindow::incrementTextWidth() const
{
    const qreal margins = 2 * ui->incrementalTextEdit->document()->documentMargin();
    if (ui->incrementalTextEdit->isVisible())
        return ui->incrementalTextEdit->viewport()->width() - margins;
    // a hidden tab has not been laid out: its page is as wide as the one in front
    const QWidget* page = ui->textTabs->currentWidget();
    const QMargins m = ui->incrementalTextEdit->parentWidget()->layout()->contentsMargins();
    return page->width() - m.left() - m.right() - 2 * ui->incrementalTextEdit->frameWidth() - margins;
}

QString MainWindow::version() const
{
    return LireVersion();
}

QString MainWindow::logoPath() const
{
    return ui->logoPathEdit->text();
}

void MainWindow::showFields()
{
    const CodeFields& f = m_code.fields();
    // as stored, as the labels and the command line print it
    ui->systemField->setText(f.system);
    ui->massField->setText(f.mass);
    ui->packagingField->setText(f.packaging);
    ui->colourField->setText(f.colour);
    ui->perfumeField->setText(f.perfume);
    ui->factoryField->setText(f.factory);
    ui->dayField->setText(m_code.dateDisplay().day);
    ui->yearField->setText(m_code.dateDisplay().year);
}

void MainWindow::showDone(const QString& what)
{
    m_lastDone = what;
    m_hintPanel->setText(what);
}

void MainWindow::showLogo(const QString& path, bool reportMissing)
{
    ui->logoPicture->clear();
    if (path.isEmpty() || (!reportMissing && !QFileInfo::exists(path)))
        return;
    guarded(this, [&] { ui->logoPicture->setPixmap(logoPixmap(readPicture(path))); });
}

void MainWindow::reloadSelections()
{
    SelectionLists lists;
    if (m_settings.state() != MainSettings::State::Unreadable)
        guarded(this, [&] { lists = selectionLists(m_config); });
    {
        const QSignalBlocker a(ui->placeCombo), b(ui->systemCombo), c(ui->perfumeCombo), d(ui->ralCombo),
            e(ui->packagingCombo);
        ui->placeCombo->clear();
        ui->systemCombo->clear();
        ui->perfumeCombo->clear();
        ui->placeCombo->addItems(lists.placeItems);
        ui->systemCombo->addItems(lists.systems);
        ui->perfumeCombo->addItems(lists.perfumeItems);
        ui->placeCombo->setCurrentIndex(lists.placeItems.isEmpty() ? -1 : 0);
        ui->systemCombo->setCurrentIndex(lists.systems.isEmpty() ? -1 : 0);
        ui->perfumeCombo->setCurrentIndex(lists.perfumeItems.isEmpty() ? -1 : 0);
        ui->ralCombo->setCurrentIndex(0);
        ui->packagingCombo->setCurrentIndex(0);
    }
    CodeSelection selection;
    selection.systemIndex = selectedPosition(ui->systemCombo);
    selection.massText = ui->massEdit->text();
    selection.packagingIndex = selectedPosition(ui->packagingCombo);
    selection.layersText = ui->layersSpin->text();
    selection.rowsText = ui->rowsSpin->text();
    selection.ralIndex = ui->ralCombo->currentIndex();
    selection.perfumeName = ui->perfumeCombo->currentText();
    selection.placeName = ui->placeCombo->currentText();
    try {
        m_code.computeAll(selection);
    } catch (const Error& e) {
        // after a configuration that did not load, the empty lists are no news to the operator
        if (m_settings.state() == MainSettings::State::Loaded)
            Dialogs::error(this, e.message());
    }
    ui->soapBoxGroup->setVisible(selection.packagingIndex == kSoapPackaging);
    ui->logoPathEdit->setText(m_code.logoPath());
    showLogo(m_code.logoPath(), false);
    showFields();
    takeAutoTexts();
}

void MainWindow::listsChanged()
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
    const bool systemMoved = refill(ui->systemCombo, lists.systems);
    const bool placeMoved = refill(ui->placeCombo, lists.placeItems);
    const bool perfumeMoved = refill(ui->perfumeCombo, lists.perfumeItems);
    if (systemMoved && ui->systemCombo->currentIndex() >= 0)
        systemChanged();
    if (placeMoved)
        placeChanged();
    if (perfumeMoved)
        perfumeChanged();
}

void MainWindow::systemChanged()
{
    guarded(this, [&] { m_code.setSystem(selectedPosition(ui->systemCombo)); });
    showFields();
}

void MainWindow::massChanged()
{
    // a field emptied while the operator corrects it composes "000"
    const QString mass = ui->massEdit->text();
    guarded(this, [&] { m_code.setMass(mass.isEmpty() ? QStringLiteral("0") : mass); });
    showFields();
}

void MainWindow::packagingChanged()
{
    const int index = selectedPosition(ui->packagingCombo);
    ui->soapBoxGroup->setVisible(index == kSoapPackaging);
    m_code.setPackaging(index, ui->layersSpin->text(), ui->rowsSpin->text());
    showFields();
}

void MainWindow::soapBoxChanged()
{
    m_code.setSoapPackaging(ui->layersSpin->text(), ui->rowsSpin->text());
    showFields();
}

void MainWindow::finishSpinEdit(QSpinBox* spin)
{
    const int clamped = clampSpin(spinValue(spin->text()));
    if (spin->text() != QString::number(clamped)) {
        const QSignalBlocker block(spin);
        spin->setValue(clamped);
    }
    soapBoxChanged();
}

void MainWindow::ralChanged()
{
    guarded(this, [&] { m_code.setColour(ui->ralCombo->currentIndex()); });
    showFields();
}

void MainWindow::perfumeChanged()
{
    guarded(this, [&] { m_code.setPerfume(ui->perfumeCombo->currentText()); });
    showFields();
}

void MainWindow::placeChanged()
{
    guarded(this, [&] { m_code.setFactory(ui->placeCombo->currentText()); });
    ui->logoPathEdit->setText(m_code.logoPath());
    showLogo(m_code.logoPath(), false);
    showFields();
}

void MainWindow::productionDateChanged()
{
    m_code.setDate(ui->productionDatePicker->date());
    showFields();
}

void MainWindow::previewManualCode()
{
    m_sheet->Preview();
}

void MainWindow::copyCodeToClipboard()
{
    QGuiApplication::clipboard()->setText(m_code.composedCode());
}

void MainWindow::showDayOfYear()
{
    ui->dayOfYearField->setText(quantieme(ui->dayOfYearDatePicker->date()));
}

void MainWindow::calculateDate()
{
    guarded(this, [&] {
        const QDate date = pelorin::calculateDate(ui->dayEdit->text(), ui->yearEdit->text());
        if (date < ui->dayOfYearDatePicker->minimumDate())
            throw Error(QStringLiteral("Le calendrier ne montre pas les dates antérieures à l'an 100."));
        // a date set from here raises no change: the day-of-year field keeps the day it showed
        const QSignalBlocker block(ui->dayOfYearDatePicker);
        ui->dayOfYearDatePicker->setDate(date);
    });
}

void MainWindow::takeAutoTexts()
{
    m_operatorText = ui->operatorTextEdit->text();
    m_multilineText = ui->multilineTextEdit->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

void MainWindow::takeManualTexts()
{
    m_operatorText = ui->manualOperatorTextEdit->text();
    m_multilineText = ui->manualMultilineTextEdit->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

void MainWindow::clearIncrementalList()
{
    ui->incrementalTextEdit->clear();
}

void MainWindow::openIncrementalList()
{
    const QString path = Dialogs::openFileName(this, QStringLiteral("Ouvrir"), DataFolder::root(),
                                               QStringLiteral("Fichier étiquette. (*.ETQ *.etq);;Tous (*)"));
    if (path.isEmpty())
        return;
    guarded(this, [&] {
        ui->incrementalTextEdit->setPlainText(
            loadIncrementalList(path).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    });
}

void MainWindow::saveIncrementalList()
{
    const QString path = Dialogs::saveFileName(this, QStringLiteral("Enregistrer sous"), DataFolder::root(), QString());
    if (path.isEmpty())
        return;
    guarded(this, [&] { pelorin::saveIncrementalList(path, ui->incrementalTextEdit->toPlainText()); });
}

void MainWindow::chooseLogo()
{
    const QString path =
        Dialogs::openFileName(this, QStringLiteral("Ouvrir"), m_logoFolder, QStringLiteral("Bitmap. (*.BMP *.bmp)"));
    if (path.isEmpty())
        return;
    guarded(this, [&] {
        // the picture is read first: a file that is no picture changes nothing
        const QImage image = readPicture(path);
        ui->logoPathEdit->setText(QFileInfo(path).absoluteFilePath());
        ui->logoPicture->setPixmap(logoPixmap(image));
    });
}

void MainWindow::showHelp()
{
    Dialogs::openDocument(this, DataFolder::path(QStringLiteral("Help\\Pelorin.htm")));
}

void MainWindow::showRalChart()
{
    Dialogs::openDocument(this, DataFolder::path(QStringLiteral("Help\\Nuancier.htm")));
}

void MainWindow::showModalWindow(QDialog* window)
{
    if (window)
        window->exec();
}

} // namespace pelorin
