#pragma once
#include <QList>
#include <QString>
#include <functional>
#include <sys/types.h>

// The serial ports of the system, as the port selector offers them, and what the link needs to know
// of a device before it opens it.
namespace pelorin {

// A serial port: its name, and for a USB device its maker and product as the device reports them.
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

// The system's serial ports and the stable names the system links to them (/dev/serial/by-id),
// without the kernel's console, sorted by name ignoring letter case. Throws SerialError (PortList)
// when the system's list of ttys cannot be read.
QList<SerialPortInfo> listSerialPorts();

// The device a port name stands for: "/..." is a path, "COMn" the n-th serial port (COM1 is
// /dev/ttyS0), any other name a device under /dev.
QString serialDevicePath(const QString& portName);

// Whether the character device is the one the kernel writes its console to (or /dev/console):
// opening it for a scanner would take the console away.
bool isKernelConsole(dev_t device);

// What to do about a device the user may not open, in French.
QString dialoutHint();

// Where the system is read, for tests: "" for the system itself, or a folder holding sys/class/tty
// and dev/serial/by-id laid out like the system's; and where the ports come from (QSerialPortInfo
// when empty).
void setSerialSystemRoot(const QString& root);
using SerialPortSource = std::function<QList<SerialPortInfo>()>;
void setSerialPortSource(SerialPortSource source);

} // namespace pelorin
