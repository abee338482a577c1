#include "labels/ui/labelselectionwindow.h"

#include "base/error.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "labels/marks.h"
#include "labels/ui/labelsheet.h"
#include "labels/ui/selectiongrid.h"
#include "ui_labelselectionwindow.h"

#include <QCheckBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolButton>
#include <QWindow>

namespace pelorin {

LabelSelectionWindow::LabelSelectionWindow(LabelSheet& sheet, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::LabelSelectionWindow>()), m_sheet(&sheet)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ui->printButton->setIcon(themeIcon(QStringLiteral("document-print"), QStyle::SP_DialogSaveButton));
    ui->labelGrid->setMarks(sheet.marks());

    syncSwitches();
    connect(&sheet.marks(), &SelectionMarks::changed, this, &LabelSelectionWindow::syncSwitches);
    connect(ui->marginsCheck, &QCheckBox::toggled, this, [this](bool on) {
        m_sheet->marks().setMarginFrame(on);
        m_sheet->showPage();
    });
    connect(ui->outlinesCheck, &QCheckBox::toggled, this, [this](bool on) {
        m_sheet->marks().setOutlines(on);
        m_sheet->showPage();
    });
    connect(ui->labelGrid, &SelectionGrid::markToggled, this, [this] { m_sheet->showPage(); });
    connect(ui->printButton, &QToolButton::clicked, this, [this] { m_sheet->printPage(); });
    connect(ui->markAllButton, &QPushButton::clicked, this, [this] {
        m_sheet->marks().markAll();
        m_sheet->showPage();
    });
    connect(ui->unmarkAllButton, &QPushButton::clicked, this, [this] {
        m_sheet->marks().unmarkAll();
        m_sheet->showPage();
    });

    sheet.setSelectionRebuild([this] { rebuildGrid(); });
    rebuildGrid();
}

LabelSelectionWindow::~LabelSelectionWindow()
{
    if (m_sheet)
        m_sheet->setSelectionRebuild({});
}

void LabelSelectionWindow::setVisible(bool visible)
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

void LabelSelectionWindow::rebuildGrid()
{
    SelectionMarks& marks = m_sheet->marks();
    // the model checks the counts and takes them (a count of zero stops it before any mark)
    try {
        marks.rebuild(m_sheet->EtiqXML());
        ui->labelGrid->fitCells(marks.columns(), marks.rows());
    } catch (...) {
        Dialogs::error(this, m_sheet->buildMessage(currentErrorMessage()));
        return;
    }
    m_sheet->showAndFit();
}

void LabelSelectionWindow::syncSwitches()
{
    const SelectionMarks& marks = m_sheet->marks();
    const QSignalBlocker blockMargins(ui->marginsCheck);
    const QSignalBlocker blockOutlines(ui->outlinesCheck);
    ui->marginsCheck->setChecked(marks.marginFrame());
    ui->outlinesCheck->setChecked(marks.outlines());
}

} // namespace pelorin
