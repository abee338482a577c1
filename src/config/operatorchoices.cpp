#include "config/operatorchoices.h"

#include "base/paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace pelorin {

namespace {

// One group per data folder, named by a digest of its path (a path's slashes would nest groups).
QString folderGroup()
{
    const QString root = QDir::cleanPath(QFileInfo(DataFolder::root()).absoluteFilePath());
    return QStringLiteral("Dossier-") +
           QString::fromLatin1(QCryptographicHash::hash(root.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

} // namespace

QString OperatorChoices::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/pelorin/choix.ini");
}

OperatorChoices OperatorChoices::load()
{
    OperatorChoices c;
    QSettings ini(filePath(), QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        return c;
    ini.beginGroup(folderGroup());
    c.systemCode = ini.value(QStringLiteral("Systeme")).toString();
    c.mass = ini.value(QStringLiteral("Masse")).toString();
    c.packaging = ini.value(QStringLiteral("Conditionnement"), 0).toInt();
    c.layers = ini.value(QStringLiteral("Couches")).toString();
    c.rows = ini.value(QStringLiteral("Rangs")).toString();
    c.ralNumber = ini.value(QStringLiteral("RAL")).toString();
    c.placeCode = ini.value(QStringLiteral("Lieu")).toString();
    c.perfumeCode = ini.value(QStringLiteral("Parfum")).toString();
    c.marginFrame = ini.value(QStringLiteral("Marges"), true).toBool();
    c.outlines = ini.value(QStringLiteral("Contours"), true).toBool();
    c.keptDate = QDate::fromString(ini.value(QStringLiteral("DateGardee")).toString(), Qt::ISODate);
    return c;
}

bool OperatorChoices::save() const
{
    if (!QDir().mkpath(QFileInfo(filePath()).absolutePath()))
        return false;
    QSettings ini(filePath(), QSettings::IniFormat);
    ini.beginGroup(folderGroup());
    ini.setValue(QStringLiteral("Dossier"), DataFolder::root());
    ini.setValue(QStringLiteral("Systeme"), systemCode);
    ini.setValue(QStringLiteral("Masse"), mass);
    ini.setValue(QStringLiteral("Conditionnement"), packaging);
    ini.setValue(QStringLiteral("Couches"), layers);
    ini.setValue(QStringLiteral("Rangs"), rows);
    ini.setValue(QStringLiteral("RAL"), ralNumber);
    ini.setValue(QStringLiteral("Lieu"), placeCode);
    ini.setValue(QStringLiteral("Parfum"), perfumeCode);
    ini.setValue(QStringLiteral("Marges"), marginFrame);
    ini.setValue(QStringLiteral("Contours"), outlines);
    if (keptDate.isValid())
        ini.setValue(QStringLiteral("DateGardee"), keptDate.toString(Qt::ISODate));
    else
        ini.remove(QStringLiteral("DateGardee"));
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}

} // namespace pelorin
