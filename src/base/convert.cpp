#include "base/convert.h"

#include "base/error.h"

#include <QLocale>
#include <cmath>

namespace pelorin {

namespace {

bool parseInt(const QString& text, qint64& out)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    int i = 0;
    bool negative = false;
    if (t[0] == u'+' || t[0] == u'-') {
        negative = t[0] == u'-';
        i = 1;
    }
    if (i >= t.size())
        return false;
    qint64 v = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c.unicode() - u'0');
        if (v > 2147483648LL)
            return false;
    }
    out = negative ? -v : v;
    return out >= -2147483648LL && out <= 2147483647LL;
}

} // namespace

int strToInt(const QString& text)
{
    qint64 v = 0;
    if (!parseInt(text, v))
        throw Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return static_cast<int>(v);
}

double strToFloat(const QString& text)
{
    const QLocale locale;
    const QChar sep = locale.decimalPoint().isEmpty() ? QChar(u'.') : locale.decimalPoint().at(0);
    const QString t = text.trimmed();
    // optional sign, digits, at most one separator, at least one digit
    int i = 0, digits = 0, seps = 0;
    if (!t.isEmpty() && (t[0] == u'+' || t[0] == u'-'))
        i = 1;
    QString normal = t.left(i);
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c >= u'0' && c <= u'9') {
            ++digits;
            normal += c;
        } else if (c == sep && seps == 0) {
            ++seps;
            normal += u'.';
        } else {
            digits = 0;
            break;
        }
    }
    bool ok = digits > 0;
    double v = ok ? QLocale::c().toDouble(normal, &ok) : 0.0;
    if (!ok || !std::isfinite(v))
        throw Error(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return v;
}

bool strToBool(const QString& text)
{
    qint64 v = 0;
    if (parseInt(text, v))
        return v != 0;
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0)
        return false;
    throw Error(QStringLiteral("'%1' is not a valid boolean value").arg(text));
}

QString zeroPadded(int value, int width)
{
    QString digits = QString::number(std::abs(static_cast<qint64>(value)));
    if (digits.size() < width)
        digits.prepend(QString(width - digits.size(), u'0'));
    return value < 0 ? QStringLiteral("-") + digits : digits;
}

QString shortestDecimal(double value)
{
    QString s = QLocale::c().toString(value, 'g', 15);
    if (s.contains(u'e') || s.contains(u'E')) {
        // keep plain notation for the sizes the report writes
        s = QString::number(value, 'f', 15);
        while (s.contains(u'.') && (s.endsWith(u'0') || s.endsWith(u'.')))
            s.chop(1);
    }
    const QString sep = QLocale().decimalPoint();
    s.replace(u'.', sep.isEmpty() ? QStringLiteral(".") : sep);
    return s;
}

} // namespace pelorin
