// The floor for `pelorin render -o page.pdf`: a minimal Qt program that writes the same page with
// QPdfWriter: an A4 sheet of 13 x 5 labels of 38.1 x 21.2 mm, each with its frame, a Code 128
// barcode drawn by zint as vectors, three lines of text and a logo.
//
//   minimal_pdf OUTPUT.pdf LOGO.bmp CODE
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPdfWriter>
#include <memory>
#include <zint.h>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 4)
        return 2;
    const QByteArray code = argv[3];
    QImageReader logoReader(QString::fromLocal8Bit(argv[2]), "bmp");
    const QImage logo = logoReader.read();

    std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    symbol->symbology = BARCODE_CODE128;
    symbol->input_mode = DATA_MODE;
    if (ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(code.constData()), code.size()) >= 5 ||
        ZBarcode_Buffer_Vector(symbol.get(), 0) >= 5)
        return 1;

    QPdfWriter pdf(QString::fromLocal8Bit(argv[1]));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    pdf.setResolution(1200);
    QPainter painter(&pdf);
    const double dotsPerMm = 1200 / 25.4;
    const auto mm = [dotsPerMm](double x, double y, double w, double h) {
        return QRectF(x * dotsPerMm, y * dotsPerMm, w * dotsPerMm, h * dotsPerMm);
    };
    QFont font(QStringLiteral("Liberation Sans"));
    const double barcodeWidth = 33.0, barcodeHeight = 7.0;
    const double module = barcodeWidth / symbol->vector->width;
    for (int row = 0; row < 13; ++row)
        for (int column = 0; column < 5; ++column) {
            const double left = 4.7 + column * (38.1 + 2.5), top = 10.7 + row * 21.2;
            painter.save();
            painter.setPen(QPen(Qt::black, 0.2 * dotsPerMm));
            painter.drawRoundedRect(mm(left + 0.5, top + 0.5, 37.1, 20.2), 2 * dotsPerMm, 2 * dotsPerMm);
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::black);
            for (zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next)
                painter.drawRect(mm(left + 2.5 + r->x * module, top + 1.5, r->width * module, barcodeHeight));
            painter.setPen(Qt::black);
            font.setPointSizeF(9);
            painter.setFont(font);
            painter.drawText(mm(left + 1.5, top + 10, 27, 3.5), Qt::AlignLeft, QStringLiteral("Opérateur"));
            painter.drawText(mm(left + 1.5, top + 15, 10, 3.5), Qt::AlignLeft, QString::number(row * 5 + column + 1));
            font.setPointSizeF(7);
            painter.setFont(font);
            painter.drawText(mm(left + 12, top + 15, 16, 3.5), Qt::AlignLeft, QString::fromLatin1(code));
            painter.drawImage(mm(left + 29, top + 10, 8, 8), logo);
            painter.restore();
        }
    return painter.end() ? 0 : 1;
}
