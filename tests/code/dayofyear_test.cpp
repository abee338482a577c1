#include "base/error.h"
#include "code/dayofyear.h"
#include "qstringprint.h"

#include <gtest/gtest.h>

using namespace pelorin;

namespace {

struct FixeDateCase
{
    QDate date;
    const char* day;
    const char* year;
    const char* field;
};

// leap years by the Gregorian rule: 2008 and 2000 are, 2007 and 1900 are not
const FixeDateCase kFixeDateCases[] = {
    {QDate(2006, 1, 1), "001", "06", "00106"},   {QDate(2006, 12, 5), "339", "06", "33906"},
    {QDate(2008, 12, 31), "366", "08", "36608"}, {QDate(2007, 12, 31), "365", "07", "36507"},
    {QDate(2008, 2, 29), "060", "08", "06008"},  {QDate(2008, 3, 1), "061", "08", "06108"},
    {QDate(2007, 3, 1), "060", "07", "06007"},   {QDate(2000, 12, 31), "366", "00", "36600"},
    {QDate(1900, 12, 31), "365", "00", "36500"}, {QDate(2010, 1, 10), "010", "10", "01010"},
    {QDate(5, 7, 1), "182", "05", "18205"},
};

TEST(FixeDate, DayAndYearFields)
{
    for (const FixeDateCase& c : kFixeDateCases) {
        SCOPED_TRACE(c.date.toString(Qt::ISODate).toStdString());
        const DateField f = FixeDate(c.date);
        EXPECT_EQ(f.day, QLatin1String(c.day));
        EXPECT_EQ(f.year, QLatin1String(c.year));
        EXPECT_EQ(f.field(), QLatin1String(c.field));
        EXPECT_EQ(quantieme(c.date), QLatin1String(c.day));
    }
}

TEST(FixeDate, TimeOfDayNeverCounts)
{
    for (const QDate d : {QDate(2006, 1, 1), QDate(2008, 2, 29), QDate(2008, 12, 31), QDate(2007, 12, 31)}) {
        const QDateTime morning(d, QTime(0, 0, 1));
        const QDateTime evening(d, QTime(23, 59, 59, 999));
        EXPECT_EQ(dayOfYear(morning), dayOfYear(evening)) << d.toString(Qt::ISODate).toStdString();
        EXPECT_EQ(FixeDate(evening).field(), FixeDate(morning).field());
        EXPECT_EQ(FixeDate(evening).field(), FixeDate(d).field());
    }
}

struct CalculCase
{
    const char* dayText;
    const char* yearText;
    QDate expected;      // valid when the conversion succeeds
    const char* message; // otherwise
};

const CalculCase kCalculCases[] = {
    {"1", "2006", QDate(2006, 1, 1), nullptr},
    {"60", "2008", QDate(2008, 2, 29), nullptr},
    {"60", "2007", QDate(2007, 3, 1), nullptr},
    {"366", "2008", QDate(2008, 12, 31), nullptr},
    {"339", "2006", QDate(2006, 12, 5), nullptr},
    {"365", "9999", QDate(9999, 12, 31), nullptr},
    {" 12", "1", QDate(1, 1, 12), nullptr},
    {"366", "2007", QDate(), "Date impossible : jour 366 de l'année 2007"},
    {"0", "2006", QDate(), "Date impossible : jour 0 de l'année 2006"},
    {"-3", "2006", QDate(), "Date impossible : jour -3 de l'année 2006"},
    {"1", "0", QDate(), "Date impossible : jour 1 de l'année 0"},
    {"1", "10000", QDate(), "Date impossible : jour 1 de l'année 10000"},
    {"367", "2008", QDate(), "Date impossible : jour 367 de l'année 2008"},
    {"", "2006", QDate(), "'' is not a valid integer value"},
    {"12", "20O6", QDate(), "'20O6' is not a valid integer value"},
    // both wrong: the day is converted first, so its text is the one named
    {"1a", "zz", QDate(), "'1a' is not a valid integer value"},
    {"2.5", "2006", QDate(), "'2.5' is not a valid integer value"},
};

TEST(CalculerUneDate, ConvertsDayThenYear)
{
    for (const CalculCase& c : kCalculCases) {
        SCOPED_TRACE(std::string(c.dayText) + " / " + c.yearText);
        if (c.message) {
            try {
                calculateDate(QString::fromLatin1(c.dayText), QString::fromLatin1(c.yearText));
                ADD_FAILURE() << "accepted";
            } catch (const Error& e) {
                EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
            }
        } else {
            const QDate d = calculateDate(QString::fromLatin1(c.dayText), QString::fromLatin1(c.yearText));
            EXPECT_EQ(d, c.expected);
            // and back: the calculator's two directions agree
            EXPECT_EQ(dayOfYear(d), QString::fromLatin1(c.dayText).trimmed().toInt());
        }
    }
}

TEST(CalculerUneDate, EveryDayOfALeapAndACommonYearRoundTrips)
{
    for (const int year : {2007, 2008, 1900, 2000}) {
        const int days = QDate(year, 1, 1).daysInYear();
        QDate expected(year, 1, 1);
        for (int day = 1; day <= days; ++day, expected = expected.addDays(1)) {
            ASSERT_EQ(dateFromDayOfYear(year, day), expected) << year << " " << day;
            ASSERT_EQ(dayOfYear(expected), day);
        }
        EXPECT_THROW(dateFromDayOfYear(year, days + 1), Error);
    }
}

} // namespace
