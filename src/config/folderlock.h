#pragma once
#include <QString>
#include <memory>

class QLockFile;

// Two copies of the program on one data folder would each write the whole configuration at close, the
// last to close dropping what was added in the other. The first copy holds a lock file in the data
// folder for its whole run; a later copy finds the folder in use and writes no configuration.
namespace pelorin {

class DataFolderLock
{
public:
    // Takes the lock of the data folder in force (DataFolder::root()). A lock left by a copy that is
    // no longer running is taken over, however old it is.
    DataFolderLock();
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

    // Whether another running copy of the program holds the folder.
    bool inUse() const { return m_inUse; }

    // What the second copy says at start, and why it refuses to save.
    static QString inUseMessage(const QString& folder);
    static QString refusalMessage(const QString& folder);

    // Removes the hidden temporary files a save killed halfway left beside cfg.xml
    // (".cfg.xml.<random>.tmp"); only the copy holding the folder may, since another copy's save
    // could be under way. Returns how many were removed.
    int removeLeftovers() const;

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_inUse = false;
};

} // namespace pelorin
