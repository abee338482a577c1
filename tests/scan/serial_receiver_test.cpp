#include "scan/serialreceiver.h"

#include <gtest/gtest.h>

using namespace pelorin;

namespace {

struct Case
{
    const char* what;
    std::vector<QByteArray> chunks;
    int end;
    QStringList codes;
    QByteArray left;
};

} // namespace

TEST(SerialReceiver, CutsChunksIntoCodesAtTheEndCharacter)
{
    const Case cases[] = {
        {"a code over two chunks", {"ABC", "DEF\r"}, 13, {"ABCDEF"}, ""},
        {"what follows the end begins the next code", {"AB", "X\rY"}, 13, {"ABX"}, "Y"},
        {"two codes in one chunk",
         {"B25012515LAV5930033906\rB25012515LAV5930033907\r"},
         13,
         {"B25012515LAV5930033906", "B25012515LAV5930033907"},
         ""},
        {"three codes over chunks cut anywhere", {"A1\rB", "2\rC3", "\r"}, 13, {"A1", "B2", "C3"}, ""},
        {"end character 0", {QByteArray("AB\0CD", 5), QByteArray("\0", 1)}, 0, {"AB", "CD"}, ""},
        {"end character 200",
         {"AB\xC8"
          "CD"},
         200,
         {"AB"},
         "CD"},
        {"Windows-1252 text", {"Savon \xE9t\xE9\x80\r"}, 13, {QString::fromUtf8("Savon été€")}, ""},
        {"CR LF in one chunk", {"A\r\nB\r\n"}, 13, {"A", "B"}, ""},
        {"CR LF split over chunks", {"A\r", "\nB\r", "\n"}, 13, {"A", "B"}, ""},
        {"a late line feed is not the start of the next code", {"A\r", "\n", "B\r"}, 13, {"A", "B"}, ""},
        {"a line feed elsewhere is left out too", {"A\rB\nC\r"}, 13, {"A", "BC"}, ""},
        {"a line feed after another end character is left out", {"A;\nB;"}, ';', {"A", "B"}, ""},
        {"CR LF under the end character 10", {"A\r\nB\r", "\n"}, 10, {"A", "B"}, ""},
        {"CR LF under 10, the CR alone in a chunk", {"A\r", "\nB\r\n"}, 10, {"A", "B"}, ""},
        {"control characters inside a code",
         {"\x02"
          "B250\t1\x7f"
          "2\x03\r"},
         13,
         {"B25012"},
         ""},
        {"a printable end character", {"A#B#"}, '#', {"A", "B"}, ""},
        {"a control character waiting is not kept", {"AB\x1b"}, 13, {}, "AB"},
        {"two end characters give an empty code", {"A\r\r"}, 13, {"A", ""}, ""},
        {"no end character yet", {"ABC", "DEF"}, 13, {}, "ABCDEF"},
    };
    for (const Case& c : cases) {
        SerialReceiver r;
        QStringList codes;
        for (const QByteArray& chunk : c.chunks)
            codes += r.feed(chunk, c.end);
        EXPECT_EQ(codes, c.codes) << c.what;
        EXPECT_EQ(r.buffer(), c.left) << c.what;
    }
}

TEST(SerialReceiver, TheEndCharacterMayChangeBetweenChunks)
{
    SerialReceiver r;
    EXPECT_EQ(r.feed("A;B", ';'), QStringList{"A"});
    EXPECT_EQ(r.feed("C;D\r", 13), QStringList{"BC;D"});
    r.feed("E", 13);
    r.clear();
    EXPECT_EQ(r.feed("F\r", 13), QStringList{"F"});
}

TEST(SerialReceiver, ACodeLongerThanAnyScannerSendsIsCutOffWithAMessageAtOnce)
{
    SerialReceiver r;
    QStringList messages;
    const QByteArray line(8 * 1024 * 1024, 'A');
    // an endless line: the buffer stays bounded and the operator is told at once, once
    for (qsizetype from = 0; from < line.size(); from += 4096)
        EXPECT_TRUE(r.feed(line.mid(from, 4096), 13, &messages).isEmpty());
    EXPECT_EQ(r.buffer().size(), SerialReceiver::kMaxCodeLength);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0],
              QString::fromUtf8("Code reçu trop long (plus de 1000 caractères) : coupé à 1000 caractères."));
    // its end gives the code cut off; the next code is whole and says nothing
    const QStringList codes = r.feed("AAA\rB25012515LAV5930033906\r", 13, &messages);
    ASSERT_EQ(codes.size(), 2);
    EXPECT_EQ(codes[0], QString(SerialReceiver::kMaxCodeLength, u'A'));
    EXPECT_EQ(codes[1], "B25012515LAV5930033906");
    EXPECT_EQ(messages.size(), 1);

    // exactly the longest code passes without a message
    SerialReceiver exact;
    const ReceivedCodes longest = exact.receive(QByteArray(SerialReceiver::kMaxCodeLength, 'Z') + '\r', 13);
    EXPECT_EQ(longest.codes, QStringList{QString(SerialReceiver::kMaxCodeLength, u'Z')});
    EXPECT_TRUE(longest.messages.isEmpty());
}

TEST(SerialReceiver, TheWholeStreamCutsTheSameWhateverTheChunks)
{
    // the first byte is the end character
    const QByteArray streams[] = {
        QByteArray("\rB25012515LAV5930033906\r\nB25012515LAV5930033907\r\n\x02X\x03\r"),
        QByteArray("\nA\r\nB\r\n\nC"),
        QByteArray(1, '\0') + QByteArray(2500, 'Q') + QByteArray(1, '\0') + "R" + QByteArray(1, '\0'),
    };
    for (const QByteArray& stream : streams) {
        const ReceivedCodes whole = cutReceivedBytes(stream);
        for (int size : {1, 2, 3, 7, 64}) {
            const ReceivedCodes chunked = cutReceivedBytes(stream, size);
            EXPECT_EQ(chunked.codes, whole.codes) << size;
            EXPECT_EQ(chunked.messages, whole.messages) << size;
        }
        for (const QString& code : whole.codes) {
            EXPECT_LE(code.size(), SerialReceiver::kMaxCodeLength);
            for (QChar c : code)
                EXPECT_FALSE(c.unicode() < 32 || c.unicode() == 127);
        }
    }
    EXPECT_EQ(cutReceivedBytes(streams[0]).codes,
              QStringList({"B25012515LAV5930033906", "B25012515LAV5930033907", "X"}));
    EXPECT_EQ(cutReceivedBytes(streams[1]).codes, QStringList({"A", "B", ""}));
    EXPECT_EQ(cutReceivedBytes(streams[2]).messages.size(), 1);
    EXPECT_TRUE(cutReceivedBytes(QByteArrayView()).codes.isEmpty());
}
