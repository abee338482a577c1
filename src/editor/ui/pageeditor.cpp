#include "editor/ui/pageeditor.h"

#include "base/error.h"
#include "base/paths.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "editor/executionreport.h"
#include "editor/textlines.h"
#include "editor/ui/layoutoverlay.h"
#include "editor/ui/sheetchooser.h"
#include "labels/barcodecheck.h"
#include "labels/labelvalues.h"
#include "labels/symbologies.h"
#include "labels/ui/pagepreview.h"
#include "labels/ui/printing.h"
#include "labels/ui/selectiongrid.h"
#include "ui_pageeditor.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <exception>

namespace pelorin {

namespace {

constexpr double kStartZoom = 100.0;

const QString kDescriptionFilters = QStringLiteral("ETQ (*.ETQ);;Tous (*.*)");
const QString kSaveFilter = QStringLiteral("ETQ (*.ETQ)");
const QString kDescriptionSuffix = QStringLiteral("ETQ");

// The text of a text area as the operator sees it: QTextDocument::toPlainText would turn
// non-breaking spaces into plain ones, which the file would then lose.
QString rawText(const QPlainTextEdit* edit)
{
    QString text = edit->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

// Replaces the whole text as one step the operator can undo.
void replaceText(QPlainTextEdit* edit, const QString& text)
{
    QTextCursor cursor(edit->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
    cursor.endEditBlock();
}

// The alignments of a Position element, as the file writes them and as the operator reads them.
const std::pair<const char*, const char*> kAlignments[] = {
    {"Left", "gauche"},
    {"Center", "centre"},
    {"Right", "droite"},
};

QDoubleSpinBox* lengthSpin(const QString& caption, double minimum)
{
    auto* spin = new QDoubleSpinBox;
    spin->setDecimals(1);
    spin->setSingleStep(0.1);
    spin->setRange(minimum, kMaxLengthMm);
    spin->setSuffix(QStringLiteral(" mm"));
    spin->setKeyboardTracking(false);
    spin->setAccessibleName(caption);
    return spin;
}

QSpinBox* wholeSpin(const QString& caption, int maximum, const QString& suffix)
{
    auto* spin = new QSpinBox;
    spin->setRange(0, maximum);
    spin->setSuffix(suffix);
    spin->setKeyboardTracking(false);
    spin->setAccessibleName(caption);
    return spin;
}

// Whether the type writes an element: the panel shows the fields of those it writes.
bool writes(const ComponentType* type, const char* element)
{
    if (!type)
        return false;
    for (const WrittenElement& w : type->writes)
        if (std::strcmp(w.element, element) == 0)
            return true;
    return false;
}

// Whether the page build reads an element for the type: the panel offers the optional ones it reads.
bool reads(const ComponentType* type, const char* element)
{
    if (!type)
        return false;
    for (const ReadElement& r : type->reads)
        if (std::strcmp(r.element, element) == 0)
            return true;
    return false;
}

// A row of the form shown or hidden through its widgets: Qt 6.4's QFormLayout::setRowVisible
// lays the form out with rows it has not counted yet and reads past their end.
void showRow(QFormLayout* form, QWidget* field, bool on)
{
    field->setVisible(on);
    if (QWidget* label = form->labelForField(field))
        label->setVisible(on);
}

QString tenths(double mm)
{
    return QLocale(QLocale::French).toString(mm, 'f', 1);
}

} // namespace

PageEditorPage::PageEditorPage(LabelValues& values, const QString& sheetFolder, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::EditorPage>()), m_values(values)
{
    ui->setupUi(this);
    // a new multi-line text's alignment from the list, stored as the file writes it; a barcode is
    // always centred in its box, so its alignment, still written "Left" as before, is not asked
    for (const auto& [stored, shown] : kAlignments)
        ui->memoTextPositionEdit->addItem(QString::fromUtf8(shown), QString::fromLatin1(stored));
    ui->autoBarCodePositionBox->hide();
    ui->barCodePositionBox->hide();
    // the preview over its status line, the page's objects and their properties beside it
    {
        auto* split = new QSplitter(Qt::Horizontal);
        split->setObjectName(QStringLiteral("previewSplitter"));
        auto* column = new QWidget;
        auto* columnLayout = new QVBoxLayout(column);
        columnLayout->setContentsMargins(0, 0, 0, 0);
        delete ui->EditorPageLayout->replaceWidget(ui->pagePreview, split);
        columnLayout->addWidget(ui->pagePreview, 1);
        m_status = new QLabel;
        m_status->setObjectName(QStringLiteral("editorStatus"));
        m_status->setAccessibleName(QStringLiteral("État de l'éditeur"));
        // a long message is cut rather than widen the window
        m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        m_status->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        columnLayout->addWidget(m_status);
        // what each barcode of the page will be worth on the printer, as the page is edited
        m_barcodeCheck = new QLabel;
        m_barcodeCheck->setObjectName(QStringLiteral("barcodeCheck"));
        m_barcodeCheck->setWordWrap(true);
        m_barcodeCheck->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        m_barcodeCheck->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        columnLayout->addWidget(m_barcodeCheck);
        split->addWidget(column);
        m_overlay = new LayoutOverlay(ui->pagePreview);
        // the panel scrolls rather than widen the window past a small screen
        auto* panelArea = new QScrollArea;
        panelArea->setObjectName(QStringLiteral("objectPanelArea"));
        panelArea->setAccessibleName(QStringLiteral("Objets et propriétés"));
        panelArea->setWidgetResizable(true);
        panelArea->setFrameShape(QFrame::NoFrame);
        panelArea->setWidget(createObjectPanel());
        split->addWidget(panelArea);
        split->setStretchFactor(0, 3);
        split->setStretchFactor(1, 2);
        split->setChildrenCollapsible(false);
        // the preview takes the larger part, whatever the panel would like
        split->setSizes({1100, 900});
    }
    createCommands();
    // the report lists the objects as placed: choosing a row chooses its object
    ui->reportList->setHeaderLabels(executionColumns());
    connect(ui->reportList, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { selectObject(item->data(0, Qt::UserRole).toInt()); });
    if (!sheetFolder.isEmpty())
        m_standardSheets = readSheetTemplates(sheetFolder, standardSheetTranslations());
    if (!m_standardSheets.isEmpty())
        ui->TabSheetNewPageLayout->insertWidget(0, createStandardSheetChoice());
    createTypeChoice();

    const std::pair<QToolButton*, std::pair<const char*, QStyle::StandardPixmap>> icons[] = {
        {ui->newDescriptionButton, {"document-new", QStyle::SP_FileIcon}},
        {ui->openDescriptionButton, {"document-open", QStyle::SP_DialogOpenButton}},
        {ui->saveDescriptionButton, {"document-save", QStyle::SP_DialogSaveButton}},
        {ui->zoomToFitButton, {"zoom-fit-best", QStyle::SP_TitleBarMaxButton}},
        {ui->zoomInButton, {"zoom-in", QStyle::SP_ArrowUp}},
        {ui->zoomOutButton, {"zoom-out", QStyle::SP_ArrowDown}},
        {ui->clearMemoTextButton, {"document-new", QStyle::SP_FileIcon}},
        {ui->loadMemoTextButton, {"document-open", QStyle::SP_DialogOpenButton}},
        {ui->saveMemoTextButton, {"document-save", QStyle::SP_DialogSaveButton}},
    };
    for (const auto& [button, icon] : icons)
        button->setIcon(themeIcon(QString::fromLatin1(icon.first), icon.second));

    // the text's own history gives way to the editor's, which holds the objects' changes too
    ui->descriptionText->setUndoRedoEnabled(false);
    ui->descriptionText->installEventFilter(this);
    connect(ui->descriptionText, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_syncing)
            m_document.setText(rawText(ui->descriptionText));
    });
    // the cursor in an object's element chooses it
    connect(ui->descriptionText, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        if (m_syncing || !ui->descriptionText->hasFocus())
            return;
        const int at = ui->descriptionText->textCursor().position();
        const auto& objects = m_document.objects();
        for (int i = 0; i < int(objects.size()); ++i)
            if (at >= objects[size_t(i)].start && at < objects[size_t(i)].end && i != m_selected) {
                m_selected = i;
                m_syncing = true;
                m_objectList->setCurrentItem(m_objectList->topLevelItem(i));
                m_overlay->setSelected(i);
                m_syncing = false;
                showProperties();
            }
    });
    connect(&m_document, &PageDocument::changed, this, &PageEditorPage::documentChanged);
    connect(m_overlay, &LayoutOverlay::picked, this, &PageEditorPage::selectObject);
    connect(m_overlay, &LayoutOverlay::dragging, this, [this](const QRectF& box) {
        m_status->setText(QStringLiteral("Gauche %1 mm, haut %2 mm, largeur %3 mm, hauteur %4 mm")
                              .arg(tenths(box.left()), tenths(box.top()), tenths(box.width()), tenths(box.height())));
    });
    connect(m_overlay, &LayoutOverlay::boxChanged, this, [this](int index, const QRectF& dragged, bool byKeyboard) {
        const QRectF box = keptProportions(index, dragged);
        editDocument([&] {
            m_document.setBox(index, box, byKeyboard ? QStringLiteral("Décaler") : QStringLiteral("Déplacer"));
        });
        selectObject(index);
        m_overlay->setFocus();
    });
    connect(m_overlay, &LayoutOverlay::drawn, this, &PageEditorPage::drawnObject);
    m_document.open(newDescriptionLines(FormatTexts()).join(u'\n'));
    ui->pagePreview->setZoom(kStartZoom);
    ui->pagePreview->setShadowDepth(0);
    ui->labelGrid->setMarks(m_sheet.marks());

    // the switches start on, like the model's
    {
        const QSignalBlocker a(ui->marginsCheck), b(ui->labelsCheck);
        ui->marginsCheck->setChecked(m_sheet.marks().marginFrame());
        ui->labelsCheck->setChecked(m_sheet.marks().outlines());
    }
    connect(ui->marginsCheck, &QCheckBox::toggled, this, [this](bool on) {
        m_sheet.marks().setMarginFrame(on);
        redraw();
    });
    connect(ui->labelsCheck, &QCheckBox::toggled, this, [this](bool on) {
        m_sheet.marks().setOutlines(on);
        redraw();
    });
    connect(ui->labelGrid, &SelectionGrid::markToggled, this, [this] { redraw(); });
    connect(ui->newDescriptionButton, &QToolButton::clicked, this, &PageEditorPage::newDescription);
    connect(ui->openDescriptionButton, &QToolButton::clicked, this, &PageEditorPage::openDescriptionFile);
    connect(ui->saveDescriptionButton, &QToolButton::clicked, this, &PageEditorPage::saveDescription);
    connect(ui->zoomToFitButton, &QToolButton::clicked, ui->pagePreview, &report::PagePreview::zoomToFit);
    connect(ui->zoomInButton, &QToolButton::clicked, ui->pagePreview, &report::PagePreview::zoomIn);
    connect(ui->zoomOutButton, &QToolButton::clicked, ui->pagePreview, &report::PagePreview::zoomOut);
    connect(ui->createPageButton, &QPushButton::clicked, this, &PageEditorPage::createPage);
    connect(ui->addComponentButton, &QPushButton::clicked, this, &PageEditorPage::addComponent);
    connect(ui->redrawPageButton, &QPushButton::clicked, this, &PageEditorPage::redrawPage);
    connect(ui->redrawGridButton, &QPushButton::clicked, this, &PageEditorPage::redrawGrid);
    connect(m_typeChoice, &QButtonGroup::idClicked, this, &PageEditorPage::componentTypeChosen);
    connect(ui->clearMemoTextButton, &QToolButton::clicked, this, &PageEditorPage::clearMemoText);
    connect(ui->loadMemoTextButton, &QToolButton::clicked, this, &PageEditorPage::loadMemoText);
    connect(ui->saveMemoTextButton, &QToolButton::clicked, this, &PageEditorPage::saveMemoText);
}

PageEditorPage::~PageEditorPage() = default;

void PageEditorPage::createTypeChoice()
{
    // one radio button per type of the table, in two columns; the first selected
    m_typeChoice = new QButtonGroup(ui->componentTypeGroup);
    const auto& table = componentTypeTable();
    const int perColumn = int((table.size() + 1) / 2);
    for (int i = 0; i < int(table.size()); ++i) {
        auto* radio = new QRadioButton(componentTypeCaption(table[size_t(i)].name), ui->componentTypeGroup);
        radio->setToolTip(table[size_t(i)].name);
        m_typeChoice->addButton(radio, i);
        ui->componentTypeGroupLayout->addWidget(radio, i % perColumn, i / perColumn);
    }
    m_typeChoice->button(0)->setChecked(true);
    componentTypeChosen(0);
}

QWidget* PageEditorPage::createStandardSheetChoice()
{
    m_standardSheetChoice = new QComboBox;
    QComboBox* choice = m_standardSheetChoice;
    choice->setObjectName(QStringLiteral("standardSheetChoice"));
    choice->setEditable(true);
    choice->setInsertPolicy(QComboBox::NoInsert);
    choice->setMaxVisibleItems(20);
    choice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    choice->setMinimumContentsLength(20);
    for (const SheetTemplate& s : m_standardSheets)
        choice->addItem(s.displayText());
    choice->setCurrentIndex(-1);
    choice->lineEdit()->setPlaceholderText(QStringLiteral("Marque, référence ou dimensions"));
    const QString hint = QStringLiteral("Remplir la page d'après une planche d'étiquettes du commerce.");
    choice->setToolTip(hint);
    choice->setStatusTip(hint);

    // typing any part of a sheet's name (the brand, the part number, a size) narrows the list
    auto* completer = new QCompleter(choice->model(), choice);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setMaxVisibleItems(20);
    choice->setCompleter(completer);

    connect(choice, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < m_standardSheets.size())
            applyStandardSheet(m_standardSheets.at(index));
    });
    // the chooser finds a sheet by its words, maker and paper, and shows its layout first
    auto* browse = new QPushButton(QStringLiteral("Choisir…"));
    browse->setObjectName(QStringLiteral("openSheetChooserButton"));
    browse->setAutoDefault(false);
    setHint(browse, QStringLiteral("Choisir une planche standard : rechercher, filtrer, voir sa disposition."));
    connect(browse, &QPushButton::clicked, this, &PageEditorPage::chooseStandardSheet);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(labeled(choice, QStringLiteral("Planche standard")), 1);
    layout->addWidget(browse, 0, Qt::AlignBottom);
    return row;
}

void PageEditorPage::chooseStandardSheet()
{
    auto* chooser = new SheetChooser(m_standardSheets, this);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    connect(chooser, &QDialog::accepted, this, [this, chooser] {
        const int index = chooser->chosenSheet();
        if (index < 0 || index >= m_standardSheets.size())
            return;
        m_standardSheetChoice->setCurrentIndex(index);
        applyStandardSheet(m_standardSheets.at(index));
    });
    chooser->open();
}

void PageEditorPage::applyStandardSheet(const SheetTemplate& sheet)
{
    const FormatTexts f = sheet.formatTexts();
    ui->pageReferenceEdit->setText(f.Reference);
    ui->pageWidthEdit->setText(f.Largeur);
    ui->pageHeightEdit->setText(f.Hauteur);
    ui->leftMarginEdit->setText(f.MargeGauche);
    ui->rightMarginEdit->setText(f.MargeDroite);
    ui->topMarginEdit->setText(f.MargeHaute);
    ui->bottomMarginEdit->setText(f.MargeBasse);
    ui->rowsEdit->setText(f.Ligne);
    ui->columnsEdit->setText(f.Colonne);
    ui->labelWidthEdit->setText(f.LargeurEtiquette);
    ui->labelHeightEdit->setText(f.HauteurEtiquette);
    ui->horizontalGapEdit->setText(f.EcartHorizontal);
    ui->verticalGapEdit->setText(f.EcartVertical);
    ui->labelHRadiusEdit->setText(f.EtiquetteHorizontalRadius);
    ui->labelVRadiusEdit->setText(f.EtiquetteVerticalRadius);
}

QStringList PageEditorPage::memoLines() const
{
    return textLines(rawText(ui->descriptionText));
}

void PageEditorPage::setMemoLines(const QStringList& lines)
{
    m_document.replace(lines.join(u'\n'), QStringLiteral("Remplacer le texte"));
}

FormatTexts PageEditorPage::formatTexts() const
{
    FormatTexts f;
    f.Reference = ui->pageReferenceEdit->text();
    f.Largeur = ui->pageWidthEdit->text();
    f.Hauteur = ui->pageHeightEdit->text();
    f.Ligne = ui->rowsEdit->text();
    f.Colonne = ui->columnsEdit->text();
    f.MargeGauche = ui->leftMarginEdit->text();
    f.MargeDroite = ui->rightMarginEdit->text();
    f.MargeHaute = ui->topMarginEdit->text();
    f.MargeBasse = ui->bottomMarginEdit->text();
    f.LargeurEtiquette = ui->labelWidthEdit->text();
    f.HauteurEtiquette = ui->labelHeightEdit->text();
    f.EtiquetteVerticalRadius = ui->labelVRadiusEdit->text();
    f.EtiquetteHorizontalRadius = ui->labelHRadiusEdit->text();
    f.EcartHorizontal = ui->horizontalGapEdit->text();
    f.EcartVertical = ui->verticalGapEdit->text();
    return f;
}

QString PageEditorPage::fieldText(const ComponentType* type, const char* element) const
{
    for (const WrittenElement& w : type->writes) {
        if (std::strcmp(w.element, element) != 0)
            continue;
        const QWidget* field = findChild<QWidget*>(QString::fromLatin1(w.field));
        if (const auto* line = qobject_cast<const QLineEdit*>(field))
            return line->text();
        if (const auto* area = qobject_cast<const QPlainTextEdit*>(field))
            return rawText(area);
        // a choice writes the word the file stores for what it shows
        if (const auto* choice = qobject_cast<const QComboBox*>(field))
            return choice->currentData().toString();
    }
    return QString();
}

QStringList PageEditorPage::componentBlock() const
{
    const ComponentType* type = selectedType();
    CommonTexts common;
    common.Type = type ? type->name : QString();
    common.Name = ui->componentNameEdit->text();
    common.Top = ui->componentTopEdit->text();
    common.Left = ui->componentLeftEdit->text();
    common.Height = ui->componentHeightEdit->text();
    common.Width = ui->componentWidthEdit->text();
    // each own element takes the text of the field the table names for it
    return componentBlockLines(common, [this, type](const char* element) { return fieldText(type, element); });
}

const ComponentType* PageEditorPage::selectedType() const
{
    const int index = m_typeChoice->checkedId();
    const auto& table = componentTypeTable();
    return index >= 0 && size_t(index) < table.size() ? &table[size_t(index)] : nullptr;
}

bool PageEditorPage::parseMemo()
{
    return guarded(this, [&] { m_sheet.parse(memoLines().join(u'\n')); });
}

void PageEditorPage::draw()
{
    EditorSheet::Preview preview;
    const bool built = guarded(this, [&] {
        try {
            preview = m_sheet.build(m_values, report::defaultPrinterPaperInches());
        } catch (...) {
            // nothing was built: the preview keeps its page, the report of this build is empty
            showExecutionReport(false);
            throw;
        }
    });
    if (!built || !guarded(this, [&] {
            ui->pagePreview->setPrinterDpi(checkResolution());
            ui->pagePreview->setPage(preview.page);
        }))
        return;
    showBarcodeCheck(preview.page.get());
    showExecutionReport(true);
    // what was built is shown even when a component stopped the build, then the reason
    switch (preview.result.stop) {
    case PageBuildResult::Stop::None:
        break;
    case PageBuildResult::Stop::UnknownType:
        Dialogs::information(this, preview.result.message);
        break;
    case PageBuildResult::Stop::Failed:
        Dialogs::error(this, preview.result.message);
        break;
    }
}

void PageEditorPage::redraw()
{
    if (parseMemo())
        draw();
}

void PageEditorPage::rebuildGrid()
{
    guarded(this, [&] {
        m_sheet.rebuildMarks();
        ui->labelGrid->fitCells(m_sheet.marks().columns(), m_sheet.marks().rows());
    });
}

void PageEditorPage::showing()
{
    if (!parseMemo())
        return;
    // the grid first, so that the preview shows the labels it marks
    rebuildGrid();
    draw();
    ui->pagePreview->zoomToFit();
}

void PageEditorPage::newDescription()
{
    setMemoLines({});
}

void PageEditorPage::openDescriptionFile()
{
    const QString dir = m_descriptionFile.isEmpty() ? DataFolder::path(QStringLiteral("Modeles")) : m_descriptionFile;
    const QString path = Dialogs::openFileName(this, QStringLiteral("Charger un descriptif"), dir, kDescriptionFilters);
    if (path.isEmpty())
        return;
    QStringList lines;
    if (!guarded(this, [&] { lines = readTextLines(path); }))
        return;
    openLines(lines, path);
}

void PageEditorPage::openLines(const QStringList& lines, const QString& fileName)
{
    // the history starts at the page opened
    m_selected = -1;
    m_document.open(lines.join(u'\n'));
    m_descriptionFile = fileName;
    if (!parseMemo())
        return;
    rebuildGrid();
    draw();
}

void PageEditorPage::openPageInUse(const QString& fileName, const QByteArray& bytes)
{
    // with no page in use the editor keeps what it has, the new page at first
    if (bytes.isEmpty() || (fileName == m_pageInUse && bytes == m_pageInUseBytes))
        return;
    // changes not saved are never thrown away: leaving the window has asked about them already,
    // so only a page left unsaved on purpose stays here
    if (!m_document.undoStack()->isClean())
        return;
    m_pageInUse = fileName;
    m_pageInUseBytes = bytes;
    openLines(textLinesFromBytes(bytes), fileName);
}

void PageEditorPage::saveDescription()
{
    // the file opened or saved last, else the page's reference as a name in the models folder
    QString proposed = m_descriptionFile;
    if (proposed.isEmpty()) {
        QString name = m_document.sheet().Reference.trimmed();
        static const QRegularExpression unfit(QStringLiteral("[\\\\/:*?\"<>|]"));
        name.replace(unfit, QStringLiteral("_"));
        if (name.isEmpty())
            name = QStringLiteral("Page");
        proposed = QDir(DataFolder::path(QStringLiteral("Modeles"))).filePath(name + QStringLiteral(".ETQ"));
    }
    // a page opened from the installed or a read-only shared folder is saved into the user's own
    proposed = DataFolder::modelSavePath(proposed);
    const QString path = Dialogs::saveFileName(this, QStringLiteral("Enregistrer le fichier"), proposed, kSaveFilter,
                                               kDescriptionSuffix);
    if (path.isEmpty())
        return;
    if (!guarded(this, [&] { writeTextLines(path, memoLines()); }))
        return;
    m_descriptionFile = path;
    m_document.undoStack()->setClean();
}

bool PageEditorPage::leaving()
{
    if (m_document.undoStack()->isClean())
        return true;
    switch (Dialogs::question(this,
                              QStringLiteral("La page d'étiquettes a été modifiée. Enregistrer les modifications ?"),
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        saveDescription();
        return m_document.undoStack()->isClean();
    case QMessageBox::No:
        // the page stays in the editor as it is; the question is not asked again for it
        m_document.undoStack()->setClean();
        return true;
    default:
        return false;
    }
}

void PageEditorPage::createPage()
{
    setMemoLines(newDescriptionLines(formatTexts()));
    if (!parseMemo())
        return;
    rebuildGrid();
    draw();
}

void PageEditorPage::addComponent()
{
    QStringList lines = memoLines();
    if (!insertComponentBlock(lines, componentBlock()))
        return;
    setMemoLines(lines);
    redraw();
}

void PageEditorPage::redrawPage()
{
    redraw();
}

void PageEditorPage::redrawGrid()
{
    rebuildGrid();
}

void PageEditorPage::componentTypeChosen(int)
{
    // the page the table names for the type: several types may share one
    if (const ComponentType* type = selectedType())
        if (auto* page = ui->parameterPages->findChild<QWidget*>(QString::fromLatin1(type->editorPage)))
            ui->parameterPages->setCurrentWidget(page);
}

void PageEditorPage::clearMemoText()
{
    replaceText(ui->memoTextEdit, QString());
}

void PageEditorPage::loadMemoText()
{
    const QString path = Dialogs::openFileName(this, QStringLiteral("Charger un texte"), DataFolder::root(), QString());
    if (path.isEmpty())
        return;
    if (!guarded(this, [&] { replaceText(ui->memoTextEdit, readTextLines(path).join(u'\n')); }))
        return;
    m_memoTextFile = path;
}

void PageEditorPage::saveMemoText()
{
    const QString proposed = m_memoTextFile.isEmpty() ? DataFolder::root() : m_memoTextFile;
    const QString path = Dialogs::saveFileName(this, QStringLiteral("Enregistrer le texte"), proposed, QString());
    if (path.isEmpty())
        return;
    if (!guarded(this, [&] { writeTextLines(path, textLines(rawText(ui->memoTextEdit))); }))
        return;
    m_memoTextFile = path;
}

QWidget* PageEditorPage::createObjectPanel()
{
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("objectPanel"));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* listCaption = new QLabel(QStringLiteral("&Objets de la page"));
    m_objectList = new QTreeWidget;
    m_objectList->setObjectName(QStringLiteral("objectList"));
    m_objectList->setAccessibleName(QStringLiteral("Objets de la page"));
    m_objectList->setRootIsDecorated(false);
    m_objectList->setUniformRowHeights(true);
    m_objectList->setHeaderLabels({QStringLiteral("Type"), QStringLiteral("Nom"), QStringLiteral("Gauche (mm)"),
                                   QStringLiteral("Haut (mm)"), QStringLiteral("Largeur (mm)"),
                                   QStringLiteral("Hauteur (mm)")});
    m_objectList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    listCaption->setBuddy(m_objectList);
    layout->addWidget(listCaption);
    layout->addWidget(m_objectList, 1);

    // the commands of the list, each a button with its shortcut in its hint
    auto* commands = new QHBoxLayout;
    const auto button = [&](const char* name, const QString& caption) {
        auto* b = new QToolButton;
        b->setObjectName(QString::fromLatin1(name));
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setText(caption);
        b->setAccessibleName(caption);
        commands->addWidget(b);
        return b;
    };
    QToolButton* up = button("moveUpButton", QStringLiteral("Monter"));
    QToolButton* down = button("moveDownButton", QStringLiteral("Descendre"));
    QToolButton* copy = button("duplicateButton", QStringLiteral("Dupliquer"));
    QToolButton* remove = button("deleteObjectButton", QStringLiteral("Supprimer"));
    commands->addStretch(1);
    layout->addLayout(commands);

    // a new object: its type, then its box dragged on the label
    auto* drawRow = new QHBoxLayout;
    auto* drawCaption = new QLabel(QStringLiteral("&Type à dessiner"));
    m_drawType = new QComboBox;
    m_drawType->setObjectName(QStringLiteral("drawTypeChoice"));
    for (const ComponentType& t : componentTypeTable())
        m_drawType->addItem(componentTypeCaption(t.name), t.name);
    drawCaption->setBuddy(m_drawType);
    m_drawButton = new QToolButton;
    m_drawButton->setObjectName(QStringLiteral("drawObjectButton"));
    m_drawButton->setText(QStringLiteral("Dessiner"));
    m_drawButton->setAccessibleName(QStringLiteral("Dessiner"));
    m_drawButton->setCheckable(true);
    m_snapCheck = new QCheckBox(QStringLiteral("&Aimanter"));
    m_snapCheck->setObjectName(QStringLiteral("snapCheck"));
    m_snapCheck->setToolTip(
        QStringLiteral("Aligner sur une grille de 0,5 mm et sur les bords des autres objets (Ctrl+G)"));
    m_snapCheck->setChecked(true);
    drawRow->addWidget(drawCaption);
    drawRow->addWidget(m_drawType, 1);
    drawRow->addWidget(m_drawButton);
    drawRow->addWidget(m_snapCheck);
    layout->addLayout(drawRow);

    auto* group = new QGroupBox(QStringLiteral("Propriétés de l'objet"));
    group->setObjectName(QStringLiteral("propertiesGroup"));
    m_properties = new QFormLayout(group);
    createPropertyFields(m_properties);
    layout->addWidget(group);
    // under the form rather than in it: a wrapped text in a form whose rows come and go trips
    // Qt 6.4's form layout
    m_objectCheck = new QLabel;
    m_objectCheck->setObjectName(QStringLiteral("objectBarcodeCheck"));
    m_objectCheck->setWordWrap(true);
    m_objectCheck->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(m_objectCheck);
    layout->addStretch(1);

    connect(m_objectList, &QTreeWidget::currentItemChanged, this, [this] {
        if (!m_syncing)
            selectObject(m_objectList->currentIndex().row());
    });
    connect(up, &QToolButton::clicked, this, &PageEditorPage::moveObjectUp);
    connect(down, &QToolButton::clicked, this, &PageEditorPage::moveObjectDown);
    connect(copy, &QToolButton::clicked, this, &PageEditorPage::duplicateObject);
    connect(remove, &QToolButton::clicked, this, &PageEditorPage::deleteObject);
    connect(m_drawButton, &QToolButton::toggled, this, [this](bool on) {
        m_overlay->setDrawing(on);
        if (on)
            m_overlay->setFocus();
    });
    connect(m_snapCheck, &QCheckBox::toggled, this, [this](bool on) { m_overlay->setSnapping(on); });
    return panel;
}

void PageEditorPage::createPropertyFields(QFormLayout* form)
{
    m_nameEdit = new QLineEdit;
    m_nameEdit->setObjectName(QStringLiteral("objectNameEdit"));
    m_nameEdit->setAccessibleName(QStringLiteral("Nom"));
    form->addRow(QStringLiteral("&Nom"), m_nameEdit);
    m_leftSpin = lengthSpin(QStringLiteral("Gauche"), -kMaxLengthMm);
    m_leftSpin->setObjectName(QStringLiteral("objectLeftSpin"));
    form->addRow(QStringLiteral("&Gauche"), m_leftSpin);
    m_topSpin = lengthSpin(QStringLiteral("Haut"), -kMaxLengthMm);
    m_topSpin->setObjectName(QStringLiteral("objectTopSpin"));
    form->addRow(QStringLiteral("&Haut"), m_topSpin);
    m_widthSpin = lengthSpin(QStringLiteral("Largeur"), 0.1);
    m_widthSpin->setObjectName(QStringLiteral("objectWidthSpin"));
    form->addRow(QStringLiteral("&Largeur"), m_widthSpin);
    m_heightSpin = lengthSpin(QStringLiteral("Hauteur"), 0.1);
    m_heightSpin->setObjectName(QStringLiteral("objectHeightSpin"));
    form->addRow(QStringLiteral("Hau&teur"), m_heightSpin);

    m_contentEdit = new QPlainTextEdit;
    m_contentEdit->setObjectName(QStringLiteral("objectTextEdit"));
    m_contentEdit->setAccessibleName(QStringLiteral("Texte"));
    m_contentEdit->setTabChangesFocus(true);
    m_contentEdit->setMaximumHeight(m_contentEdit->fontMetrics().lineSpacing() * 4 + 12);
    form->addRow(QStringLiteral("Te&xte"), m_contentEdit);
    // the font height is in pixels of the printer's page, as the page build takes it
    m_sizeSpin = wholeSpin(QStringLiteral("Taille"), int(kMaxPixelSize), QStringLiteral(" px"));
    m_sizeSpin->setObjectName(QStringLiteral("objectSizeSpin"));
    form->addRow(QStringLiteral("Ta&ille"), m_sizeSpin);
    m_rotationSpin = wholeSpin(QStringLiteral("Rotation"), 270, QStringLiteral(" °"));
    m_rotationSpin->setObjectName(QStringLiteral("objectRotationSpin"));
    m_rotationSpin->setSingleStep(90);
    form->addRow(QStringLiteral("&Rotation"), m_rotationSpin);
    m_alignmentChoice = new QComboBox;
    m_alignmentChoice->setObjectName(QStringLiteral("objectAlignmentChoice"));
    m_alignmentChoice->setAccessibleName(QStringLiteral("Alignement"));
    for (const auto& [stored, shown] : kAlignments)
        m_alignmentChoice->addItem(QString::fromUtf8(shown), QString::fromLatin1(stored));
    form->addRow(QStringLiteral("&Alignement"), m_alignmentChoice);
    // the installed families, the description's default first whether installed or not (the
    // painter then takes its metric equivalent)
    m_fontChoice = new QComboBox;
    m_fontChoice->setObjectName(QStringLiteral("objectFontChoice"));
    m_fontChoice->setAccessibleName(QStringLiteral("Police"));
    {
        QStringList families = QFontDatabase::families();
        families.removeAll(QString::fromLatin1(kDefaultFontFamily));
        m_fontChoice->addItem(QString::fromLatin1(kDefaultFontFamily));
        m_fontChoice->addItems(families);
    }
    form->addRow(QStringLiteral("&Police"), m_fontChoice);
    m_boldCheck = new QCheckBox(QStringLiteral("&Gras"));
    m_boldCheck->setObjectName(QStringLiteral("objectBoldCheck"));
    form->addRow(QString(), m_boldCheck);

    m_symbologyChoice = new QComboBox;
    m_symbologyChoice->setObjectName(QStringLiteral("objectSymbologyChoice"));
    m_symbologyChoice->setAccessibleName(QStringLiteral("Symbologie"));
    for (const SymbologyName& n : barcodeSymbologies())
        m_symbologyChoice->addItem(n.name, n.name);
    form->addRow(QStringLiteral("S&ymbologie"), m_symbologyChoice);
    m_gtinEdit = new QLineEdit;
    m_gtinEdit->setObjectName(QStringLiteral("objectGtinEdit"));
    m_gtinEdit->setAccessibleName(QStringLiteral("GTIN"));
    m_gtinEdit->setToolTip(
        QStringLiteral("Le GTIN du produit (8, 12, 13 ou 14 chiffres), porté par l'identifiant (01)"));
    form->addRow(QStringLiteral("G&TIN"), m_gtinEdit);
    m_humanReadableCheck = new QCheckBox(QStringLiteral("Te&xte en clair sous le code"));
    m_humanReadableCheck->setObjectName(QStringLiteral("objectHumanReadableCheck"));
    form->addRow(QString(), m_humanReadableCheck);

    // the border is stored in pixels of 1/96 inch and shown in millimetres: each step is one pixel
    m_borderSpin = new QDoubleSpinBox;
    m_borderSpin->setDecimals(2);
    m_borderSpin->setSingleStep(kMillimetresPerInch / 96.0);
    m_borderSpin->setRange(0.0, kMaxPixelSize * kMillimetresPerInch / 96.0);
    m_borderSpin->setSuffix(QStringLiteral(" mm"));
    m_borderSpin->setKeyboardTracking(false);
    m_borderSpin->setAccessibleName(QStringLiteral("Épaisseur du bord"));
    m_borderSpin->setObjectName(QStringLiteral("objectBorderSpin"));
    form->addRow(QStringLiteral("Épaisseur du &bord"), m_borderSpin);
    // the radii of a frame are whole millimetres
    m_hRadiusSpin = wholeSpin(QStringLiteral("Rayon horizontal"), int(kMaxLengthMm), QStringLiteral(" mm"));
    m_hRadiusSpin->setObjectName(QStringLiteral("objectHRadiusSpin"));
    form->addRow(QStringLiteral("Rayon hori&zontal"), m_hRadiusSpin);
    m_vRadiusSpin = wholeSpin(QStringLiteral("Rayon vertical"), int(kMaxLengthMm), QStringLiteral(" mm"));
    m_vRadiusSpin->setObjectName(QStringLiteral("objectVRadiusSpin"));
    form->addRow(QStringLiteral("Rayon &vertical"), m_vRadiusSpin);

    auto* imageRow = new QWidget;
    auto* imageLayout = new QHBoxLayout(imageRow);
    imageLayout->setContentsMargins(0, 0, 0, 0);
    m_imageEdit = new QLineEdit;
    m_imageEdit->setObjectName(QStringLiteral("objectImageEdit"));
    m_imageEdit->setAccessibleName(QStringLiteral("Fichier de l'image"));
    m_imageEdit->setReadOnly(true);
    auto* choose = new QPushButton(QStringLiteral("&Choisir…"));
    choose->setObjectName(QStringLiteral("chooseImageButton"));
    choose->setAccessibleName(QStringLiteral("Choisir l'image"));
    imageLayout->addWidget(m_imageEdit, 1);
    imageLayout->addWidget(choose);
    form->addRow(QStringLiteral("Fichier de l'&image"), imageRow);
    if (auto* caption = qobject_cast<QLabel*>(form->labelForField(imageRow)))
        caption->setBuddy(m_imageEdit);
    m_keepProportionsCheck = new QCheckBox(QStringLiteral("Garder les &proportions"));
    m_keepProportionsCheck->setObjectName(QStringLiteral("keepProportionsCheck"));
    m_keepProportionsCheck->setChecked(true);
    form->addRow(QString(), m_keepProportionsCheck);

    // Tab goes down the panel as it reads
    const QList<QWidget*> order = {m_nameEdit,        m_leftSpin,           m_topSpin,    m_widthSpin,
                                   m_heightSpin,      m_contentEdit,        m_sizeSpin,   m_rotationSpin,
                                   m_alignmentChoice, m_fontChoice,         m_boldCheck,  m_symbologyChoice,
                                   m_gtinEdit,        m_humanReadableCheck, m_borderSpin, m_hRadiusSpin,
                                   m_vRadiusSpin,     m_imageEdit,          choose,       m_keepProportionsCheck};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    // each field changes its element of the selected object
    connect(m_nameEdit, &QLineEdit::editingFinished, this, [this] { setObjectValue("Name", m_nameEdit->text()); });
    const auto boxChanged = [this](QDoubleSpinBox* changed) {
        if (m_syncing || m_selected < 0)
            return;
        QRectF box(m_leftSpin->value(), m_topSpin->value(), m_widthSpin->value(), m_heightSpin->value());
        const PageObject& o = m_document.objects()[size_t(m_selected)];
        // an image keeps its proportions: the other side of the box follows the one changed
        if (m_keepProportionsCheck->isVisibleTo(this) && m_keepProportionsCheck->isChecked() && o.boxValid &&
            o.box.width() > 0 && o.box.height() > 0) {
            const double ratio = o.box.height() / o.box.width();
            if (changed == m_widthSpin)
                box.setHeight(box.width() * ratio);
            else if (changed == m_heightSpin)
                box.setWidth(box.height() / ratio);
        }
        editDocument([&] { m_document.setBox(m_selected, box, QStringLiteral("Modifier la position")); });
    };
    for (QDoubleSpinBox* spin : {m_leftSpin, m_topSpin, m_widthSpin, m_heightSpin})
        connect(spin, &QDoubleSpinBox::valueChanged, this, [boxChanged, spin] { boxChanged(spin); });
    connect(m_contentEdit, &QPlainTextEdit::textChanged, this,
            [this] { setObjectValue("Text", rawText(m_contentEdit)); });
    const std::pair<QSpinBox*, const char*> numbers[] = {
        {m_sizeSpin, "Taille"}, {m_rotationSpin, "Rotation"}, {m_hRadiusSpin, "HRadius"}, {m_vRadiusSpin, "VRadius"}};
    for (const auto& [spin, element] : numbers)
        connect(spin, &QSpinBox::valueChanged, this,
                [this, element = element](int v) { setObjectValue(element, QString::number(v)); });
    connect(m_borderSpin, &QDoubleSpinBox::valueChanged, this, [this](double mm) {
        setObjectValue("BorderWidth", QString::number(std::lround(mm * 96.0 / kMillimetresPerInch)));
    });
    // the optional elements are written only when they differ from what their absence means
    const auto setOptional = [this](const char* element, const QString& value, const QString& byDefault) {
        if (m_syncing || m_selected < 0)
            return;
        const int index = m_selected;
        editDocument([&] { m_document.setOptionalValue(index, element, value, byDefault); });
    };
    connect(m_alignmentChoice, &QComboBox::activated, this, [this, setOptional] {
        setOptional(kPositionElement, m_alignmentChoice->currentData().toString(), QStringLiteral("Left"));
    });
    connect(m_fontChoice, &QComboBox::activated, this, [this, setOptional] {
        const QString family = m_fontChoice->currentText();
        setOptional(kFontElement, family == QLatin1String(kDefaultFontFamily) ? QString() : family, QString());
    });
    connect(m_boldCheck, &QCheckBox::toggled, this,
            [setOptional](bool on) { setOptional(kBoldElement, on ? QStringLiteral("1") : QString(), QString()); });
    connect(m_symbologyChoice, &QComboBox::activated, this, [this, setOptional] {
        const QString name = m_symbologyChoice->currentData().toString();
        setOptional("Symbology", name == pelorin::symbologyName(report::kCode128) ? QString() : name, QString());
    });
    connect(m_gtinEdit, &QLineEdit::editingFinished, this,
            [this, setOptional] { setOptional("GTIN", m_gtinEdit->text().trimmed(), QString()); });
    connect(m_humanReadableCheck, &QCheckBox::toggled, this, [setOptional](bool on) {
        setOptional(kHumanReadableElement, on ? QString() : QStringLiteral("0"), QString());
    });
    connect(choose, &QPushButton::clicked, this, &PageEditorPage::chooseImage);
}

void PageEditorPage::createCommands()
{
    // the shortcuts hold within the editor; Delete only where an object is chosen, so that the
    // text keeps its own
    const auto command = [this](const QString& caption, const QList<QKeySequence>& keys, auto&& slot) {
        auto* action = new QAction(caption, this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
        return action;
    };
    m_undoAction = command(QStringLiteral("Annuler"), {QKeySequence::Undo}, [this] { m_document.undoStack()->undo(); });
    m_redoAction = command(QStringLiteral("Rétablir"), redoKeys(), [this] { m_document.undoStack()->redo(); });
    command(QStringLiteral("Monter l'objet"), {QKeySequence(QStringLiteral("Alt+Up"))}, [this] { moveObjectUp(); });
    command(QStringLiteral("Descendre l'objet"), {QKeySequence(QStringLiteral("Alt+Down"))},
            [this] { moveObjectDown(); });
    command(QStringLiteral("Dupliquer l'objet"), {QKeySequence(QStringLiteral("Ctrl+D"))},
            [this] { duplicateObject(); });
    command(QStringLiteral("Dessiner un objet"), {QKeySequence(QStringLiteral("Ctrl+Shift+N"))},
            [this] { m_drawButton->toggle(); });
    command(QStringLiteral("Aimanter"), {QKeySequence(QStringLiteral("Ctrl+G"))}, [this] { m_snapCheck->toggle(); });
    command(QStringLiteral("Nouvelle page"), {QKeySequence::New}, [this] { newDescription(); });
    command(QStringLiteral("Ouvrir"), {QKeySequence::Open}, [this] { openDescriptionFile(); });
    command(QStringLiteral("Enregistrer"), {QKeySequence::Save}, [this] { saveDescription(); });
    command(QStringLiteral("Zoom au mieux"), {QKeySequence(QStringLiteral("Ctrl+0"))},
            [this] { ui->pagePreview->zoomToFit(); });
    command(QStringLiteral("Agrandir"), {QKeySequence::ZoomIn}, [this] { ui->pagePreview->zoomIn(); });
    command(QStringLiteral("Réduire"), {QKeySequence::ZoomOut}, [this] { ui->pagePreview->zoomOut(); });
    command(QStringLiteral("Aperçu"), {QKeySequence(QStringLiteral("F6"))}, [this] { m_overlay->setFocus(); });
    command(QStringLiteral("Objets de la page"), {QKeySequence(QStringLiteral("F7"))},
            [this] { m_objectList->setFocus(); });
    command(QStringLiteral("Propriétés de l'objet"), {QKeySequence(QStringLiteral("F8"))},
            [this] { m_nameEdit->setFocus(); });
    command(QStringLiteral("Texte XML"), {QKeySequence(QStringLiteral("F9"))},
            [this] { ui->descriptionText->setFocus(); });
    command(QStringLiteral("Redessiner la page"), {QKeySequence(QStringLiteral("F5"))}, [this] { redrawPage(); });
    command(QStringLiteral("Redessiner la grille"), {QKeySequence(QStringLiteral("Shift+F5"))},
            [this] { redrawGrid(); });
    command(QStringLiteral("CREER"), {QKeySequence(QStringLiteral("Ctrl+Shift+C"))}, [this] { createPage(); });
    command(QStringLiteral("Ajouter"), {QKeySequence(QStringLiteral("Ctrl+Shift+A"))}, [this] { addComponent(); });
    command(QStringLiteral("Choisir l'image"), {QKeySequence(QStringLiteral("Ctrl+Shift+I"))},
            [this] { chooseImage(); });
    auto* remove = new QAction(QStringLiteral("Supprimer l'objet"), this);
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    connect(remove, &QAction::triggered, this, &PageEditorPage::deleteObject);
    m_objectList->addAction(remove);
    m_overlay->addAction(remove);
    m_undoAction->setEnabled(false);
    m_redoAction->setEnabled(false);
    connect(m_document.undoStack(), &QUndoStack::canUndoChanged, m_undoAction, &QAction::setEnabled);
    connect(m_document.undoStack(), &QUndoStack::canRedoChanged, m_redoAction, &QAction::setEnabled);
    // the buttons tell their shortcuts
    const std::pair<const char*, const char*> hints[] = {
        {"moveUpButton", "Monter dans l'ordre de dessin (Alt+Haut)"},
        {"moveDownButton", "Descendre dans l'ordre de dessin (Alt+Bas)"},
        {"duplicateButton", "Dupliquer l'objet (Ctrl+D)"},
        {"deleteObjectButton", "Supprimer l'objet (Suppr)"},
        {"drawObjectButton", "Dessiner un objet du type choisi sur l'étiquette (Ctrl+Maj+N)"},
    };
    for (const auto& [name, hint] : hints)
        if (auto* b = findChild<QToolButton*>(QString::fromLatin1(name))) {
            b->setToolTip(QString::fromUtf8(hint));
            b->setStatusTip(QString::fromUtf8(hint));
        }
    // the toolbar's and the tabs' buttons keep their captions and hints, their keys added to the hint
    const std::pair<QAbstractButton*, const char*> keys[] = {
        {ui->newDescriptionButton, "Ctrl+N"},
        {ui->openDescriptionButton, "Ctrl+O"},
        {ui->saveDescriptionButton, "Ctrl+S"},
        {ui->zoomToFitButton, "Ctrl+0"},
        {ui->zoomInButton, "Ctrl++"},
        {ui->zoomOutButton, "Ctrl+-"},
        {ui->createPageButton, "Ctrl+Maj+C"},
        {ui->addComponentButton, "Ctrl+Maj+A"},
        {ui->redrawPageButton, "F5"},
        {ui->redrawGridButton, "Maj+F5"},
        {findChild<QPushButton*>(QStringLiteral("chooseImageButton")), "Ctrl+Maj+I"},
    };
    for (const auto& [button, key] : keys) {
        if (!button)
            continue;
        const QString hint = button->toolTip().isEmpty() ? button->text().remove(u'&') : button->toolTip();
        button->setToolTip(QStringLiteral("%1 (%2)").arg(hint, QLatin1String(key)));
    }
}

bool PageEditorPage::eventFilter(QObject* watched, QEvent* event)
{
    // undo and redo in the text are the editor's: one history for the text and the objects
    if (watched == ui->descriptionText && event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Y)) {
            event->ignore();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Ctrl+Y, and the desktop's own redo key when it has another
QList<QKeySequence> PageEditorPage::redoKeys()
{
    QList<QKeySequence> keys = {QKeySequence(QStringLiteral("Ctrl+Y"))};
    for (const QKeySequence& k : QKeySequence::keyBindings(QKeySequence::Redo))
        if (!keys.contains(k))
            keys << k;
    return keys;
}

template <typename Edit> void PageEditorPage::editDocument(Edit&& edit)
{
    guarded(this, std::forward<Edit>(edit));
}

void PageEditorPage::setObjectValue(const char* element, const QString& value)
{
    if (m_syncing || m_selected < 0)
        return;
    if (m_document.value(m_selected, element) == value)
        return;
    editDocument([&] { m_document.setValue(m_selected, element, value); });
}

void PageEditorPage::documentChanged()
{
    if (rawText(ui->descriptionText) != m_document.text()) {
        m_syncing = true;
        const int position = ui->descriptionText->textCursor().position();
        replaceText(ui->descriptionText, m_document.text());
        QTextCursor cursor = ui->descriptionText->textCursor();
        cursor.setPosition(std::min<int>(position, int(m_document.text().size())));
        ui->descriptionText->setTextCursor(cursor);
        m_syncing = false;
    }
    showTextError();
    if (m_document.isValid()) {
        try {
            m_sheet.parse(m_document.text());
            const SheetGeometry& g = m_document.sheet();
            // the grid follows the text's rows and columns
            if (m_document.sheetValid() && g.Ligne > 0 && g.Colonne > 0 &&
                (m_sheet.marks().rows() != g.Ligne || m_sheet.marks().columns() != g.Colonne)) {
                m_sheet.rebuildMarks();
                ui->labelGrid->fitCells(m_sheet.marks().columns(), m_sheet.marks().rows());
            }
        } catch (const Error& e) {
            m_status->setText(e.message());
        }
        drawLive();
    }
    if (m_selected >= int(m_document.objects().size()))
        m_selected = int(m_document.objects().size()) - 1;
    showObjects();
    showProperties();
}

void PageEditorPage::drawLive()
{
    try {
        EditorSheet::Preview preview = m_sheet.build(m_values, report::defaultPrinterPaperInches());
        ui->pagePreview->setPrinterDpi(checkResolution());
        ui->pagePreview->setPage(preview.page);
        showBarcodeCheck(preview.page.get());
        showExecutionReport(true);
        m_status->setText(preview.result.stop == PageBuildResult::Stop::None ? QString() : preview.result.message);
    } catch (const Error& e) {
        m_status->setText(e.message());
    }
}

int PageEditorPage::checkResolution()
{
    // asked of the print server once: the page is checked at every keystroke
    if (m_checkDpi <= 0)
        m_checkDpi = report::fittingResolution(report::printerQueue(QString()));
    return m_checkDpi;
}

void PageEditorPage::setCheckResolution(int dpi)
{
    m_checkDpi = dpi;
}

void PageEditorPage::showBarcodeCheck(const report::ExecutedPage* page)
{
    const report::PageReport check = page ? report::checkPage(*page, checkResolution()) : report::PageReport();
    if (check.barcodes.empty()) {
        m_barcodeCheck->clear();
        m_barcodeCheck->setAccessibleName(QStringLiteral("Contrôle des codes-barres : aucun code-barres"));
        return;
    }
    // the first label's barcodes stand for the others: every label carries the same boxes, and
    // the page build gives the first label's components the names the description gives them
    QStringList lines;
    m_checkLines.clear();
    const QLocale french(QLocale::French);
    for (const report::BarcodeReport& b : check.barcodes) {
        QString line = b.reason(check.minimumModuleMm);
        if (b.drawn)
            line += QStringLiteral(" Case la plus étroite en points entiers : %1 mm.")
                        .arg(french.toString(b.minimumBoxMm, 'f', 1));
        const bool named = std::any_of(m_document.objects().begin(), m_document.objects().end(),
                                       [&b](const PageObject& o) { return o.name == b.name; });
        if (!named)
            continue;
        m_checkLines.emplace_back(b.name, line);
        lines << line; // each line names its barcode
    }
    if (lines.isEmpty()) // names the page build had to change: the lines as they come, once each
        for (const report::BarcodeReport& b : check.barcodes)
            if (const QString line = b.reason(check.minimumModuleMm); !lines.contains(line))
                lines << line;
    static const char* const colours[] = {"#2e9e44", "#b86a00", "#d02020"};
    m_barcodeCheck->setText(QStringLiteral("<span style=\"color:%1\">%2</span>")
                                .arg(QLatin1String(colours[int(report::qualityMark(check))]),
                                     lines.join(QStringLiteral("<br>"))
                                         .toHtmlEscaped()
                                         .replace(QStringLiteral("&lt;br&gt;"), QStringLiteral("<br>"))));
    m_barcodeCheck->setToolTip(report::qualityHint(check));
    m_barcodeCheck->setAccessibleName(QStringLiteral("Contrôle des codes-barres : ") + lines.join(u' '));
}

QString PageEditorPage::objectCheckText() const
{
    if (m_selected < 0 || m_selected >= int(m_document.objects().size()))
        return QString();
    const QString& name = m_document.objects()[size_t(m_selected)].name;
    for (const auto& [barcode, line] : m_checkLines)
        if (barcode == name)
            return line;
    return QStringLiteral("Aucun symbole à contrôler.");
}

QRectF PageEditorPage::keptProportions(int index, const QRectF& box) const
{
    if (index < 0 || index >= int(m_document.objects().size()) || !m_keepProportionsCheck->isChecked())
        return box;
    const PageObject& o = m_document.objects()[size_t(index)];
    const bool image = o.type == QLatin1String("Image") || o.type == QLatin1String("AutoLogo");
    if (!image || !o.boxValid || o.box.width() <= 0.0 || o.box.height() <= 0.0 || box.size() == o.box.size())
        return box;
    // the side changed the more leads, the other follows; the corner opposite the handle stays
    const double ratio = o.box.height() / o.box.width();
    QRectF kept = box;
    if (std::abs(box.width() - o.box.width()) / o.box.width() >=
        std::abs(box.height() - o.box.height()) / o.box.height())
        kept.setHeight(box.width() * ratio);
    else
        kept.setWidth(box.height() / ratio);
    if (box.left() != o.box.left() && qFuzzyCompare(box.right(), o.box.right()))
        kept.moveRight(box.right());
    if (box.top() != o.box.top() && qFuzzyCompare(box.bottom(), o.box.bottom()))
        kept.moveBottom(box.bottom());
    return kept;
}

void PageEditorPage::showExecutionReport(bool built)
{
    QTreeWidget* list = ui->reportList;
    list->clear();
    if (!built)
        return;
    std::vector<ExecutionRow> rows;
    try {
        rows = executionRows(m_sheet.EtiqXML(), m_sheet.marks(), m_values, checkResolution());
    } catch (const Error&) {
        return; // the build has told why nothing was placed
    }
    // each object on its line, the problems found under it, in red across the whole list
    const QColor problemColour(0xd0, 0x20, 0x20);
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (const ExecutionRow& row : rows) {
        auto* item = new QTreeWidgetItem(executionCells(row));
        item->setData(0, Qt::UserRole, row.object);
        for (int column = 2; column < item->columnCount(); ++column)
            item->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
        list->addTopLevelItem(item);
        if (!row.problems.isEmpty())
            item->setIcon(0, warning);
        for (const QString& problem : row.problems) {
            auto* line = new QTreeWidgetItem(item, {problem});
            line->setData(0, Qt::UserRole, row.object);
            line->setForeground(0, problemColour);
            line->setToolTip(0, problem);
            line->setFirstColumnSpanned(true);
        }
    }
    list->expandAll();
    for (int column = 0; column < list->columnCount(); ++column)
        list->resizeColumnToContents(column);
}

void PageEditorPage::showTextError()
{
    QList<QTextEdit::ExtraSelection> marks;
    if (!m_document.isValid()) {
        m_status->setText(
            m_document.errorLine() > 0
                ? QStringLiteral("Ligne %1 : %2").arg(m_document.errorLine()).arg(m_document.errorMessage())
                : m_document.errorMessage());
        const QTextBlock block = ui->descriptionText->document()->findBlockByNumber(m_document.errorLine() - 1);
        if (block.isValid()) {
            QTextEdit::ExtraSelection line;
            line.cursor = QTextCursor(block);
            line.format.setBackground(QColor(255, 200, 200));
            line.format.setProperty(QTextFormat::FullWidthSelection, true);
            marks << line;
        }
    }
    ui->descriptionText->setExtraSelections(marks);
}

void PageEditorPage::showObjects()
{
    m_syncing = true;
    const auto& objects = m_document.objects();
    m_objectList->clear();
    std::vector<QRectF> boxes;
    for (const PageObject& o : objects) {
        QStringList cells = {componentTypeCaption(o.type), o.name};
        if (o.boxValid)
            cells << tenths(o.box.left()) << tenths(o.box.top()) << tenths(o.box.width()) << tenths(o.box.height());
        auto* item = new QTreeWidgetItem(m_objectList, cells);
        item->setToolTip(0, o.type);
        boxes.push_back(o.boxValid ? o.box : QRectF());
    }
    if (m_selected >= 0)
        m_objectList->setCurrentItem(m_objectList->topLevelItem(m_selected));
    m_syncing = false;
    const SheetGeometry& g = m_document.sheet();
    if (m_document.sheetValid())
        m_overlay->setLabel(QPointF(g.MargeGauche, g.MargeHaute),
                            QSizeF(g.LargeurEtiquette, g.HauteurEtiquette) * kMillimetresPerInch,
                            QSizeF(g.columnPitch(), g.rowPitch()) * kMillimetresPerInch, g.Colonne, g.Ligne);
    m_overlay->setBoxes(boxes);
    m_overlay->setSelected(m_selected);
}

void PageEditorPage::showProperties()
{
    m_syncing = true;
    const bool any = m_selected >= 0 && m_selected < int(m_document.objects().size());
    m_properties->parentWidget()->setEnabled(any && m_document.isValid());
    const PageObject none;
    const PageObject& o = any ? m_document.objects()[size_t(m_selected)] : none;
    const ComponentType* type = findComponentType(o.type);
    m_nameEdit->setText(o.name);
    for (QDoubleSpinBox* spin : {m_leftSpin, m_topSpin, m_widthSpin, m_heightSpin})
        spin->setEnabled(o.boxValid);
    m_leftSpin->setValue(o.box.left());
    m_topSpin->setValue(o.box.top());
    m_widthSpin->setValue(o.box.width());
    m_heightSpin->setValue(o.box.height());

    const auto value = [&](const char* element) { return any ? m_document.value(m_selected, element) : QString(); };
    showRow(m_properties, m_contentEdit, writes(type, "Text"));
    if (writes(type, "Text") && rawText(m_contentEdit) != value("Text"))
        m_contentEdit->setPlainText(value("Text"));
    const std::pair<QSpinBox*, const char*> numbers[] = {
        {m_sizeSpin, "Taille"}, {m_rotationSpin, "Rotation"}, {m_hRadiusSpin, "HRadius"}, {m_vRadiusSpin, "VRadius"}};
    for (const auto& [spin, element] : numbers) {
        // the version's size is fixed: the panel does not offer what the page build ignores
        const bool shown = writes(type, element) &&
                           !(type->name == QLatin1String("AutoVersion") && std::strcmp(element, "Taille") == 0);
        showRow(m_properties, spin, shown);
        if (shown)
            spin->setValue(value(element).trimmed().toInt());
    }
    showRow(m_properties, m_borderSpin, writes(type, "BorderWidth"));
    if (writes(type, "BorderWidth"))
        m_borderSpin->setValue(value("BorderWidth").trimmed().toInt() * kMillimetresPerInch / 96.0);

    // a text's face: the types that read it
    const bool text = reads(type, kFontElement);
    showRow(m_properties, m_alignmentChoice, text);
    showRow(m_properties, m_fontChoice, text);
    showRow(m_properties, m_boldCheck, text);
    if (text) {
        const QString stored = value(kPositionElement);
        int at = m_alignmentChoice->findData(positionFromAlignment(alignmentFromPosition(stored)));
        if (!stored.trimmed().isEmpty() && m_alignmentChoice->findData(stored) >= 0)
            at = m_alignmentChoice->findData(stored);
        m_alignmentChoice->setCurrentIndex(at);
        const QString family = value(kFontElement).trimmed();
        const QString shown = family.isEmpty() ? QString::fromLatin1(kDefaultFontFamily) : family;
        int font = m_fontChoice->findText(shown, Qt::MatchFixedString);
        if (font < 0) {
            // a family this machine lacks stays offered as written
            m_fontChoice->addItem(shown);
            font = m_fontChoice->count() - 1;
        }
        m_fontChoice->setCurrentIndex(font);
        m_boldCheck->setChecked(descriptionFlag(value(kBoldElement), false));
    }

    // a barcode's symbology, its GTIN where the symbology carries one, its text under the bars
    const bool barcode = reads(type, "Symbology");
    showRow(m_properties, m_symbologyChoice, barcode);
    showRow(m_properties, m_humanReadableCheck, barcode);
    m_objectCheck->setVisible(barcode);
    bool gtin = false;
    if (barcode) {
        const QString stored = value("Symbology");
        const std::optional<report::Symbology> symbology = symbologyFromName(stored);
        int at = symbology ? m_symbologyChoice->findData(pelorin::symbologyName(*symbology)) : -1;
        if (at < 0) {
            m_symbologyChoice->addItem(stored, stored);
            at = m_symbologyChoice->count() - 1;
        }
        m_symbologyChoice->setCurrentIndex(at);
        gtin = reads(type, "GTIN") && symbology &&
               (symbology->gs1 || *symbology == report::kGs1_128 || *symbology == report::kEan13);
        if (gtin && !m_gtinEdit->hasFocus())
            m_gtinEdit->setText(value("GTIN"));
        // only the linear symbologies print their text under the bars
        const bool linear =
            !symbology || (*symbology != report::kQrCode && symbology->zintId != report::kDataMatrix.zintId);
        m_humanReadableCheck->setEnabled(linear);
        m_humanReadableCheck->setChecked(descriptionFlag(value(kHumanReadableElement), true));
        m_objectCheck->setText(objectCheckText());
        m_objectCheck->setAccessibleName(QStringLiteral("Contrôle du code-barres : ") + m_objectCheck->text());
    }
    showRow(m_properties, m_gtinEdit, gtin);
    const bool image = writes(type, "FileName");
    showRow(m_properties, m_imageEdit->parentWidget(), image);
    showRow(m_properties, m_keepProportionsCheck, image || (type && type->name == QLatin1String("AutoLogo")));
    if (image)
        m_imageEdit->setText(value("FileName"));
    m_syncing = false;
}

void PageEditorPage::selectObject(int index)
{
    if (index < -1 || index >= int(m_document.objects().size()))
        index = -1;
    m_selected = index;
    m_syncing = true;
    m_objectList->setCurrentItem(index >= 0 ? m_objectList->topLevelItem(index) : nullptr);
    m_overlay->setSelected(index);
    // the element in the text, selected and brought into view
    if (index >= 0) {
        const PageObject& o = m_document.objects()[size_t(index)];
        QTextCursor cursor = ui->descriptionText->textCursor();
        cursor.setPosition(o.start);
        cursor.setPosition(o.end, QTextCursor::KeepAnchor);
        ui->descriptionText->setTextCursor(cursor);
        ui->descriptionText->ensureCursorVisible();
    }
    m_syncing = false;
    showProperties();
}

void PageEditorPage::deleteObject()
{
    if (m_selected < 0)
        return;
    const int index = m_selected;
    editDocument([&] { m_document.remove(index); });
    selectObject(std::min(index, int(m_document.objects().size()) - 1));
}

void PageEditorPage::moveObjectUp()
{
    if (m_selected <= 0)
        return;
    const int index = m_selected;
    editDocument([&] { m_document.move(index, index - 1); });
    selectObject(index - 1);
}

void PageEditorPage::moveObjectDown()
{
    if (m_selected < 0 || m_selected + 1 >= int(m_document.objects().size()))
        return;
    const int index = m_selected;
    editDocument([&] { m_document.move(index, index + 1); });
    selectObject(index + 1);
}

void PageEditorPage::duplicateObject()
{
    if (m_selected < 0)
        return;
    int copy = -1;
    const int index = m_selected;
    editDocument([&] { copy = m_document.duplicate(index); });
    if (copy >= 0)
        selectObject(copy);
}

void PageEditorPage::drawnObject(const QRectF& box)
{
    m_drawButton->setChecked(false);
    const ComponentType* type = findComponentType(m_drawType->currentData().toString());
    if (!type)
        return;
    CommonTexts common;
    common.Type = type->name;
    common.Name = QStringLiteral("Objet%1").arg(m_document.objects().size() + 1);
    common.Left = millimetreText(box.left());
    common.Top = millimetreText(box.top());
    common.Width = millimetreText(box.width());
    common.Height = millimetreText(box.height());
    // its own values from the fields of "Ajouter objets", as "Ajouter" would write them
    const QStringList block =
        componentBlockLines(common, [this, type](const char* element) { return fieldText(type, element); });
    int index = -1;
    editDocument([&] { index = m_document.append(block); });
    if (index >= 0)
        selectObject(index);
}

void PageEditorPage::chooseImage()
{
    if (m_selected < 0)
        return;
    const QString logos = DataFolder::path(QStringLiteral("Logos"));
    const QString path = Dialogs::openFileName(this, QStringLiteral("Choisir une image"), logos,
                                               QStringLiteral("Images (*.bmp *.png *.jpg *.jpeg *.gif);;Tous (*.*)"));
    if (path.isEmpty())
        return;
    const QFileInfo chosen(path);
    // the page names its images in the logos folder: one from elsewhere is copied there first,
    // never over another image of the same name
    const QString target = QDir(logos).filePath(chosen.fileName());
    if (QFileInfo(target).canonicalFilePath() != chosen.canonicalFilePath()) {
        if (QFileInfo::exists(target)) {
            Dialogs::error(this, QStringLiteral("Une autre image nommée « %1 » est déjà dans le dossier des logos.")
                                     .arg(chosen.fileName()));
            return;
        }
        QDir().mkpath(logos);
        if (!QFile::copy(path, target)) {
            Dialogs::error(this,
                           QStringLiteral("Impossible de copier l'image dans le dossier des logos : %1").arg(target));
            return;
        }
    }
    const int index = m_selected;
    editDocument([&] { m_document.setValue(index, "FileName", chosen.fileName()); });
    // the box takes the image's proportions, its width kept
    const QSize size = QImageReader(target).size();
    const PageObject& o = m_document.objects()[size_t(index)];
    if (m_keepProportionsCheck->isChecked() && size.isValid() && o.boxValid && size.width() > 0)
        editDocument([&] {
            m_document.setBox(
                index, QRectF(o.box.topLeft(), QSizeF(o.box.width(), o.box.width() * size.height() / size.width())));
        });
}

} // namespace pelorin
