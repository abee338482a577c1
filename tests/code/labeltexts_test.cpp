#include "base/error.h"
#include "code/labeltexts.h"
#include "support/testsupport.h"
#include "qstringprint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

class IncrementalListFile : public ::testing::Test
{
protected:
    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    void write(const QString& p, const QByteArray& bytes) const
    {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const QString& p) const
    {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
};

struct LoadCase
{
    const char* name;
    QByteArray bytes;     // the file
    QString text;         // what the list shows, lines ended by CR LF
    QByteArray savedBack; // what saving that text writes
};

TEST_F(IncrementalListFile, LoadsEveryLineBreakAndSavesWithCrLf)
{
    const LoadCase cases[] = {
        {"lone LF", "0\n1\n2", "0\r\n1\r\n2", "0\r\n1\r\n2"},
        {"CR LF with a last break", "0\r\n1\r\n", "0\r\n1\r\n", "0\r\n1\r\n"},
        {"lone CR", "a\rb\r", "a\r\nb\r\n", "a\r\nb\r\n"},
        {"mixed, with empty lines", "a\r\n\nb\r\rc\n\r", "a\r\n\r\nb\r\n\r\nc\r\n\r\n", "a\r\n\r\nb\r\n\r\nc\r\n\r\n"},
        {"Windows-1252", "\xe9t\xe9\r\n\x9cuf \x80 5\r\n\xc0 bient\xf4t", QStringLiteral("été\r\nœuf € 5\r\nÀ bientôt"),
         "\xe9t\xe9\r\n\x9cuf \x80 5\r\n\xc0 bient\xf4t"},
        {"empty file", "", "", ""},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString in = path("in.txt"), out = path("out.txt");
        write(in, c.bytes);
        const QString text = loadIncrementalList(in);
        EXPECT_EQ(text, c.text);
        saveIncrementalList(out, text);
        EXPECT_EQ(read(out), c.savedBack);
    }
}

TEST_F(IncrementalListFile, SavesTheEditorsLineFeedsAsCrLfWithNothingAdded)
{
    // a list control hands its text with LF between lines
    const QString out = path("list.txt");
    saveIncrementalList(out, QStringLiteral("Lot A\nLot B\nLot œ"));
    EXPECT_EQ(read(out), QByteArray("Lot A\r\nLot B\r\nLot \x9c"));
    saveIncrementalList(out, QStringLiteral("seul"));
    EXPECT_EQ(read(out), QByteArray("seul")) << "an existing file is replaced whole";
}

TEST_F(IncrementalListFile, UnreadableFileThrowsTheSystemsMessage)
{
    try {
        loadIncrementalList(path("absent.txt"));
        ADD_FAILURE() << "a missing file loaded";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("No such file or directory"));
    }
    EXPECT_THROW(loadIncrementalList(m_dir.path()), Error) << "a folder is no list";
}

TEST_F(IncrementalListFile, OversizedFileIsRefused)
{
    const QString big = path("big.txt");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(kMaxIncrementalListBytes + 1)); // sparse: no time spent writing it
    }
    try {
        loadIncrementalList(big);
        ADD_FAILURE() << "loaded";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Text exceeds memo capacity"));
    }
}

TEST_F(IncrementalListFile, FailedSaveLeavesNothingBehindAndKeepsTheOldFile)
{
    try {
        saveIncrementalList(path("no/such/folder/list.txt"), QStringLiteral("0\n1"));
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const Error& e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(path("no")));

    EXPECT_THROW(saveIncrementalList(m_dir.path(), QStringLiteral("0")), Error) << "a folder is not a file";

    // a character Windows-1252 has no byte for would be written as '?': refused, the old file kept
    const QString kept = path("kept.txt");
    write(kept, "ancien\r\ncontenu");
    try {
        saveIncrementalList(kept, QStringLiteral("Lot \u03a9 1"));
        ADD_FAILURE() << "saved a character the file cannot hold";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("\u03a9"))) << e.message().toStdString();
    }
    EXPECT_EQ(read(kept), QByteArray("ancien\r\ncontenu"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.txt")})
        << "no temporary file left behind";
}

class DisplayedLines : public ::testing::Test
{
protected:
    QFont m_font{QStringLiteral("Liberation Sans"), 10};
    const qreal m_width = 160;

    // Words appended until the line is about `times` as wide as the text area.
    QString lineOfWords(qreal times) const
    {
        const QFontMetricsF fm(m_font);
        QString line;
        for (int i = 0; fm.horizontalAdvance(line) < times * m_width - 20; ++i)
            line += QStringLiteral("mot%1 ").arg(i % 10);
        return line.trimmed();
    }
};

TEST_F(DisplayedLines, ShortLinesAreOneEach)
{
    const QString defaults = QStringLiteral("0\n1\n2\n3\n4\n5\n6\n7\n8\n9");
    EXPECT_EQ(displayedLines(defaults, m_font, m_width), defaults.split(u'\n'));
    EXPECT_EQ(displayedLines(QStringLiteral("a\r\nb\rc\n"), m_font, m_width), (QStringList{"a", "b", "c", ""}));
    EXPECT_TRUE(displayedLines(QString(), m_font, m_width).isEmpty()) << "a cleared list has no line";
}

TEST_F(DisplayedLines, ALineTwiceAsWideAsTheListCountsAsTwo)
{
    const QString wide = lineOfWords(1.8);
    const QStringList lines =
        displayedLines(QStringLiteral("avant\r\n") + wide + QStringLiteral("\r\naprès"), m_font, m_width);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], QStringLiteral("avant"));
    EXPECT_EQ(lines[1] + lines[2], wide) << "nothing lost at the wrap";
    EXPECT_TRUE(lines[1].endsWith(u' ') && lines[2].startsWith(QStringLiteral("mot"))) << "words wrap whole";
    EXPECT_EQ(lines[3], QStringLiteral("après"));
    for (const QString& l : lines)
        EXPECT_LE(QFontMetricsF(m_font).horizontalAdvance(l.trimmed()), m_width);
}

TEST_F(DisplayedLines, AWordTooLongForALineBreaksAnywhere)
{
    const QFontMetricsF fm(m_font);
    QString word;
    while (fm.horizontalAdvance(word) < 2.5 * m_width)
        word += QStringLiteral("ABCDEFGHIJ");
    const QStringList lines = displayedLines(word, m_font, m_width);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines.join(QString()), word);
}

TEST_F(DisplayedLines, ALineIsReadWithAtMost4096Characters)
{
    const QString longLine(5000, u'x');
    const QStringList lines = displayedLines(longLine, m_font, 100000);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].size(), kMaxLineLength);
}

} // namespace
