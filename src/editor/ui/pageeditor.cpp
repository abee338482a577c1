#include "editor/ui/pageeditor.h"

#include "base/error.h"
#include "base/paths.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "editor/textlines.h"
#include "labels/labelvalues.h"
#include "labels/ui/pagepreview.h"
#include "labels/ui/printing.h"
#include "labels/ui/selectiongrid.h"
#include "ui_pageeditor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
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
        {ui->ToolButton17, {"document-new", QStyle::SP_FileIcon}},
        {ui->ToolButton3, {"document-open", QStyle::SP_DialogOpenButton}},
        {ui->ToolButton2, {"document-save", QStyle::SP_DialogSaveButton}},
        {ui->ToolButton5, {"zoom-fit-best", QStyle::SP_TitleBarMaxButton}},
        {ui->ToolButton1, {"zoom-in", QStyle::SP_ArrowUp}},
        {ui->ToolButton4, {"zoom-out", QStyle::SP_ArrowDown}},
        {ui->clearMemoText, {"document-new", QStyle::SP_FileIcon}},
        {ui->loadMemoText, {"document-open", QStyle::SP_DialogOpenButton}},
        {ui->saveMemoText, {"document-save", QStyle::SP_DialogSaveButton}},
    };
    for (const auto& [button, icon] : icons)
        button->setIcon(themeIcon(QString::fromLatin1(icon.first), icon.second));

    ui->XMLMemo->setPlainText(newDescriptionLines(FormatTexts()).join(u'\n'));
    ui->ScrollBox1->setZoom(kStartZoom);
    ui->ScrollBox1->setShadowDepth(0);
    ui->StringGrid1->setMarks(m_sheet.marks());

    // the switches start on, like the model's
    {
        const QSignalBlocker a(ui->tracemarge), b(ui->etiquettes);
        ui->tracemarge->setChecked(m_sheet.marks().marginFrame());
        ui->etiquettes->setChecked(m_sheet.marks().outlines());
    }
    connect(ui->tracemarge, &QCheckBox::toggled, this, [this](bool on) {
        m_sheet.marks().setMarginFrame(on);
        redraw();
    });
    connect(ui->etiquettes, &QCheckBox::toggled, this, [this](bool on) {
        m_sheet.marks().setOutlines(on);
        redraw();
    });
    connect(ui->StringGrid1, &SelectionGrid::markToggled, this, [this] { redraw(); });
    connect(ui->ToolButton17, &QToolButton::clicked, this, &PageEditorPage::ToolButton17Click);
    connect(ui->ToolButton3, &QToolButton::clicked, this, &PageEditorPage::ToolButton3Click);
    connect(ui->ToolButton2, &QToolButton::clicked, this, &PageEditorPage::ToolButton2Click);
    connect(ui->ToolButton5, &QToolButton::clicked, ui->ScrollBox1, &report::PagePreview::zoomToFit);
    connect(ui->ToolButton1, &QToolButton::clicked, ui->ScrollBox1, &report::PagePreview::zoomIn);
    connect(ui->ToolButton4, &QToolButton::clicked, ui->ScrollBox1, &report::PagePreview::zoomOut);
    connect(ui->Button1, &QPushButton::clicked, this, &PageEditorPage::Button1Click);
    connect(ui->Button7, &QPushButton::clicked, this, &PageEditorPage::Button7Click);
    connect(ui->Button6, &QPushButton::clicked, this, &PageEditorPage::Button6Click);
    connect(ui->Button8, &QPushButton::clicked, this, &PageEditorPage::Button8Click);
    connect(m_typeChoice, &QButtonGroup::idClicked, this, &PageEditorPage::RadioGroup1Click);
    connect(ui->clearMemoText, &QToolButton::clicked, this, &PageEditorPage::ToolBar2ClearClick);
    connect(ui->loadMemoText, &QToolButton::clicked, this, &PageEditorPage::ToolBar2LoadClick);
    connect(ui->saveMemoText, &QToolButton::clicked, this, &PageEditorPage::ToolBar2SaveClick);
}

PageEditorPage::~PageEditorPage() = default;

void PageEditorPage::createTypeChoice()
{
    // one radio button per type of the table, in two columns; the first selected
    m_typeChoice = new QButtonGroup(ui->RadioGroup1);
    const auto& table = componentTypeTable();
    const int perColumn = int((table.size() + 1) / 2);
    for (int i = 0; i < int(table.size()); ++i) {
        auto* radio = new QRadioButton(table[size_t(i)].name, ui->RadioGroup1);
        m_typeChoice->addButton(radio, i);
        ui->RadioGroup1Layout->addWidget(radio, i % perColumn, i / perColumn);
    }
    m_typeChoice->button(0)->setChecked(true);
    RadioGroup1Click(0);
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
    return labeled(choice, QStringLiteral("Planche standard"));
}

void PageEditorPage::applyStandardSheet(const SheetTemplate& sheet)
{
    const FormatTexts f = sheet.formatTexts();
    ui->LabeledEdit14->setText(f.Reference);
    ui->LabeledEdit8->setText(f.Largeur);
    ui->LabeledEdit7->setText(f.Hauteur);
    ui->LabeledEdit6->setText(f.MargeGauche);
    ui->LabeledEdit9->setText(f.MargeDroite);
    ui->LabeledEdit10->setText(f.MargeHaute);
    ui->LabeledEdit5->setText(f.MargeBasse);
    ui->LabeledEdit12->setText(f.Ligne);
    ui->LabeledEdit11->setText(f.Colonne);
    ui->LabeledEdit16->setText(f.LargeurEtiquette);
    ui->LabeledEdit17->setText(f.HauteurEtiquette);
    ui->LabeledEdit15->setText(f.EcartHorizontal);
    ui->LabeledEdit13->setText(f.EcartVertical);
    ui->LabeledEdit18->setText(f.EtiquetteHorizontalRadius);
    ui->LabeledEdit19->setText(f.EtiquetteVerticalRadius);
}

QStringList PageEditorPage::memoLines() const
{
    return textLines(rawText(ui->XMLMemo));
}

void PageEditorPage::setMemoLines(const QStringList& lines)
{
    replaceText(ui->XMLMemo, lines.join(u'\n'));
}

FormatTexts PageEditorPage::formatTexts() const
{
    FormatTexts f;
    f.Reference = ui->LabeledEdit14->text();
    f.Largeur = ui->LabeledEdit8->text();
    f.Hauteur = ui->LabeledEdit7->text();
    f.Ligne = ui->LabeledEdit12->text();
    f.Colonne = ui->LabeledEdit11->text();
    f.MargeGauche = ui->LabeledEdit6->text();
    f.MargeDroite = ui->LabeledEdit9->text();
    f.MargeHaute = ui->LabeledEdit10->text();
    f.MargeBasse = ui->LabeledEdit5->text();
    f.LargeurEtiquette = ui->LabeledEdit16->text();
    f.HauteurEtiquette = ui->LabeledEdit17->text();
    f.EtiquetteVerticalRadius = ui->LabeledEdit19->text();
    f.EtiquetteHorizontalRadius = ui->LabeledEdit18->text();
    f.EcartHorizontal = ui->LabeledEdit15->text();
    f.EcartVertical = ui->LabeledEdit13->text();
    return f;
}

QStringList PageEditorPage::componentBlock() const
{
    const ComponentType* type = selectedType();
    CommonTexts common;
    common.Type = type ? type->name : QString();
    common.Name = ui->LabeledEdit20->text();
    common.Top = ui->LabeledEdit1->text();
    common.Left = ui->LabeledEdit2->text();
    common.Height = ui->LabeledEdit3->text();
    common.Width = ui->LabeledEdit4->text();
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
            ui->Memo1->clear();
            throw;
        }
    });
    if (!built || !guarded(this, [&] { ui->ScrollBox1->setPage(preview.page); }))
        return;
    ui->Memo1->setPlainText(preview.report.join(u'\n'));
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

void PageEditorPage::Fixecellule()
{
    guarded(this, [&] {
        m_sheet.rebuildMarks();
        ui->StringGrid1->fitCells(m_sheet.marks().columns(), m_sheet.marks().rows());
    });
}

void PageEditorPage::showing()
{
    if (!parseMemo())
        return;
    // the grid first, so that the preview shows the labels it marks
    Fixecellule();
    draw();
    ui->ScrollBox1->zoomToFit();
}

void PageEditorPage::ToolButton17Click()
{
    setMemoLines({});
}

void PageEditorPage::ToolButton3Click()
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
    Fixecellule();
    draw();
}

void PageEditorPage::ToolButton2Click()
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

void PageEditorPage::Button1Click()
{
    setMemoLines(newDescriptionLines(formatTexts()));
    if (!parseMemo())
        return;
    Fixecellule();
    draw();
}

void PageEditorPage::Button7Click()
{
    QStringList lines = memoLines();
    if (!insertComponentBlock(lines, componentBlock()))
        return;
    setMemoLines(lines);
    redraw();
}

void PageEditorPage::Button6Click()
{
    redraw();
}

void PageEditorPage::Button8Click()
{
    Fixecellule();
}

void PageEditorPage::RadioGroup1Click(int)
{
    // the page the table names for the type: several types may share one
    if (const ComponentType* type = selectedType())
        if (auto* page = ui->Notebook1->findChild<QWidget*>(QString::fromLatin1(type->editorPage)))
            ui->Notebook1->setCurrentWidget(page);
}

void PageEditorPage::ToolBar2ClearClick()
{
    replaceText(ui->Memo2, QString());
}

void PageEditorPage::ToolBar2LoadClick()
{
    const QString path = Dialogs::openFileName(this, QStringLiteral("Charger un texte"), DataFolder::root(), QString());
    if (path.isEmpty())
        return;
    if (!guarded(this, [&] { replaceText(ui->Memo2, readTextLines(path).join(u'\n')); }))
        return;
    m_memoTextFile = path;
}

void PageEditorPage::ToolBar2SaveClick()
{
    const QString proposed = m_memoTextFile.isEmpty() ? DataFolder::root() : m_memoTextFile;
    const QString path = Dialogs::saveFileName(this, QStringLiteral("Enregistrer le texte"), proposed, QString());
    if (path.isEmpty())
        return;
    if (!guarded(this, [&] { writeTextLines(path, textLines(rawText(ui->Memo2))); }))
        return;
    m_memoTextFile = path;
}

} // namespace pelorin
