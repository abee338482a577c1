#include "scan/seriallink.h"

#include "scan/serialports.h"

#include <QFile>
#include <QSerialPort>
#include <cerrno>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace pelorin {

namespace {

// Whether an errno says the device itself is gone (unplugged, hung up), not that a request failed.
bool deviceGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

bool isConsole(const struct stat& st)
{
    return S_ISCHR(st.st_mode) && isKernelConsole(st.st_rdev);
}

// Runs one QSerialPort request for the line settings; a refusal throws with the system's error code.
template <typename Request> void request(QSerialPort* serial, Request&& run)
{
    errno = 0;
    if (run())
        return;
    const int error = errno;
    serial->clearError();
    throw SerialError(SerialError::LineSettings, error > 0 ? error : -1);
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
        throw SerialError(SerialError::LineSettings, error > 0 ? error : -1);
}

} // namespace

SerialLink::SerialLink(QObject* parent) : QObject(parent), m_serial(new QSerialPort(this))
{
    connect(m_serial, &QSerialPort::readyRead, this, &SerialLink::readAvailable);
    connect(m_serial, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { serialError(int(error)); });
}

SerialLink::~SerialLink()
{
    // the owner is being torn down: nothing is delivered any more
    m_serial->disconnect(this);
    if (m_serial->isOpen())
        m_serial->close();
}

bool SerialLink::isOpen() const
{
    return m_serial->isOpen();
}

int SerialLink::handle() const
{
    return m_serial->isOpen() ? int(m_serial->handle()) : -1;
}

void SerialLink::setSettings(const SerialSettings& settings)
{
    const bool newPort = settings.port != m_settings.port;
    m_settings = settings;
    if (!isOpen())
        return;
    if (newPort) {
        close();
        open();
    } else {
        applyLineSettings();
    }
}

void SerialLink::open()
{
    if (isOpen())
        return;
    openDevice();
    try {
        applyLineSettings();
    } catch (...) {
        m_serial->close();
        m_serial->clearError();
        throw;
    }
    ++m_opening;
}

void SerialLink::close()
{
    if (!isOpen())
        return;
    // input not yet delivered is dropped; a device that has gone away cannot be flushed, and must
    // still be closed
    errno = 0;
    if (!m_serial->clear()) {
        const int error = errno;
        m_serial->clearError();
        if (!deviceGone(error))
            throw SerialError(SerialError::Clear, error > 0 ? error : -1);
    }
    m_serial->close();
    m_serial->clearError();
}

void SerialLink::openDevice()
{
    const QString path = serialDevicePath(m_settings.port);
    const QByteArray encoded = QFile::encodeName(path);
    // the console is refused before it is opened: opening and closing a serial line can lower its
    // DTR and hang up whoever is on the other end (COM1, the default, is ttyS0, often the console)
    struct stat st;
    if (::stat(encoded.constData(), &st) != 0)
        throw SerialError(SerialError::Open, errno);
    if (isConsole(st))
        throw SerialError(SerialError::Open, EBUSY);
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
        throw SerialError(SerialError::Open, code);
    }
    auto refuse = [this](int error) {
        m_serial->close();
        m_serial->clearError();
        throw SerialError(SerialError::Open, error);
    };
    if (::fstat(handle(), &st) == 0 && isConsole(st))
        refuse(EBUSY);
    // the device is not shared, even with a program that takes no lock file
    if (::flock(handle(), LOCK_EX | LOCK_NB) != 0)
        refuse(errno == EWOULDBLOCK ? EBUSY : errno);
}

void SerialLink::applyLineSettings()
{
    using S = SerialSettings;
    if (m_settings.stopBits == S::StopBits::OneAndHalf) // Linux has no 1.5 stop bits
        throw SerialError(SerialError::LineSettings);
    const int rate = m_settings.lineRate();
    if (rate <= 0 || m_settings.dataBits < 5 || m_settings.dataBits > 8)
        throw SerialError(SerialError::LineSettings, EINVAL);
    constexpr QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity, QSerialPort::EvenParity,
                                                QSerialPort::MarkParity, QSerialPort::SpaceParity};
    constexpr QSerialPort::FlowControl flows[] = {QSerialPort::NoFlowControl, QSerialPort::HardwareControl,
                                                  QSerialPort::SoftwareControl};
    const auto dataBits = QSerialPort::DataBits(m_settings.dataBits);
    const QSerialPort::Parity parity = parities[int(m_settings.parity)];
    const QSerialPort::StopBits stopBits =
        m_settings.stopBits == S::StopBits::Two ? QSerialPort::TwoStop : QSerialPort::OneStop;
    const QSerialPort::FlowControl flow = flows[int(m_settings.flowControl)];
    // only what changed is asked for: QSerialPort gives every value its own request, and the C
    // library reports a request that changes nothing but what the device ignores as refused
    // (a pseudo-terminal ignores the data bits and PARENB)
    if (m_serial->baudRate() != rate) // rates without a Bxxx constant go through the kernel's arbitrary rates
        request(m_serial, [&] { return m_serial->setBaudRate(rate); });
    if (m_serial->dataBits() != dataBits)
        request(m_serial, [&] { return m_serial->setDataBits(dataBits); });
    if (m_serial->parity() != parity)
        request(m_serial, [&] { return m_serial->setParity(parity); });
    if (m_serial->stopBits() != stopBits)
        request(m_serial, [&] { return m_serial->setStopBits(stopBits); });
    if (m_serial->flowControl() != flow)
        request(m_serial, [&] { return m_serial->setFlowControl(flow); });
    applyTermiosFlags();
    holdModemLinesOff();
}

void SerialLink::applyTermiosFlags()
{
    // what QSerialPort has no setting for: parity checking and the XON and XOFF characters
    termios now;
    if (::tcgetattr(handle(), &now) != 0)
        throw SerialError(SerialError::LineSettings, errno);
    termios wanted = now;
    if (m_settings.parityCheck && m_settings.parity != SerialSettings::Parity::None) {
        wanted.c_iflag |= INPCK;
        wanted.c_iflag &= ~IGNPAR;
    } else {
        wanted.c_iflag &= ~INPCK;
    }
    wanted.c_cc[VSTART] = cc_t(m_settings.xonChar);
    wanted.c_cc[VSTOP] = cc_t(m_settings.xoffChar);
    if (wanted.c_iflag == now.c_iflag && wanted.c_cc[VSTART] == now.c_cc[VSTART] &&
        wanted.c_cc[VSTOP] == now.c_cc[VSTOP])
        return;
    if (::tcsetattr(handle(), TCSANOW, &wanted) != 0)
        throw SerialError(SerialError::LineSettings, errno);
}

void SerialLink::holdModemLinesOff()
{
    // a scanner needs neither line; under hardware flow control the driver drives RTS itself
    requestModemLine(m_serial, [&] { return m_serial->setDataTerminalReady(false); });
    if (m_settings.flowControl != SerialSettings::FlowControl::Hardware)
        requestModemLine(m_serial, [&] { return m_serial->setRequestToSend(false); });
}

void SerialLink::readAvailable()
{
    if (!isOpen())
        return;
    const QByteArray bytes = m_serial->readAll();
    if (bytes.isEmpty())
        return;
    try {
        emit received(bytes);
    } catch (...) {
        // a code that could not be handled does not end reception
        emit failed(currentErrorMessage());
    }
}

void SerialLink::serialError(int error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError)
        return;
    if (!isOpen() || m_lossQueued)
        return;
    // a hung-up line reports itself at every turn of the event loop until it is closed; QSerialPort
    // reports it from inside its own reading, so the port is closed once that has returned
    m_lossQueued = true;
    const quint64 opening = m_opening;
    QMetaObject::invokeMethod(
        this,
        [this, opening] {
            m_lossQueued = false;
            if (opening != m_opening || !isOpen())
                return;
            m_serial->close();
            m_serial->clearError();
            emit failed(SerialError(SerialError::Read, EIO).message());
        },
        Qt::QueuedConnection);
}

} // namespace pelorin
