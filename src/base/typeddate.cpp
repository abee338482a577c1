#include "base/typeddate.h"

#include <QStringList>

namespace pelorin {

namespace {

constexpr int kDayDigits = 2;
constexpr int kMonthDigits = 2;
constexpr int kYearDigits = 4;
constexpr int kAllDigits = kDayDigits + kMonthDigits + kYearDigits;

const QString kExample = QStringLiteral("14/07/2025");

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The most days a month has in any year: February may have 29.
int mostDaysIn(int month)
{
    return QDate(2000, month, 1).daysInMonth();
}

TypedDate withMessage(TypedDate::State state, const QString& text)
{
    TypedDate r;
    r.state = state;
    switch (state) {
    case TypedDate::State::Impossible:
        r.message = QStringLiteral("La date « %1 » n'existe pas.").arg(text);
        break;
    case TypedDate::State::Malformed:
        r.message = QStringLiteral("La date « %1 » ne se lit pas : tapez le jour, le mois et l'année en chiffres, "
                                   "par exemple %2.")
                        .arg(text, kExample);
        break;
    case TypedDate::State::Partial:
        r.message = QStringLiteral("La date « %1 » est incomplète : tapez le jour, le mois et l'année en chiffres, "
                                   "par exemple %2.")
                        .arg(text, kExample);
        break;
    case TypedDate::State::Empty:
    case TypedDate::State::Complete:
        break;
    }
    return r;
}

// Day, month and year as far as they are typed (an empty text for a part not reached yet), each
// complete or not, checked as soon as what is typed allows.
TypedDate judge(const QString& text, const QString& day, bool dayDone, const QString& month, bool monthDone,
                const QString& year)
{
    if (dayDone) {
        const int d = day.toInt();
        if (d < 1 || d > 31)
            return withMessage(TypedDate::State::Impossible, text);
    }
    if (monthDone) {
        const int m = month.toInt();
        if (m < 1 || m > 12 || day.toInt() > mostDaysIn(m))
            return withMessage(TypedDate::State::Impossible, text);
    }
    if (year.size() == kYearDigits) {
        const QDate date(year.toInt(), month.toInt(), day.toInt());
        if (!date.isValid())
            return withMessage(TypedDate::State::Impossible, text);
        TypedDate r;
        r.state = TypedDate::State::Complete;
        r.date = date;
        return r;
    }
    TypedDate r = withMessage(TypedDate::State::Partial, text);
    if (month.isEmpty() && year.isEmpty() && !day.isEmpty())
        r.dayOnly = day.toInt();
    return r;
}

} // namespace

bool isDateSeparator(QChar c)
{
    return c == u'/' || c == u'.' || c == u'-' || c == u' ';
}

TypedDate readTypedDate(const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return TypedDate();

    // the digit groups between separators; a separator is never doubled nor first
    QStringList groups{QString()};
    for (const QChar c : text) {
        if (isAsciiDigit(c)) {
            groups.last() += c;
        } else if (isDateSeparator(c) && !groups.last().isEmpty()) {
            groups.append(QString());
        } else {
            return withMessage(TypedDate::State::Malformed, text);
        }
    }
    // the separator typed last, if any, closes the part before it
    const bool closed = groups.last().isEmpty();
    if (closed)
        groups.removeLast();

    if (groups.size() == 1 && !closed) {
        // digits alone: two for the day, two for the month, four for the year
        const QString& digits = groups.first();
        if (digits.size() > kAllDigits)
            return withMessage(TypedDate::State::Malformed, text);
        return judge(text, digits.left(kDayDigits), digits.size() >= kDayDigits, digits.mid(kDayDigits, kMonthDigits),
                     digits.size() >= kDayDigits + kMonthDigits, digits.mid(kDayDigits + kMonthDigits));
    }

    const QString day = groups.value(0), month = groups.value(1), year = groups.value(2);
    if (groups.size() > 3 || (groups.size() == 3 && closed) || day.size() > kDayDigits || month.size() > kMonthDigits ||
        year.size() > kYearDigits)
        return withMessage(TypedDate::State::Malformed, text);
    const bool monthDone = groups.size() > 2 || (groups.size() == 2 && (closed || month.size() == kMonthDigits));
    return judge(text, day, true, month, monthDone, year);
}

} // namespace pelorin
