#include "labels/ui/printing.h"

#include "base/error.h"

#include <QPageSize>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <cups/cups.h>
#include <algorithm>
#include <memory>

#include "labels/barcodecheck.h"
#include "labels/calibration.h"
#include "labels/painter.h"

namespace pelorin::report {

QString printerQueue(const QString& printer)
{
    const QPrinterInfo info = printer.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(printer);
    return info.isNull() ? QString() : info.printerName();
}

QString noPrinterMessage()
{
    return QStringLiteral("Aucune imprimante n'est installée.");
}

QSizeF defaultPrinterPaperInches()
{
    return printerPaperInches(QString());
}

QSizeF printerPaperInches(const QString& printer)
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

QString jobName(const QString& code, const QString& pageName)
{
    return QStringLiteral("Pelorin %1 %2").arg(code, pageName).trimmed();
}

namespace {

// "300dpi", "300x600dpi", "118dpcm": the horizontal dots per inch.
int resolutionFromText(const char* text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)(?:x\\d+)?(dpi|dpcm)$"));
    const QRegularExpressionMatch m = pattern.match(QString::fromLatin1(text ? text : "").trimmed());
    if (!m.hasMatch())
        return 0;
    const int value = m.captured(1).toInt();
    return m.captured(2) == u"dpcm" ? qRound(value * 2.54) : value;
}

struct DestDeleter
{
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
struct InfoDeleter
{
    void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};

} // namespace

int printerResolution(const QString& printer)
{
    const QByteArray name = printer.toUtf8();
    const std::unique_ptr<cups_dest_t, DestDeleter> dest(
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer.isEmpty() ? nullptr : name.constData(), nullptr));
    if (!dest)
        return 0;
    int dpi = 0;
    // an option set on the queue (lpoptions -o printer-resolution=..., or its driver's Resolution)
    for (const char* option : {"printer-resolution", "Resolution"})
        if (!dpi)
            dpi = resolutionFromText(cupsGetOption(option, dest->num_options, dest->options));
    if (!dpi) {
        const std::unique_ptr<cups_dinfo_t, InfoDeleter> info(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get()));
        ipp_attribute_t* attribute =
            info ? cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest.get(), info.get(), "printer-resolution") : nullptr;
        if (attribute && ippGetValueTag(attribute) == IPP_TAG_RESOLUTION) {
            int y = 0;
            ipp_res_t units = IPP_RES_PER_INCH;
            const int x = ippGetResolution(attribute, 0, &y, &units);
            dpi = units == IPP_RES_PER_CM ? qRound(x * 2.54) : x;
        }
    }
    return dpi >= 100 ? dpi : 0; // coarser dots are no label printer's
}

std::vector<int> printerResolutions(const QString& printer)
{
    const QByteArray name = printer.toUtf8();
    const std::unique_ptr<cups_dest_t, DestDeleter> dest(
        cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer.isEmpty() ? nullptr : name.constData(), nullptr));
    if (!dest)
        return {};
    const std::unique_ptr<cups_dinfo_t, InfoDeleter> info(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get()));
    ipp_attribute_t* attribute =
        info ? cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest.get(), info.get(), "printer-resolution") : nullptr;
    std::vector<int> resolutions;
    if (!attribute || ippGetValueTag(attribute) != IPP_TAG_RESOLUTION)
        return resolutions;
    for (int i = 0; i < ippGetCount(attribute); ++i) {
        int y = 0;
        ipp_res_t units = IPP_RES_PER_INCH;
        const int x = ippGetResolution(attribute, i, &y, &units);
        const int dpi = units == IPP_RES_PER_CM ? qRound(x * 2.54) : x;
        if (dpi >= 100)
            resolutions.push_back(dpi);
    }
    std::sort(resolutions.begin(), resolutions.end());
    resolutions.erase(std::unique(resolutions.begin(), resolutions.end()), resolutions.end());
    return resolutions;
}

int fittingResolution(const QString& printer)
{
    const int dpi = printerResolution(printer);
    return dpi > 0 ? dpi : kDefaultPrinterDpi;
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
