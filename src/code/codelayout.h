#pragma once
#include <QString>
#include <array>

// The layout of the traceability code, once: seven fields side by side, each at a fixed first
// character and of a fixed width. Composing, decoding, the scan window's automatic insertion and every
// length check take their numbers from this table, so that a change of layout is a change here.
namespace pelorin {

enum class CodeField { System, Mass, Packaging, Colour, Perfume, Factory, Date };

struct CodeFieldLayout
{
    CodeField field;
    int first; // position of the field's first character, counted from 1
    int width;
};

// In code order.
inline constexpr std::array<CodeFieldLayout, 7> kCodeLayout = {{
    {CodeField::System, 1, 1},
    {CodeField::Mass, 2, 3},
    {CodeField::Packaging, 5, 2},
    {CodeField::Colour, 7, 3},
    {CodeField::Perfume, 10, 3},
    {CodeField::Factory, 13, 5},
    {CodeField::Date, 18, 5},
}};

inline constexpr int kCodeFieldCount = int(kCodeLayout.size());

constexpr const CodeFieldLayout& codeFieldLayout(CodeField field)
{
    return kCodeLayout[size_t(field)];
}
constexpr int fieldFirst(CodeField field)
{
    return codeFieldLayout(field).first;
}
constexpr int fieldWidth(CodeField field)
{
    return codeFieldLayout(field).width;
}

// A whole code: the last field's last character.
inline constexpr int kCodeLength = kCodeLayout.back().first + kCodeLayout.back().width - 1;

// Inside the date field: the day of the year ("%.3d"), then the year's last two digits.
inline constexpr int kDayOfYearWidth = 3;
inline constexpr int kYearWidth = 2;

// Inside a soap case's packaging field: the layer count, then the row count, one digit each.
inline constexpr int kLayersWidth = 1;
inline constexpr int kRowsWidth = 1;

namespace detail {
constexpr bool fieldsFollowOneAnother()
{
    int next = 1;
    for (size_t i = 0; i < kCodeLayout.size(); ++i) {
        if (kCodeLayout[i].field != CodeField(i) || kCodeLayout[i].first != next || kCodeLayout[i].width < 1)
            return false;
        next += kCodeLayout[i].width;
    }
    return true;
}
} // namespace detail
static_assert(detail::fieldsFollowOneAnother(), "the fields follow one another in order, without gaps");
static_assert(kDayOfYearWidth + kYearWidth == fieldWidth(CodeField::Date));
static_assert(kLayersWidth + kRowsWidth == fieldWidth(CodeField::Packaging));

// The field cut out of a code: from its first character, as wide as the field, cut short where the
// code ends (empty when the code ends before it). Characters past the code's length are ignored.
inline QString codeField(const QString& code, CodeField field)
{
    return code.mid(fieldFirst(field) - 1, fieldWidth(field));
}

} // namespace pelorin
