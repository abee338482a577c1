#include "editor/ui/pageeditor.h"

#include "base/error.h"
#include "base/paths.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "editor/textlines.h"
#include "editor/ui/sheetchooser.h"
#include "labels/labelvalues.h"
#include "labels/ui/pagepreview.h"
#include "labels/ui/printing.h"
#include "labels/ui/selectiongrid.h"
#include "ui_pageeditor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
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

} // namespace

PageEditorPage::PageEditorPage(LabelValues& values, const QString& sheetFolder, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::EditorPage>()), m_values(values)
{
    ui->setupUi(this);
    if (!sheetFolder.isEmpty())
        m_standardSheets = readSheetTemplates(sheetFolder);
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

    ui->descriptionText->setPlainText(newDescriptionLines(FormatTexts()).join(u'\n'));
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
        auto* radio = new QRadioButton(table[size_t(i)].name, ui->componentTypeGroup);
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
    replaceText(ui->descriptionText, lines.join(u'\n'));
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
    return componentBlockLines(common, [this, type](const char* element) {
        for (const WrittenElement& w : type->writes) {
            if (std::strcmp(w.element, element) != 0)
                continue;
            const QWidget* field = findChild<QWidget*>(QString::fromLatin1(w.field));
            if (const auto* line = qobject_cast<const QLineEdit*>(field))
                return line->text();
            if (const auto* area = qobject_cast<const QPlainTextEdit*>(field))
                return rawText(area);
        }
        return QString();
    });
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
            ui->reportText->clear();
            throw;
        }
    });
    if (!built || !guarded(this, [&] { ui->pagePreview->setPage(preview.page); }))
        return;
    ui->reportText->setPlainText(preview.report.join(u'\n'));
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
    setMemoLines(lines);
    m_descriptionFile = path;
    if (!parseMemo())
        return;
    rebuildGrid();
    draw();
}

void PageEditorPage::saveDescription()
{
    const QString proposed =
        m_descriptionFile.isEmpty() ? DataFolder::path(QStringLiteral("Modeles")) : m_descriptionFile;
    const QString path = Dialogs::saveFileName(this, QStringLiteral("Enregistrer le fichier"), proposed, kSaveFilter,
                                               kDescriptionSuffix);
    if (path.isEmpty())
        return;
    if (!guarded(this, [&] { writeTextLines(path, memoLines()); }))
        return;
    m_descriptionFile = path;
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

} // namespace pelorin
