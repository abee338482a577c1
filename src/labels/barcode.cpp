#include "labels/barcode.h"

#include <cmath>
#include <memory>
#include <zint.h>

namespace pelorin::report {

namespace {

struct SymbolDeleter
{
    void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

} // namespace

BarcodeSymbol encodeCode128(const QString& text, QString* refusal)
{
    BarcodeSymbol result;
    if (text.isEmpty()) {
        if (refusal)
            *refusal = QStringLiteral("No input data");
        return result;
    }
    // toLatin1() would turn a character outside Latin-1 into '?', and the symbol would carry another
    // code than the one asked for: such a text is refused instead
    for (QChar c : text) {
        if (c.unicode() > 0xFF) {
            if (refusal)
                *refusal = QStringLiteral("Character outside ISO-8859-1: %1").arg(c);
            return result;
        }
    }
    const QByteArray data = text.toLatin1();

    std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol)
        return result;
    symbol->symbology = BARCODE_CODE128;
    symbol->input_mode = DATA_MODE;
    symbol->show_hrt = 1;
    const int rc =
        ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()), int(data.size()));
    if (rc >= ZINT_ERROR) {
        if (refusal)
            *refusal = QString::fromLatin1(symbol->errtxt);
        return result;
    }
    if (ZBarcode_Buffer_Vector(symbol.get(), 0) >= ZINT_ERROR || !symbol->vector || symbol->width <= 0) {
        if (refusal)
            *refusal = QString::fromLatin1(symbol->errtxt);
        return result;
    }

    // the vector output spreads the symbol's modules evenly over its width (no quiet zones asked)
    const int modules = symbol->width;
    const double unitsPerModule = double(symbol->vector->width) / modules;
    if (!(unitsPerModule > 0.0))
        return result;
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next) {
        const long start = std::lround(r->x / unitsPerModule);
        const long width = std::lround(r->width / unitsPerModule);
        if (width <= 0 || start < 0 || start + width > modules)
            continue;
        result.bars.push_back(Bar{quint16(start), quint16(width)});
    }
    result.modules = modules;
    result.humanReadable = QString::fromUtf8(reinterpret_cast<const char*>(symbol->text));
    if (result.bars.empty())
        result.modules = 0;
    return result;
}

} // namespace pelorin::report
