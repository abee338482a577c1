#pragma once
#include <QString>
#include <vector>

namespace pelorin::report {

// A barcode symbology, by zint's number for it. Any symbology zint draws with rectangles, linear,
// stacked or 2-D, is one of these values: the page model and the painter know none of them by name.
struct Symbology
{
    int zintId = 20; // Code 128, what a label's barcode has always been
    // The text is GS1 data, Application Identifiers in brackets ("[01]03453120000011[10]LOT"), for
    // a symbology that takes GS1 data as an option (GS1 Data Matrix); GS1-128 always takes it.
    bool gs1 = false;

    bool operator==(const Symbology&) const = default;
};

inline constexpr Symbology kCode128{20};
inline constexpr Symbology kQrCode{58};
inline constexpr Symbology kDataMatrix{71};
inline constexpr Symbology kGs1_128{16};
inline constexpr Symbology kEan13{13}; // 12 digits and the check digit it computes, or 13 with theirs
inline constexpr Symbology kGs1DataMatrix{71, true};

// One dark rectangle of a symbol, in modules from the symbol's top-left corner.
struct ModuleRect
{
    double x = 0.0, y = 0.0, width = 0.0, height = 0.0;

    bool operator==(const ModuleRect&) const = default;
};

// A symbol as the page model carries it: encoded once, when the page is executed, so that painting
// never encodes again.
struct BarcodeSymbol
{
    Symbology symbology;
    int modules = 0;     // whole width, in modules (no quiet zones)
    double height = 0.0; // the bottom of the lowest rectangle, in modules
    // A symbol of fixed proportions (QR Code, Data Matrix) keeps square modules and is scaled whole
    // into its box; any other one has its bars stretched to the box's height.
    bool fixedRatio = false;
    std::vector<ModuleRect> rects;
    QString humanReadable; // the text printed under the bars, empty for symbologies without one

    // A text that cannot be encoded (or an empty one) gives an empty symbol, which draws nothing.
    bool isEmpty() const { return modules <= 0 || height <= 0.0 || rects.empty(); }
    bool operator==(const BarcodeSymbol&) const = default;
};

// Encodes `text` in `symbology` (Code 128: automatic code sets and the check character). The text
// is passed as ISO-8859-1 data; characters outside Latin-1 cannot be encoded. Never throws: an empty
// text, one the encoder refuses, a symbology zint does not know or one it does not draw with
// rectangles gives an empty symbol, and `refusal` (when given) receives the reason.
BarcodeSymbol encodeBarcode(Symbology symbology, const QString& text, QString* refusal = nullptr);

} // namespace pelorin::report
