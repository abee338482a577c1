#include "base/codepage.h"

#include <QList>

namespace pelorin {

namespace {

// 0x80 to 0x9F; undefined positions keep their C1 control value
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QString fromCp1252(const QByteArray& bytes)
{
    QString out;
    out.resize(bytes.size());
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        d[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return out;
}

int cp1252Byte(char32_t ch)
{
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<int>(ch);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == ch)
            return 0x80 + i;
    return -1;
}

QByteArray toCp1252(const QString& text, bool* lossless)
{
    QByteArray out;
    out.reserve(text.size());
    bool all = true;
    for (char32_t ch : text.toUcs4()) {
        const int b = cp1252Byte(ch);
        if (b < 0) {
            all = false;
            out.append('?');
        } else {
            out.append(static_cast<char>(b));
        }
    }
    if (lossless)
        *lossless = all;
    return out;
}

} // namespace pelorin
