#include "journal/entry.h"

#include "code/codelayout.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QSysInfo>
#include <QUuid>
#include <algorithm>
#include <pwd.h>
#include <unistd.h>

namespace pelorin::journal {

QString kindName(EntryKind kind)
{
    return kind == EntryKind::Scan ? QStringLiteral("scan") : QStringLiteral("print");
}

bool kindFromName(const QString& name, EntryKind* kind)
{
    if (name == QLatin1String("print"))
        *kind = EntryKind::Print;
    else if (name == QLatin1String("scan"))
        *kind = EntryKind::Scan;
    else
        return false;
    return true;
}

QString Entry::systemCode() const
{
    return codeField(code, CodeField::System);
}

QString Entry::perfumeCode() const
{
    return codeField(code, CodeField::Perfume);
}

QString Entry::factoryCode() const
{
    return codeField(code, CodeField::Factory);
}

QDate Entry::productionDate() const
{
    return productionDateOfCode(code);
}

QDate productionDateOfCode(const QString& code)
{
    const QString field = codeField(code, CodeField::Date);
    if (field.size() != fieldWidth(CodeField::Date))
        return {};
    for (QChar c : field)
        if (c < u'0' || c > u'9')
            return {};
    const int yy = field.mid(kDayOfYearWidth, kYearWidth).toInt();
    const int day = field.left(kDayOfYearWidth).toInt();
    const int year = yy < 50 ? 2000 + yy : 1900 + yy;
    const QDate first(year, 1, 1);
    if (day < 1 || day > first.daysInYear())
        return {};
    return first.addDays(day - 1);
}

namespace {

const char* const kDecodedKeys[kDecodedCount] = {"system", "mass", "packaging", "colour", "perfume", "factory", "date"};

} // namespace

QJsonObject Entry::toJson() const
{
    QJsonObject o;
    o[QLatin1String("id")] = id;
    o[QLatin1String("kind")] = kindName(kind);
    o[QLatin1String("time")] = at.toUTC().toString(Qt::ISODateWithMs);
    o[QLatin1String("workstation")] = workstation;
    o[QLatin1String("user")] = user;
    o[QLatin1String("code")] = code;
    for (int i = 0; i < kDecodedCount; ++i)
        o[QLatin1String(kDecodedKeys[i])] = decoded[size_t(i)];
    o[QLatin1String("error")] = error;
    o[QLatin1String("operator")] = operatorText;
    o[QLatin1String("model")] = model;
    o[QLatin1String("labels")] = labels;
    o[QLatin1String("label_count")] = labelCount;
    o[QLatin1String("first_text")] = firstText;
    o[QLatin1String("last_text")] = lastText;
    if (kind == EntryKind::Print)
        o[QLatin1String("medium")] = medium == Medium::PdfFile ? QStringLiteral("pdf") : QStringLiteral("printer");
    o[QLatin1String("output")] = output;
    o[QLatin1String("source")] = source;
    return o;
}

Entry Entry::fromJson(const QJsonObject& o)
{
    Entry e;
    e.id = o.value(QLatin1String("id")).toString();
    kindFromName(o.value(QLatin1String("kind")).toString(), &e.kind);
    e.at = QDateTime::fromString(o.value(QLatin1String("time")).toString(), Qt::ISODateWithMs).toUTC();
    e.workstation = o.value(QLatin1String("workstation")).toString();
    e.user = o.value(QLatin1String("user")).toString();
    e.code = o.value(QLatin1String("code")).toString();
    for (int i = 0; i < kDecodedCount; ++i)
        e.decoded[size_t(i)] = o.value(QLatin1String(kDecodedKeys[i])).toString();
    e.error = o.value(QLatin1String("error")).toString();
    e.operatorText = o.value(QLatin1String("operator")).toString();
    e.model = o.value(QLatin1String("model")).toString();
    e.labels = o.value(QLatin1String("labels")).toString();
    e.labelCount = o.value(QLatin1String("label_count")).toInt();
    e.firstText = o.value(QLatin1String("first_text")).toString();
    e.lastText = o.value(QLatin1String("last_text")).toString();
    e.medium = o.value(QLatin1String("medium")).toString() == QLatin1String("pdf") ? Medium::PdfFile : Medium::Printer;
    e.output = o.value(QLatin1String("output")).toString();
    e.source = o.value(QLatin1String("source")).toString();
    return e;
}

QString newId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString stableId(const QByteArray& name)
{
    // a fixed namespace of our own for the name-based ids
    static const QUuid ns(QStringLiteral("6d1f6a52-3a4e-4f55-9b3e-5d2b8a0c7e11"));
    return QUuid::createUuidV5(ns, name).toString(QUuid::WithoutBraces);
}

Entry newEntry(EntryKind kind)
{
    Entry e;
    e.id = newId();
    e.kind = kind;
    e.at = QDateTime::currentDateTimeUtc();
    e.workstation = workstationName();
    e.user = systemUserName();
    return e;
}

QString labelRanges(const QList<int>& numbers)
{
    QList<int> sorted = numbers;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    QStringList parts;
    for (qsizetype i = 0; i < sorted.size();) {
        qsizetype j = i;
        while (j + 1 < sorted.size() && sorted[j + 1] == sorted[j] + 1)
            ++j;
        parts << (j == i ? QString::number(sorted[i]) : QStringLiteral("%1-%2").arg(sorted[i]).arg(sorted[j]));
        i = j + 1;
    }
    return parts.join(u',');
}

QString workstationName()
{
    return QSysInfo::machineHostName();
}

QString systemUserName()
{
    // the account the program runs under, not a name the environment could be told to say
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return QString::fromLocal8Bit(qgetenv("USER"));
}

} // namespace pelorin::journal
