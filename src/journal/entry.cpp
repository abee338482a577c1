#include "journal/entry.h"

#include "code/codelayout.h"
#include "journal/columns.h"

#include <QCryptographicHash>
#include <QSysInfo>
#include <QUuid>
#include <algorithm>
#include <pwd.h>
#include <unistd.h>

namespace pelorin::journal {

namespace {

// The kinds with the schema version whose journal first accepted each.
const struct
{
    EntryKind kind;
    const char* name;
    int since;
} kKinds[] = {
    {EntryKind::Print, "print", 1},
    {EntryKind::Scan, "scan", 1},
    {EntryKind::Misread, "misread", 3},
};

} // namespace

QString kindName(EntryKind kind)
{
    for (const auto& k : kKinds)
        if (k.kind == kind)
            return QLatin1String(k.name);
    return QString();
}

bool kindFromName(const QString& name, EntryKind* kind)
{
    for (const auto& k : kKinds)
        if (name == QLatin1String(k.name)) {
            *kind = k.kind;
            return true;
        }
    return false;
}

QStringList kindNames(int schemaVersion)
{
    QStringList names;
    for (const auto& k : kKinds)
        if (k.since <= schemaVersion)
            names << QLatin1String(k.name);
    return names;
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

QJsonObject Entry::toJson() const
{
    QJsonObject o;
    for (const Column& c : entryColumns()) {
        if (!c.json)
            continue;
        const QVariant value = c.get(*this);
        // a key only some kinds have (a print's medium) is left out where it is empty
        if (c.uses & Column::JsonWhenSet && value.toString().isEmpty())
            continue;
        o[QLatin1String(c.json)] = QJsonValue::fromVariant(value);
    }
    return o;
}

Entry Entry::fromJson(const QJsonObject& o)
{
    Entry e;
    for (const Column& c : entryColumns())
        if (c.json && c.set)
            c.set(e, o.value(QLatin1String(c.json)).toVariant());
    return e;
}

QString pageFingerprint(const QByteArray& description)
{
    return QString::fromLatin1(QCryptographicHash::hash(description, QCryptographicHash::Sha256).toHex());
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
