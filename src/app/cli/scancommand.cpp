#include "app/cli/cli.h"
#include "app/cli/commandline.h"

#include "base/convert.h"
#include "base/error.h"
#include "base/paths.h"
#include "config/configfile.h"
#include "journal/journal.h"
#include "journal/recording.h"
#include "scan/seriallink.h"
#include "scan/scansession.h"
#include "scan/serialsource.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTextStream>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace pelorin::cli {

namespace {

QString systemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

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
    SerialSettings serial;
    int end = 13;
};

void addScanOptions(CommandLine& line)
{
    line.addDataOption();
    line.add({QStringLiteral("port")}, QStringLiteral("Le port série de la douchette, par exemple /dev/ttyUSB0."),
             QStringLiteral("PORT"));
    line.add({QStringLiteral("baud")}, QStringLiteral("La vitesse en bits par seconde (9600 par défaut)."),
             QStringLiteral("N"));
    line.add({QStringLiteral("data-bits")}, QStringLiteral("Le nombre de bits de données, de 5 à 8 (8 par défaut)."),
             QStringLiteral("N"));
    line.add({QStringLiteral("parity")}, QStringLiteral("La parité : none (par défaut), odd, even, mark ou space."),
             QStringLiteral("PARITÉ"));
    line.add({QStringLiteral("stop-bits")}, QStringLiteral("Le nombre de bits d'arrêt : 1 (par défaut) ou 2."),
             QStringLiteral("N"));
    line.add({QStringLiteral("end")},
             QStringLiteral("Le caractère qui termine un code, de 0 à 255 (13 par défaut, le retour chariot)."),
             QStringLiteral("N"));
    line.add({QStringLiteral("append")},
             QStringLiteral("Ajoute chaque code à cette feuille de codes scannés, enregistrée sur disque avant que "
                            "le code ne soit affiché."),
             QStringLiteral("FICHIER.SCB"));
}

// Reads the parsed options; an empty text when they are all right, else the message.
QString readOptions(const CommandLine& line, ScanOptions& o)
{
    const auto take = [&line](const char* name, QString& value) {
        if (!line.isSet(QLatin1String(name)))
            return false;
        value = line.value(QLatin1String(name));
        return true;
    };
    QString value;
    o.hasData = take("data", o.dataDir);
    const bool hasPort = take("port", o.port);
    o.hasAppend = take("append", o.appendPath);
    if (take("baud", value)) {
        const int rate = strToInt(value);
        if (rate <= 0)
            return QStringLiteral("--baud : %1 n'est pas une vitesse").arg(value);
        o.serial.baudRate = rate;
    }
    if (take("data-bits", value)) {
        const int bits = strToInt(value);
        if (bits < 5 || bits > 8)
            return QStringLiteral("--data-bits : 5, 6, 7 ou 8");
        o.serial.dataBits = bits;
    }
    if (take("parity", value)) {
        if (!settingTexts(SerialSetting::Parity).contains(value, Qt::CaseInsensitive))
            return QStringLiteral("--parity : none, odd, even, mark ou space");
        setSettingFromText(o.serial, SerialSetting::Parity, value);
    }
    if (take("stop-bits", value)) {
        if (!settingTexts(SerialSetting::StopBits).contains(value))
            return QStringLiteral("--stop-bits : 1 ou 2");
        setSettingFromText(o.serial, SerialSetting::StopBits, value);
    }
    if (take("end", value)) {
        o.end = strToInt(value);
        if (o.end < 0 || o.end > 255)
            return QStringLiteral("--end : un caractère de 0 à 255");
    }
    if (!line.positional().isEmpty())
        return QStringLiteral("pelorin scan : argument inconnu %1").arg(line.positional().first());
    if (!hasPort || o.port.isEmpty())
        return QStringLiteral("pelorin scan : --port manquant");
    return QString();
}

} // namespace

int scanCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CommandLine line(QStringLiteral("scan"), QString(),
                     QStringLiteral("Lit les codes d'une douchette sur un port série, les décode et les affiche au fil "
                                    "de l'eau, jusqu'à une interruption (Ctrl+C) ou la disparition du port."));
    addScanOptions(line);
    if (const std::optional<int> answered = line.answer(arguments, out, err))
        return *answered;
    ScanOptions o;
    QString problem;
    try {
        problem = readOptions(line, o);
    } catch (const Error& e) {
        problem = e.message();
    }
    if (!problem.isEmpty())
        return line.usageError(err, problem);

    if (o.hasData)
        DataFolder::setRoot(o.dataDir);
    else
        DataFolder::locate();

    ConfigFile config;
    ScanSession session(config);
    try {
        config.load();
        if (o.hasAppend)
            session.appendTo(o.appendPath);
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }

    // every code read is on record before it is printed; a journal that cannot be written only says so
    std::optional<journal::Journal> journalLog;
    try {
        journalLog.emplace(journal::Settings::load());
    } catch (const Error& e) {
        err << e.message() << '\n';
        journalLog.emplace(journal::Settings());
    }

    QEventLoop loop;
    SerialCodeSource serial;
    serial.setEndCharacter(o.end);
    o.serial.port = o.port;
    serial.link()->setSettings(o.serial);

    // each code is on disk (with --append) before it is printed
    session.attach(&serial);
    QObject::connect(&session, &ScanSession::codeTaken, [&](const TakenCode& taken) {
        // the same verdict as the scan window's: a read to check is recorded as a failed read
        const QString journalMessage =
            journalLog->record(journal::scanEntry(taken.code, taken.texts, taken.problem, taken.source)).message;
        if (!journalMessage.isEmpty()) {
            err << journalMessage << '\n';
            err.flush();
        }
        out << decodedLine(taken.code, QStringList(taken.texts.begin(), taken.texts.end())) << '\n';
        out.flush();
        if (!taken.problem.isEmpty()) {
            err << taken.problem << '\n';
            err.flush();
        }
    });
    QObject::connect(&session, &ScanSession::takeFailed, [&](const QString& message) {
        err << message << '\n';
        err.flush();
        loop.exit(1);
    });
    QObject::connect(&serial, &CodeSource::failed, [&](const QString& message) {
        err << o.port << " : " << message << '\n';
        err.flush();
        // the device went away: nothing more will come
        if (!serial.isOpen())
            loop.exit(1);
    });

    try {
        SignalCatcher catcher(loop);
        serial.open();
        const int status = loop.exec();
        serial.close();
        journalLog->flush(true);
        return status;
    } catch (const Error& e) {
        err << o.port << " : " << e.message() << '\n';
        return 1;
    }
}

} // namespace pelorin::cli
