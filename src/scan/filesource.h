#pragma once
#include "scan/codesource.h"

// A file of codes (SCB): its code lines, all at once.
namespace pelorin {

class FileCodeSource : public CodeSource
{
    Q_OBJECT

public:
    explicit FileCodeSource(const QString& path, QObject* parent = nullptr) : CodeSource(parent), m_path(path) {}

    QString sourceName() const override { return kFileSource; }

    // Reads the file and hands over its codes (none for a file of one or two lines); Error when the
    // file cannot be read, and then nothing is handed over.
    QStringList read();

private:
    QString m_path;
};

} // namespace pelorin
