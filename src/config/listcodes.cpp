#include "config/listcodes.h"

namespace pelorin {

QString codeInUse(const ConfigFile& config, RefList list, const QString& code)
{
    if (code.isEmpty() || !config.isLoaded())
        return QString();
    for (const auto& [name, existing] : config.namesAndCodes(list)) {
        if (existing.compare(code, Qt::CaseInsensitive) != 0)
            continue;
        switch (list) {
        case RefList::Systemes:
            return QStringLiteral("La lettre « %1 » est déjà celle du système « %2 ».").arg(existing, name);
        case RefList::Parfums:
            return QStringLiteral("Le code « %1 » est déjà celui du parfum « %2 ».").arg(existing, name);
        case RefList::Lieux:
            return QStringLiteral("Le code postal « %1 » est déjà celui du lieu de production « %2 ».")
                .arg(existing, name);
        }
    }
    return QString();
}

} // namespace pelorin
