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
        {"a line feed elsewhere is kept", {"A\rB\nC\r"}, 13, {"A", "B\nC"}, ""},
        {"only CR ends are followed by a skipped LF", {"A;\nB;"}, ';', {"A", "\nB"}, ""},
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
