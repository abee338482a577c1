#include "labels/barcode.h"

#include <cmath>
#include <memory>
#include <zint.h>

namespace pelorin::report {

static_assert(kCode128.zintId == BARCODE_CODE128);
static_assert(kQrCode.zintId == BARCODE_QRCODE);
static_assert(kDataMatrix.zintId == BARCODE_DATAMATRIX);
static_assert(kGs1_128.zintId == BARCODE_GS1_128);
static_assert(kEan13.zintId == BARCODE_EANX);

namespace {

struct SymbolDeleter
{
    void operator()(zint_symbol* s) const { ZBarcode_Delete(s); }
};

BarcodeSymbol refused(QString* refusal, const QString& why)
{
    if (refusal)
        *refusal = why;
    return BarcodeSymbol();
}

} // namespace

BarcodeSymbol encodeBarcode(Symbology symbology, const QString& text, QString* refusal)
{
    if (!ZBarcode_ValidID(symbology.zintId))
        return refused(refusal, QStringLiteral("Unknown symbology: %1").arg(symbology.zintId));
    if (text.isEmpty())
        return refused(refusal, QStringLiteral("No input data"));
    // toLatin1() would turn a character outside Latin-1 into '?', and the symbol would carry another
    // code than the one asked for: such a text is refused instead
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return refused(refusal, QStringLiteral("Character outside ISO-8859-1: %1").arg(c));
    }
    const QByteArray data = text.toLatin1();

    std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    if (!symbol)
        return refused(refusal, QStringLiteral("Out of memory"));
    symbol->symbology = symbology.zintId;
    symbol->input_mode = symbology.gs1 || symbology.zintId == BARCODE_GS1_128 ? GS1_MODE : DATA_MODE;
    symbol->show_hrt = 1;
    const int rc =
        ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(data.constData()), int(data.size()));
    if (rc >= ZINT_ERROR)
        return refused(refusal, QString::fromLatin1(symbol->errtxt));
    if (ZBarcode_Buffer_Vector(symbol.get(), 0) >= ZINT_ERROR || !symbol->vector || symbol->width <= 0)
        return refused(refusal, QString::fromLatin1(symbol->errtxt));
    // dots and hexagons would need a painter of their own; only rectangles are drawn
    if (symbol->vector->hexagons || symbol->vector->circles)
        return refused(refusal, QStringLiteral("Symbology not drawn with rectangles: %1").arg(symbology.zintId));

    // the vector output spreads the symbol's modules evenly over its width (no quiet zones asked),
    // and its modules are square
    BarcodeSymbol result;
    const int modules = symbol->width;
    const double unitsPerModule = double(symbol->vector->width) / modules;
    if (!(unitsPerModule > 0.0))
        return refused(refusal, QString::fromLatin1(symbol->errtxt));
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next) {
        // colours other than the foreground are the white of a few symbologies' own backgrounds
        if (r->colour != -1 && r->colour != 7)
            continue;
        const ModuleRect m{r->x / unitsPerModule, r->y / unitsPerModule, r->width / unitsPerModule,
                           r->height / unitsPerModule};
        if (!(m.width > 0.0 && m.height > 0.0 && m.x >= 0.0 && m.y >= 0.0 && m.x + m.width <= modules + 1e-6))
            continue;
        result.rects.push_back(m);
        result.height = std::max(result.height, m.y + m.height);
    }
    if (result.rects.empty())
        return refused(refusal, QString::fromLatin1(symbol->errtxt));
    result.symbology = symbology;
    result.modules = modules;
    result.fixedRatio = ZBarcode_Cap(symbology.zintId, ZINT_CAP_FIXED_RATIO) != 0;
    if (ZBarcode_Cap(symbology.zintId, ZINT_CAP_HRT))
        result.humanReadable = QString::fromUtf8(reinterpret_cast<const char*>(symbol->text));
    return result;
}

} // namespace pelorin::report
