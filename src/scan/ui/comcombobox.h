#pragma once
#include "scan/comport.h"

#include <QComboBox>
#include <QPointer>

namespace pelorin {

enum TComProperty { cpNone, cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl };

// What a port selector knows: the bound port and setting, whether a choice goes to the port at once,
// the items, and the last value chosen of each kind.
class TComSelect
{
public:
    TCustomComPort* ComPort() const { return m_port; }
    void setComPort(TCustomComPort* port) { m_port = port; }
    TComProperty ComProperty() const { return m_property; }
    bool AutoApply() const { return m_autoApply; }
    void setAutoApply(bool value) { m_autoApply = value; }
    const QStringList& items() const { return m_items; }
    // For cpPort, the ports behind the items (their makers and products), in the items' order.
    const QList<SerialPortInfo>& ports() const { return m_ports; }

    // Fills the items for the setting. The port listing's error is kept (listError) rather than
    // thrown: a system without a readable list of ports still offers the bound port's own name.
    void setComProperty(TComProperty property);
    // The bound port's current value as an item text (the port name itself for cpPort).
    QString currentValueText() const;
    // The item showing the bound port's current value, ignoring letter case; -1 when none does.
    // The value found becomes the last chosen one.
    int findCurrentValue();
    // The operator chose `text`: it becomes the last chosen value and, with AutoApply and a bound
    // port, goes to the port at once (EComPort when the port refuses it).
    void choose(const QString& text);
    QString listError() const { return m_listError; }

    QString lastPort() const { return m_lastPort; }
    TBaudRate lastBaudRate() const { return m_lastBaudRate; }
    TDataBits lastDataBits() const { return m_lastDataBits; }
    TStopBits lastStopBits() const { return m_lastStopBits; }
    TParityBits lastParity() const { return m_lastParity; }

private:
    void store(const QString& text);

    QPointer<TCustomComPort> m_port;
    TComProperty m_property = cpNone;
    bool m_autoApply = false;
    QStringList m_items;
    QList<SerialPortInfo> m_ports;
    QString m_listError;
    QString m_lastPort;
    TBaudRate m_lastBaudRate = br9600;
    TDataBits m_lastDataBits = dbEight;
    TStopBits m_lastStopBits = sbOneStopBit;
    TParityBits m_lastParity = prNone;
};

// A drop-down list bound to one setting of a serial port.
class TComComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit TComComboBox(QWidget* parent = nullptr);

    TCustomComPort* ComPort() const { return m_select.ComPort(); }
    void setComPort(TCustomComPort* port);
    TComProperty ComProperty() const { return m_select.ComProperty(); }
    void setComProperty(TComProperty property);
    bool AutoApply() const { return m_select.AutoApply(); }
    void setAutoApply(bool value) { m_select.setAutoApply(value); }
    // The selected item's text (for cpPort the port's name, without the maker and product shown
    // beside it), empty when nothing is selected.
    QString Text() const;
    // Selects the item of that text (ignoring letter case); an unknown text changes nothing.
    void setText(const QString& text);

    // Lists the ports again (cpPort), keeping the port's current name selected when listed.
    void refreshItems();
    const TComSelect& select() const { return m_select; }

private:
    void fill();
    void showCurrentValue();
    void itemChosen(int index);
    QString valueText(int index) const;

    TComSelect m_select;
    QMetaObject::Connection m_destroyedConnection;
};

} // namespace pelorin
