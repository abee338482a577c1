#include "config/folderlock.h"

#include "base/paths.h"
#include "config/configfile.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>

namespace pelorin {

DataFolderLock::DataFolderLock()
{
    m_lock = std::make_unique<QLockFile>(DataFolder::root() + QStringLiteral("/.pelorin.lock"));
    // the program runs for hours: only a holder that is no longer running makes the lock stale
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return;
    // a folder where no lock can be written (read-only) cannot be written over by anyone either
    m_inUse = m_lock->error() == QLockFile::LockFailedError;
}

DataFolderLock::~DataFolderLock() = default;

QString DataFolderLock::inUseMessage(const QString& folder)
{
    return QStringLiteral("Le dossier de données « %1 » est déjà utilisé par un autre Pelorin ouvert.\n"
                          "Cette fenêtre s'ouvre sans enregistrer la configuration : ajoutez les listes et "
                          "fermez dans l'autre fenêtre, rien de ce qui y est saisi n'est perdu.")
        .arg(QDir::toNativeSeparators(folder));
}

QString DataFolderLock::refusalMessage(const QString& folder)
{
    return QStringLiteral("La configuration n'est pas enregistrée : le dossier de données « %1 » est utilisé par "
                          "un autre Pelorin ouvert.")
        .arg(QDir::toNativeSeparators(folder));
}

int DataFolderLock::removeLeftovers() const
{
    if (m_inUse || !m_lock->isLocked())
        return 0;
    const QFileInfo config(ConfigFile::path());
    const QRegularExpression leftover(
        QStringLiteral("^\\.%1\\.[0-9a-z]+\\.tmp$").arg(QRegularExpression::escape(config.fileName())),
        QRegularExpression::CaseInsensitiveOption);
    int removed = 0;
    const QDir folder = config.absoluteDir();
    for (const QFileInfo& f : folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        if (leftover.match(f.fileName()).hasMatch() && !f.isSymLink() && QFile::remove(f.absoluteFilePath()))
            ++removed;
    return removed;
}

} // namespace pelorin
