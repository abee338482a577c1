#pragma once
#include "scan/codesource.h"
#include "scan/serialreceiver.h"

#include <functional>

// An RS-232 scanner: the characters received on a serial port, cut into codes at the end character.
namespace pelorin {

class SerialLink;

class SerialCodeSource : public CodeSource
{
    Q_OBJECT

public:
    // The link is created closed, with the default settings; set them through link().
    explicit SerialCodeSource(QObject* parent = nullptr);
    ~SerialCodeSource() override;

    QString sourceName() const override { return kSerialSource; }

    SerialLink* link() const { return m_link; }

    // The end character (0 to 255), asked anew for every chunk received, so that a change applies
    // from the next chunk on. 13 unless set.
    void setEndCharacter(std::function<int()> endCharacter) { m_endCharacter = std::move(endCharacter); }
    void setEndCharacter(int endCharacter)
    {
        m_endCharacter = [endCharacter] { return endCharacter; };
    }

    // Opens the port (SerialError when it cannot be opened), forgetting the characters of a code cut
    // short when it last closed.
    void open();
    // Closes the port if it is open.
    void close();
    bool isOpen() const;

    // The characters received since the last end character.
    const QByteArray& buffer() const { return m_receiver.buffer(); }

private:
    void received(const QByteArray& bytes);

    SerialLink* m_link;
    SerialReceiver m_receiver;
    std::function<int()> m_endCharacter = [] { return 13; };
};

} // namespace pelorin
