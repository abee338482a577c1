#include "labels/imageformat.h"

namespace pelorin {

QByteArray imageFormat(const QByteArray& bytes)
{
    static const struct
    {
        QByteArray signature;
        QByteArray format;
    } kSignatures[] = {
        {QByteArrayLiteral("BM"), QByteArrayLiteral("bmp")},
        {QByteArrayLiteral("\x89PNG\r\n\x1a\n"), QByteArrayLiteral("png")},
        {QByteArrayLiteral("\xff\xd8\xff"), QByteArrayLiteral("jpeg")},
        {QByteArrayLiteral("GIF87a"), QByteArrayLiteral("gif")},
        {QByteArrayLiteral("GIF89a"), QByteArrayLiteral("gif")},
        {QByteArray("\0\0\1\0", 4), QByteArrayLiteral("ico")},
    };
    for (const auto& s : kSignatures)
        if (bytes.startsWith(s.signature))
            return s.format;
    return QByteArray();
}

} // namespace pelorin
