#include "base/typeddate.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace pelorin;
using State = TypedDate::State;

namespace {

const char* stateName(State s)
{
    switch (s) {
    case State::Empty:
        return "Empty";
    case State::Partial:
        return "Partial";
    case State::Complete:
        return "Complete";
    case State::Impossible:
        return "Impossible";
    case State::Malformed:
        return "Malformed";
    }
    return "?";
}

// Every way of writing a whole date reads as that date, and nothing else does.
TEST(TypedDate, WholeDatesInEveryWriting)
{
    const struct
    {
        const char* text;
        QDate date;
    } cases[] = {
        {"14/07/2025", QDate(2025, 7, 14)}, {"14.07.2025", QDate(2025, 7, 14)}, {"14 07 2025", QDate(2025, 7, 14)},
        {"14-07-2025", QDate(2025, 7, 14)}, {"14072025", QDate(2025, 7, 14)},   {"1/7/2025", QDate(2025, 7, 1)},
        {"29/02/2024", QDate(2024, 2, 29)}, {"31122008", QDate(2008, 12, 31)},  {" 05/12/2006 ", QDate(2006, 12, 5)},
        {"01/01/0001", QDate(1, 1, 1)},
    };
    for (const auto& c : cases) {
        const TypedDate r = readTypedDate(QString::fromLatin1(c.text));
        EXPECT_EQ(stateName(r.state), std::string("Complete")) << c.text;
        EXPECT_EQ(r.date, c.date) << c.text;
        EXPECT_TRUE(r.message.isEmpty()) << c.text;
    }
}

// Each beginning of a date is partial, never a date: the part not typed is never taken from elsewhere.
// A day alone is told apart, for a picker's day section.
TEST(TypedDate, BeginningsArePartial)
{
    const struct
    {
        const char* text;
        int dayOnly;
    } cases[] = {
        {"1", 1},     {"14", 14},       {"14/", 14},    {"3 ", 3},    {"0", 0},
        {"140", 0},   {"1407", 0},      {"1407202", 0}, {"14/0", 0},  {"14/07", 0},
        {"14/7/", 0}, {"14.07.202", 0}, {"14 07 2", 0}, {"29/02", 0}, {"29/02/202", 0},
    };
    for (const auto& c : cases) {
        const TypedDate r = readTypedDate(QString::fromLatin1(c.text));
        EXPECT_EQ(stateName(r.state), std::string("Partial")) << c.text;
        EXPECT_FALSE(r.date.isValid()) << c.text;
        EXPECT_EQ(r.dayOnly, c.dayOnly) << c.text;
        EXPECT_EQ(r.message, QStringLiteral("La date « %1 » est incomplète : tapez le jour, le mois et l'année en "
                                            "chiffres, par exemple 14/07/2025.")
                                 .arg(QString::fromLatin1(c.text).trimmed()));
    }
    EXPECT_EQ(stateName(readTypedDate(QStringLiteral("  ")).state), std::string("Empty"));
}

// A day its month never has is said as soon as the month is typed; one its year lacks once the year is.
TEST(TypedDate, ImpossibleDatesAreSaidAsSoonAsTheyAreKnown)
{
    for (const char* text : {"31/02", "3102", "30/2/", "31/04/2025", "32", "00", "0/", "14/13", "14/00", "29/02/2025",
                             "29022100", "31/06/2025", "14/07/0000"}) {
        const TypedDate r = readTypedDate(QString::fromLatin1(text));
        EXPECT_EQ(stateName(r.state), std::string("Impossible")) << text;
        EXPECT_FALSE(r.date.isValid()) << text;
        EXPECT_EQ(r.message, QStringLiteral("La date « %1 » n'existe pas.").arg(QString::fromLatin1(text)));
    }
}

TEST(TypedDate, WhatIsNoDateInDigitsDoesNotRead)
{
    for (const char* text : {"14a", "14//07", "/14", "14/07/2025/", "140720251", "1407/2025", "14/072/2025",
                             "14/07/20250", "14/07/2025 1", "14 juillet 2025", "+14/07/2025", "14,07,2025"}) {
        const TypedDate r = readTypedDate(QString::fromUtf8(text));
        EXPECT_EQ(stateName(r.state), std::string("Malformed")) << text;
        EXPECT_TRUE(r.message.startsWith(QStringLiteral("La date « %1 » ne se lit pas").arg(QString::fromUtf8(text))))
            << qPrintable(r.message);
    }
}

} // namespace
