#include <gtest/gtest.h>

#include <QBuffer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QImageReader>

#include "labels/fonts.h"
#include "labels/imageformat.h"
#include "support/testsupport.h"

namespace pelorin {
namespace {

// Every picture a description may name is read by its own format's reader, found from its first bytes
// whatever the file's name; bytes of no known format are left to the reader's own probing.
TEST(ImageFormat, IsToldByTheFileItselfAndReadsTheImage)
{
    const char* written[] = {"BMP", "PNG", "JPEG", "GIF", "ICO"};
    QImage picture(12, 7, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    for (const char* format : written) {
        SCOPED_TRACE(format);
        QByteArray bytes;
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        if (!picture.save(&out, format))
            continue; // no writer for it here (GIF): its reader is tested from a file below
        const QByteArray named = imageFormat(bytes);
        EXPECT_EQ(named, QByteArray(format).toLower());
        QBuffer in(&bytes);
        QImageReader reader(&in, named);
        EXPECT_EQ(reader.read().size(), picture.size());
    }
    // the logos shipped with the program are Windows bitmaps
    QFile logo(QStringLiteral(PELORIN_TEST_DATA "/logos/Anzin.bmp"));
    ASSERT_TRUE(logo.open(QIODevice::ReadOnly));
    EXPECT_EQ(imageFormat(logo.read(16)), QByteArray("bmp"));
    EXPECT_EQ(imageFormat(QByteArrayLiteral("GIF89a\x01\x00")), QByteArray("gif"));
    for (const QByteArray& unknown : {QByteArray(), QByteArray("B"), QByteArray("<svg"), QByteArray("P6\n1 1\n255\n")})
        EXPECT_TRUE(imageFormat(unknown).isEmpty()) << unknown.constData();
}

// "Arial", which the descriptions ask for, is drawn in its installed metric equivalent, and any
// family that is installed is kept as named.
TEST(DescriptionFont, ArialIsItsInstalledMetricEquivalent)
{
    if (QFontDatabase::hasFamily(QStringLiteral("Arial")))
        GTEST_SKIP() << "Arial itself is installed";
    if (!QFontDatabase::hasFamily(QStringLiteral("Liberation Sans")))
        GTEST_SKIP() << "fonts-liberation2 is not installed";
    EXPECT_EQ(installedFamily(QStringLiteral("Arial")), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(installedFamily(QStringLiteral("arial")), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(installedFamily(QStringLiteral("Liberation Serif")), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(installedFamily(QStringLiteral("Famille Inconnue")), QStringLiteral("Famille Inconnue"));

    const QFont font = descriptionFont(QStringLiteral("Arial"), 9, true);
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.0);
    EXPECT_TRUE(QFontInfo(font).bold());
    EXPECT_FALSE(QFontInfo(descriptionFont()).bold());
}

} // namespace
} // namespace pelorin
