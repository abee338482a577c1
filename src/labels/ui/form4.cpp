#include "labels/ui/form4.h"

#include "base/error.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "labels/marks.h"
#include "labels/ui/labelsheet.h"
#include "labels/ui/selectiongrid.h"

#include <QCheckBox>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace pelorin {

namespace {

const QSize kGridSize(212, 297);

} // namespace

TForm4::TForm4(LabelSheet& sheet, QWidget* parent) : QDialog(parent), m_sheet(&sheet)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Etiquettes"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setIconSize(QSize(24, 24));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    nameOverflowButton(m_toolBar);

    ToolButton1 = new QToolButton(m_toolBar);
    ToolButton1->setObjectName(QStringLiteral("ToolButton1"));
    ToolButton1->setIcon(themeIcon(QStringLiteral("document-print"), QStyle::SP_DialogSaveButton));
    ToolButton1->setAutoRaise(true);
    setHint(ToolButton1, QStringLiteral("Imprimer la page."));
    m_toolBar->addWidget(ToolButton1);
    m_toolBar->addSeparator();

    // the check boxes keep their captions as accessible names; the hints describe them
    auto makeSwitch = [this](const char* name, const QString& caption, const QString& hint) {
        auto* box = new QCheckBox(caption, m_toolBar);
        box->setObjectName(QString::fromLatin1(name));
        box->setToolTip(hint);
        box->setStatusTip(hint);
        box->setAccessibleDescription(hint);
        m_toolBar->addWidget(box);
        return box;
    };
    tracemarge = makeSwitch("tracemarge", QStringLiteral("Marges"), QStringLiteral("Afficher les marges étiquettes."));
    tracecontour =
        makeSwitch("tracecontour", QStringLiteral("Contours"), QStringLiteral("Afficher les contours étiquettes."));

    StringGrid1 = new SelectionGrid(sheet.marks(), kGridSize, this);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setAccessibleName(windowTitle());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(StringGrid1, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    syncSwitches();
    connect(&sheet.marks(), &SelectionMarks::changed, this, &TForm4::syncSwitches);
    connect(tracemarge, &QCheckBox::toggled, this, [this](bool on) {
        m_sheet->marks().setMarginFrame(on);
        m_sheet->Afficher();
    });
    connect(tracecontour, &QCheckBox::toggled, this, [this](bool on) {
        m_sheet->marks().setOutlines(on);
        m_sheet->Afficher();
    });
    connect(StringGrid1, &SelectionGrid::markToggled, this, [this] { m_sheet->Afficher(); });
    connect(ToolButton1, &QToolButton::clicked, this, [this] { m_sheet->ImprimClick(); });

    sheet.setSelectionRebuild([this] { Fixecellule(); });
    Fixecellule();
}

TForm4::~TForm4()
{
    if (m_sheet)
        m_sheet->setSelectionRebuild({});
}

void TForm4::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        tieToOpener(this);
        // Not centred: at the left of the window that opened it, over its selections, so that the
        // page preview on its right stays in sight while labels are marked and unmarked.
        if (const QWindow* opener = windowHandle() ? windowHandle()->transientParent() : nullptr) {
            QRect frame = frameGeometry();
            frame.moveTopLeft(opener->geometry().topLeft() + QPoint(24, 48));
            if (const QScreen* screen = opener->screen()) {
                const QRect area = screen->availableGeometry();
                frame.moveRight(qMin(frame.right(), area.right()));
                frame.moveBottom(qMin(frame.bottom(), area.bottom()));
                frame.moveLeft(qMax(frame.left(), area.left()));
                frame.moveTop(qMax(frame.top(), area.top()));
            }
            move(frame.topLeft());
        }
    }
    QDialog::setVisible(visible);
}

void TForm4::Fixecellule()
{
    SelectionMarks& marks = m_sheet->marks();
    try {
        // the model checks the counts and takes them (a count of zero stops it before any mark)
        marks.rebuild(m_sheet->EtiqXML());
        StringGrid1->fitCells(marks.columns(), marks.rows());
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
        return;
    }
    m_sheet->showAndFit();
}

void TForm4::syncSwitches()
{
    const SelectionMarks& marks = m_sheet->marks();
    const QSignalBlocker blockMargins(tracemarge);
    const QSignalBlocker blockOutlines(tracecontour);
    tracemarge->setChecked(marks.marginFrame());
    tracecontour->setChecked(marks.outlines());
}

} // namespace pelorin
