#include "labels/ui/printing.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

#include "labels/painter.h"

namespace pelorin::report {

QString noPrinterMessage()
{
    return QStringLiteral("Aucune imprimante n'est installée.");
}

QSizeF defaultPrinterPaperInches()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
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

namespace {

// The resolution the print server rasterises the job at for this printer, the default of its driver
// description; 0 when it cannot be told (QPrinter's own list of resolutions is not the driver's).
int rasterResolution(const QPrinter& printer)
{
    QFile ppd(QStringLiteral("/etc/cups/ppd/%1.ppd").arg(printer.printerName()));
    if (!ppd.open(QIODevice::ReadOnly))
        return 0;
    static const QRegularExpression defaultResolution(QStringLiteral("^\\*DefaultResolution:\\s*(\\d+)(?:x\\d+)?dpi"));
    while (!ppd.atEnd()) {
        const QRegularExpressionMatch m = defaultResolution.match(QString::fromLatin1(ppd.readLine()));
        if (m.hasMatch()) {
            const int dpi = m.captured(1).toInt();
            return dpi >= 100 ? dpi : 0; // coarser dots are no label printer's
        }
    }
    return 0;
}

} // namespace

bool printPage(const ExecutedPage& page)
{
    QPrinter printer(QPrinter::HighResolution);
    // without a printer QPrinter falls back to writing a PDF file: never do that behind the operator
    if (QPrinterInfo::defaultPrinter().isNull() || printer.outputFormat() != QPrinter::NativeFormat)
        return false;
    printer.setCopyCount(1);
    printer.setFullPage(true);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setPageSize(QPageSize(page.paperInches(), QPageSize::Inch, QString(), QPageSize::FuzzyMatch));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    printer.setDocName(QStringLiteral("Pelorin"));
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    paintPage(painter, page, printer.resolution(), rasterResolution(printer));
    return painter.end();
}

bool printStream(const QByteArray& stream)
{
    return printPage(ExecutedPage::read(stream));
}

} // namespace pelorin::report
