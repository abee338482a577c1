#pragma once
#include "scan/codesource.h"
#include "scan/serialreceiver.h"

#include <functional>

// An RS-232 scanner: the characters received on a serial port, cut into codes at the end character.
namespace pelorin {

class TComPort;

class SerialCodeSource : public CodeSource
{
    Q_OBJECT

public:
    // The port is created closed, with its default settings; set them through port().
    explicit SerialCodeSource(QObject* parent = nullptr);
    ~SerialCodeSource() override;

    QString sourceName() const override { return kSerialSource; }

    TComPort* port() const { return m_port; }

    // The end character (0 to 255), asked anew for every chunk received, so that a change applies
    // from the next chunk on. 13 unless set.
    void setEndCharacter(std::function<int()> endCharacter) { m_endCharacter = std::move(endCharacter); }
    void setEndCharacter(int endCharacter)
    {
        m_endCharacter = [endCharacter] { return endCharacter; };
    }

    // Opens the port (EComPort when it cannot be opened), forgetting the characters of a code cut
    // short when it last closed.
    void open();
    // Closes the port if it is open.
    void close();
    bool isOpen() const;

    // The characters received since the last end character.
    const QByteArray& buffer() const { return m_receiver.buffer(); }

private:
    void received(int count);

    TComPort* m_port;
    SerialReceiver m_receiver;
    std::function<int()> m_endCharacter = [] { return 13; };
};

} // namespace pelorin
