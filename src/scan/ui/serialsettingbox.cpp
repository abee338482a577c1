#include "scan/ui/serialsettingbox.h"

#include "base/ui/dialogs.h"
#include "scan/seriallink.h"

namespace pelorin {

SerialSettingBox::SerialSettingBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, &SerialSettingBox::chosen);
}

void SerialSettingBox::setSetting(SerialSetting which)
{
    m_setting = which;
    fill();
}

void SerialSettingBox::setLink(SerialLink* link)
{
    disconnect(m_destroyedConnection);
    m_link = link;
    if (link)
        m_destroyedConnection = connect(link, &QObject::destroyed, this, [this] {
            m_link = nullptr;
            setCurrentIndex(count() > 0 ? 0 : -1);
        });
    // without a readable list of ports the box offers the link's own port
    if (m_setting == SerialSetting::Port && !m_listError.isEmpty())
        fill();
    else
        showLinkValue();
}

void SerialSettingBox::refreshItems()
{
    if (m_setting == SerialSetting::Port)
        fill();
}

void SerialSettingBox::fill()
{
    const QSignalBlocker quiet(this);
    clear();
    m_listError.clear();
    if (m_setting == SerialSetting::Port) {
        QList<SerialPortInfo> ports;
        try {
            ports = listSerialPorts();
        } catch (const Error& e) {
            // a system without a readable list of ports still works with the port named
            m_listError = e.message();
            if (m_link)
                ports << SerialPortInfo{m_link->settings().port, QString(), QString(), true};
        }
        // a port the user may not open says why
        for (const SerialPortInfo& port : std::as_const(ports)) {
            addItem(port.label(), port.name);
            if (!port.mayOpen)
                setItemData(count() - 1, dialoutHint(), Qt::ToolTipRole);
        }
    } else {
        addItems(settingTexts(m_setting));
    }
    if (m_link)
        showLinkValue();
    else
        setCurrentIndex(count() > 0 ? 0 : -1);
}

void SerialSettingBox::showLinkValue()
{
    if (!m_link)
        return;
    const QSignalBlocker quiet(this);
    const QString value = settingText(m_link->settings(), m_setting);
    for (int i = 0; i < count(); ++i)
        if (choiceAt(i).compare(value, Qt::CaseInsensitive) == 0) {
            setCurrentIndex(i);
            return;
        }
    setCurrentIndex(-1);
}

QString SerialSettingBox::choiceAt(int index) const
{
    if (index < 0)
        return QString();
    const QVariant name = itemData(index);
    return name.isValid() ? name.toString() : itemText(index);
}

QString SerialSettingBox::choice() const
{
    return choiceAt(currentIndex());
}

void SerialSettingBox::setChoice(const QString& text)
{
    for (int i = 0; i < count(); ++i)
        if (choiceAt(i).compare(text, Qt::CaseInsensitive) == 0) {
            setCurrentIndex(i);
            return;
        }
}

void SerialSettingBox::chosen(int index)
{
    if (!m_link)
        return;
    SerialSettings settings = m_link->settings();
    setSettingFromText(settings, m_setting, choiceAt(index));
    try {
        m_link->setSettings(settings);
    } catch (const Error& e) {
        // the box keeps showing the choice the link refused
        Dialogs::error(this, e.message());
    }
}

} // namespace pelorin
