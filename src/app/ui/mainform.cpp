#include "app/ui/mainform.h"

#include "base/error.h"
#include "base/files.h"
#include "base/paths.h"
#include "app/ui/maincontrols.h"
#include "app/ui/pictures.h"
#include "base/version.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "code/codelayout.h"
#include "code/dayofyear.h"
#include "code/labeltexts.h"
#include "code/rallist.h"
#include "labels/ui/labelsheet.h"
#include "labels/ui/pagepreview.h"

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

QComboBox* editableList(const QString& name)
{
    auto* box = new QComboBox;
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // names are compared as typed, so a typed beginning completes only to an item of the same case
    box->completer()->setCaseSensitivity(Qt::CaseSensitive);
    return box;
}

QLineEdit* displayField(const QString& name)
{
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::TabFocus);
    field->setAlignment(Qt::AlignCenter);
    return field;
}

QToolButton* toolButton(const QString& name, const QString& icon, QStyle::StandardPixmap fallback)
{
    auto* button = new QToolButton;
    button->setObjectName(name);
    button->setIcon(themeIcon(icon, fallback));
    button->setIconSize(QSize(24, 24));
    button->setFixedSize(31, 31);
    button->setAutoRaise(true);
    return button;
}

QDateEdit* datePicker(const QString& name)
{
    auto* picker = new QDateEdit;
    picker->setObjectName(name);
    picker->setCalendarPopup(true);
    // the long date format of the user's regional settings
    picker->setLocale(QLocale::system());
    picker->setDisplayFormat(QLocale::system().dateFormat(QLocale::LongFormat));
    picker->setMinimumDate(QDate(100, 1, 1));
    picker->setMaximumDate(QDate(9999, 12, 31));
    return picker;
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

QRect visibleGeometry(const QRect& wanted, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return wanted;
    // the strip the window is dragged by must show on some screen, enough of it to take hold of
    const QRect strip(wanted.left(), wanted.top(), wanted.width(), 30);
    for (const QRect& s : screens) {
        const QRect seen = s.intersected(strip);
        if (seen.width() >= qMin(100, wanted.width()) && seen.height() >= qMin(20, strip.height()))
            return wanted;
    }
    QRect target = screens.first();
    qint64 best = -1;
    for (const QRect& s : screens) {
        const QPoint d = s.center() - wanted.center();
        const qint64 dist = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
        if (best < 0 || dist < best) {
            best = dist;
            target = s;
        }
    }
    QRect r(wanted.topLeft(), wanted.size().boundedTo(target.size()));
    r.moveLeft(qBound(target.left(), r.left(), target.right() - r.width() + 1));
    r.moveTop(qBound(target.top(), r.top(), target.bottom() - r.height() + 1));
    return r;
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Form1"));
    resize(kDefaultMainGeometry.size());
    move(kDefaultMainGeometry.topLeft());

    m_sheet = std::make_unique<LabelSheet>(*this, this, [this](const QString& name) { m_modelPanel->setText(name); });
    createToolBar();
    createStatusBar();

    auto* central = new QWidget;
    central->setObjectName(QStringLiteral("Central"));
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    Panel3 = new QWidget;
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFixedWidth(425);
    auto* stack = new QGridLayout(Panel3);
    stack->setContentsMargins(0, 0, 0, 0);
    // the selection view lies over the manual view; hiding it uncovers the other
    ManualView = createManualView();
    Panel2 = createSelectionView();
    stack->addWidget(ManualView, 0, 0);
    stack->addWidget(Panel2, 0, 0);
    ManualView->hide();
    Panel2->installEventFilter(this);
    row->addWidget(Panel3);

    Panel1 = new QWidget;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* right = new QVBoxLayout(Panel1);
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(m_sheet->preview());
    row->addWidget(Panel1, 1);
    setCentralWidget(central);
    m_sheet->installShortcuts(this);

    prepare();
}

TForm1::~TForm1() = default;

void TForm1::createToolBar()
{
    ToolBar1 = new QToolBar;
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setFixedHeight(41);
    ToolBar1->setIconSize(QSize(24, 24));
    ToolBar1->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    ToolButton2 =
        toolButton(QStringLiteral("ToolButton2"), QStringLiteral("document-open"), QStyle::SP_DialogOpenButton);
    // this one's hint shows in the status bar only
    ToolButton2->setStatusTip(QStringLiteral("Charger une page d'étiquettes."));
    ToolButton2->setAccessibleName(QStringLiteral("Charger une page d'étiquettes."));
    ToolButton4 =
        toolButton(QStringLiteral("ToolButton4"), QStringLiteral("zoom-fit-best"), QStyle::SP_TitleBarMaxButton);
    setHint(ToolButton4, QStringLiteral("Zoom au mieux."));
    ToolButton5 = toolButton(QStringLiteral("ToolButton5"), QStringLiteral("zoom-in"), QStyle::SP_ArrowUp);
    setHint(ToolButton5, QStringLiteral("Agrandir."));
    ToolButton8 = toolButton(QStringLiteral("ToolButton8"), QStringLiteral("zoom-out"), QStyle::SP_ArrowDown);
    setHint(ToolButton8, QStringLiteral("Réduire."));
    ToolButton16 = toolButton(QStringLiteral("ToolButton16"), QStringLiteral("edit-select-all"),
                              QStyle::SP_FileDialogDetailedView);
    setHint(ToolButton16, QStringLiteral("Choisir les etiquettes à imprimer."));
    ToolButton9 =
        toolButton(QStringLiteral("ToolButton9"), QStringLiteral("document-print"), QStyle::SP_DialogSaveButton);
    setHint(ToolButton9, QStringLiteral("Imprimer la page."));
    ExportPdf = toolButton(QStringLiteral("ExportPdf"), QStringLiteral("x-office-document"), QStyle::SP_FileIcon);
    setHint(ExportPdf, QStringLiteral("Exporter la page en PDF."));
    ToolButton1 =
        toolButton(QStringLiteral("ToolButton1"), QStringLiteral("preferences-system"), QStyle::SP_FileDialogListView);
    setHint(ToolButton1, QStringLiteral("Configuration."));
    ToolButton19 =
        toolButton(QStringLiteral("ToolButton19"), QStringLiteral("applications-graphics"), QStyle::SP_DesktopIcon);
    setHint(ToolButton19, QStringLiteral("Nuancier de couleurs RAL."));
    ToolButton11 =
        toolButton(QStringLiteral("ToolButton11"), QStringLiteral("help-contents"), QStyle::SP_DialogHelpButton);
    setHint(ToolButton11, QStringLiteral("Aide."));
    ToolButton20 = toolButton(QStringLiteral("ToolButton20"), QStringLiteral("scanner"), QStyle::SP_DriveCDIcon);
    setHint(ToolButton20, QStringLiteral("Lecture décodage."));
    ToolButton12 =
        toolButton(QStringLiteral("ToolButton12"), QStringLiteral("help-about"), QStyle::SP_MessageBoxInformation);
    setHint(ToolButton12, QStringLiteral("Information \"à propos\""));
    ToolButton14 =
        toolButton(QStringLiteral("ToolButton14"), QStringLiteral("application-exit"), QStyle::SP_DialogCloseButton);
    setHint(ToolButton14, QStringLiteral("Quitter."));

    ToolBar1->addWidget(ToolButton2);
    ToolBar1->addSeparator();
    ToolBar1->addWidget(ToolButton4);
    ToolBar1->addWidget(ToolButton5);
    ToolBar1->addWidget(ToolButton8);
    ToolBar1->addSeparator();
    ToolBar1->addWidget(ToolButton16);
    ToolBar1->addWidget(ToolButton9);
    ToolBar1->addWidget(ExportPdf);
    ToolBar1->addSeparator();
    ToolBar1->addWidget(ToolButton1);
    ToolBar1->addSeparator();
    ToolBar1->addWidget(ToolButton19);
    ToolBar1->addWidget(ToolButton11);
    ToolBar1->addSeparator();
    ToolBar1->addWidget(ToolButton20);
    ToolBar1->addSeparator();
    ToolBar1->addWidget(ToolButton12);
    ToolBar1->addWidget(ToolButton14);
    nameOverflowButton(ToolBar1);

    connect(ToolButton2, &QToolButton::clicked, this, [this] { m_sheet->ChargerProjetRav(); });
    connect(ToolButton4, &QToolButton::clicked, this, [this] { m_sheet->zoommieuxClick(); });
    connect(ToolButton5, &QToolButton::clicked, this, [this] { m_sheet->zoomplusClick(); });
    connect(ToolButton8, &QToolButton::clicked, this, [this] { m_sheet->zoommoinsClick(); });
    connect(ToolButton16, &QToolButton::clicked, this, [this] { showModalWindow(m_selectionWindow); });
    connect(ToolButton9, &QToolButton::clicked, this, [this] { m_sheet->ImprimClick(); });
    connect(ExportPdf, &QToolButton::clicked, this, [this] { m_sheet->ExportPdfClick(); });
    connect(ToolButton1, &QToolButton::clicked, this, [this] { showModalWindow(m_configurationWindow); });
    connect(ToolButton19, &QToolButton::clicked, this, &TForm1::ToolButton19Click);
    connect(ToolButton11, &QToolButton::clicked, this, &TForm1::ToolButton11Click);
    connect(ToolButton20, &QToolButton::clicked, this, [this] { showModalWindow(m_scanWindow); });
    connect(ToolButton12, &QToolButton::clicked, this, [this] { showModalWindow(m_aboutBox); });
    connect(ToolButton14, &QToolButton::clicked, this, &QWidget::close);
}

void TForm1::createStatusBar()
{
    StatusBar1 = new QStatusBar;
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    m_hintPanel = new QLabel;
    m_hintPanel->setObjectName(QStringLiteral("StatusHint"));
    m_hintPanel->setFixedWidth(450);
    m_hintPanel->setAccessibleName(QStringLiteral("Aide de la commande"));
    m_modelPanel = new QLabel;
    m_modelPanel->setObjectName(QStringLiteral("StatusModel"));
    m_modelPanel->setFixedWidth(300);
    m_modelPanel->setAccessibleName(QStringLiteral("Page d'étiquettes"));
    StatusBar1->addWidget(m_hintPanel);
    StatusBar1->addWidget(m_modelPanel);
    setStatusBar(StatusBar1);
}

QWidget* TForm1::createSelectionView()
{
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("Panel2"));
    view->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);

    PanelCode = new QGroupBox(QStringLiteral("  Code Pelorin  "));
    PanelCode->setObjectName(QStringLiteral("PanelCode"));
    auto* codeRow = new QHBoxLayout(PanelCode);
    codeRow->setContentsMargins(4, 2, 4, 6);
    codeRow->setSpacing(3);
    struct Display
    {
        QLineEdit** field;
        const char* name;
        const char* caption;
        int chars;
    };
    const Display displays[] = {
        {&LabCodeSyst, "LabCodeSyst", "Système", 1},
        {&LabMasse, "LabMasse", "Masse", 3},
        {&LabCodeCond, "LabCodeCond", "Boite", 2},
        {&LabCodeCouleur, "LabCodeCouleur", "Couleur", 3},
        {&LabCodeParfum, "LabCodeParfum", "Parfum", 3},
        {&LabCodePostal, "LabCodePostal", "Code usine", 5},
        {&LabJour, "LabJour", "Jour", 3},
        {&LabAnnee, "LabAnnee", "Année", 2},
    };
    for (const Display& d : displays) {
        *d.field = displayField(QString::fromLatin1(d.name));
        // room for the field's characters (a list code may be longer than its usual width)
        (*d.field)->setMinimumWidth((*d.field)->fontMetrics().horizontalAdvance(QString(d.chars, u'0')) + 12);
        codeRow->addWidget(labeled(*d.field, QString::fromUtf8(d.caption)), d.chars);
    }
    layout->addWidget(PanelCode);

    // the selections on the left, captions above them so that the fields keep the column's width
    auto* middle = new QHBoxLayout;
    middle->setSpacing(8);
    auto* form = new QVBoxLayout;
    form->setSpacing(3);

    Sel_Systeme = editableList(QStringLiteral("Sel_Systeme"));
    form->addWidget(labeled(Sel_Systeme, QStringLiteral("Système")));

    auto* massAndColour = new QHBoxLayout;
    massAndColour->setSpacing(8);
    LabeledEditMasse = new QLineEdit(QStringLiteral("000"));
    LabeledEditMasse->setObjectName(QStringLiteral("LabeledEditMasse"));
    LabeledEditMasse->setMaxLength(fieldWidth(CodeField::Mass));
    LabeledEditMasse->setFixedWidth(LabeledEditMasse->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    LabeledEditMasse->installEventFilter(this);
    massAndColour->addWidget(labeled(LabeledEditMasse, QStringLiteral("Masse en gr")));
    ComboBox1 = new RalComboBox;
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    massAndColour->addWidget(labeled(ComboBox1, QStringLiteral("Couleur RAL classic")));
    massAndColour->addStretch(1);
    form->addLayout(massAndColour);

    Sel_Nature = editableList(QStringLiteral("Sel_Nature"));
    Sel_Nature->addItems(packagingItems());
    form->addWidget(labeled(Sel_Nature, QStringLiteral("Conditionnement")));

    CaisseSavon = new QGroupBox(QStringLiteral("Couches / Rangs"));
    CaisseSavon->setObjectName(QStringLiteral("CaisseSavon"));
    auto* soap = new QHBoxLayout(CaisseSavon);
    soap->setContentsMargins(6, 2, 6, 4);
    SpinEdit1 = new SpinEdit;
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setAccessibleName(QStringLiteral("Couches"));
    SpinEdit2 = new SpinEdit;
    SpinEdit2->setObjectName(QStringLiteral("SpinEdit2"));
    SpinEdit2->setAccessibleName(QStringLiteral("Rangs"));
    soap->addWidget(SpinEdit1);
    soap->addWidget(SpinEdit2);
    CaisseSavon->hide();
    form->addWidget(CaisseSavon);

    Sel_Origine = editableList(QStringLiteral("Sel_Origine"));
    form->addWidget(labeled(Sel_Origine, QStringLiteral("Lieu de production")));
    Sel_Parfum = editableList(QStringLiteral("Sel_Parfum"));
    form->addWidget(labeled(Sel_Parfum, QStringLiteral("Parfum")));
    form->addStretch(1);
    middle->addLayout(form, 1);

    auto* side = new QVBoxLayout;
    side->setSpacing(4);
    Calendrier = datePicker(QStringLiteral("Calendrier"));
    Calendrier->setFixedWidth(200);
    side->addWidget(labeled(Calendrier, QStringLiteral("Date de production")));
    imglog = new QPushButton(QStringLiteral("Autres logos"));
    imglog->setObjectName(QStringLiteral("imglog"));
    side->addWidget(imglog);
    Img_logo = new QLabel;
    Img_logo->setObjectName(QStringLiteral("Img_logo"));
    Img_logo->setFixedSize(100, 100);
    Img_logo->setAlignment(Qt::AlignCenter);
    Img_logo->setAccessibleName(QStringLiteral("Logo"));
    side->addWidget(Img_logo, 0, Qt::AlignHCenter);
    Button1 = new QPushButton(QStringLiteral("Réafficher"));
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setToolTip(QStringLiteral("Prévisualiser la page."));
    Button1->setStatusTip(QStringLiteral("Prévisualiser la page."));
    side->addWidget(Button1);
    Button4 = new QPushButton(QStringLiteral("Presse papier"));
    Button4->setObjectName(QStringLiteral("Button4"));
    Button4->setToolTip(QStringLiteral("Copier le code courant dans le presse papier."));
    Button4->setStatusTip(QStringLiteral("Copier le code courant dans le presse papier."));
    side->addWidget(Button4);
    side->addStretch(1);
    Image = new QLineEdit;
    Image->setObjectName(QStringLiteral("Image"));
    // hidden, but a screen reader walking the window still finds it by this name
    Image->setAccessibleName(QStringLiteral("Fichier du logo"));
    Image->hide();
    side->addWidget(Image);
    middle->addLayout(side);
    layout->addLayout(middle);

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    auto* texts = new QWidget;
    texts->setObjectName(QStringLiteral("TabSheet1"));
    auto* textsLayout = new QVBoxLayout(texts);
    textsLayout->setContentsMargins(4, 4, 4, 4);
    textsLayout->setSpacing(2);
    Text2 = new QLineEdit;
    Text2->setObjectName(QStringLiteral("Text2"));
    textsLayout->addWidget(labeled(Text2, QStringLiteral("Opérateur")));
    memotexte = new QPlainTextEdit;
    memotexte->setObjectName(QStringLiteral("memotexte"));
    memotexte->setTabChangesFocus(true);
    textsLayout->addWidget(labeled(memotexte, QStringLiteral("Multiligne")), 1);
    PageControl1->addTab(texts, QStringLiteral("Textes Auto"));

    auto* increment = new QWidget;
    increment->setObjectName(QStringLiteral("TabSheet2"));
    auto* incLayout = new QVBoxLayout(increment);
    incLayout->setContentsMargins(4, 4, 4, 4);
    incLayout->setSpacing(2);
    ToolBar2 = new QToolBar;
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setIconSize(QSize(24, 24));
    ToolButton3 = toolButton(QStringLiteral("ToolButton3"), QStringLiteral("edit-clear"), QStyle::SP_DialogResetButton);
    ToolButton3->setAccessibleName(QStringLiteral("Vider la liste"));
    ToolButton6 =
        toolButton(QStringLiteral("ToolButton6"), QStringLiteral("document-open"), QStyle::SP_DialogOpenButton);
    ToolButton6->setAccessibleName(QStringLiteral("Charger la liste"));
    ToolButton17 =
        toolButton(QStringLiteral("ToolButton17"), QStringLiteral("document-save"), QStyle::SP_DialogSaveButton);
    ToolButton17->setAccessibleName(QStringLiteral("Enregistrer la liste"));
    ToolBar2->addWidget(ToolButton3);
    ToolBar2->addWidget(ToolButton6);
    ToolBar2->addWidget(ToolButton17);
    nameOverflowButton(ToolBar2);
    incLayout->addWidget(ToolBar2);
    MemoIncrement = new QPlainTextEdit;
    MemoIncrement->setObjectName(QStringLiteral("MemoIncrement"));
    MemoIncrement->setTabChangesFocus(true);
    MemoIncrement->setToolTip(QStringLiteral("Une ligne par étiquette."));
    MemoIncrement->setStatusTip(QStringLiteral("Une ligne par étiquette."));
    MemoIncrement->setAccessibleName(QStringLiteral("Texte incrémental"));
    MemoIncrement->setAccessibleDescription(QStringLiteral("Une ligne par étiquette."));
    MemoIncrement->setPlainText(QStringLiteral("0\n1\n2\n3\n4\n5\n6\n7\n8\n9"));
    incLayout->addWidget(MemoIncrement, 1);
    PageControl1->addTab(increment, QStringLiteral("Texte incrémental"));
    layout->addWidget(PageControl1, 1);

    // a typed text is taken once the list has completed it, as picking the completed item would be
    auto whenTyped = [this](QComboBox* box, void (TForm1::*handler)()) {
        connect(box->lineEdit(), &QLineEdit::textEdited, this,
                [this, handler] { QMetaObject::invokeMethod(this, handler, Qt::QueuedConnection); });
    };
    connect(Sel_Systeme, &QComboBox::currentIndexChanged, this, &TForm1::Sel_SystemeChange);
    whenTyped(Sel_Systeme, &TForm1::Sel_SystemeChange);
    connect(LabeledEditMasse, &QLineEdit::textChanged, this, &TForm1::LabeledEditMasseChange);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm1::ComboBox1Change);
    connect(Sel_Nature, &QComboBox::currentIndexChanged, this, &TForm1::Sel_NatureChange);
    whenTyped(Sel_Nature, &TForm1::Sel_NatureChange);
    connect(SpinEdit1, &QSpinBox::textChanged, this, &TForm1::Changeboitagesavon);
    connect(SpinEdit2, &QSpinBox::textChanged, this, &TForm1::Changeboitagesavon);
    connect(SpinEdit1, &QSpinBox::editingFinished, this, [this] { SpinEditExit(SpinEdit1); });
    connect(SpinEdit2, &QSpinBox::editingFinished, this, [this] { SpinEditExit(SpinEdit2); });
    connect(Sel_Origine, &QComboBox::currentIndexChanged, this, &TForm1::Sel_OrigineChange);
    whenTyped(Sel_Origine, &TForm1::Sel_OrigineChange);
    connect(Sel_Parfum, &QComboBox::currentIndexChanged, this, &TForm1::Sel_ParfumChange);
    whenTyped(Sel_Parfum, &TForm1::Sel_ParfumChange);
    connect(Calendrier, &QDateEdit::dateChanged, this, &TForm1::CalendrierChange);
    connect(Text2, &QLineEdit::textChanged, this, &TForm1::Button3Click);
    connect(memotexte, &QPlainTextEdit::textChanged, this, &TForm1::Button3Click);
    connect(ToolButton3, &QToolButton::clicked, this, &TForm1::ToolButton3Click);
    connect(ToolButton6, &QToolButton::clicked, this, &TForm1::ToolButton6Click);
    connect(ToolButton17, &QToolButton::clicked, this, &TForm1::ToolButton17Click);
    connect(imglog, &QPushButton::clicked, this, &TForm1::imglogClick);
    connect(Button1, &QPushButton::clicked, this, [this] { m_sheet->Preview(); });
    connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    return view;
}

QWidget* TForm1::createManualView()
{
    auto* view = new QWidget;
    view->setObjectName(QStringLiteral("ManualView"));
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);

    auto* codeRow = new QHBoxLayout;
    CodeManu = new QLineEdit;
    CodeManu->setObjectName(QStringLiteral("CodeManu"));
    CodeManu->setMaxLength(kManualCodeLength);
    CodeManu->setValidator(new UpperCaseValidator(CodeManu));
    codeRow->addWidget(labeled(CodeManu, QStringLiteral("Code manuel")), 1);
    Button2 = new QPushButton(QStringLiteral("Valider "));
    Button2->setObjectName(QStringLiteral("Button2"));
    codeRow->addWidget(Button2, 0, Qt::AlignBottom);
    layout->addLayout(codeRow);

    auto* calculator = new QGroupBox;
    calculator->setObjectName(QStringLiteral("GroupBoxDate"));
    auto* grid = new QGridLayout(calculator);
    grid->setContentsMargins(6, 6, 6, 6);
    Calculquant = datePicker(QStringLiteral("Calculquant"));
    grid->addWidget(labeled(Calculquant, QStringLiteral("Date de production")), 0, 0, 1, 2);
    Quant = displayField(QStringLiteral("Quant"));
    Quant->setMaximumWidth(60);
    grid->addWidget(labeled(Quant, QStringLiteral("Quantiéme")), 0, 2);
    EditQuant = new QLineEdit(QStringLiteral("1"));
    EditQuant->setObjectName(QStringLiteral("EditQuant"));
    EditQuant->setMaxLength(kDayOfYearWidth);
    EditQuant->setValidator(new UpperCaseValidator(EditQuant));
    EditQuant->setMaximumWidth(60);
    grid->addWidget(labeled(EditQuant, QStringLiteral("Quantiéme")), 1, 0);
    EditAn = new QLineEdit(QStringLiteral("2006"));
    EditAn->setObjectName(QStringLiteral("EditAn"));
    EditAn->setMaxLength(4);
    EditAn->setValidator(new UpperCaseValidator(EditAn));
    EditAn->setMaximumWidth(70);
    grid->addWidget(labeled(EditAn, QStringLiteral("Année")), 1, 1);
    Button5 = new QPushButton(QStringLiteral("Calculer une date "));
    Button5->setObjectName(QStringLiteral("Button5"));
    grid->addWidget(Button5, 1, 2, Qt::AlignBottom);
    layout->addWidget(calculator);

    GroupBox1 = new QGroupBox(QStringLiteral(" Textes "));
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* textBox = new QVBoxLayout(GroupBox1);
    textBox->setContentsMargins(6, 4, 6, 6);
    Edit2 = new QLineEdit(QStringLiteral("Texte facultatif 2"));
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setMaxLength(20);
    textBox->addWidget(labeled(Edit2, QStringLiteral("Nom d'opérateur")));
    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setTabChangesFocus(true);
    Memo1->setMaximumHeight(90);
    textBox->addWidget(labeled(Memo1, QStringLiteral("Texte")));
    layout->addWidget(GroupBox1);

    Image1 = new QLabel;
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(labelPicture(QSize(220, 140)));
    Image1->setAlignment(Qt::AlignCenter);
    layout->addWidget(Image1, 1);

    connect(CodeManu, &QLineEdit::textChanged, this, [this](const QString& text) { m_code.setManualCode(text); });
    connect(Button2, &QPushButton::clicked, this, &TForm1::CodeManuChange);
    connect(Calculquant, &QDateEdit::dateChanged, this, &TForm1::Quantieme);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(Edit2, &QLineEdit::textChanged, this, &TForm1::Edit2Change);
    connect(Memo1, &QPlainTextEdit::textChanged, this, &TForm1::Edit2Change);
    return view;
}

void TForm1::prepare()
{
    loadConfiguration();
    setWindowTitle(QStringLiteral("PELORIN étiquettes code barre"));

    m_logoFolder = DataFolder::path(QStringLiteral("logos"));
    Image->setText(DataFolder::path(QStringLiteral("logos\\Anzin.bmp")));
    showLogo(Image->text(), true);

    m_code.clear();
    const QDate today = QDate::currentDate();
    {
        const QSignalBlocker a(Calendrier), b(Calculquant);
        Calendrier->setDate(today);
        Calculquant->setDate(today);
    }
    m_code.setDate(Calendrier->date());
    Quantieme();

    if (m_configState == ConfigState::Loaded) {
        try {
            m_config.LireConfig(*this);
        } catch (const Error& e) {
            Dialogs::error(this, e.message());
        }
    }
    applyGeometry();
    setManualMode(m_code.manualMode());

    {
        const QSignalBlocker a(ComboBox1), b(Sel_Nature);
        ComboBox1->setCurrentIndex(0);
        Sel_Nature->setCurrentIndex(0);
    }
    ChangeBox();
}

void TForm1::loadConfiguration()
{
    const bool exists = QFileInfo::exists(ConfigFile::path());
    try {
        m_config.load();
        m_configState = ConfigState::Loaded;
        return;
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
    if (exists) {
        // a file we cannot read is left for the operator to repair: the document stays empty and
        // nothing is written over the file, not even at close
        m_configState = ConfigState::Unreadable;
        return;
    }
    // no file at all: start on empty lists, in memory only; closing writes a complete file
    m_configState = ConfigState::Missing;
    const pugi::xml_node root =
        m_config.document().reset(QStringLiteral("1.0"), QStringLiteral("ISO-8859-1"), "Configuration");
    appendElement(root, "Systemes");
    appendElement(root, "Lieux");
    appendElement(root, "Parfums");
}

void TForm1::applyGeometry()
{
    const QRect wanted(m_left.value_or(kDefaultMainGeometry.left()), m_top.value_or(kDefaultMainGeometry.top()),
                       qMax(m_width.value_or(kDefaultMainGeometry.width()), 200),
                       qMax(m_height.value_or(kDefaultMainGeometry.height()), 150));
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens())
        screens << s->availableGeometry();
    const QRect r = visibleGeometry(wanted, screens);
    resize(r.size());
    move(r.topLeft());
}

void TForm1::setTop(int value)
{
    m_top = value;
}

void TForm1::setLeft(int value)
{
    m_left = value;
}

void TForm1::setWidth(int value)
{
    m_width = value;
}

void TForm1::setHeight(int value)
{
    m_height = value;
}

void TForm1::setOperatorText(const QString& text)
{
    Text2->setText(text);
}

void TForm1::setMemoText(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    memotexte->setPlainText(t);
    m_textsRead = true;
}

void TForm1::loadModel(const QString& path)
{
    m_sheet->loadDescription(path);
}

void TForm1::setManualMode(bool on)
{
    m_code.setManualMode(on);
    Panel2->setVisible(!on);
    ManualView->setVisible(on);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Panel2) {
        // whoever hides the selection view uncovers the manual view, and the reverse
        if (event->type() == QEvent::HideToParent)
            ManualView->setVisible(true);
        else if (event->type() == QEvent::ShowToParent)
            ManualView->setVisible(false);
    } else if (watched == LabeledEditMasse && event->type() == QEvent::KeyPress) {
        // the mass admits only digits, "." and Enter; every other character, Backspace included,
        // is discarded (keys that type nothing, Delete, the arrows and the Ctrl shortcuts, still work)
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Delete ||
            (key->modifiers() & Qt::ControlModifier))
            return false;
        if (key->key() == Qt::Key_Backspace)
            return true;
        const QString typed = key->text();
        for (const QChar c : typed)
            if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u'\r' || c == u'\n'))
                return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TForm1::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        m_hintPanel->setText(static_cast<QStatusTipEvent*>(event)->tip());
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
            m_sheet->zoommieuxClick();
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
    if (m_configState == ConfigState::Unreadable)
        return true;
    Form1Settings s;
    const QRect g = (isMaximized() || isFullScreen()) ? normalGeometry() : QRect(pos(), size());
    s.haut = g.top();
    s.gauche = g.left();
    s.largeur = g.width();
    s.hauteur = g.height();
    s.eleve = Text2->text();
    s.memo1 = memotexte->toPlainText();
    s.codeManu = m_code.manualMode();
    try {
        const pugi::xml_node saved = child(m_config.document().documentElement(), "Form1");
        // texts that reading never reached (a setting before them did not convert) were never shown:
        // the file keeps its own unless the operator has typed new ones
        if (!m_textsRead && !Text2->isModified())
            s.eleve = text(child(saved, "Eleve"));
        if (!m_textsRead && !memotexte->document()->isModified())
            s.memo1 = text(child(saved, "Memo1"));
        const LabelDescription& description = m_sheet->EtiqXML();
        if (description.isActive())
            s.modele = description.fileName();
        else // a description that did not load this time is still the one to look for next time
            s.modele = text(child(saved, "Modele"));
        if (m_configState == ConfigState::Missing)
            QDir().mkpath(QFileInfo(ConfigFile::path()).absolutePath());
        m_config.SaveConfig(s);
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
        // with no file to begin with there is nothing to protect, and nowhere to save the settings
        // would keep the window from ever closing
        return m_configState == ConfigState::Missing;
    }
    return true;
}

void TForm1::Afficher()
{
    m_sheet->Afficher();
}

QStringList TForm1::incrementalLines() const
{
    return displayedLines(MemoIncrement->toPlainText(), MemoIncrement->font(), incrementTextWidth());
}

qreal TForm1::incrementTextWidth() const
{
    const qreal margins = 2 * MemoIncrement->document()->documentMargin();
    if (MemoIncrement->isVisible())
        return MemoIncrement->viewport()->width() - margins;
    // a hidden tab has not been laid out: its page is as wide as the one in front
    const QWidget* page = PageControl1->currentWidget();
    const QMargins m = MemoIncrement->parentWidget()->layout()->contentsMargins();
    return page->width() - m.left() - m.right() - 2 * MemoIncrement->frameWidth() - margins;
}

QString TForm1::version() const
{
    return LireVersion();
}

QString TForm1::logoPath() const
{
    return Image->text();
}

void TForm1::showFields()
{
    const CodeFields& f = m_code.fields();
    LabCodeSyst->setText(f.system.toUpper());
    LabMasse->setText(f.mass);
    LabCodeCond->setText(f.packaging);
    LabCodeCouleur->setText(f.colour);
    LabCodeParfum->setText(f.perfume);
    LabCodePostal->setText(f.factory);
    LabJour->setText(m_code.dateDisplay().day);
    LabAnnee->setText(m_code.dateDisplay().year);
}

void TForm1::showLogo(const QString& path, bool reportMissing)
{
    Img_logo->clear();
    if (path.isEmpty() || (!reportMissing && !QFileInfo::exists(path)))
        return;
    try {
        Img_logo->setPixmap(logoPixmap(readPicture(path)));
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
}

void TForm1::ChangeBox()
{
    SelectionLists lists;
    if (m_configState != ConfigState::Unreadable) {
        try {
            lists = selectionLists(m_config);
        } catch (const Error& e) {
            Dialogs::error(this, e.message());
        }
    }
    {
        const QSignalBlocker a(Sel_Origine), b(Sel_Systeme), c(Sel_Parfum), d(ComboBox1), e(Sel_Nature);
        Sel_Origine->clear();
        Sel_Systeme->clear();
        Sel_Parfum->clear();
        Sel_Origine->addItems(lists.places);
        Sel_Systeme->addItems(lists.systems);
        Sel_Parfum->addItems(lists.perfumes);
        Sel_Origine->setCurrentIndex(lists.places.isEmpty() ? -1 : 0);
        Sel_Systeme->setCurrentIndex(lists.systems.isEmpty() ? -1 : 0);
        Sel_Parfum->setCurrentIndex(lists.perfumes.isEmpty() ? -1 : 0);
        ComboBox1->setCurrentIndex(0);
        Sel_Nature->setCurrentIndex(0);
    }
    CodeSelection selection;
    selection.systemIndex = selectedPosition(Sel_Systeme);
    selection.massText = LabeledEditMasse->text();
    selection.packagingIndex = selectedPosition(Sel_Nature);
    selection.layersText = SpinEdit1->text();
    selection.rowsText = SpinEdit2->text();
    selection.ralIndex = ComboBox1->currentIndex();
    selection.perfumeName = Sel_Parfum->currentText();
    selection.placeName = Sel_Origine->currentText();
    try {
        m_code.computeAll(selection);
    } catch (const Error& e) {
        // after a configuration that did not load, the empty lists are no news to the operator
        if (m_configState == ConfigState::Loaded)
            Dialogs::error(this, e.message());
    }
    CaisseSavon->setVisible(selection.packagingIndex == kSoapPackaging);
    Image->setText(m_code.logoPath());
    showLogo(m_code.logoPath(), false);
    showFields();
    Button1Click();
}

void TForm1::listsChanged()
{
    // a reset or an added entry has written a good file: closing may now write it too
    if (m_configState != ConfigState::Loaded && m_config.isLoaded() && QFileInfo::exists(ConfigFile::path()))
        m_configState = ConfigState::Loaded;
    SelectionLists lists;
    try {
        lists = selectionLists(m_config);
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
        return;
    }
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
    const bool systemMoved = refill(Sel_Systeme, lists.systems);
    const bool placeMoved = refill(Sel_Origine, lists.places);
    const bool perfumeMoved = refill(Sel_Parfum, lists.perfumes);
    if (systemMoved && Sel_Systeme->currentIndex() >= 0)
        Sel_SystemeChange();
    if (placeMoved)
        Sel_OrigineChange();
    if (perfumeMoved)
        Sel_ParfumChange();
}

void TForm1::Sel_SystemeChange()
{
    try {
        m_code.setSystem(selectedPosition(Sel_Systeme));
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
    showFields();
}

void TForm1::LabeledEditMasseChange()
{
    try {
        m_code.setMass(LabeledEditMasse->text());
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
    showFields();
}

void TForm1::Sel_NatureChange()
{
    const int index = selectedPosition(Sel_Nature);
    CaisseSavon->setVisible(index == kSoapPackaging);
    m_code.setPackaging(index, SpinEdit1->text(), SpinEdit2->text());
    showFields();
}

void TForm1::Changeboitagesavon()
{
    m_code.setSoapPackaging(SpinEdit1->text(), SpinEdit2->text());
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
    try {
        m_code.setColour(ComboBox1->currentIndex());
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
    showFields();
}

void TForm1::Sel_ParfumChange()
{
    try {
        m_code.setPerfume(Sel_Parfum->currentText());
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
    showFields();
}

void TForm1::Sel_OrigineChange()
{
    try {
        m_code.setFactory(Sel_Origine->currentText());
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
    Image->setText(m_code.logoPath());
    showLogo(m_code.logoPath(), false);
    showFields();
}

void TForm1::CalendrierChange()
{
    m_code.setDate(Calendrier->date());
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
    Quant->setText(quantieme(Calculquant->date()));
}

void TForm1::Button5Click()
{
    try {
        const QDate date = calculateDate(EditQuant->text(), EditAn->text());
        if (date < Calculquant->minimumDate())
            throw Error(QStringLiteral("Le calendrier ne montre pas les dates antérieures à l'an 100."));
        // a date set from here raises no change: Quant keeps the day it showed
        const QSignalBlocker block(Calculquant);
        Calculquant->setDate(date);
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
}

void TForm1::Button3Click()
{
    m_operatorText = Text2->text();
    m_multilineText = memotexte->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

void TForm1::Edit2Change()
{
    m_operatorText = Edit2->text();
    m_multilineText = Memo1->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

void TForm1::Button1Click()
{
    Button3Click();
}

void TForm1::ToolButton3Click()
{
    MemoIncrement->clear();
}

void TForm1::ToolButton6Click()
{
    const QString path = Dialogs::openFileName(this, QStringLiteral("Ouvrir"), DataFolder::root(),
                                               QStringLiteral("Fichier étiquette. (*.ETQ *.etq);;Tous (*)"));
    if (path.isEmpty())
        return;
    try {
        MemoIncrement->setPlainText(loadIncrementalList(path).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
}

void TForm1::ToolButton17Click()
{
    const QString path = Dialogs::saveFileName(this, QStringLiteral("Enregistrer sous"), DataFolder::root(), QString());
    if (path.isEmpty())
        return;
    try {
        saveIncrementalList(path, MemoIncrement->toPlainText());
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
}

void TForm1::imglogClick()
{
    const QString path =
        Dialogs::openFileName(this, QStringLiteral("Ouvrir"), m_logoFolder, QStringLiteral("Bitmap. (*.BMP *.bmp)"));
    if (path.isEmpty())
        return;
    try {
        // the picture is read first: a file that is no picture changes nothing
        const QImage image = readPicture(path);
        Image->setText(QFileInfo(path).absoluteFilePath());
        Img_logo->setPixmap(logoPixmap(image));
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
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
