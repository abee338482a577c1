#pragma once
#include "code/codelayout.h"

#include <QDate>
#include <QDateTime>
#include <QString>

// Day-of-year arithmetic: the last five characters of the traceability code are the production
// day (001 to 366) and the year's last two digits; the date calculator converts both ways.
namespace pelorin {

// 1 January is 1; 31 December is 365, or 366 in a leap year. The time of day never counts.
int dayOfYear(const QDate& date);
int dayOfYear(const QDateTime& dateTime);

// What `FixeDate` shows and composes for a production date.
struct DateField
{
    QString day;                                 // LabJour: the day of the year written with "%.3d"
    QString year;                                // LabAnnee: the year's last two digits ("06" for 2006)
    QString field() const { return day + year; } // the code's date field ("33906")
};
DateField FixeDate(const QDate& date);
DateField FixeDate(const QDateTime& dateTime);

// The day of the year as `Quant` shows it ("%.3d").
QString quantieme(const QDate& date);

// The date of `day` in `year` (year 1 to 9999, day 1 to the days of that year); otherwise
// Error("Date impossible : jour <day> de l'année <year>").
QDate dateFromDayOfYear(int year, int day);

// "Calculer une date ": converts the day text, then the year text (so that when both are wrong the
// message names the day's text), then forms the date. Throws Error with the conversion's or the
// pair's message; the caller keeps its date then.
QDate calculateDate(const QString& dayText, const QString& yearText);

} // namespace pelorin
