#include "code/codelayout.h"
#include "code/tracecode.h"
#include "qstringprint.h"

#include <gtest/gtest.h>

using namespace pelorin;

namespace {

// The layout every reader of a code relies on: positions counted from 1.
TEST(CodeLayout, SevenFieldsMakeTheTwentyTwoCharacters)
{
    const struct
    {
        CodeField field;
        int first;
        int width;
    } expected[] = {
        {CodeField::System, 1, 1}, {CodeField::Mass, 2, 3},     {CodeField::Packaging, 5, 2},
        {CodeField::Colour, 7, 3}, {CodeField::Perfume, 10, 3}, {CodeField::Factory, 13, 5},
        {CodeField::Date, 18, 5},
    };
    ASSERT_EQ(kCodeFieldCount, int(std::size(expected)));
    for (const auto& e : expected) {
        EXPECT_EQ(fieldFirst(e.field), e.first) << int(e.field);
        EXPECT_EQ(fieldWidth(e.field), e.width) << int(e.field);
    }
    EXPECT_EQ(kCodeLength, 22);
    EXPECT_EQ(kManualCodeLength, 18);
}

TEST(CodeLayout, ComposedFieldsAreCutBackOutAtTheirPlaces)
{
    CodeFields fields;
    fields.system = QStringLiteral("B");
    fields.mass = QStringLiteral("250");
    fields.packaging = QStringLiteral("12");
    fields.colour = QStringLiteral("515");
    fields.perfume = QStringLiteral("LAV");
    fields.factory = QStringLiteral("59300");
    fields.date = QStringLiteral("33906");
    const QString code = fields.composed();
    EXPECT_EQ(code, QStringLiteral("B25012515LAV5930033906"));
    for (const CodeFieldLayout& f : kCodeLayout)
        EXPECT_EQ(codeField(code, f.field), fields[f.field]) << int(f.field);
}

TEST(CodeLayout, AFieldIsCutShortWhereTheCodeEnds)
{
    const struct
    {
        const char* code;
        CodeField field;
        const char* cut;
    } cases[] = {
        {"B25012515LAV5930033906 et la suite", CodeField::Date, "33906"},
        {"B25012515LAV593003390", CodeField::Date, "3390"},
        {"B25012515LAV59300", CodeField::Date, ""},
        {"B25012515LAV593", CodeField::Factory, "593"},
        {"B2", CodeField::Mass, "2"},
        {"", CodeField::System, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(codeField(QString::fromLatin1(c.code), c.field), QString::fromLatin1(c.cut)) << c.code;
}

} // namespace
