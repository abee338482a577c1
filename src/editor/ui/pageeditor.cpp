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

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstring>
#include <exception>

namespace pelorin {

namespace {

constexpr int kLeftPanelWidth = 361;
constexpr int kMemoHeight = 209;
const QSize kGridSize(199, 281);
constexpr double kStartZoom = 100.0;

const QString kDescriptionFilters = QStringLiteral("ETQ (*.ETQ);;Tous (*.*)");
const QString kSaveFilter = QStringLiteral("ETQ (*.ETQ)");
const QString kDescriptionSuffix = QStringLiteral("ETQ");

QLineEdit* field(const char* name, const QString& text = QString())
{
    auto* e = new QLineEdit(text);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

QPushButton* button(const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QToolButton* toolButton(QToolBar* bar, const char* name, const QString& icon, QStyle::StandardPixmap fallback)
{
    auto* b = new QToolButton(bar);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(themeIcon(icon, fallback));
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
}

// A grid of labelled fields, `perRow` to a row.
QGridLayout* fieldGrid(std::initializer_list<std::pair<QLineEdit*, QString>> fields, int perRow)
{
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    int i = 0;
    for (const auto& [edit, caption] : fields) {
        grid->addWidget(labeled(edit, caption), i / perRow, i % perRow);
        ++i;
    }
    for (int c = 0; c < perRow; ++c)
        grid->setColumnStretch(c, 1);
    return grid;
}

QWidget* notebookPage(std::initializer_list<std::pair<QLineEdit*, QString>> fields)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(fieldGrid(fields, 3));
    layout->addStretch(1);
    return page;
}

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

QScrollArea* scrolled(QWidget* page)
{
    auto* area = new QScrollArea;
    area->setWidget(page);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab goes from field to field: the area itself is no stop (it scrolls to the field in focus)
    area->setFocusPolicy(Qt::NoFocus);
    return area;
}

} // namespace

PageEditorPage::PageEditorPage(LabelValues& values, const QString& sheetFolder, QWidget* parent)
    : QWidget(parent), m_values(values)
{
    setObjectName(QStringLiteral("EditorPage"));
    if (!sheetFolder.isEmpty())
        m_standardSheets = readSheetTemplates(sheetFolder);

    XMLMemo = new QPlainTextEdit;
    XMLMemo->setObjectName(QStringLiteral("XMLMemo"));
    XMLMemo->setAccessibleName(QStringLiteral("Fichier xml"));
    XMLMemo->setFixedHeight(kMemoHeight);
    XMLMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    XMLMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    XMLMemo->setPlainText(newDescriptionLines(FormatTexts()).join(u'\n'));

    PageControl3 = new QTabWidget;
    PageControl3->setObjectName(QStringLiteral("PageControl3"));
    PageControl3->addTab(scrolled(createNewPageTab()), QStringLiteral("Nouvelle page"));
    PageControl3->addTab(scrolled(createObjectsTab()), QStringLiteral("Ajouter objets"));
    PageControl3->addTab(scrolled(createManualTab()), QStringLiteral("Edition manuelle"));
    PageControl3->setCurrentIndex(1);

    auto* xmlTab = new QWidget;
    auto* xmlLayout = new QVBoxLayout(xmlTab);
    xmlLayout->setContentsMargins(0, 0, 0, 0);
    xmlLayout->addWidget(XMLMemo);
    xmlLayout->addWidget(PageControl3, 1);

    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("Compte rendu d'exécution."));
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);

    PageControl2 = new QTabWidget;
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    PageControl2->setTabPosition(QTabWidget::South);
    PageControl2->addTab(xmlTab, QStringLiteral("Fichier xml"));
    PageControl2->addTab(Memo1, QStringLiteral("Compte rendu d'exécution."));

    auto* left = new QWidget;
    left->setObjectName(QStringLiteral("Panel1"));
    left->setFixedWidth(kLeftPanelWidth);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);
    leftLayout->addWidget(createToolBar());
    leftLayout->addWidget(PageControl2, 1);

    ScrollBox1 = new report::PagePreview;
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setZoom(kStartZoom);
    ScrollBox1->setShadowDepth(0);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(left);
    layout->addWidget(ScrollBox1, 1);

    // the switches start on, like the model's
    {
        const QSignalBlocker a(tracemarge), b(etiquettes);
        tracemarge->setChecked(m_sheet.marks().marginFrame());
        etiquettes->setChecked(m_sheet.marks().outlines());
    }
    connect(tracemarge, &QCheckBox::toggled, this, [this](bool on) {
        m_sheet.marks().setMarginFrame(on);
        redraw();
    });
    connect(etiquettes, &QCheckBox::toggled, this, [this](bool on) {
        m_sheet.marks().setOutlines(on);
        redraw();
    });
    connect(StringGrid1, &SelectionGrid::markToggled, this, [this] { redraw(); });
    connect(ToolButton17, &QToolButton::clicked, this, &PageEditorPage::ToolButton17Click);
    connect(ToolButton3, &QToolButton::clicked, this, &PageEditorPage::ToolButton3Click);
    connect(ToolButton2, &QToolButton::clicked, this, &PageEditorPage::ToolButton2Click);
    connect(ToolButton5, &QToolButton::clicked, ScrollBox1, &report::PagePreview::zoomToFit);
    connect(ToolButton1, &QToolButton::clicked, ScrollBox1, &report::PagePreview::zoomIn);
    connect(ToolButton4, &QToolButton::clicked, ScrollBox1, &report::PagePreview::zoomOut);
    connect(Button1, &QPushButton::clicked, this, &PageEditorPage::Button1Click);
    connect(Button7, &QPushButton::clicked, this, &PageEditorPage::Button7Click);
    connect(Button6, &QPushButton::clicked, this, &PageEditorPage::Button6Click);
    connect(Button8, &QPushButton::clicked, this, &PageEditorPage::Button8Click);
    connect(RadioGroup1Items, &QButtonGroup::idClicked, this, &PageEditorPage::RadioGroup1Click);
    connect(clearMemoText, &QToolButton::clicked, this, &PageEditorPage::ToolBar2ClearClick);
    connect(loadMemoText, &QToolButton::clicked, this, &PageEditorPage::ToolBar2LoadClick);
    connect(saveMemoText, &QToolButton::clicked, this, &PageEditorPage::ToolBar2SaveClick);
}

QWidget* PageEditorPage::createToolBar()
{
    ToolBar1 = new QToolBar;
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(24, 24));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    nameOverflowButton(ToolBar1);

    ToolButton17 = toolButton(ToolBar1, "ToolButton17", QStringLiteral("document-new"), QStyle::SP_FileIcon);
    setHint(ToolButton17, QStringLiteral("Charger une configuration d'étiquette."));
    ToolButton3 = toolButton(ToolBar1, "ToolButton3", QStringLiteral("document-open"), QStyle::SP_DialogOpenButton);
    setHint(ToolButton3, QStringLiteral("Lire la configuration d'étiquette."));
    // the next buttons show no hint; screen readers still need their names
    ToolButton2 = toolButton(ToolBar1, "ToolButton2", QStringLiteral("document-save"), QStyle::SP_DialogSaveButton);
    ToolButton2->setAccessibleName(QStringLiteral("Enregistrer la configuration d'étiquette"));
    ToolBar1->addSeparator();
    ToolButton5 = toolButton(ToolBar1, "ToolButton5", QStringLiteral("zoom-fit-best"), QStyle::SP_TitleBarMaxButton);
    ToolButton5->setAccessibleName(QStringLiteral("Zoom au mieux"));
    ToolButton1 = toolButton(ToolBar1, "ToolButton1", QStringLiteral("zoom-in"), QStyle::SP_ArrowUp);
    ToolButton1->setAccessibleName(QStringLiteral("Agrandir"));
    ToolButton4 = toolButton(ToolBar1, "ToolButton4", QStringLiteral("zoom-out"), QStyle::SP_ArrowDown);
    ToolButton4->setAccessibleName(QStringLiteral("Réduire"));
    return ToolBar1;
}

QWidget* PageEditorPage::createNewPageTab()
{
    const FormatTexts d;
    LabeledEdit14 = field("LabeledEdit14", d.Reference);
    LabeledEdit8 = field("LabeledEdit8", d.Largeur);
    LabeledEdit7 = field("LabeledEdit7", d.Hauteur);
    LabeledEdit6 = field("LabeledEdit6", d.MargeGauche);
    LabeledEdit9 = field("LabeledEdit9", d.MargeDroite);
    LabeledEdit10 = field("LabeledEdit10", d.MargeHaute);
    LabeledEdit5 = field("LabeledEdit5", d.MargeBasse);
    LabeledEdit12 = field("LabeledEdit12", d.Ligne);
    LabeledEdit11 = field("LabeledEdit11", d.Colonne);
    LabeledEdit16 = field("LabeledEdit16", d.LargeurEtiquette);
    LabeledEdit17 = field("LabeledEdit17", d.HauteurEtiquette);
    LabeledEdit15 = field("LabeledEdit15", d.EcartHorizontal);
    LabeledEdit13 = field("LabeledEdit13", d.EcartVertical);
    LabeledEdit18 = field("LabeledEdit18", d.EtiquetteHorizontalRadius);
    LabeledEdit19 = field("LabeledEdit19", d.EtiquetteVerticalRadius);
    Button1 = button("Button1", QStringLiteral("CREER"));

    auto* margins = new QGroupBox(QStringLiteral(" Marges "));
    margins->setObjectName(QStringLiteral("GroupBoxMarges"));
    margins->setLayout(fieldGrid({{LabeledEdit6, QStringLiteral("Gauche")},
                                  {LabeledEdit9, QStringLiteral("Droite")},
                                  {LabeledEdit10, QStringLiteral("Haut")},
                                  {LabeledEdit5, QStringLiteral("Bas")}},
                                 4));
    // inside a frame the fields keep the style's margins, or they touch its border
    margins->layout()->unsetContentsMargins();
    auto* pageGroup = new QGroupBox(QStringLiteral("Page"));
    pageGroup->setObjectName(QStringLiteral("GroupBoxPage"));
    auto* pageLayout = new QVBoxLayout(pageGroup);
    pageLayout->addLayout(fieldGrid({{LabeledEdit14, QStringLiteral("Référence")},
                                     {LabeledEdit8, QStringLiteral("Largeur")},
                                     {LabeledEdit7, QStringLiteral("Hauteur")}},
                                    3));
    pageLayout->addWidget(margins);

    auto* labelsGroup = new QGroupBox(QStringLiteral(" Etiquettes "));
    labelsGroup->setObjectName(QStringLiteral("GroupBoxEtiquettes"));
    labelsGroup->setLayout(fieldGrid({{LabeledEdit12, QStringLiteral("Lignes")},
                                      {LabeledEdit11, QStringLiteral("Colonnes")},
                                      {LabeledEdit16, QStringLiteral("Largeur")},
                                      {LabeledEdit17, QStringLiteral("Hauteur")},
                                      {LabeledEdit15, QStringLiteral("Ecart H")},
                                      {LabeledEdit13, QStringLiteral("Ecart V")},
                                      {LabeledEdit18, QStringLiteral("H Radius")},
                                      {LabeledEdit19, QStringLiteral("V Radius")}},
                                     4));
    labelsGroup->layout()->unsetContentsMargins();

    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    if (!m_standardSheets.isEmpty())
        layout->addWidget(createStandardSheetChoice());
    layout->addWidget(pageGroup);
    layout->addWidget(labelsGroup);
    layout->addWidget(Button1, 0, Qt::AlignLeft);
    layout->addStretch(1);
    return tab;
}

QWidget* PageEditorPage::createStandardSheetChoice()
{
    standardSheetChoice = new QComboBox;
    standardSheetChoice->setObjectName(QStringLiteral("standardSheetChoice"));
    standardSheetChoice->setEditable(true);
    standardSheetChoice->setInsertPolicy(QComboBox::NoInsert);
    standardSheetChoice->setMaxVisibleItems(20);
    standardSheetChoice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    standardSheetChoice->setMinimumContentsLength(20);
    for (const SheetTemplate& s : m_standardSheets)
        standardSheetChoice->addItem(s.displayText());
    standardSheetChoice->setCurrentIndex(-1);
    standardSheetChoice->lineEdit()->setPlaceholderText(QStringLiteral("Marque, référence ou dimensions"));
    const QString hint = QStringLiteral("Remplir la page d'après une planche d'étiquettes du commerce.");
    standardSheetChoice->setToolTip(hint);
    standardSheetChoice->setStatusTip(hint);

    // typing any part of a sheet's name (the brand, the part number, a size) narrows the list
    auto* completer = new QCompleter(standardSheetChoice->model(), standardSheetChoice);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setMaxVisibleItems(20);
    standardSheetChoice->setCompleter(completer);

    connect(standardSheetChoice, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < m_standardSheets.size())
            applyStandardSheet(m_standardSheets.at(index));
    });
    return labeled(standardSheetChoice, QStringLiteral("Planche standard"));
}

void PageEditorPage::applyStandardSheet(const SheetTemplate& sheet)
{
    const FormatTexts f = sheet.formatTexts();
    LabeledEdit14->setText(f.Reference);
    LabeledEdit8->setText(f.Largeur);
    LabeledEdit7->setText(f.Hauteur);
    LabeledEdit6->setText(f.MargeGauche);
    LabeledEdit9->setText(f.MargeDroite);
    LabeledEdit10->setText(f.MargeHaute);
    LabeledEdit5->setText(f.MargeBasse);
    LabeledEdit12->setText(f.Ligne);
    LabeledEdit11->setText(f.Colonne);
    LabeledEdit16->setText(f.LargeurEtiquette);
    LabeledEdit17->setText(f.HauteurEtiquette);
    LabeledEdit15->setText(f.EcartHorizontal);
    LabeledEdit13->setText(f.EcartVertical);
    LabeledEdit18->setText(f.EtiquetteHorizontalRadius);
    LabeledEdit19->setText(f.EtiquetteVerticalRadius);
}

QWidget* PageEditorPage::createObjectsTab()
{
    const ComponentTexts d;
    LabeledEdit20 = field("LabeledEdit20", d.Name);
    LabeledEdit1 = field("LabeledEdit1", d.Top);
    LabeledEdit2 = field("LabeledEdit2", d.Left);
    LabeledEdit3 = field("LabeledEdit3", d.Height);
    LabeledEdit4 = field("LabeledEdit4", d.Width);

    RadioGroup1 = new QGroupBox(QStringLiteral(" Objets "));
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1Items = new QButtonGroup(RadioGroup1);
    auto* radios = new QGridLayout(RadioGroup1);
    const QStringList& types = componentTypes();
    const int perColumn = int((types.size() + 1) / 2);
    for (int i = 0; i < types.size(); ++i) {
        auto* radio = new QRadioButton(types.at(i), RadioGroup1);
        RadioGroup1Items->addButton(radio, i);
        radios->addWidget(radio, i % perColumn, i / perColumn);
    }
    RadioGroup1Items->button(0)->setChecked(true);

    LabeledEdit31 = field("LabeledEdit31", QStringLiteral("1"));
    LabeledEdit30 = field("LabeledEdit30", QStringLiteral("0"));
    LabeledEdit32 = field("LabeledEdit32", QStringLiteral("0"));
    LabeledEdit22 = field("LabeledEdit22", QStringLiteral("8"));
    LabeledEdit23 = field("LabeledEdit23", QStringLiteral("0"));
    LabeledEdit24 = field("LabeledEdit24", QStringLiteral("8"));
    LabeledEdit25 = field("LabeledEdit25", QStringLiteral("0"));
    LabeledEdit33 = field("LabeledEdit33", QStringLiteral("8"));
    LabeledEdit26 = field("LabeledEdit26", QStringLiteral("0"));
    LabeledEdit21 = field("LabeledEdit21");
    LabeledEdit27 = field("LabeledEdit27", QStringLiteral("0"));
    LabeledEdit37 = field("LabeledEdit37", QStringLiteral("0"));
    LabeledEdit38 = field("LabeledEdit38", QStringLiteral("Left"));
    LabeledEdit39 = field("LabeledEdit39", QStringLiteral("0"));
    LabeledEdit40 = field("LabeledEdit40", QStringLiteral("Left"));
    LabeledEdit29 = field("LabeledEdit29", QStringLiteral("0"));
    LabeledEdit28 = field("LabeledEdit28", QStringLiteral("Defaut.bmp"));
    LabeledEdit36 = field("LabeledEdit36", QStringLiteral("8"));
    LabeledEdit35 = field("LabeledEdit35", QStringLiteral("Left"));
    LabeledEdit34 = field("LabeledEdit34", QStringLiteral("8"));

    Notebook1 = new QStackedWidget;
    Notebook1->setObjectName(QStringLiteral("Notebook1"));
    Notebook1->addWidget(notebookPage({{LabeledEdit31, QStringLiteral("Border")},
                                       {LabeledEdit30, QStringLiteral("H Radius")},
                                       {LabeledEdit32, QStringLiteral("V Radius")}}));
    Notebook1->addWidget(
        notebookPage({{LabeledEdit22, QStringLiteral("Taille")}, {LabeledEdit23, QStringLiteral("Rotation")}}));
    Notebook1->addWidget(
        notebookPage({{LabeledEdit24, QStringLiteral("Taille")}, {LabeledEdit25, QStringLiteral("Rotation")}}));
    {
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addLayout(
            fieldGrid({{LabeledEdit33, QStringLiteral("Taille")}, {LabeledEdit26, QStringLiteral("Rotation")}}, 3));
        layout->addWidget(labeled(LabeledEdit21, QStringLiteral("Texte")));
        layout->addStretch(1);
        Notebook1->addWidget(page);
    }
    Notebook1->addWidget(notebookPage({{LabeledEdit27, QStringLiteral("Rotation")}}));
    Notebook1->addWidget(
        notebookPage({{LabeledEdit37, QStringLiteral("Rotation")}, {LabeledEdit38, QStringLiteral("Position")}}));
    {
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addLayout(
            fieldGrid({{LabeledEdit39, QStringLiteral("Rotation")}, {LabeledEdit40, QStringLiteral("Position")}}, 3));
        layout->addWidget(labeled(LabeledEdit29, QStringLiteral("Texte du code barre")));
        layout->addStretch(1);
        Notebook1->addWidget(page);
    }
    Notebook1->addWidget(new QWidget); // AutoLogo has nothing of its own
    {
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(labeled(LabeledEdit28, QStringLiteral("Fichier image")));
        layout->addStretch(1);
        Notebook1->addWidget(page);
    }
    Notebook1->addWidget(notebookPage({{LabeledEdit36, QStringLiteral("Taille")}}));
    {
        ToolBar2 = new QToolBar;
        ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
        ToolBar2->setIconSize(QSize(16, 16));
        nameOverflowButton(ToolBar2);
        clearMemoText = toolButton(ToolBar2, "clearMemoText", QStringLiteral("document-new"), QStyle::SP_FileIcon);
        setHint(clearMemoText, QStringLiteral("Effacer le texte"));
        loadMemoText =
            toolButton(ToolBar2, "loadMemoText", QStringLiteral("document-open"), QStyle::SP_DialogOpenButton);
        setHint(loadMemoText, QStringLiteral("Charger le texte d'un fichier"));
        saveMemoText =
            toolButton(ToolBar2, "saveMemoText", QStringLiteral("document-save"), QStyle::SP_DialogSaveButton);
        setHint(saveMemoText, QStringLiteral("Enregistrer le texte dans un fichier"));

        Memo2 = new QPlainTextEdit;
        Memo2->setObjectName(QStringLiteral("Memo2"));
        Memo2->setAccessibleName(QStringLiteral("Texte"));
        Memo2->setFixedHeight(70);

        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(2);
        layout->addWidget(ToolBar2);
        layout->addWidget(Memo2);
        layout->addLayout(
            fieldGrid({{LabeledEdit35, QStringLiteral("Position")}, {LabeledEdit34, QStringLiteral("Taille")}}, 3));
        layout->addStretch(1);
        Notebook1->addWidget(page);
    }
    for (int i = 0; i < Notebook1->count(); ++i)
        Notebook1->widget(i)->setObjectName(QString::fromLatin1(componentTypeTable()[size_t(i)].editorPage));
    Notebook1->setCurrentIndex(0);

    auto* parameters = new QGroupBox(QStringLiteral(" Paramétres "));
    parameters->setObjectName(QStringLiteral("GroupBoxParametres"));
    auto* parametersLayout = new QVBoxLayout(parameters);
    parametersLayout->addWidget(Notebook1);

    Button7 = button("Button7", QStringLiteral("Ajouter"));
    Button7->setAccessibleDescription(QStringLiteral("Ajouter l'objet à la page"));

    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(fieldGrid({{LabeledEdit20, QStringLiteral("Nom")},
                                 {LabeledEdit1, QStringLiteral("Haut")},
                                 {LabeledEdit2, QStringLiteral("Gauche")},
                                 {LabeledEdit3, QStringLiteral("Hauteur")},
                                 {LabeledEdit4, QStringLiteral("Largeur")}},
                                5));
    layout->addWidget(RadioGroup1);
    layout->addWidget(parameters);
    layout->addWidget(Button7, 0, Qt::AlignLeft);
    layout->addStretch(1);
    return tab;
}

QWidget* PageEditorPage::createManualTab()
{
    tracemarge = new QCheckBox(QStringLiteral("Marges"));
    tracemarge->setObjectName(QStringLiteral("tracemarge"));
    etiquettes = new QCheckBox(QStringLiteral("Etiquettes"));
    etiquettes->setObjectName(QStringLiteral("etiquettes"));
    Button6 = button("Button6", QStringLiteral("Redessiner la page"));
    Button8 = button("Button8", QStringLiteral("Redessiner la grille"));

    StringGrid1 = new SelectionGrid(m_sheet.marks(), kGridSize);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setAccessibleName(QStringLiteral("Etiquettes à remplir"));

    auto* controls = new QVBoxLayout;
    controls->addWidget(tracemarge);
    controls->addWidget(etiquettes);
    controls->addWidget(Button6);
    controls->addWidget(Button8);
    controls->addStretch(1);

    auto* tab = new QWidget;
    auto* layout = new QHBoxLayout(tab);
    layout->addLayout(controls);
    layout->addWidget(StringGrid1, 0, Qt::AlignTop);
    layout->addStretch(1);
    return tab;
}

QStringList PageEditorPage::memoLines() const
{
    return textLines(rawText(XMLMemo));
}

void PageEditorPage::setMemoLines(const QStringList& lines)
{
    replaceText(XMLMemo, lines.join(u'\n'));
}

FormatTexts PageEditorPage::formatTexts() const
{
    FormatTexts f;
    f.Reference = LabeledEdit14->text();
    f.Largeur = LabeledEdit8->text();
    f.Hauteur = LabeledEdit7->text();
    f.Ligne = LabeledEdit12->text();
    f.Colonne = LabeledEdit11->text();
    f.MargeGauche = LabeledEdit6->text();
    f.MargeDroite = LabeledEdit9->text();
    f.MargeHaute = LabeledEdit10->text();
    f.MargeBasse = LabeledEdit5->text();
    f.LargeurEtiquette = LabeledEdit16->text();
    f.HauteurEtiquette = LabeledEdit17->text();
    f.EtiquetteVerticalRadius = LabeledEdit19->text();
    f.EtiquetteHorizontalRadius = LabeledEdit18->text();
    f.EcartHorizontal = LabeledEdit15->text();
    f.EcartVertical = LabeledEdit13->text();
    return f;
}

QStringList PageEditorPage::componentBlock() const
{
    const ComponentType* type = selectedType();
    CommonTexts common;
    common.Type = type ? type->name : QString();
    common.Name = LabeledEdit20->text();
    common.Top = LabeledEdit1->text();
    common.Left = LabeledEdit2->text();
    common.Height = LabeledEdit3->text();
    common.Width = LabeledEdit4->text();
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
    const int index = RadioGroup1Items->checkedId();
    const auto& table = componentTypeTable();
    return index >= 0 && size_t(index) < table.size() ? &table[size_t(index)] : nullptr;
}

bool PageEditorPage::parseMemo()
{
    try {
        m_sheet.parse(memoLines().join(u'\n'));
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
        return false;
    }
    return true;
}

void PageEditorPage::draw()
{
    EditorSheet::Preview preview;
    try {
        preview = m_sheet.build(m_values, report::defaultPrinterPaperInches());
    } catch (const Error& e) {
        // nothing was built: the preview keeps its page, the report of this build is empty
        Memo1->clear();
        Dialogs::error(this, e.message());
        return;
    } catch (const std::exception& e) {
        Memo1->clear();
        Dialogs::error(this, QString::fromLocal8Bit(e.what()));
        return;
    }
    try {
        ScrollBox1->setStream(preview.stream);
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
        return;
    }
    Memo1->setPlainText(preview.report.join(u'\n'));
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
    try {
        m_sheet.rebuildMarks();
        StringGrid1->fitCells(m_sheet.marks().columns(), m_sheet.marks().rows());
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
}

void PageEditorPage::showing()
{
    if (!parseMemo())
        return;
    // the grid first, so that the preview shows the labels it marks
    Fixecellule();
    draw();
    ScrollBox1->zoomToFit();
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
    try {
        lines = readTextLines(path);
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
        return;
    }
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
    try {
        writeTextLines(path, memoLines());
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
        return;
    }
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
        if (auto* page = Notebook1->findChild<QWidget*>(QString::fromLatin1(type->editorPage)))
            Notebook1->setCurrentWidget(page);
}

void PageEditorPage::ToolBar2ClearClick()
{
    replaceText(Memo2, QString());
}

void PageEditorPage::ToolBar2LoadClick()
{
    const QString path = Dialogs::openFileName(this, QStringLiteral("Charger un texte"), DataFolder::root(), QString());
    if (path.isEmpty())
        return;
    try {
        replaceText(Memo2, readTextLines(path).join(u'\n'));
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
        return;
    }
    m_memoTextFile = path;
}

void PageEditorPage::ToolBar2SaveClick()
{
    const QString proposed = m_memoTextFile.isEmpty() ? DataFolder::root() : m_memoTextFile;
    const QString path = Dialogs::saveFileName(this, QStringLiteral("Enregistrer le texte"), proposed, QString());
    if (path.isEmpty())
        return;
    try {
        writeTextLines(path, textLines(rawText(Memo2)));
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
        return;
    }
    m_memoTextFile = path;
}

} // namespace pelorin
