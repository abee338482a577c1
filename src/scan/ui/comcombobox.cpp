#include "scan/ui/comcombobox.h"

#include "base/ui/dialogs.h"

namespace pelorin {

void TComSelect::setComProperty(TComProperty property)
{
    m_property = property;
    m_listError.clear();
    m_ports.clear();
    switch (property) {
    case cpPort:
        try {
            m_ports = TCustomComPort::listPorts();
        } catch (const EComPort& e) {
            m_listError = e.message();
            if (m_port)
                m_ports << SerialPortInfo{m_port->Port(), QString(), QString(), true};
        }
        m_items.clear();
        for (const SerialPortInfo& port : std::as_const(m_ports))
            m_items << port.name;
        break;
    case cpBaudRate:
        m_items = baudRateTexts();
        break;
    case cpDataBits:
        m_items = dataBitsTexts();
        break;
    case cpStopBits:
        m_items = stopBitsTexts();
        break;
    case cpParity:
        m_items = parityTexts();
        break;
    case cpNone:
    case cpFlowControl:
        m_items.clear();
        break;
    }
}

QString TComSelect::currentValueText() const
{
    if (!m_port)
        return QString();
    switch (m_property) {
    case cpPort:
        return m_port->Port();
    case cpBaudRate:
        return BaudRateToStr(m_port->BaudRate());
    case cpDataBits:
        return DataBitsToStr(m_port->DataBits());
    case cpStopBits:
        return StopBitsToStr(m_port->StopBits());
    case cpParity:
        return ParityToStr(m_port->Parity().Bits());
    case cpNone:
    case cpFlowControl:
        break;
    }
    return QString();
}

int TComSelect::findCurrentValue()
{
    const QString value = currentValueText();
    for (qsizetype i = 0; i < m_items.size(); ++i)
        if (m_items[i].compare(value, Qt::CaseInsensitive) == 0) {
            store(m_items[i]);
            return int(i);
        }
    return -1;
}

void TComSelect::store(const QString& text)
{
    switch (m_property) {
    case cpPort:
        m_lastPort = text;
        break;
    case cpBaudRate:
        m_lastBaudRate = StrToBaudRate(text);
        break;
    case cpDataBits:
        m_lastDataBits = StrToDataBits(text);
        break;
    case cpStopBits:
        m_lastStopBits = StrToStopBits(text);
        break;
    case cpParity:
        m_lastParity = StrToParity(text);
        break;
    case cpNone:
    case cpFlowControl:
        break;
    }
}

void TComSelect::choose(const QString& text)
{
    store(text);
    if (!m_autoApply || !m_port)
        return;
    switch (m_property) {
    case cpPort:
        m_port->setPort(m_lastPort);
        break;
    case cpBaudRate:
        m_port->setBaudRate(m_lastBaudRate);
        break;
    case cpDataBits:
        m_port->setDataBits(m_lastDataBits);
        break;
    case cpStopBits:
        m_port->setStopBits(m_lastStopBits);
        break;
    case cpParity:
        m_port->Parity().setBits(m_lastParity);
        break;
    case cpNone:
    case cpFlowControl:
        break;
    }
}

TComComboBox::TComComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, &TComComboBox::itemChosen);
}

void TComComboBox::setComPort(TCustomComPort* port)
{
    disconnect(m_destroyedConnection);
    m_select.setComPort(port);
    if (port)
        // a port destroyed before the selector is forgotten, and the first item shown
        m_destroyedConnection = connect(port, &QObject::destroyed, this, [this] {
            m_select.setComPort(nullptr);
            setCurrentIndex(count() > 0 ? 0 : -1);
        });
    // without a readable list of ports the selector offers the bound port's own name
    if (ComProperty() == cpPort && !m_select.listError().isEmpty())
        setComProperty(cpPort);
    showCurrentValue();
}

void TComComboBox::setComProperty(TComProperty property)
{
    m_select.setComProperty(property);
    fill();
}

void TComComboBox::refreshItems()
{
    if (ComProperty() == cpPort)
        setComProperty(cpPort);
}

void TComComboBox::fill()
{
    const QSignalBlocker quiet(this);
    clear();
    if (ComProperty() == cpPort)
        // a USB scanner shows its maker and product beside its name, a port the user may not open why
        for (const SerialPortInfo& port : m_select.ports()) {
            addItem(port.label(), port.name);
            if (!port.mayOpen)
                setItemData(count() - 1, dialoutHint(), Qt::ToolTipRole);
        }
    else
        addItems(m_select.items());
    if (count() == 0)
        return;
    if (m_select.ComPort())
        showCurrentValue();
    else
        setCurrentIndex(0);
}

void TComComboBox::showCurrentValue()
{
    if (!m_select.ComPort())
        return;
    const QSignalBlocker quiet(this);
    setCurrentIndex(m_select.findCurrentValue());
}

QString TComComboBox::valueText(int index) const
{
    if (index < 0)
        return QString();
    const QVariant name = itemData(index);
    return name.isValid() ? name.toString() : itemText(index);
}

QString TComComboBox::Text() const
{
    return valueText(currentIndex());
}

void TComComboBox::setText(const QString& text)
{
    for (int i = 0; i < count(); ++i)
        if (valueText(i).compare(text, Qt::CaseInsensitive) == 0) {
            setCurrentIndex(i);
            return;
        }
}

void TComComboBox::itemChosen(int index)
{
    try {
        m_select.choose(valueText(index));
    } catch (const Error& e) {
        // the selector keeps showing the choice the port refused
        Dialogs::error(this, e.message());
    }
}

} // namespace pelorin
