#pragma once
#include "scan/seriallink.h"
#include "scan/serialports.h"

#include <QComboBox>
#include <QPointer>

namespace pelorin {

// A drop-down list of the choices for one setting of a serial link; the operator's choice goes to
// the link at once.
class SerialSettingBox : public QComboBox
{
    Q_OBJECT

public:
    explicit SerialSettingBox(QWidget* parent = nullptr);

    SerialSetting setting() const { return m_setting; }
    // Fills the items: the system's ports for the port (a USB scanner with its maker and product), the
    // setting's texts otherwise. Shows the link's value, or the first item while no link is bound.
    void setSetting(SerialSetting which);
    SerialLink* link() const { return m_link; }
    // Binds the link and shows its value. A link destroyed first is forgotten, and the first item shown.
    void setLink(SerialLink* link);

    // The selected choice (for a port its name, without the maker and product shown beside it),
    // empty when nothing is selected.
    QString choice() const;
    // Selects the choice of that text, ignoring letter case; an unknown text changes nothing.
    void setChoice(const QString& text);

    // Lists the ports again, keeping the link's port selected when listed.
    void refreshItems();
    // Why the system's list of ports could not be read; empty when it could.
    QString listError() const { return m_listError; }

private:
    void fill();
    void showLinkValue();
    void chosen(int index);
    QString choiceAt(int index) const;

    SerialSetting m_setting = SerialSetting::Port;
    QPointer<SerialLink> m_link;
    QMetaObject::Connection m_destroyedConnection;
    QString m_listError;
};

} // namespace pelorin
