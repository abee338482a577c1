#include "code/dayofyear.h"

#include "base/convert.h"
#include "base/error.h"

namespace pelorin {

int dayOfYear(const QDate& date)
{
    return date.dayOfYear();
}

int dayOfYear(const QDateTime& dateTime)
{
    // the local calendar date, so that an evening counts as the same day as the morning
    return dayOfYear(dateTime.date());
}

DateField FixeDate(const QDate& date)
{
    DateField f;
    f.day = zeroPadded(dayOfYear(date), kDayOfYearWidth);
    // "yy": the year's last two digits, whatever the century
    f.year = zeroPadded(((date.year() % 100) + 100) % 100, kYearWidth);
    return f;
}

DateField FixeDate(const QDateTime& dateTime)
{
    return FixeDate(dateTime.date());
}

QString quantieme(const QDate& date)
{
    return zeroPadded(dayOfYear(date), kDayOfYearWidth);
}

QDate dateFromDayOfYear(int year, int day)
{
    if (year < 1 || year > 9999 || day < 1 || day > QDate(year, 1, 1).daysInYear())
        throw Error(QStringLiteral("Date impossible : jour %2 de l'année %1").arg(year).arg(day));
    return QDate(year, 1, 1).addDays(day - 1);
}

QDate calculateDate(const QString& dayText, const QString& yearText)
{
    const int day = strToInt(dayText);
    const int year = strToInt(yearText);
    return dateFromDayOfYear(year, day);
}

} // namespace pelorin
