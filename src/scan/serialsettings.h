#pragma once
#include <QString>
#include <QStringList>

// The line settings of the RS-232 scanner's port, and the texts the settings window shows for them.
namespace pelorin {

struct SerialSettings
{
    enum class Parity { None, Odd, Even, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };
    // Hardware is RTS/CTS, software XON/XOFF in both directions.
    enum class FlowControl { None, Hardware, Software };

    // The rate the settings window calls "Custom" runs the line at 9600 bits per second.
    static constexpr int kCustomRate = 0;

    // The system's name of the port: a path, "COMn" for the n-th serial port, or a device under /dev.
    QString port = QStringLiteral("COM1");
    // Bits per second, or kCustomRate.
    int baudRate = 9600;
    // 5 to 8.
    int dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    FlowControl flowControl = FlowControl::None;
    // Whether the receiver checks the parity of every byte.
    bool parityCheck = false;
    char xonChar = 17;
    char xoffChar = 19;

    // The rate the line runs at.
    int lineRate() const { return baudRate == kCustomRate ? 9600 : baudRate; }

    bool operator==(const SerialSettings&) const = default;
};

// The settings the settings window offers a choice of.
enum class SerialSetting { Port, BaudRate, DataBits, Parity, StopBits };

// The texts offered for a setting, in the window's order ("Custom" first among the rates); none for
// the port, whose choices are the system's ports.
QStringList settingTexts(SerialSetting which);
// The setting's value as one of those texts (the port's name itself).
QString settingText(const SerialSettings& settings, SerialSetting which);
// Sets the setting from a text, matched ignoring letter case; a text that matches none gives the
// default: 9600, 8, None, 1.
void setSettingFromText(SerialSettings& settings, SerialSetting which, const QString& text);

} // namespace pelorin
