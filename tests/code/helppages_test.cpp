#include "qstringprint.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <gtest/gtest.h>

namespace {

QString helpFolder()
{
    return QStringLiteral(PELORIN_TEST_DATA) + QStringLiteral("/Help/");
}

// Both pages open from disk in a browser: UTF-8 as they declare, and every link inside them leads somewhere.
TEST(HelpPages, DeclaredEncodingAndLinksHold)
{
    for (const QString& name : {QStringLiteral("Pelorin.htm"), QStringLiteral("Nuancier.htm")}) {
        SCOPED_TRACE(name.toStdString());
        QFile f(helpFolder() + name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString html = utf8(bytes);
        EXPECT_FALSE(utf8.hasError()) << "not UTF-8";
        EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
        EXPECT_TRUE(html.contains(QStringLiteral("<html lang=\"fr\">")));

        static const QRegularExpression href(QStringLiteral("href=\"([^\"]*)\""));
        for (auto it = href.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            if (target.startsWith(u'#'))
                EXPECT_TRUE(html.contains(QStringLiteral("id=\"%1\"").arg(target.mid(1)))) << target.toStdString();
            else
                EXPECT_TRUE(QFileInfo::exists(helpFolder() + target)) << target.toStdString();
        }
    }
}

} // namespace
