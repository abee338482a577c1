#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

namespace pelorin::report {

// One bar of a linear symbol, in modules from the symbol's left edge.
struct Bar
{
    quint16 start = 0;
    quint16 width = 0;
};

// A Code 128 symbol as the page stream carries it: encoded once, when the page is executed, so that
// painting never encodes again.
struct BarcodeSymbol
{
    int modules = 0; // whole width, in modules (no quiet zones)
    std::vector<Bar> bars;
    QString humanReadable; // the text printed under the bars

    // A text that cannot be encoded (or an empty one) gives an empty symbol, which draws nothing.
    bool isEmpty() const { return modules <= 0 || bars.empty(); }
};

// Encodes `text` as Code 128 with automatic code sets and the check character. The text is passed
// as ISO-8859-1 data; characters outside Latin-1 cannot be encoded. Never throws: an empty text or
// one the encoder refuses gives an empty symbol, and `refusal` (when given) receives the encoder's
// message.
BarcodeSymbol encodeCode128(const QString& text, QString* refusal = nullptr);

} // namespace pelorin::report
