#include "config/listcodes.h"

namespace pelorin {

QString codeInUse(const ConfigFile& config, RefList list, const QString& code, int except)
{
    if (code.isEmpty() || !config.isLoaded())
        return QString();
    int position = -1;
    for (const auto& [name, existing] : config.namesAndCodes(list)) {
        ++position;
        if (position == except || existing.compare(code, Qt::CaseInsensitive) != 0)
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

namespace {

QString codeCaption(RefList list)
{
    switch (list) {
    case RefList::Systemes:
        return QStringLiteral("la lettre");
    case RefList::Lieux:
        return QStringLiteral("le code postal");
    case RefList::Parfums:
        break;
    }
    return QStringLiteral("le code");
}

QString ofEntry(RefList list)
{
    switch (list) {
    case RefList::Systemes:
        return QStringLiteral("du système");
    case RefList::Lieux:
        return QStringLiteral("du lieu de production");
    case RefList::Parfums:
        break;
    }
    return QStringLiteral("du parfum");
}

QString consequence(const QString& name, bool removing)
{
    return QStringLiteral("%1, les codes imprimés avant ne se liront plus comme « %2 ».\n%3")
        .arg(removing ? QStringLiteral("Une fois l'entrée supprimée") : QStringLiteral("Avec un autre code"), name,
             removing ? QStringLiteral("Supprimer quand même ?") : QStringLiteral("Changer le code quand même ?"));
}

} // namespace

QString printedEntryWarning(RefList list, const QString& name, const QString& code, bool removing)
{
    return QStringLiteral("Le journal montre des étiquettes déjà imprimées avec %1 « %2 » %3 « %4 ». %5")
        .arg(codeCaption(list), code, ofEntry(list), name, consequence(name, removing));
}

QString uncheckedEntryWarning(RefList list, const QString& name, const QString& code, bool removing, const QString& why)
{
    return QStringLiteral("Le journal n'a pas pu être consulté (%1) : des étiquettes ont peut-être déjà été imprimées "
                          "avec %2 « %3 » %4. %5")
        .arg(why, codeCaption(list), code, ofEntry(list) + QStringLiteral(" « ") + name + QStringLiteral(" »"),
             consequence(name, removing));
}

} // namespace pelorin
