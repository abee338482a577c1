#pragma once
#include <QDate>
#include <QString>

// A date typed in digits, day first, as an operator types it on a French keyboard: "14/07/2025",
// "14.07.2025", "14-07-2025", "14 07 2025" or the eight digits "14072025". Day and month take one or
// two digits when separated, the year always four, so that the text is complete the moment its
// year is. Nothing is guessed: a missing part is never taken from another date, and a day that
// its month does not have is never moved to another one.
namespace pelorin {

struct TypedDate
{
    enum class State {
        Empty,      // nothing typed
        Partial,    // the beginning of a date: more is to come
        Complete,   // a whole date that exists; `date` holds it
        Impossible, // a whole date (or a day and month) that no calendar has: 31/02, 29/02/2025, 14/13
        Malformed,  // no beginning of a date in digits: a letter, a part too long, two separators
    };
    State state = State::Empty;
    QDate date;
    // For every state but Complete and Empty: what to tell the operator, naming the text as typed.
    QString message;

    // The day alone, when the text holds nothing more than it (one or two digits, perhaps followed
    // by a separator): the day section of a picker takes it. 0 otherwise.
    int dayOnly = 0;
};

// Reads `text` as typed so far. Blanks at either end are ignored.
TypedDate readTypedDate(const QString& text);

// Whether `c` may separate the day, the month and the year.
bool isDateSeparator(QChar c);

} // namespace pelorin
