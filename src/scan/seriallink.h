#pragma once
#include "scan/serialerror.h"
#include "scan/serialsettings.h"

#include <QByteArray>
#include <QObject>

QT_FORWARD_DECLARE_CLASS(QSerialPort)

namespace pelorin {

// The serial port of an RS-232 scanner, over QSerialPort.
//
// The link only receives. What arrives is delivered on the event loop of the thread that owns the
// link, so every slot, every setting change, opening and closing happen there, one after the other.
// The device is not shared: a port another program holds, or the kernel's console, is refused.
class SerialLink : public QObject
{
    Q_OBJECT

public:
    explicit SerialLink(QObject* parent = nullptr);
    ~SerialLink() override;

    const SerialSettings& settings() const { return m_settings; }
    // Stores the settings and, on an open port, applies them at once: a new port name closes the
    // port and opens the new one (left closed when that fails), other changes go to the open device.
    // Throws SerialError when the device refuses them; they stay stored, as chosen.
    void setSettings(const SerialSettings& settings);

    bool isOpen() const;
    // Opens the port with the settings; nothing when it is open. Throws SerialError, the port
    // staying closed.
    void open();
    // Closes the port, dropping what was received and not yet delivered; nothing when it is closed.
    void close();

    // The open device's file descriptor, -1 while closed.
    int handle() const;

signals:
    // Bytes as they came, in order.
    void received(const QByteArray& bytes);
    // A fault no caller could be told of by an exception: the device went away (the port is closed
    // by then) or a slot of received() threw (reception goes on).
    void failed(const QString& message);

private:
    void openDevice();
    void applyLineSettings();
    void applyTermiosFlags();
    void holdModemLinesOff();
    void readAvailable();
    void serialError(int error);

    SerialSettings m_settings;
    QSerialPort* m_serial;
    // counts the openings, so that a loss reported for one is not taken for the next
    quint64 m_opening = 0;
    // a loss of the device is handled once, from the event loop
    bool m_lossQueued = false;
};

} // namespace pelorin
