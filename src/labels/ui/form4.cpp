#include "labels/ui/form4.h"

#include "base/error.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "labels/marks.h"
#include "labels/ui/labelsheet.h"
#include "labels/ui/selectiongrid.h"
#include "ui_form4.h"

#include <QCheckBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolButton>
#include <QWindow>

namespace pelorin {

TForm4::TForm4(LabelSheet& sheet, QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::Form4>()), m_sheet(&sheet)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ui->ToolButton1->setIcon(themeIcon(QStringLiteral("document-print"), QStyle::SP_DialogSaveButton));
    ui->StringGrid1->setMarks(sheet.marks());

    syncSwitches();
    connect(&sheet.marks(), &SelectionMarks::changed, this, &TForm4::syncSwitches);
    connect(ui->tracemarge, &QCheckBox::toggled, this, [this](bool on) {
        m_sheet->marks().setMarginFrame(on);
        m_sheet->Afficher();
    });
    connect(ui->tracecontour, &QCheckBox::toggled, this, [this](bool on) {
        m_sheet->marks().setOutlines(on);
        m_sheet->Afficher();
    });
    connect(ui->StringGrid1, &SelectionGrid::markToggled, this, [this] { m_sheet->Afficher(); });
    connect(ui->ToolButton1, &QToolButton::clicked, this, [this] { m_sheet->ImprimClick(); });
    connect(ui->markAllButton, &QPushButton::clicked, this, [this] {
        m_sheet->marks().markAll();
        m_sheet->Afficher();
    });
    connect(ui->unmarkAllButton, &QPushButton::clicked, this, [this] {
        m_sheet->marks().unmarkAll();
        m_sheet->Afficher();
    });

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
    // the model checks the counts and takes them (a count of zero stops it before any mark)
    try {
        marks.rebuild(m_sheet->EtiqXML());
        ui->StringGrid1->fitCells(marks.columns(), marks.rows());
    } catch (...) {
        Dialogs::error(this, m_sheet->buildMessage(currentErrorMessage()));
        return;
    }
    m_sheet->showAndFit();
}

void TForm4::syncSwitches()
{
    const SelectionMarks& marks = m_sheet->marks();
    const QSignalBlocker blockMargins(ui->tracemarge);
    const QSignalBlocker blockOutlines(ui->tracecontour);
    ui->tracemarge->setChecked(marks.marginFrame());
    ui->tracecontour->setChecked(marks.outlines());
}

} // namespace pelorin
