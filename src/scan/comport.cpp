#include "scan/comport.h"

#include "base/codepage.h"
#include "scan/comportthread.h"

#include <QFile>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QtGlobal>
#include <algorithm>
#include <climits>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

EComPort::EComPort(int number, int systemCode)
    : Error(systemCode >= 0 ? text(number) + QStringLiteral(" (win error code: %1)").arg(systemCode) : text(number)),
      m_number(number), m_systemCode(systemCode)
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

termios lineTermios(const LineSettings& s, const termios& base)
{
    if (s.stopBits == sbOne5StopBits) // Linux has no 1.5 stop bits
        throw EComPort(7);
    termios t = base;
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= sizes[s.dataBits];
    switch (s.parity) {
    case prNone:
        break;
    case prOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case prEven:
        t.c_cflag |= PARENB;
        break;
    case prMark: // with CMSPAR, PARODD picks a parity bit always 1
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case prSpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
    if (s.stopBits == sbTwoStopBits)
        t.c_cflag |= CSTOPB;
    t.c_iflag &= ~(INPCK | IGNPAR | PARMRK | ISTRIP | IXON | IXOFF | IXANY);
    if (s.parityCheck && s.parity != prNone)
        t.c_iflag |= INPCK;
    if (s.outCTSFlow || s.controlRTS == rtsHandshake)
        t.c_cflag |= CRTSCTS;
    if (s.xonXoffOut)
        t.c_iflag |= IXON;
    if (s.xonXoffIn)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = cc_t(s.xonChar);
    t.c_cc[VSTOP] = cc_t(s.xoffChar);
    // reads return at once with what is waiting; waiting is the event thread's business
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (s.rate <= 0)
        throw EComPort(7, EINVAL);
    const speed_t speed = speedConstant(s.rate);
    if (speed != B0) {
        // an input rate left over from an arbitrary rate (BOTHER in CIBAUD) would outlive the new one
        t.c_cflag &= ~CIBAUD;
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
    }
    return t;
}

speed_t speedConstant(int rate)
{
    switch (rate) {
    case 110:
        return B110;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    }
    return B0;
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

TCustomComPort::TCustomComPort(QObject* parent) : QObject(parent) {}

TCustomComPort::~TCustomComPort()
{
    // the owner is being torn down: no handler is called any more
    if (m_thread)
        m_thread->stopAndJoin();
    m_thread.reset();
    DestroyHandle();
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

LineSettings TCustomComPort::lineSettings() const
{
    LineSettings s;
    s.rate = m_baudRate == brCustom ? m_customBaudRate : baudRateValue(m_baudRate);
    s.dataBits = m_dataBits;
    s.stopBits = m_stopBits;
    s.parity = m_parity.Bits();
    s.parityCheck = m_parity.Check();
    s.outCTSFlow = m_flowControl.OutCTSFlow();
    s.controlRTS = m_flowControl.ControlRTS();
    s.xonXoffOut = m_flowControl.XonXoffOut();
    s.xonXoffIn = m_flowControl.XonXoffIn();
    s.xonChar = m_flowControl.XonChar();
    s.xoffChar = m_flowControl.XoffChar();
    return s;
}

void TCustomComPort::OpenPort()
{
    if (Connected())
        return;
    raise(OnBeforeOpen);
    CreateHandle();
    try {
        SetupComPort();
        if (m_events)
            m_thread = std::make_unique<TComThread>(this, m_fd, m_events);
    } catch (...) {
        DestroyHandle();
        throw;
    }
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
    // a device that has gone away cannot be purged, and must still be closed
    if (!deviceGoneAlready && ::tcflush(m_fd, TCIOFLUSH) != 0 && !deviceGone(errno))
        throw EComPort(5, errno);
    stopThread();
    DestroyHandle();
    raise(OnAfterClose);
}

void TCustomComPort::stopThread()
{
    if (!m_thread)
        return;
    std::unique_ptr<TComThread> thread = std::move(m_thread);
    thread->stopAndJoin();
    // a set the thread handed over before it stopped is still served, as it would have been had
    // the user-interface thread reached its queue first
    std::shared_ptr<HandOverState> state = thread->state();
    TComEvents events;
    {
        std::lock_guard lock(state->mutex);
        if (!state->pending || state->lostError)
            return;
        state->pending = false;
        events = state->events;
    }
    processEvents(events);
}

void TCustomComPort::CreateHandle()
{
    const QByteArray path = QFile::encodeName(portDevicePath(m_port));
    // the console is refused before it is opened: opening and closing a serial line can lower its
    // DTR and hang up whoever is on the other end (COM1, the default, is ttyS0, often the console)
    struct stat st;
    if (::stat(path.constData(), &st) == 0 && isActiveConsole(st))
        throw EComPort(1, EBUSY);
    // non-blocking: opening must not wait for a carrier, and reads return what is waiting
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw EComPort(1, errno);
    auto refuse = [fd](int error) {
        ::close(fd);
        throw EComPort(1, error);
    };
    if (!::isatty(fd))
        refuse(ENOTTY);
    if (isActiveConsole(fd))
        refuse(EBUSY);
    // the device is not shared: a second program (or a second port object) is refused, and TIOCEXCL
    // keeps out programs that do not ask for the lock
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        refuse(errno == EWOULDBLOCK ? EBUSY : errno);
    if (::ioctl(fd, TIOCEXCL) != 0)
        refuse(errno);
    m_fd = fd;
}

void TCustomComPort::DestroyHandle()
{
    if (m_fd < 0)
        return;
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
}

void TCustomComPort::SetupComPort()
{
    ApplyBuffer();
    ApplyDCB();
    ApplyTimeouts();
}

void TCustomComPort::ApplyBuffer()
{
    // the tty layer sizes its own buffers; only a nonsensical size is refused
    if (m_buffer.InputSize() <= 0 || m_buffer.OutputSize() <= 0)
        throw EComPort(9, EINVAL);
}

void TCustomComPort::ApplyDCB()
{
    termios base;
    if (::tcgetattr(m_fd, &base) != 0)
        throw EComPort(7, errno);
    const LineSettings s = lineSettings();
    const termios t = lineTermios(s, base);
    m_requestedTermios = t;
    if (::tcsetattr(m_fd, TCSANOW, &t) != 0)
        throw EComPort(7, errno);
    if (speedConstant(s.rate) == B0 && !setCustomSpeed(m_fd, s.rate))
        throw EComPort(7, errno);
    applyModemLines();
}

void TCustomComPort::applyModemLines()
{
    const TDTRFlowControl dtr = m_flowControl.ControlDTR();
    const TRTSFlowControl rts = m_flowControl.ControlRTS();
    int on = 0, off = 0;
    (dtr == dtrDisable ? off : on) |= TIOCM_DTR;
    // with handshake the driver drives RTS itself (CRTSCTS); toggling has no Linux counterpart
    (rts == rtsDisable ? off : on) |= TIOCM_RTS;
    for (auto [request, bits] : {std::pair{TIOCMBIS, on}, std::pair{TIOCMBIC, off}}) {
        // a pseudo-terminal or a USB adapter without modem lines has nothing to hold
        if (bits && ::ioctl(m_fd, request, &bits) != 0 && errno != ENOTTY && errno != EINVAL)
            throw EComPort(7, errno);
    }
}

void TCustomComPort::ApplyTimeouts()
{
    // reads use these values themselves (readBytes); nothing is set on the device
}

void TCustomComPort::reportModemSignals(bool forceOff)
{
    if (!OnCTSChange && !OnDSRChange && !OnRLSDChange)
        return;
    int status = 0;
    if (!forceOff && ::ioctl(m_fd, TIOCMGET, &status) != 0 && errno != ENOTTY && errno != EINVAL) {
        fault(EComPort(11, errno).message());
        return;
    }
    raise(OnCTSChange, bool(status & TIOCM_CTS));
    raise(OnDSRChange, bool(status & TIOCM_DSR));
    raise(OnRLSDChange, bool(status & TIOCM_CD));
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
    m_readSinceHandOver = true;
    if (m_thread)
        m_thread->rearmInput();

    const bool immediate =
        m_timeouts.ReadInterval() == -1 && m_timeouts.ReadTotalMultiplier() == 0 && m_timeouts.ReadTotalConstant() == 0;
    const qint64 total = qint64(m_timeouts.ReadTotalMultiplier()) * count + m_timeouts.ReadTotalConstant();
    QDeadlineTimer deadline = total > 0 ? QDeadlineTimer(total) : QDeadlineTimer(QDeadlineTimer::Forever);

    QByteArray data(count, Qt::Uninitialized);
    qsizetype got = 0;
    while (got < count) {
        const ssize_t n = ::read(m_fd, data.data() + got, size_t(count - got));
        if (n > 0) {
            got += n;
            continue;
        }
        if (n == 0) // end of input: the line has been hung up
            break;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            throw EComPort(3, errno);
        if (immediate || deadline.hasExpired())
            break;
        pollfd p{m_fd, POLLIN, 0};
        const qint64 left = deadline.remainingTime();
        if (::poll(&p, 1, left < 0 ? -1 : int(qMin<qint64>(left, INT_MAX))) == 0)
            break;
    }
    data.truncate(got);
    if (m_discardNull)
        data.removeIf([](char c) { return c == '\0'; });
    return data;
}

int TCustomComPort::WaitingCount()
{
    if (!Connected())
        throw EComPort(10, EBADF);
    int count = 0;
    if (::ioctl(m_fd, FIONREAD, &count) != 0)
        throw EComPort(10, errno);
    return count;
}

void TCustomComPort::serveHandOver(const std::shared_ptr<HandOverState>& state)
{
    // a hand-over of a thread that has ended since (the port was closed) has nothing left to do
    if (!m_thread || m_thread->state() != state)
        return;
    TComEvents events;
    int lost;
    {
        std::lock_guard lock(state->mutex);
        if (!state->pending)
            return;
        state->pending = false;
        events = state->events;
        lost = state->lostError;
    }
    if (lost) {
        deviceLost(lost);
        return;
    }
    m_readSinceHandOver = false;
    processEvents(events);
    bool unread = false;
    if ((events & evRxChar) && !m_readSinceHandOver && Connected() && m_thread && m_thread->state() == state) {
        int waiting = 0;
        unread = ::ioctl(m_fd, FIONREAD, &waiting) == 0 && waiting > 0;
    }
    {
        std::lock_guard lock(state->mutex);
        if (unread)
            state->watchInput = false;
        state->served = state->handedOver;
    }
    state->cv.notify_all();
}

void TCustomComPort::processEvents(TComEvents events)
{
    if ((events & evRxChar) && Connected()) {
        int count = 0;
        try {
            count = WaitingCount();
        } catch (const EComPort& e) {
            fault(e.message());
        }
        if (count > 0)
            raise(OnRxChar, count);
    }
}

void TCustomComPort::deviceLost(int error)
{
    closeDevice(true);
    if (m_events & evError)
        raise(OnError, TComErrors(ceIO));
    fault(EComPort(3, error).message());
}

void TCustomComPort::setListRoot(const QString& root)
{
    s_listRoot = root;
}

void TCustomComPort::ListPorts(QStringList& list)
{
    const QString ttyDir = s_listRoot + QStringLiteral("/sys/class/tty");
    QStringList entries;
    if (!entryNames(ttyDir, entries))
        throw EComPort(23, errno);
    const QStringList consoles = activeConsoles();
    QStringList names;
    for (const QString& name : std::as_const(entries)) {
        // virtual terminals and pseudo-terminals have no device behind them
        if (!QFileInfo::exists(ttyDir + u'/' + name + QStringLiteral("/device")))
            continue;
        // the kernel creates ttyS entries for every possible legacy port; type 0 means no UART answered
        if (name.startsWith(QLatin1String("ttyS")) &&
            readTrimmed(ttyDir + u'/' + name + QStringLiteral("/type")) == QLatin1String("0"))
            continue;
        if (consoles.contains(name))
            continue;
        names << name;
    }
    // stable names of USB adapters, as the system links them; most systems have none
    const QString byId = s_listRoot + QStringLiteral("/dev/serial/by-id");
    QStringList links;
    if (entryNames(byId, links))
        for (const QString& link : std::as_const(links)) {
            const QString path = byId + u'/' + link;
            if (!consoles.contains(QFileInfo(QFileInfo(path).symLinkTarget()).fileName()))
                names << (s_listRoot.isEmpty() ? path : QStringLiteral("/dev/serial/by-id/") + link);
        }
    std::stable_sort(names.begin(), names.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    list = names;
}

} // namespace pelorin
