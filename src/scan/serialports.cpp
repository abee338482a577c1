#include "scan/serialports.h"

#include "scan/serialerror.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace pelorin {

namespace {

QString s_systemRoot;
SerialPortSource s_portSource;

QString readTrimmed(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(f.readAll()).trimmed();
}

// The ttys the kernel writes its console to.
QStringList activeConsoles()
{
    return readTrimmed(s_systemRoot + QStringLiteral("/sys/class/tty/console/active")).split(u' ', Qt::SkipEmptyParts);
}

// Reads a directory's entry names; false with errno set when it cannot be read.
bool entryNames(const QString& dir, QStringList& names)
{
    DIR* d = ::opendir(QFile::encodeName(dir).constData());
    if (!d)
        return false;
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(d);
        if (!e)
            break;
        const QString name = QFile::decodeName(e->d_name);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            names << name;
    }
    const int error = errno;
    ::closedir(d);
    errno = error;
    return error == 0;
}

QList<SerialPortInfo> systemPorts()
{
    QList<SerialPortInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortInfo port;
        port.name = info.portName();
        port.maker = info.manufacturer();
        port.product = info.description();
        const QByteArray path = QFile::encodeName(info.systemLocation());
        port.mayOpen = ::access(path.constData(), R_OK | W_OK) == 0 || errno != EACCES;
        ports << port;
    }
    return ports;
}

} // namespace

QString SerialPortInfo::label() const
{
    QString text = name;
    const QString about = QStringList{maker, product}.join(u' ').simplified();
    if (!about.isEmpty())
        text += QStringLiteral(" – ") + about;
    if (!mayOpen)
        text += QStringLiteral(" (accès réservé au groupe dialout)");
    return text;
}

QString dialoutHint()
{
    return QStringLiteral("Votre compte n'a pas le droit d'ouvrir ce port série : ajoutez-le au groupe dialout "
                          "(adduser votre_nom dialout), puis fermez votre session et rouvrez-la.");
}

QString serialDevicePath(const QString& portName)
{
    if (portName.startsWith(u'/'))
        return portName;
    // settings carried over from Windows name the ports COM1, COM2...
    if (portName.size() > 3 && portName.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        bool ok = false;
        const int n = portName.mid(3).toInt(&ok);
        if (ok && n >= 1 && portName.mid(3).front().isDigit())
            return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    return QStringLiteral("/dev/") + portName;
}

bool isKernelConsole(dev_t device)
{
    if (major(device) == 5 && minor(device) == 1) // /dev/console itself
        return true;
    for (const QString& name : activeConsoles()) {
        const QStringList numbers =
            readTrimmed(s_systemRoot + QStringLiteral("/sys/class/tty/%1/dev").arg(name)).split(u':');
        if (numbers.size() == 2 && numbers[0].toUInt() == major(device) && numbers[1].toUInt() == minor(device))
            return true;
    }
    return false;
}

QList<SerialPortInfo> listSerialPorts()
{
    QStringList entries;
    if (!entryNames(s_systemRoot + QStringLiteral("/sys/class/tty"), entries))
        throw SerialError(SerialError::PortList, errno);
    const QStringList consoles = activeConsoles();
    const QList<SerialPortInfo> found = s_portSource ? s_portSource() : systemPorts();
    QList<SerialPortInfo> ports;
    for (const SerialPortInfo& port : found)
        if (!consoles.contains(QFileInfo(port.name).fileName()))
            ports << port;
    // stable names of USB adapters, as the system links them; most systems have none
    const QString byId = s_systemRoot + QStringLiteral("/dev/serial/by-id");
    QStringList links;
    if (entryNames(byId, links))
        for (const QString& link : std::as_const(links)) {
            const QString target = QFileInfo(QFileInfo(byId + u'/' + link).symLinkTarget()).fileName();
            if (consoles.contains(target))
                continue;
            SerialPortInfo port;
            for (const SerialPortInfo& known : found)
                if (known.name == target)
                    port = known;
            port.name = QStringLiteral("/dev/serial/by-id/") + link;
            ports << port;
        }
    std::stable_sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return ports;
}

void setSerialSystemRoot(const QString& root)
{
    s_systemRoot = root;
}

void setSerialPortSource(SerialPortSource source)
{
    s_portSource = std::move(source);
}

} // namespace pelorin
