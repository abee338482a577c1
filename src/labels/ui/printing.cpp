#include "labels/ui/printing.h"

#include "base/error.h"

#include <QPageSize>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QHash>
#include <algorithm>
#include <memory>
#include <mutex>

#include "labels/barcodecheck.h"
#include "labels/calibration.h"
#include "labels/painter.h"

namespace pelorin::report {

QString noPrinterMessage()
{
    return QStringLiteral("Aucune imprimante n'est installée.");
}

QSizeF defaultPrinterPaperInches()
{
    return printerPaperInches(QString());
}

namespace {

// What the print server says of a printer's paper, without asking it again.
QSizeF askedPaperInches(const QString& printer)
{
    const QPrinterInfo info = printer.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(printer);
    if (info.isNull())
        return Page().paperInches();
    const QPageSize pageSize = info.defaultPageSize();
    if (!pageSize.isValid())
        return Page().paperInches();
    QSizeF size = pageSize.size(QPageSize::Inch);
    if (size.width() <= 0.0 || size.height() <= 0.0)
        return Page().paperInches();
    if (size.width() > size.height())
        size.transpose();
    return size;
}

} // namespace

QSizeF printerPaperInches(const QString& printer)
{
    // asking costs an IPP request and the driver's PPD: a preview rebuilt at every change asks once a
    // session per printer
    static std::mutex mutex;
    static QHash<QString, QSizeF> asked;
    std::lock_guard lock(mutex);
    auto it = asked.constFind(printer);
    if (it == asked.constEnd())
        it = asked.insert(printer, askedPaperInches(printer));
    return *it;
}

QString jobName(const QString& code, const QString& pageName)
{
    return QStringLiteral("Pelorin %1 %2").arg(code, pageName).trimmed();
}

void printPage(const ExecutedPage& page, const PrintJob& job)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!job.printer.isEmpty()) {
        if (QPrinterInfo::printerInfo(job.printer).isNull())
            throw Error(QStringLiteral("L'imprimante « %1 » n'existe pas.").arg(job.printer));
        printer.setPrinterName(job.printer);
    }
    // without a printer QPrinter falls back to writing a PDF file: never do that behind the operator
    if (QPrinterInfo::printerInfo(printer.printerName()).isNull() || printer.outputFormat() != QPrinter::NativeFormat)
        throw Error(noPrinterMessage());
    printer.setCopyCount(qMax(1, job.copies));
    printer.setFullPage(true);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageSize(QPageSize(page.paperInches(), QPageSize::Inch, QString(), QPageSize::FuzzyMatch));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    printer.setDocName(job.name.isEmpty() ? QStringLiteral("Pelorin") : job.name);
    if (job.dpi > 0) {
        // the job's CUPS options (Qt's key for them, the one its own print dialog sets): the
        // resolution under its IPP name and under the name drivers give it
        const QString resolution = QStringLiteral("%1dpi").arg(job.dpi);
        constexpr auto cupsOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);
        printer.printEngine()->setProperty(cupsOptions, QStringList{QStringLiteral("printer-resolution"), resolution,
                                                                    QStringLiteral("Resolution"), resolution});
    }
    QPainter painter;
    if (!painter.begin(&printer))
        throw Error(noPrinterMessage());
    const int dpi = job.dpi > 0 ? job.dpi : fittingResolution(printer.printerName());
    const PrinterCalibration calibration =
        job.calibrated ? loadCalibration(printer.printerName()) : PrinterCalibration();
    if (calibration.isIdentity()) {
        paintPage(painter, page, printer.resolution(), dpi);
    } else {
        // the page is drawn in its own coordinates, scaled and shifted on the way to the device; its
        // bars still fall on the printer's dots, whose width in the page's units the scale changes
        painter.setWorldTransform(calibrationTransform(calibration, printer.resolution()));
        paintPage(painter, page, printer.resolution(), dpi * calibration.sx / 100.0);
    }
    if (!painter.end())
        throw Error(noPrinterMessage());
}

} // namespace pelorin::report
