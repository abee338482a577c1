#include "scan/scbappender.h"

#include "base/codepage.h"
#include "base/error.h"
#include "base/files.h"
#include "scan/scbfile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace pelorin {

namespace {

QString systemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

ScbAppender::ScbAppender(const QString& path) : m_path(path)
{
    QByteArray bytes;
    if (QFile::exists(path))
        bytes = readRegularFile(path, kMaxScbFileBytes, QStringLiteral("le fichier de codes"));
    if (bytes.isEmpty()) {
        writeScbFile(path, {});
    } else if (scbBytes(scbCodes(bytes)) != bytes) {
        // a sheet written with other line ends is rewritten whole, its codes kept; anything that
        // is not a sheet of codes is left alone
        if (!bytes.startsWith("ScanCode\r") && !bytes.startsWith("ScanCode\n"))
            throw Error(QStringLiteral("Le fichier « %1 » n'est pas un fichier de codes.").arg(path));
        writeScbFile(path, scbCodes(bytes));
    }
    m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (m_fd < 0)
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, systemMessage(errno)));
    // two collectors on one file would overwrite each other's codes
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_fd);
        throw Error(QStringLiteral("Le fichier « %1 » est déjà complété par un autre programme.").arg(path));
    }
    m_size = ::lseek(m_fd, 0, SEEK_END);
}

ScbAppender::~ScbAppender()
{
    ::close(m_fd);
}

void ScbAppender::append(const QStringList& codes)
{
    QByteArray tail;
    for (const QString& code : codes)
        tail += toCp1252(code) + "\r\n";
    if (tail.isEmpty())
        return;
    tail += "\r\n";
    const off_t at = m_size - 2;
    if (!writeAt(tail, at) || ::fdatasync(m_fd) != 0) {
        const int error = errno;
        // put the final empty line back, so the file keeps the codes it had
        [[maybe_unused]] const int t = ::ftruncate(m_fd, m_size);
        writeAt("\r\n", at);
        ::fdatasync(m_fd);
        throw Error(QStringLiteral("Cannot write file \"%1\". %2").arg(m_path, systemMessage(error)));
    }
    m_size = at + tail.size();
}

bool ScbAppender::writeAt(const QByteArray& bytes, off_t at)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(m_fd, bytes.constData() + done, size_t(bytes.size() - done), at + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace pelorin
