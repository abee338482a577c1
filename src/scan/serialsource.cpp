#include "scan/serialsource.h"

#include "base/error.h"
#include "scan/comport.h"

namespace pelorin {

SerialCodeSource::SerialCodeSource(QObject* parent) : CodeSource(parent), m_port(new TComPort(this))
{
    m_port->OnRxChar = [this](QObject*, int count) { received(count); };
    // the device went away (the port is closed by then) or a chunk could not be handled; reception
    // goes on where it can
    m_port->OnFault = [this](QObject*, const QString& message) { emit failed(message); };
}

SerialCodeSource::~SerialCodeSource()
{
    m_port->OnRxChar = nullptr;
    m_port->OnFault = nullptr;
}

void SerialCodeSource::open()
{
    m_receiver.clear();
    m_port->OpenPort();
}

void SerialCodeSource::close()
{
    if (m_port->Connected())
        m_port->ClosePort();
}

bool SerialCodeSource::isOpen() const
{
    return m_port->Connected();
}

void SerialCodeSource::received(int count)
{
    ReceivedCodes result;
    try {
        // several codes in one chunk are each handed over, in order
        result = m_receiver.receive(m_port->readBytes(count), m_endCharacter());
    } catch (...) {
        emit failed(currentErrorMessage());
        return;
    }
    // a code cut off is said as soon as it overflows; reception goes on
    for (const QString& message : std::as_const(result.messages))
        emit failed(message);
    if (!result.codes.isEmpty())
        emit codesReceived(result.codes);
}

} // namespace pelorin
