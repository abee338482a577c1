#include "app/cli/cli.h"

#include "base/codepage.h"
#include "base/convert.h"
#include "base/error.h"
#include "base/paths.h"
#include "config/configfile.h"
#include "scan/comport.h"
#include "scan/decode.h"
#include "scan/scbfile.h"
#include "scan/serialreceiver.h"

#include <QEventLoop>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <unistd.h>

namespace pelorin::cli {

namespace {

QString systemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// An SCB file that grows by one code at a time and is a complete SCB file after every write.
//
// The file ends with the empty line of the grid's empty row, CR LF CR LF. A new code overwrites that
// last CR LF with "code CR LF CR LF" in one write, synced to disk before the code is printed.
// Whatever part of the write reaches the disk, the reading rules keep the file whole: the last line
// is skipped whatever it holds, so a torn write loses only the code being written.
class ScbAppender
{
public:
    explicit ScbAppender(const QString& path) : m_path(path)
    {
        QFile existing(path);
        QByteArray bytes;
        if (existing.exists()) {
            if (!existing.open(QIODevice::ReadOnly))
                throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, existing.errorString()));
            bytes = existing.readAll();
            existing.close();
        }
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
    ~ScbAppender() { ::close(m_fd); }
    ScbAppender(const ScbAppender&) = delete;
    ScbAppender& operator=(const ScbAppender&) = delete;

    void append(const QStringList& codes)
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

private:
    bool writeAt(const QByteArray& bytes, off_t at)
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

    QString m_path;
    int m_fd = -1;
    off_t m_size = 0;
};

// SIGINT and SIGTERM end the collection through the event loop, never in the middle of a code.
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

class SignalCatcher
{
public:
    explicit SignalCatcher(QEventLoop& loop)
    {
        if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            throw Error(systemMessage(errno));
        m_notifier.emplace(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(&*m_notifier, &QSocketNotifier::activated, &loop, [&loop] { loop.exit(0); });
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(SIGINT, &action, &m_oldInt);
        ::sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~SignalCatcher()
    {
        ::sigaction(SIGINT, &m_oldInt, nullptr);
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        m_notifier.reset();
        ::close(g_signalPipe[0]);
        ::close(g_signalPipe[1]);
        g_signalPipe[0] = g_signalPipe[1] = -1;
    }

private:
    std::optional<QSocketNotifier> m_notifier;
    struct sigaction m_oldInt = {};
    struct sigaction m_oldTerm = {};
};

struct ScanOptions
{
    QString dataDir, port, appendPath;
    bool hasData = false, hasAppend = false;
    TBaudRate baudRate = br9600;
    int customRate = 9600;
    TDataBits dataBits = dbEight;
    TParityBits parity = prNone;
    TStopBits stopBits = sbOneStopBit;
    int end = 13;
};

// Reads the options; an empty text when they are all right, else the message.
QString parseOptions(QStringList args, ScanOptions& o)
{
    QString error, value;
    o.hasData = takeOption(args, QStringLiteral("--data"), o.dataDir, &error);
    const bool hasPort = takeOption(args, QStringLiteral("--port"), o.port, &error);
    o.hasAppend = takeOption(args, QStringLiteral("--append"), o.appendPath, &error);
    if (takeOption(args, QStringLiteral("--baud"), value, &error)) {
        const int rate = strToInt(value);
        if (rate <= 0)
            return QStringLiteral("--baud : %1 n'est pas une vitesse").arg(value);
        o.baudRate = brCustom;
        o.customRate = rate;
        for (int i = br110; i <= br256000; ++i)
            if (baudRateValue(TBaudRate(i)) == rate)
                o.baudRate = TBaudRate(i);
    }
    if (takeOption(args, QStringLiteral("--data-bits"), value, &error)) {
        const int bits = strToInt(value);
        if (bits < 5 || bits > 8)
            return QStringLiteral("--data-bits : 5, 6, 7 ou 8");
        o.dataBits = TDataBits(bits - 5);
    }
    if (takeOption(args, QStringLiteral("--parity"), value, &error)) {
        if (!parityTexts().contains(value, Qt::CaseInsensitive))
            return QStringLiteral("--parity : none, odd, even, mark ou space");
        o.parity = StrToParity(value);
    }
    if (takeOption(args, QStringLiteral("--stop-bits"), value, &error)) {
        if (!stopBitsTexts().contains(value))
            return QStringLiteral("--stop-bits : 1 ou 2");
        o.stopBits = StrToStopBits(value);
    }
    if (takeOption(args, QStringLiteral("--end"), value, &error)) {
        o.end = strToInt(value);
        if (o.end < 0 || o.end > 255)
            return QStringLiteral("--end : un caractère de 0 à 255");
    }
    if (!error.isEmpty())
        return error;
    if (!args.isEmpty())
        return QStringLiteral("pelorin scan : argument inconnu %1").arg(args.first());
    if (!hasPort || o.port.isEmpty())
        return QStringLiteral("pelorin scan : --port manquant");
    return QString();
}

} // namespace

int scanCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    ScanOptions o;
    QString problem;
    try {
        problem = parseOptions(arguments, o);
    } catch (const Error& e) {
        problem = e.message();
    }
    if (!problem.isEmpty()) {
        err << problem << '\n' << usage();
        return 2;
    }

    if (o.hasData)
        DataFolder::setRoot(o.dataDir);
    else
        DataFolder::locate();

    ConfigFile config;
    std::unique_ptr<ScbAppender> scb;
    try {
        config.load();
        if (o.hasAppend)
            scb = std::make_unique<ScbAppender>(o.appendPath);
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }
    const CodeDecoder decoder(config);

    QEventLoop loop;
    SerialReceiver receiver;
    TComPort port;
    port.setPort(o.port);
    port.setBaudRate(o.baudRate);
    port.setCustomBaudRate(o.customRate);
    port.setDataBits(o.dataBits);
    port.Parity().setBits(o.parity);
    port.setStopBits(o.stopBits);

    port.OnRxChar = [&](QObject*, int count) {
        QStringList codes = receiver.feed(port.readBytes(count), o.end);
        codes.removeAll(QString());
        if (codes.isEmpty())
            return;
        // on disk first: a code that has been printed is never lost
        if (scb) {
            try {
                scb->append(codes);
            } catch (const Error& e) {
                err << e.message() << '\n';
                err.flush();
                loop.exit(1);
                return;
            }
        }
        for (const QString& code : std::as_const(codes)) {
            QString dateError;
            const DecodedTexts texts = decoder.decodeAll(code, &dateError);
            out << decodedLine(code, QStringList(texts.begin(), texts.end())) << '\n';
            out.flush();
            if (!dateError.isEmpty()) {
                err << dateError << '\n';
                err.flush();
            }
        }
    };
    port.OnFault = [&](QObject*, const QString& message) {
        err << o.port << " : " << message << '\n';
        err.flush();
        // the device went away: nothing more will come
        if (!port.Connected())
            loop.exit(1);
    };

    try {
        SignalCatcher catcher(loop);
        port.OpenPort();
        const int status = loop.exec();
        port.ClosePort();
        return status;
    } catch (const Error& e) {
        err << o.port << " : " << e.message() << '\n';
        return 1;
    }
}

} // namespace pelorin::cli
