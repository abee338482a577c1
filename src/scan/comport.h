#pragma once
#include "base/error.h"

#include <QByteArray>
#include <QFlags>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

QT_FORWARD_DECLARE_CLASS(QSerialPort)

// The serial link of an RS-232 scanner, over QSerialPort.
//
// The port only receives. Received characters arrive on the event loop of the thread that owns the
// port, so every handler, every read and every setting change happens on that thread, one after the
// other: a handler never runs while another is running.
namespace pelorin {

enum TBaudRate {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TSyncMethod { smThreadSync, smWindowSync, smNone };

enum TComEvent {
    evRxChar = 0x001,
    evTxEmpty = 0x002,
    evRxFlag = 0x004,
    evRing = 0x008,
    evBreak = 0x010,
    evCTS = 0x020,
    evDSR = 0x040,
    evError = 0x080,
    evRLSD = 0x100,
    evRx80Full = 0x200
};
Q_DECLARE_FLAGS(TComEvents, TComEvent)
Q_DECLARE_OPERATORS_FOR_FLAGS(TComEvents)
inline constexpr TComEvents kAllComEvents = TComEvents::fromInt(0x3ff);

enum TComError {
    ceFrame = 0x01,
    ceRxParity = 0x02,
    ceOverrun = 0x04,
    ceBreak = 0x08,
    ceIO = 0x10,
    ceMode = 0x20,
    ceRxOver = 0x40,
    ceTxFull = 0x80
};
Q_DECLARE_FLAGS(TComErrors, TComError)
Q_DECLARE_OPERATORS_FOR_FLAGS(TComErrors)

// The texts of the settings, in enumeration order, and back: a text is matched ignoring letter
// case, and one that matches none gives the default value.
QStringList baudRateTexts();
QStringList dataBitsTexts();
QStringList stopBitsTexts();
QStringList parityTexts();
QString BaudRateToStr(TBaudRate value);
QString DataBitsToStr(TDataBits value);
QString StopBitsToStr(TStopBits value);
QString ParityToStr(TParityBits value);
TBaudRate StrToBaudRate(const QString& text);
TDataBits StrToDataBits(const QString& text);
TStopBits StrToStopBits(const QString& text);
TParityBits StrToParity(const QString& text);
// The rate in bits per second (0 for brCustom, whose rate is the port's custom rate).
int baudRateValue(TBaudRate value);

// The device a port name stands for: "/..." is a path, "COMn" the n-th serial port (settings carried
// over from Windows: COM1 is /dev/ttyS0), any other name a device under /dev.
QString portDevicePath(const QString& portName);

// A serial port as the port selector offers it: its name, and for a USB device its maker and
// product as the device reports them.
struct SerialPortInfo
{
    QString name;
    QString maker;
    QString product;
    // false when the user's account may not open the device (not in the dialout group)
    bool mayOpen = true;

    // The name, with the maker and product beside it when the device gives them, and the reason
    // when the user may not open it.
    QString label() const;
};

// What to do about a device the user may not open, in French.
QString dialoutHint();

// The error of the serial link: a number, its text, and the system's error code (errno), -1 when
// there is none. A device the user may not open (error 1, EACCES) adds dialoutHint() on a second line.
class EComPort : public Error
{
public:
    EComPort(int number, int systemCode = -1);
    int number() const { return m_number; }
    int systemCode() const { return m_systemCode; }
    static QString text(int number);

private:
    int m_number;
    int m_systemCode;
};

class TCustomComPort;

// The settings groups: each stores its values and re-applies its part to an open port as soon as a
// value changes.
class TComParity
{
public:
    explicit TComParity(TCustomComPort* port) : m_port(port) {}
    TParityBits Bits() const { return m_bits; }
    void setBits(TParityBits value);
    bool Check() const { return m_check; }
    void setCheck(bool value);
    bool Replace() const { return m_replace; }
    void setReplace(bool value);
    char ReplaceChar() const { return m_replaceChar; }
    void setReplaceChar(char value);

private:
    TCustomComPort* m_port;
    TParityBits m_bits = prNone;
    bool m_check = false;
    bool m_replace = false;
    char m_replaceChar = 0;
};

class TComFlowControl
{
public:
    explicit TComFlowControl(TCustomComPort* port) : m_port(port) {}
    bool OutCTSFlow() const { return m_outCTSFlow; }
    void setOutCTSFlow(bool value);
    bool OutDSRFlow() const { return m_outDSRFlow; }
    void setOutDSRFlow(bool value);
    TDTRFlowControl ControlDTR() const { return m_controlDTR; }
    void setControlDTR(TDTRFlowControl value);
    TRTSFlowControl ControlRTS() const { return m_controlRTS; }
    void setControlRTS(TRTSFlowControl value);
    bool XonXoffOut() const { return m_xonXoffOut; }
    void setXonXoffOut(bool value);
    bool XonXoffIn() const { return m_xonXoffIn; }
    void setXonXoffIn(bool value);
    bool DSRSensitivity() const { return m_dsrSensitivity; }
    void setDSRSensitivity(bool value);
    bool TxContinueOnXoff() const { return m_txContinueOnXoff; }
    void setTxContinueOnXoff(bool value);
    char XonChar() const { return m_xonChar; }
    void setXonChar(char value);
    char XoffChar() const { return m_xoffChar; }
    void setXoffChar(char value);

private:
    void changed();
    TCustomComPort* m_port;
    bool m_outCTSFlow = false;
    bool m_outDSRFlow = false;
    TDTRFlowControl m_controlDTR = dtrDisable;
    TRTSFlowControl m_controlRTS = rtsDisable;
    bool m_xonXoffOut = false;
    bool m_xonXoffIn = false;
    bool m_dsrSensitivity = false;
    bool m_txContinueOnXoff = false;
    char m_xonChar = 17;
    char m_xoffChar = 19;
};

// Milliseconds. ReadInterval -1 with both read totals 0 makes a read return at once with what is
// waiting; otherwise a read waits up to ReadTotalMultiplier * count + ReadTotalConstant (no limit
// when both are 0) for the count asked. Nothing is ever written, so the write values are only kept.
class TComTimeouts
{
public:
    explicit TComTimeouts(TCustomComPort* port) : m_port(port) {}
    int ReadInterval() const { return m_readInterval; }
    void setReadInterval(int value);
    int ReadTotalMultiplier() const { return m_readTotalMultiplier; }
    void setReadTotalMultiplier(int value);
    int ReadTotalConstant() const { return m_readTotalConstant; }
    void setReadTotalConstant(int value);
    int WriteTotalMultiplier() const { return m_writeTotalMultiplier; }
    void setWriteTotalMultiplier(int value);
    int WriteTotalConstant() const { return m_writeTotalConstant; }
    void setWriteTotalConstant(int value);

private:
    void changed();
    TCustomComPort* m_port;
    int m_readInterval = -1;
    int m_readTotalMultiplier = 0;
    int m_readTotalConstant = 0;
    int m_writeTotalMultiplier = 100;
    int m_writeTotalConstant = 1000;
};

// The buffer sizes, in bytes; an odd value is lowered by 1. The input size bounds what is kept
// received but unread (the kernel's tty buffer and flow control hold back the rest); nothing is
// written, so the output size is only kept.
class TComBuffer
{
public:
    explicit TComBuffer(TCustomComPort* port) : m_port(port) {}
    int InputSize() const { return m_inputSize; }
    void setInputSize(int value);
    int OutputSize() const { return m_outputSize; }
    void setOutputSize(int value);

private:
    void changed();
    TCustomComPort* m_port;
    int m_inputSize = 1024;
    int m_outputSize = 1024;
};

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TRxCharEvent = std::function<void(QObject* Sender, int Count)>;
using TComErrorEvent = std::function<void(QObject* Sender, TComErrors Errors)>;
using TComSignalEvent = std::function<void(QObject* Sender, bool OnOff)>;
// A fault no caller could be told of by an exception: a handler of a reception event threw
// (reception goes on), or the device went away (the port is closed by then: Connected() is false).
using TComFaultEvent = std::function<void(QObject* Sender, const QString& Message)>;

class TCustomComPort : public QObject
{
    Q_OBJECT

public:
    explicit TCustomComPort(QObject* parent = nullptr);
    ~TCustomComPort() override;

    QString Port() const { return m_port; }
    void setPort(const QString& value);
    TBaudRate BaudRate() const { return m_baudRate; }
    void setBaudRate(TBaudRate value);
    int CustomBaudRate() const { return m_customBaudRate; }
    void setCustomBaudRate(int value);
    TDataBits DataBits() const { return m_dataBits; }
    void setDataBits(TDataBits value);
    TStopBits StopBits() const { return m_stopBits; }
    void setStopBits(TStopBits value);
    bool DiscardNull() const { return m_discardNull; }
    void setDiscardNull(bool value);
    char EventChar() const { return m_eventChar; }
    void setEventChar(char value);
    TComEvents Events() const { return m_events; }
    // Takes effect at the next opening.
    void setEvents(TComEvents value) { m_events = value; }
    TSyncMethod SyncMethod() const { return m_syncMethod; }
    // Refused with error 14 while the port is open.
    void setSyncMethod(TSyncMethod value);

    TComParity& Parity() { return m_parity; }
    const TComParity& Parity() const { return m_parity; }
    TComFlowControl& FlowControl() { return m_flowControl; }
    const TComFlowControl& FlowControl() const { return m_flowControl; }
    TComTimeouts& Timeouts() { return m_timeouts; }
    const TComTimeouts& Timeouts() const { return m_timeouts; }
    TComBuffer& Buffer() { return m_buffer; }
    const TComBuffer& Buffer() const { return m_buffer; }

    bool Connected() const;
    void setConnected(bool value);
    void OpenPort();
    void ClosePort();

    // Up to `Count` received characters (Windows-1252), as many as the timeouts let arrive.
    QString ReadText(int Count);
    QByteArray readBytes(int count);
    // The number of characters waiting in the driver's input buffer.
    int WaitingCount();

    // The system's serial ports (QSerialPortInfo) and the stable names the system links to them
    // (/dev/serial/by-id), without the kernel's console, sorted by name ignoring letter case.
    // Throws EComPort 23 when the system's list of ttys cannot be read.
    static QList<SerialPortInfo> listPorts();
    // The names of listPorts(), replacing the list's content.
    static void ListPorts(QStringList& list);
    // Where the system is read: "" for the system itself, or a folder holding sys/class/tty and
    // dev/serial/by-id laid out like the system's (the console, the by-id links, the tty class).
    static void setListRoot(const QString& root);
    // Where the ports come from: QSerialPortInfo when empty.
    using PortSource = std::function<QList<SerialPortInfo>()>;
    static void setPortSource(PortSource source);

    // The open device's file descriptor, -1 while closed.
    int handle() const;

    TRxCharEvent OnRxChar;
    TComErrorEvent OnError;
    TComSignalEvent OnCTSChange, OnDSRChange, OnRLSDChange;
    TNotifyEvent OnTxEmpty, OnBreak, OnRing, OnRxFlag, OnRx80Full;
    TNotifyEvent OnBeforeOpen, OnAfterOpen, OnBeforeClose, OnAfterClose;
    TComFaultEvent OnFault;

protected:
    // The overridable steps of opening and closing.
    virtual void CreateHandle();
    virtual void DestroyHandle();
    virtual void SetupComPort();

    void ApplyBuffer();
    void ApplyDCB();
    void ApplyTimeouts();

private:
    friend class TComParity;
    friend class TComFlowControl;
    friend class TComTimeouts;
    friend class TComBuffer;

    void lineSettingsChanged();
    void timeoutsChanged();
    void bufferChanged();
    void applyLineFlags();
    void applyModemLines();
    void reportModemSignals(bool forceOff);
    template <typename Handler, typename... Args> void raise(const Handler& handler, Args... args);
    void received();
    void serialError(int error);
    void deviceLost(int error);
    void fault(const QString& message);
    void closeDevice(bool deviceGone);

    QString m_port = QStringLiteral("COM1");
    TBaudRate m_baudRate = br9600;
    int m_customBaudRate = 9600;
    TDataBits m_dataBits = dbEight;
    TStopBits m_stopBits = sbOneStopBit;
    bool m_discardNull = false;
    char m_eventChar = 0;
    TComEvents m_events = kAllComEvents;
    TSyncMethod m_syncMethod = smThreadSync;
    TComParity m_parity{this};
    TComFlowControl m_flowControl{this};
    TComTimeouts m_timeouts{this};
    TComBuffer m_buffer{this};

    QSerialPort* m_serial;
    // the events of this opening (a change of Events takes effect at the next one)
    TComEvents m_openEvents;
    // counts the openings, so that a loss reported for one is not taken for the next
    quint64 m_opening = 0;
    bool m_closing = false;
    // a loss of the device is handled once, from the event loop
    bool m_lossQueued = false;
    // received characters that arrived while a read waited are reported once it has returned
    bool m_reading = false;
    bool m_receivedWhileReading = false;
};

// The port as the scan window and the settings window use it.
class TComPort : public TCustomComPort
{
    Q_OBJECT

public:
    using TCustomComPort::TCustomComPort;
};

} // namespace pelorin
