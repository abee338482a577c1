#include "editor/textlines.h"

#include "base/error.h"
#include "code/qstringprint.h"
#include "support/testsupport.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

using test::errorOf;

TEST(TextLines, ReadsEveryKindOfLineEndInWindows1252)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ETQ"));
    const struct
    {
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"", {}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\rc\r\n", {"a", "b", "c"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"\r\n", {""}},
        {"Mod\xe9le \x80 \x9c", {QStringLiteral("Modéle € œ")}},
    };
    for (const auto& c : cases) {
        writeBytes(path, c.bytes);
        EXPECT_EQ(readTextLines(path), c.lines) << c.bytes.toStdString();
    }
}

TEST(TextLines, WritesWindows1252WithCrLfAndReadsBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("b.ETQ"));
    const QStringList lines = {QStringLiteral("<Reference>Modéle €</Reference>"), QString(), QStringLiteral("œ")};
    writeTextLines(path, lines);
    EXPECT_EQ(readBytes(path), QByteArray("<Reference>Mod\xe9le \x80</Reference>\r\n\r\n\x9c\r\n"));
    EXPECT_EQ(readTextLines(path), lines);
    writeTextLines(path, {});
    EXPECT_EQ(readBytes(path), QByteArray());
}

TEST(TextLines, RefusesWhatWindows1252CannotHoldAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("c.ETQ"));
    writeBytes(path, "old\r\n");
    const QString message = errorOf([&] { writeTextLines(path, {QStringLiteral("ok"), QStringLiteral("Ω ohm")}); });
    EXPECT_EQ(message, QStringLiteral("Le caractère « Ω » de la ligne 2 ne peut pas être enregistré en Windows-1252 : "
                                      "le fichier n'a pas été enregistré."));
    EXPECT_EQ(readBytes(path), QByteArray("old\r\n"));
}

TEST(TextLines, FilesThatCannotBeReadOrWrittenGiveTheSystemsMessage)
{
    QTemporaryDir dir;
    EXPECT_TRUE(errorOf([&] {
                    readTextLines(dir.filePath(QStringLiteral("none.ETQ")));
                }).startsWith(QStringLiteral("Cannot open file \"")));
    EXPECT_TRUE(errorOf([&] { readTextLines(dir.path()); }).startsWith(QStringLiteral("Cannot open file \"")));
    EXPECT_TRUE(errorOf([&] {
                    writeTextLines(dir.filePath(QStringLiteral("no/such/folder.ETQ")), {"x"});
                }).startsWith(QStringLiteral("Cannot create file \"")));
    // a folder of that name is refused, and stays a folder
    EXPECT_TRUE(
        errorOf([&] { writeTextLines(dir.path(), {"x"}); }).startsWith(QStringLiteral("Cannot create file \"")));
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

TEST(TextLines, AReadOnlyFileIsRefusedAndKept)
{
    QTemporaryDir dir;
    const QString locked = dir.filePath(QStringLiteral("locked.ETQ"));
    writeBytes(locked, "keep\r\n");
    QFile::setPermissions(locked, QFileDevice::ReadOwner);
    if (QFile(locked).open(QIODevice::WriteOnly | QIODevice::Append))
        GTEST_SKIP() << "running with permission to write read-only files";
    EXPECT_TRUE(errorOf([&] { writeTextLines(locked, {"x"}); }).startsWith(QStringLiteral("Cannot create file \"")));
    EXPECT_EQ(readBytes(locked), QByteArray("keep\r\n"));
}

TEST(TextLines, AnEditorsTextSplitsIntoItsLines)
{
    EXPECT_EQ(textLines(QString()), QStringList());
    EXPECT_EQ(textLines(QStringLiteral("a")), QStringList({"a"}));
    EXPECT_EQ(textLines(QStringLiteral("a\n\nb\n")), QStringList({"a", "", "b", ""}));
}

} // namespace
} // namespace pelorin
