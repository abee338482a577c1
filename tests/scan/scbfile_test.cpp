#include "base/error.h"
#include "scan/scbfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(ScbFile, WritesHeaderCodesAndTheEmptyLastLineEachEndedByCrLf)
{
    EXPECT_EQ(scbBytes({}), QByteArray("ScanCode\r\n\r\n"));
    EXPECT_EQ(scbBytes({QStringLiteral("A"), QStringLiteral("Bé€"), QString()}),
              QByteArray("ScanCode\r\nA\r\nB\xe9\x80\r\n\r\n\r\n"));
}

TEST(ScbFile, ReadsEveryLineAfterTheHeaderButAFinalEmptyOne)
{
    const struct
    {
        QByteArray bytes;
        QStringList codes;
    } cases[] = {
        {"ScanCode\r\nA\r\nB\r\n\r\n", {"A", "B"}},
        // a file written by hand or by another tool ends with its last code
        {"ScanCode\r\nA\r\nB\r\n", {"A", "B"}},
        {"ScanCode\r\nA\r\nB", {"A", "B"}},
        {"ScanCode\nA\nB\n", {"A", "B"}},
        {"ScanCode\r\nA", {"A"}},
        {"ScanCode\r\n\r\n", {}},
        {"ScanCode\r\n", {}},
        {"ScanCode", {}},
        {"", {}},
        // only one final empty line is the grid's empty row; an empty line before it is read
        {"\r\n\r\n\r\n", {""}},
        {"ScanCode\r\nA\r\n\r\n\r\n", {"A", ""}},
        // the first line is skipped whatever it holds
        {"P250061000031234507406\r\nA\r\n\r\n", {"A"}},
        // CR, LF and CR LF all end a line; LF CR is two line ends
        {"ScanCode\nA\rB\r\nC\n\rD\n\n", {"A", "B", "C", "", "D"}},
        {"ScanCode\r\nB\xe9\x80\r\n\r\n", {"Bé€"}},
        {"ScanCode\r\nB\xe9\x80", {"Bé€"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        EXPECT_EQ(scbCodes(c.bytes), c.codes);
    }
    // what the program writes reads back as written, an empty sheet included
    for (const QStringList& codes : {QStringList(), QStringList{"A"}, QStringList{"A", "", "B"}})
        EXPECT_EQ(scbCodes(scbBytes(codes)), codes) << codes.join(u'|').toStdString();
}

TEST(ScbFile, RoundTripsThroughAFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("codes.SCB"));
    const QStringList codes = {QStringLiteral("P250061000031234507406"), QStringLiteral("S500235150031234532107"),
                               QStringLiteral("Œuvre à part")};
    writeScbFile(path, codes);
    EXPECT_EQ(readAll(path), scbBytes(codes));
    EXPECT_EQ(readScbFile(path), codes);
}

TEST(ScbFile, FailuresLeaveTheOldFileAndSayWhy)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("codes.SCB"));
    writeScbFile(path, {QStringLiteral("A")});

    // a character Windows-1252 cannot hold is refused, not written as "?"
    EXPECT_THROW(writeScbFile(path, {QStringLiteral("B"), QStringLiteral("Ā")}), Error);
    EXPECT_EQ(readAll(path), QByteArray("ScanCode\r\nA\r\n\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("codes.SCB")});

    try {
        writeScbFile(dir.filePath(QStringLiteral("absent/codes.SCB")), {});
        ADD_FAILURE() << "no error for a missing folder";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot create file \""))) << e.what();
    }
    try {
        readScbFile(dir.filePath(QStringLiteral("absent.SCB")));
        ADD_FAILURE() << "no error for a missing file";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot open file \""))) << e.what();
    }
    EXPECT_THROW(readScbFile(dir.path()), Error);
}

} // namespace
