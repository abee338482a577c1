#include "base/files.h"

#include <string_view>

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelorin {

namespace {

// What a node that is not a regular file is, for the messages.
QString nodeKind(mode_t mode)
{
    if (S_ISFIFO(mode))
        return QStringLiteral("c'est un tube nommé, pas un fichier");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("c'est un périphérique, pas un fichier");
    if (S_ISDIR(mode))
        return QStringLiteral("c'est un dossier, pas un fichier");
    return QStringLiteral("ce n'est pas un fichier ordinaire");
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

Error notRegular(const QString& path, const QString& kind, mode_t mode)
{
    return Error(QStringLiteral("Impossible de lire %1 « %2 » : %3.").arg(kind, shown(path), nodeKind(mode)));
}

Error tooLarge(const QString& path, qint64 maxBytes, const QString& kind, const QString& message)
{
    if (!message.isEmpty())
        return Error(message);
    return Error(QStringLiteral("Impossible de lire %1 « %2 » : le fichier dépasse %3 Mo, taille qu'aucun fichier de "
                                "ce genre n'atteint.")
                     .arg(kind, shown(path))
                     .arg(maxBytes / (1024 * 1024)));
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

FileOpenError::FileOpenError(const QString& path, const QString& reason)
    : Error(QStringLiteral("Cannot open file \"%1\". %2").arg(shown(path), reason)), m_reason(reason)
{
}

QString systemErrorMessage(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QByteArray readRegularFile(const QString& path, qint64 maxBytes, const QString& kind, const QString& tooLargeMessage)
{
    const QByteArray native = QFile::encodeName(path);
    // looked at before opening: opening a pipe could wait for a writer, and opening a serial line
    // changes its modem lines
    struct stat st = {};
    if (::stat(native.constData(), &st) != 0)
        throw FileOpenError(path, systemErrorMessage(errno));
    if (S_ISDIR(st.st_mode))
        throw FileOpenError(path, systemErrorMessage(EISDIR));
    if (!S_ISREG(st.st_mode))
        throw notRegular(path, kind, st.st_mode);
    if (st.st_size > maxBytes)
        throw tooLarge(path, maxBytes, kind, tooLargeMessage);

    // the name may have been replaced since: non-blocking, and the node opened is looked at again
    const Descriptor fd(::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0)
        throw FileOpenError(path, systemErrorMessage(errno));
    if (::fstat(fd.get(), &st) != 0)
        throw FileOpenError(path, systemErrorMessage(errno));
    if (S_ISDIR(st.st_mode))
        throw FileOpenError(path, systemErrorMessage(EISDIR));
    if (!S_ISREG(st.st_mode))
        throw notRegular(path, kind, st.st_mode);

    // a file that grows while it is read is cut at the limit, never read on without end
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(std::min<qint64>(st.st_size, maxBytes) + 1));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw FileOpenError(path, systemErrorMessage(errno));
        if (n == 0)
            break;
        if (bytes.size() + n > maxBytes)
            throw tooLarge(path, maxBytes, kind, tooLargeMessage);
        bytes.append(buffer, n);
    }
    return bytes;
}

void checkWriteTarget(const QString& path)
{
    struct stat st = {};
    // stat follows links: a link to a device is refused as the device is
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return;
    if (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode))
        return; // a folder is refused by the writer itself, with the system's message
    throw Error(QStringLiteral("Impossible d'enregistrer « %1 » : %2.").arg(shown(path), nodeKind(st.st_mode)));
}

// The first byte of an invalid UTF-8 sequence, or npos.
size_t firstInvalidUtf8(std::string_view s)
{
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int len = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return i;
        }
        if (i + len > s.size())
            return i;
        for (int k = 1; k < len; ++k) {
            const unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return i;
            cp = (cp << 6) | (cc & 0x3F);
        }
        static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return i;
        i += len;
    }
    return std::string_view::npos;
}

bool isValidUtf8(const QByteArray& bytes)
{
    return firstInvalidUtf8(std::string_view(bytes.constData(), size_t(bytes.size()))) == std::string_view::npos;
}

} // namespace pelorin
