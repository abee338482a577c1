#include "scan/serialsource.h"

#include "scan/seriallink.h"

namespace pelorin {

SerialCodeSource::SerialCodeSource(QObject* parent) : CodeSource(parent), m_link(new SerialLink(this))
{
    connect(m_link, &SerialLink::received, this, &SerialCodeSource::received);
    // the device went away (the port is closed by then) or a chunk could not be handled; reception
    // goes on where it can
    connect(m_link, &SerialLink::failed, this, &CodeSource::failed);
}

SerialCodeSource::~SerialCodeSource() = default;

void SerialCodeSource::open()
{
    m_receiver.clear();
    m_link->open();
}

void SerialCodeSource::close()
{
    m_link->close();
}

bool SerialCodeSource::isOpen() const
{
    return m_link->isOpen();
}

void SerialCodeSource::received(const QByteArray& bytes)
{
    // several codes in one chunk are each handed over, in order
    const ReceivedCodes result = m_receiver.receive(bytes, m_endCharacter());
    // a code cut off is said as soon as it overflows; reception goes on
    for (const QString& message : result.messages)
        emit failed(message);
    if (!result.codes.isEmpty())
        emit codesReceived(result.codes);
}

} // namespace pelorin
