#include "labels/ui/calibrationdialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/error.h"
#include "base/ui/dialogs.h"
#include "labels/executedpage.h"
#include "labels/ui/printing.h"

namespace pelorin {

namespace {

QDoubleSpinBox* valueField(QWidget* parent, const char* name, double least, double most, double value,
                           const QString& suffix)
{
    auto* field = new QDoubleSpinBox(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setRange(least, most);
    field->setDecimals(2);
    field->setSingleStep(0.1);
    field->setSuffix(suffix);
    field->setValue(value);
    return field;
}

} // namespace

CalibrationDialog::CalibrationDialog(const QString& printer, QWidget* parent) : QDialog(parent), m_printer(printer)
{
    setObjectName(QStringLiteral("CalibrationDialog"));
    setWindowTitle(QStringLiteral("Calibrer l'imprimante"));
    const PrinterCalibration stored = loadCalibration(printer);

    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("Imprimez la page de calibration sur « %1 », mesurez-la comme elle "
                                            "l'indique, puis entrez le décalage et l'échelle trouvés. Ils "
                                            "s'appliquent à toute impression sur cette imprimante, depuis ce poste.")
                                 .arg(printer),
                             this);
    intro->setObjectName(QStringLiteral("calibrationIntro"));
    intro->setWordWrap(true);
    intro->setMinimumWidth(420);
    layout->addWidget(intro);

    auto* printButton = new QPushButton(QStringLiteral("Imprimer la page de calibration"), this);
    printButton->setObjectName(QStringLiteral("printCalibrationPageButton"));
    printButton->setAutoDefault(false);
    connect(printButton, &QPushButton::clicked, this, &CalibrationDialog::printCalibrationPage);
    layout->addWidget(printButton);

    const QString mm = QStringLiteral(" mm"), percent = QStringLiteral(" %");
    m_dx = valueField(this, "calibrationDxEdit", -kMostCalibrationOffsetMm, kMostCalibrationOffsetMm, stored.dx, mm);
    m_dy = valueField(this, "calibrationDyEdit", -kMostCalibrationOffsetMm, kMostCalibrationOffsetMm, stored.dy, mm);
    m_sx = valueField(this, "calibrationSxEdit", kLeastCalibrationScale, kMostCalibrationScale, stored.sx, percent);
    m_sy = valueField(this, "calibrationSyEdit", kLeastCalibrationScale, kMostCalibrationScale, stored.sy, percent);
    // the form's rows make each caption its field's buddy, the name a screen reader gives it
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Décalage horizontal (dx) :"), m_dx);
    form->addRow(QStringLiteral("Décalage vertical (dy) :"), m_dy);
    form->addRow(QStringLiteral("Échelle horizontale (sx) :"), m_sx);
    form->addRow(QStringLiteral("Échelle verticale (sy) :"), m_sy);
    for (QDoubleSpinBox* field : {m_dx, m_dy, m_sx, m_sy})
        if (auto* label = qobject_cast<QLabel*>(form->labelForField(field)))
            field->setAccessibleName(label->text().chopped(2));
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("calibrationButtons"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Enregistrer"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CalibrationDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CalibrationDialog::reject);
    layout->addWidget(buttons);
}

PrinterCalibration CalibrationDialog::values() const
{
    return PrinterCalibration{m_dx->value(), m_dy->value(), m_sx->value(), m_sy->value()};
}

void CalibrationDialog::accept()
{
    try {
        saveCalibration(m_printer, values());
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
        return;
    }
    QDialog::accept();
}

void CalibrationDialog::printCalibrationPage()
{
    try {
        const report::ExecutedPage page =
            report::execute(calibrationPage(report::printerPaperInches(m_printer), m_printer));
        report::PrintJob job;
        job.printer = m_printer;
        job.name = QStringLiteral("Pelorin calibration %1").arg(m_printer);
        job.calibrated = false;
        report::printPage(page, job);
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    }
}

} // namespace pelorin
