#include "labels/fonts.h"

#include <QFontDatabase>
#include <QHash>
#include <mutex>

namespace pelorin {

namespace {

// Families with the same advance widths as the ones Windows descriptions name: text laid out for one
// takes the same room in the other.
QStringList metricEquivalents(const QString& family)
{
    if (family.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0 ||
        family.compare(QLatin1String("Helvetica"), Qt::CaseInsensitive) == 0)
        return {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")};
    if (family.compare(QLatin1String("Times New Roman"), Qt::CaseInsensitive) == 0)
        return {QStringLiteral("Liberation Serif"), QStringLiteral("Tinos")};
    if (family.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0)
        return {QStringLiteral("Liberation Mono"), QStringLiteral("Cousine")};
    return {};
}

} // namespace

QString installedFamily(const QString& family)
{
    static std::mutex mutex;
    static QHash<QString, QString> resolved;
    std::lock_guard lock(mutex);
    if (const auto it = resolved.constFind(family); it != resolved.constEnd())
        return *it;
    QString installed = family;
    if (!QFontDatabase::hasFamily(family))
        for (const QString& equivalent : metricEquivalents(family))
            if (QFontDatabase::hasFamily(equivalent)) {
                installed = equivalent;
                break;
            }
    resolved.insert(family, installed);
    return installed;
}

QFont descriptionFont(const QString& family, double points, bool bold)
{
    QFont font(installedFamily(family));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace pelorin
