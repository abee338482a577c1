#include "labels/ui/printdialogs.h"

#include "base/ui/widgetkit.h"

#include "base/ui/dialogs.h"
#include "labels/ui/calibrationdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QList>
#include <QPrintDialog>
#include <QPushButton>
#include <QPrinter>
#include <QPrinterInfo>

namespace pelorin {

namespace {

QList<PrintDialogs::Choice> g_choices;
QString g_lastOffered;

} // namespace

std::optional<PrintDialogs::Choice> PrintDialogs::ask(QWidget* parent, const QString& printer)
{
    g_lastOffered = printer.isEmpty() ? QPrinterInfo::defaultPrinterName() : printer;
    if (Dialogs::testMode()) {
        if (g_choices.isEmpty())
            return std::nullopt;
        return g_choices.takeFirst();
    }
    QPrinter qprinter(QPrinter::HighResolution);
    if (!g_lastOffered.isEmpty())
        qprinter.setPrinterName(g_lastOffered);
    QPrintDialog dialog(&qprinter, parent);
    dialog.setWindowTitle(QStringLiteral("Imprimer"));
    // the page is the whole paper: no range, no selection, no current page to choose
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    // the calibration of the printer chosen in the dialog (its list of printers is "printers")
    if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
        QPushButton* calibrate = buttons->addButton(QStringLiteral("Calibrer…"), QDialogButtonBox::ActionRole);
        calibrate->setObjectName(QStringLiteral("calibrateButton"));
        calibrate->setToolTip(QStringLiteral("Imprime la page de calibration de l'imprimante et enregistre le "
                                             "décalage et l'échelle mesurés"));
        QObject::connect(calibrate, &QPushButton::clicked, &dialog, [&dialog] {
            const auto* printers = dialog.findChild<QComboBox*>(QStringLiteral("printers"));
            const QString chosen =
                printers && !printers->currentText().isEmpty() ? printers->currentText() : g_lastOffered;
            CalibrationDialog calibration(chosen, &dialog);
            calibration.exec();
        });
    }
    // laid out first, so that one larger than a small screen is fitted to it before it shows
    dialog.ensurePolished();
    dialog.adjustSize();
    shrinkToScreen(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return Choice{qprinter.printerName(), qMax(1, qprinter.copyCount())};
}

void PrintDialogs::setNextChoice(const Choice& choice)
{
    g_choices.append(choice);
}

QString PrintDialogs::lastOfferedPrinter()
{
    return g_lastOffered;
}

} // namespace pelorin
