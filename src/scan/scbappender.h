#pragma once
#include <QString>
#include <QStringList>
#include <sys/types.h>

namespace pelorin {

// An SCB file that grows by one code at a time and is a complete SCB file after every write.
//
// The file ends with the empty line of the grid's empty row, CR LF CR LF. New codes overwrite that
// last CR LF with "code CR LF ... CR LF" in one write, synced to disk before it returns. Whatever part
// of the write reaches the disk, the file still reads: the codes written whole are read back, and a
// code torn in the middle is read as the short read it is, never merged with another. The file is
// locked against a second collector while the appender lives.
class ScbAppender
{
public:
    // Opens the file, creating an empty sheet when it is missing or empty; a sheet written with other
    // line ends is rewritten whole first, its codes kept. Error for a file that is not a sheet of
    // codes, one that cannot be opened, or one another program is completing.
    explicit ScbAppender(const QString& path);
    ~ScbAppender();
    ScbAppender(const ScbAppender&) = delete;
    ScbAppender& operator=(const ScbAppender&) = delete;

    // Error when the write fails; the file then keeps the codes it had.
    void append(const QStringList& codes);

private:
    bool writeAt(const QByteArray& bytes, off_t at);

    QString m_path;
    int m_fd = -1;
    off_t m_size = 0;
};

} // namespace pelorin
