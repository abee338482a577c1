#include "scan/comport.h"

#include "base/codepage.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace pelorin {

namespace {

constexpr int kRates[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                          14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};

QStringList textsOf(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* t : texts)
        list << QString::fromLatin1(t);
    return list;
}

int indexIgnoringCase(const QStringList& texts, const QString& text)
{
    for (qsizetype i = 0; i < texts.size(); ++i)
        if (texts[i].compare(text, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

// Whether an errno says the device itself is gone (unplugged, hung up), not that a request failed.
bool deviceGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

QString s_listRoot;
TCustomComPort::PortSource s_portSource;

QString readTrimmed(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(f.readAll()).trimmed();
}

// The ttys the kernel writes its console to; opening one for a scanner would take the console away.
QStringList activeConsoles()
{
    return readTrimmed(s_listRoot + QStringLiteral("/sys/class/tty/console/active")).split(u' ', Qt::SkipEmptyParts);
}

bool isActiveConsole(const struct stat& st)
{
    if (!S_ISCHR(st.st_mode))
        return false;
    if (major(st.st_rdev) == 5 && minor(st.st_rdev) == 1) // /dev/console itself
        return true;
    for (const QString& name : activeConsoles()) {
        const QStringList numbers =
            readTrimmed(s_listRoot + QStringLiteral("/sys/class/tty/%1/dev").arg(name)).split(u':');
        if (numbers.size() == 2 && numbers[0].toUInt() == major(st.st_rdev) && numbers[1].toUInt() == minor(st.st_rdev))
            return true;
    }
    return false;
}

bool isActiveConsole(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && isActiveConsole(st);
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

} // namespace

QStringList baudRateTexts()
{
    return textsOf({"Custom", "110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "38400", "56000",
                    "57600", "115200", "128000", "256000"});
}
QStringList dataBitsTexts()
{
    return textsOf({"5", "6", "7", "8"});
}
QStringList stopBitsTexts()
{
    return textsOf({"1", "1.5", "2"});
}
QStringList parityTexts()
{
    return textsOf({"None", "Odd", "Even", "Mark", "Space"});
}

QString BaudRateToStr(TBaudRate value)
{
    return baudRateTexts().value(value);
}
QString DataBitsToStr(TDataBits value)
{
    return dataBitsTexts().value(value);
}
QString StopBitsToStr(TStopBits value)
{
    return stopBitsTexts().value(value);
}
QString ParityToStr(TParityBits value)
{
    return parityTexts().value(value);
}

TBaudRate StrToBaudRate(const QString& text)
{
    const int i = indexIgnoringCase(baudRateTexts(), text);
    return i < 0 ? br9600 : TBaudRate(i);
}
TDataBits StrToDataBits(const QString& text)
{
    const int i = indexIgnoringCase(dataBitsTexts(), text);
    return i < 0 ? dbEight : TDataBits(i);
}
TStopBits StrToStopBits(const QString& text)
{
    const int i = indexIgnoringCase(stopBitsTexts(), text);
    return i < 0 ? sbOneStopBit : TStopBits(i);
}
TParityBits StrToParity(const QString& text)
{
    const int i = indexIgnoringCase(parityTexts(), text);
    return i < 0 ? prNone : TParityBits(i);
}

int baudRateValue(TBaudRate value)
{
    return kRates[value];
}

QString portDevicePath(const QString& portName)
{
    if (portName.startsWith(u'/'))
        return portName;
    if (portName.size() > 3 && portName.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        bool ok = false;
        const int n = portName.mid(3).toInt(&ok);
        if (ok && n >= 1 && portName.mid(3).front().isDigit())
            return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    return QStringLiteral("/dev/") + portName;
}

QString dialoutHint()
{
    return QStringLiteral("Votre compte n'a pas le droit d'ouvrir ce port série : ajoutez-le au groupe dialout "
                          "(adduser votre_nom dialout), puis fermez votre session et rouvrez-la.");
}

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

namespace {

QString comPortMessage(int number, int systemCode)
{
    if (systemCode < 0)
        return EComPort::text(number);
    QString message = EComPort::text(number) + QStringLiteral(" (win error code: %1)").arg(systemCode);
    if (number == 1 && systemCode == EACCES)
        message += u'\n' + dialoutHint();
    return message;
}

} // namespace

EComPort::EComPort(int number, int systemCode)
    : Error(comPortMessage(number, systemCode)), m_number(number), m_systemCode(systemCode)
{
}

QString EComPort::text(int number)
{
    switch (number) {
    case 1:
        return QStringLiteral("Unable to open com port");
    case 3:
        return QStringLiteral("ReadFile function failed");
    case 5:
        return QStringLiteral("PurgeComm function failed");
    case 7:
        return QStringLiteral("SetCommState function failed");
    case 8:
        return QStringLiteral("SetCommTimeouts failed");
    case 9:
        return QStringLiteral("SetupComm function failed");
    case 10:
        return QStringLiteral("ClearCommError function failed");
    case 11:
        return QStringLiteral("GetCommModemStatus function failed");
    case 14:
        return QStringLiteral("Cannot set property while connected");
    case 23:
        return QStringLiteral("Registry error");
    }
    return QStringLiteral("Com port error %1").arg(number);
}

void TComParity::setBits(TParityBits value)
{
    m_bits = value;
    m_port->lineSettingsChanged();
}
void TComParity::setCheck(bool value)
{
    m_check = value;
    m_port->lineSettingsChanged();
}
void TComParity::setReplace(bool value)
{
    m_replace = value;
    m_port->lineSettingsChanged();
}
void TComParity::setReplaceChar(char value)
{
    m_replaceChar = value;
    m_port->lineSettingsChanged();
}

void TComFlowControl::changed()
{
    m_port->lineSettingsChanged();
}
void TComFlowControl::setOutCTSFlow(bool value)
{
    m_outCTSFlow = value;
    changed();
}
void TComFlowControl::setOutDSRFlow(bool value)
{
    m_outDSRFlow = value;
    changed();
}
void TComFlowControl::setControlDTR(TDTRFlowControl value)
{
    m_controlDTR = value;
    changed();
}
void TComFlowControl::setControlRTS(TRTSFlowControl value)
{
    m_controlRTS = value;
    changed();
}
void TComFlowControl::setXonXoffOut(bool value)
{
    m_xonXoffOut = value;
    changed();
}
void TComFlowControl::setXonXoffIn(bool value)
{
    m_xonXoffIn = value;
    changed();
}
void TComFlowControl::setDSRSensitivity(bool value)
{
    m_dsrSensitivity = value;
    changed();
}
void TComFlowControl::setTxContinueOnXoff(bool value)
{
    m_txContinueOnXoff = value;
    changed();
}
void TComFlowControl::setXonChar(char value)
{
    m_xonChar = value;
    changed();
}
void TComFlowControl::setXoffChar(char value)
{
    m_xoffChar = value;
    changed();
}

void TComTimeouts::changed()
{
    m_port->timeoutsChanged();
}
void TComTimeouts::setReadInterval(int value)
{
    m_readInterval = value;
    changed();
}
void TComTimeouts::setReadTotalMultiplier(int value)
{
    m_readTotalMultiplier = value;
    changed();
}
void TComTimeouts::setReadTotalConstant(int value)
{
    m_readTotalConstant = value;
    changed();
}
void TComTimeouts::setWriteTotalMultiplier(int value)
{
    m_writeTotalMultiplier = value;
    changed();
}
void TComTimeouts::setWriteTotalConstant(int value)
{
    m_writeTotalConstant = value;
    changed();
}

void TComBuffer::changed()
{
    m_port->bufferChanged();
}
void TComBuffer::setInputSize(int value)
{
    m_inputSize = value & ~1;
    changed();
}
void TComBuffer::setOutputSize(int value)
{
    m_outputSize = value & ~1;
    changed();
}

namespace {

// Runs one QSerialPort request; a refusal throws `number` with the system's error code.
template <typename Request> void request(QSerialPort* serial, int number, Request&& run)
{
    errno = 0;
    if (run())
        return;
    const int error = errno;
    serial->clearError();
    throw EComPort(number, error > 0 ? error : -1);
}

// A device without modem lines (a pseudo-terminal, some USB adapters) has no line to hold.
template <typename Request> void requestModemLine(QSerialPort* serial, Request&& run)
{
    errno = 0;
    if (run())
        return;
    const int error = errno;
    serial->clearError();
    if (error != ENOTTY && error != EINVAL)
        throw EComPort(7, error > 0 ? error : -1);
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

TCustomComPort::TCustomComPort(QObject* parent) : QObject(parent), m_serial(new QSerialPort(this))
{
    connect(m_serial, &QSerialPort::readyRead, this, &TCustomComPort::received);
    connect(m_serial, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { serialError(int(error)); });
}

TCustomComPort::~TCustomComPort()
{
    // the owner is being torn down: no handler is called any more
    m_serial->disconnect(this);
    if (m_serial->isOpen())
        m_serial->close();
}

bool TCustomComPort::Connected() const
{
    return m_serial->isOpen();
}

int TCustomComPort::handle() const
{
    return m_serial->isOpen() ? int(m_serial->handle()) : -1;
}

template <typename Handler, typename... Args> void TCustomComPort::raise(const Handler& handler, Args... args)
{
    if (!handler)
        return;
    try {
        handler(this, args...);
    } catch (const Error& e) {
        fault(e.message());
    } catch (const std::exception& e) {
        fault(QString::fromLocal8Bit(e.what()));
    }
}

void TCustomComPort::fault(const QString& message)
{
    if (!OnFault) {
        qWarning("%s", qPrintable(message));
        return;
    }
    try {
        OnFault(this, message);
    } catch (const std::exception& e) {
        qWarning("%s (%s)", qPrintable(message), e.what());
    }
}

void TCustomComPort::setPort(const QString& value)
{
    if (value == m_port)
        return;
    m_port = value;
    if (Connected()) {
        ClosePort();
        OpenPort();
    }
}

void TCustomComPort::setBaudRate(TBaudRate value)
{
    m_baudRate = value;
    lineSettingsChanged();
}

void TCustomComPort::setCustomBaudRate(int value)
{
    m_customBaudRate = value;
    lineSettingsChanged();
}

void TCustomComPort::setDataBits(TDataBits value)
{
    m_dataBits = value;
    lineSettingsChanged();
}

void TCustomComPort::setStopBits(TStopBits value)
{
    m_stopBits = value;
    lineSettingsChanged();
}

void TCustomComPort::setDiscardNull(bool value)
{
    m_discardNull = value;
    lineSettingsChanged();
}

void TCustomComPort::setEventChar(char value)
{
    m_eventChar = value;
    lineSettingsChanged();
}

void TCustomComPort::setSyncMethod(TSyncMethod value)
{
    if (Connected())
        throw EComPort(14);
    m_syncMethod = value;
}

void TCustomComPort::setConnected(bool value)
{
    if (value)
        OpenPort();
    else
        ClosePort();
}

void TCustomComPort::lineSettingsChanged()
{
    if (Connected())
        ApplyDCB();
}

void TCustomComPort::timeoutsChanged()
{
    if (Connected())
        ApplyTimeouts();
}

void TCustomComPort::bufferChanged()
{
    if (Connected())
        ApplyBuffer();
}

void TCustomComPort::OpenPort()
{
    if (Connected())
        return;
    raise(OnBeforeOpen);
    CreateHandle();
    try {
        SetupComPort();
    } catch (...) {
        DestroyHandle();
        throw;
    }
    m_openEvents = m_events;
    ++m_opening;
    raise(OnAfterOpen);
    reportModemSignals(false);
}

void TCustomComPort::ClosePort()
{
    closeDevice(false);
}

void TCustomComPort::closeDevice(bool deviceGoneAlready)
{
    if (!Connected() || m_closing)
        return;
    m_closing = true;
    struct Reset
    {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_closing};

    reportModemSignals(true);
    raise(OnBeforeClose);
    // pending input is dropped; a device that has gone away cannot be purged, and must still be closed
    if (!deviceGoneAlready) {
        errno = 0;
        if (!m_serial->clear()) {
            const int error = errno;
            m_serial->clearError();
            if (!deviceGone(error))
                throw EComPort(5, error > 0 ? error : -1);
        }
    }
    DestroyHandle();
    raise(OnAfterClose);
}

void TCustomComPort::CreateHandle()
{
    const QString path = portDevicePath(m_port);
    const QByteArray encoded = QFile::encodeName(path);
    // the console is refused before it is opened: opening and closing a serial line can lower its
    // DTR and hang up whoever is on the other end (COM1, the default, is ttyS0, often the console)
    struct stat st;
    if (::stat(encoded.constData(), &st) != 0)
        throw EComPort(1, errno);
    if (isActiveConsole(st))
        throw EComPort(1, EBUSY);
    m_serial->setPortName(path);
    errno = 0;
    if (!m_serial->open(QIODevice::ReadWrite)) {
        const int saved = errno;
        const QSerialPort::SerialPortError error = m_serial->error();
        m_serial->clearError();
        int code = saved > 0 ? saved : EIO;
        if (error == QSerialPort::DeviceNotFoundError)
            code = ENOENT;
        else if (error == QSerialPort::PermissionError)
            // QSerialPort also says so when another program holds the device's lock file
            code = ::access(encoded.constData(), R_OK | W_OK) != 0 ? errno : EBUSY;
        throw EComPort(1, code);
    }
    auto refuse = [this](int error) {
        DestroyHandle();
        throw EComPort(1, error);
    };
    if (isActiveConsole(handle()))
        refuse(EBUSY);
    // the device is not shared, even with a program that takes no lock file
    if (::flock(handle(), LOCK_EX | LOCK_NB) != 0)
        refuse(errno == EWOULDBLOCK ? EBUSY : errno);
}

void TCustomComPort::DestroyHandle()
{
    if (!m_serial->isOpen())
        return;
    m_serial->close();
    m_serial->clearError();
}

void TCustomComPort::SetupComPort()
{
    ApplyBuffer();
    ApplyDCB();
    ApplyTimeouts();
}

void TCustomComPort::ApplyBuffer()
{
    // QSerialPort keeps what has been received until it is read (an unbounded buffer, since a
    // bounded one stops reception for good once it fills); only a nonsensical size is refused
    if (m_buffer.InputSize() <= 0 || m_buffer.OutputSize() <= 0)
        throw EComPort(9, EINVAL);
}

void TCustomComPort::ApplyDCB()
{
    if (m_stopBits == sbOne5StopBits) // Linux has no 1.5 stop bits
        throw EComPort(7);
    const int rate = m_baudRate == brCustom ? m_customBaudRate : baudRateValue(m_baudRate);
    if (rate <= 0)
        throw EComPort(7, EINVAL);
    constexpr QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity, QSerialPort::EvenParity,
                                                QSerialPort::MarkParity, QSerialPort::SpaceParity};
    const bool hardware = m_flowControl.OutCTSFlow() || m_flowControl.ControlRTS() == rtsHandshake;
    const bool software = m_flowControl.XonXoffOut() || m_flowControl.XonXoffIn();
    const auto dataBits = QSerialPort::DataBits(int(QSerialPort::Data5) + int(m_dataBits));
    const QSerialPort::Parity parity = parities[m_parity.Bits()];
    const QSerialPort::StopBits stopBits = m_stopBits == sbTwoStopBits ? QSerialPort::TwoStop : QSerialPort::OneStop;
    const QSerialPort::FlowControl flow = hardware   ? QSerialPort::HardwareControl
                                          : software ? QSerialPort::SoftwareControl
                                                     : QSerialPort::NoFlowControl;
    // only what changed is asked for: QSerialPort gives every value its own request, and the C
    // library reports a request that changes nothing but what the device ignores as refused
    // (a pseudo-terminal ignores the data bits and PARENB)
    if (m_serial->baudRate() != rate) // rates without a Bxxx constant go through the kernel's arbitrary rates
        request(m_serial, 7, [&] { return m_serial->setBaudRate(rate); });
    if (m_serial->dataBits() != dataBits)
        request(m_serial, 7, [&] { return m_serial->setDataBits(dataBits); });
    if (m_serial->parity() != parity)
        request(m_serial, 7, [&] { return m_serial->setParity(parity); });
    if (m_serial->stopBits() != stopBits)
        request(m_serial, 7, [&] { return m_serial->setStopBits(stopBits); });
    if (m_serial->flowControl() != flow)
        request(m_serial, 7, [&] { return m_serial->setFlowControl(flow); });
    applyLineFlags();
    applyModemLines();
}

void TCustomComPort::applyLineFlags()
{
    // what QSerialPort has no setting for: parity checking, software flow control in one direction
    // only (or beside hardware flow control), and the XON and XOFF characters
    termios now;
    if (::tcgetattr(handle(), &now) != 0)
        throw EComPort(7, errno);
    termios wanted = now;
    if (m_parity.Check() && m_parity.Bits() != prNone) {
        wanted.c_iflag |= INPCK;
        wanted.c_iflag &= ~IGNPAR;
    }
    wanted.c_iflag &= ~(IXON | IXOFF);
    if (m_flowControl.XonXoffOut())
        wanted.c_iflag |= IXON;
    if (m_flowControl.XonXoffIn())
        wanted.c_iflag |= IXOFF;
    wanted.c_cc[VSTART] = cc_t(m_flowControl.XonChar());
    wanted.c_cc[VSTOP] = cc_t(m_flowControl.XoffChar());
    if (wanted.c_iflag == now.c_iflag && wanted.c_cc[VSTART] == now.c_cc[VSTART] &&
        wanted.c_cc[VSTOP] == now.c_cc[VSTOP])
        return;
    if (::tcsetattr(handle(), TCSANOW, &wanted) != 0)
        throw EComPort(7, errno);
}

void TCustomComPort::applyModemLines()
{
    const TDTRFlowControl dtr = m_flowControl.ControlDTR();
    const TRTSFlowControl rts = m_flowControl.ControlRTS();
    requestModemLine(m_serial, [&] { return m_serial->setDataTerminalReady(dtr != dtrDisable); });
    // with handshake the driver drives RTS itself; toggling has no Linux counterpart
    if (rts != rtsHandshake)
        requestModemLine(m_serial, [&] { return m_serial->setRequestToSend(rts != rtsDisable); });
}

void TCustomComPort::ApplyTimeouts()
{
    // reads use these values themselves (readBytes); nothing is set on the device
}

void TCustomComPort::reportModemSignals(bool forceOff)
{
    if (!OnCTSChange && !OnDSRChange && !OnRLSDChange)
        return;
    QSerialPort::PinoutSignals pins = QSerialPort::NoSignal;
    if (!forceOff) {
        errno = 0;
        pins = m_serial->pinoutSignals();
        if (m_serial->error() != QSerialPort::NoError) {
            const int error = errno;
            m_serial->clearError();
            pins = QSerialPort::NoSignal;
            if (error != ENOTTY && error != EINVAL) {
                fault(EComPort(11, error > 0 ? error : -1).message());
                return;
            }
        }
    }
    raise(OnCTSChange, bool(pins & QSerialPort::ClearToSendSignal));
    raise(OnDSRChange, bool(pins & QSerialPort::DataSetReadySignal));
    raise(OnRLSDChange, bool(pins & QSerialPort::DataCarrierDetectSignal));
}

QString TCustomComPort::ReadText(int Count)
{
    return fromCp1252(readBytes(Count));
}

QByteArray TCustomComPort::readBytes(int count)
{
    if (count <= 0)
        return QByteArray();
    if (!Connected())
        throw EComPort(3, EBADF);

    QByteArray data = m_serial->read(count);
    const bool immediate =
        m_timeouts.ReadInterval() == -1 && m_timeouts.ReadTotalMultiplier() == 0 && m_timeouts.ReadTotalConstant() == 0;
    if (!immediate && data.size() < count) {
        const qint64 total = qint64(m_timeouts.ReadTotalMultiplier()) * count + m_timeouts.ReadTotalConstant();
        QDeadlineTimer deadline = total > 0 ? QDeadlineTimer(total) : QDeadlineTimer(QDeadlineTimer::Forever);
        // waiting delivers readyRead from inside this read: it is reported once the read returns
        m_reading = true;
        while (data.size() < count && Connected() && !deadline.hasExpired()) {
            const qint64 left = deadline.remainingTime();
            if (!m_serial->waitForReadyRead(left < 0 ? -1 : int(qMin<qint64>(left, INT_MAX))))
                break;
            data += m_serial->read(count - data.size());
        }
        m_reading = false;
        if (m_receivedWhileReading) {
            m_receivedWhileReading = false;
            QMetaObject::invokeMethod(this, &TCustomComPort::received, Qt::QueuedConnection);
        }
        if (m_serial->error() == QSerialPort::TimeoutError)
            m_serial->clearError();
    }
    if (m_discardNull)
        data.removeIf([](char c) { return c == '\0'; });
    return data;
}

int TCustomComPort::WaitingCount()
{
    if (!Connected())
        throw EComPort(10, EBADF);
    return int(qMin<qint64>(m_serial->bytesAvailable(), INT_MAX));
}

void TCustomComPort::received()
{
    if (m_reading) {
        m_receivedWhileReading = true;
        return;
    }
    if (!(m_openEvents & evRxChar) || !Connected())
        return;
    // nothing waiting any more (read meanwhile): no event
    const int count = WaitingCount();
    if (count > 0)
        raise(OnRxChar, count);
}

void TCustomComPort::serialError(int error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (!Connected() || m_lossQueued)
        return;
    // a hung-up line reports itself at every turn of the event loop until it is closed; QSerialPort
    // reports it from inside its own reading, so the port is closed once that has returned
    m_lossQueued = true;
    const quint64 opening = m_opening;
    QMetaObject::invokeMethod(
        this,
        [this, opening] {
            m_lossQueued = false;
            if (opening == m_opening && Connected())
                deviceLost(EIO);
        },
        Qt::QueuedConnection);
}

void TCustomComPort::deviceLost(int error)
{
    closeDevice(true);
    if (m_openEvents & evError)
        raise(OnError, TComErrors(ceIO));
    fault(EComPort(3, error).message());
}

void TCustomComPort::setListRoot(const QString& root)
{
    s_listRoot = root;
}

void TCustomComPort::setPortSource(PortSource source)
{
    s_portSource = std::move(source);
}

QList<SerialPortInfo> TCustomComPort::listPorts()
{
    const QString ttyDir = s_listRoot + QStringLiteral("/sys/class/tty");
    QStringList entries;
    if (!entryNames(ttyDir, entries))
        throw EComPort(23, errno);
    const QStringList consoles = activeConsoles();
    const QList<SerialPortInfo> found = s_portSource ? s_portSource() : systemPorts();
    QList<SerialPortInfo> ports;
    for (const SerialPortInfo& port : found)
        if (!consoles.contains(QFileInfo(port.name).fileName()))
            ports << port;
    // stable names of USB adapters, as the system links them; most systems have none
    const QString byId = s_listRoot + QStringLiteral("/dev/serial/by-id");
    QStringList links;
    if (entryNames(byId, links))
        for (const QString& link : std::as_const(links)) {
            const QString path = byId + u'/' + link;
            const QString target = QFileInfo(QFileInfo(path).symLinkTarget()).fileName();
            if (consoles.contains(target))
                continue;
            SerialPortInfo port;
            for (const SerialPortInfo& known : found)
                if (known.name == target)
                    port = known;
            port.name = s_listRoot.isEmpty() ? path : QStringLiteral("/dev/serial/by-id/") + link;
            ports << port;
        }
    std::stable_sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return ports;
}

void TCustomComPort::ListPorts(QStringList& list)
{
    QStringList names;
    for (const SerialPortInfo& port : listPorts())
        names << port.name;
    list = names;
}

} // namespace pelorin
