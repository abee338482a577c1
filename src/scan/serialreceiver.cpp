#include "scan/serialreceiver.h"

#include "base/codepage.h"

namespace pelorin {

QStringList SerialReceiver::feed(const QByteArray& chunk, int endCharacter)
{
    QStringList codes;
    const char end = char(endCharacter & 0xff);
    qsizetype from = 0;
    while (from < chunk.size()) {
        if (m_skipLineFeed) {
            m_skipLineFeed = false;
            if (chunk[from] == '\n') {
                ++from;
                continue;
            }
        }
        const qsizetype at = chunk.indexOf(end, from);
        if (at < 0) {
            m_buffer.append(chunk.constData() + from, chunk.size() - from);
            break;
        }
        m_buffer.append(chunk.constData() + from, at - from);
        codes << fromCp1252(m_buffer);
        m_buffer.clear();
        m_skipLineFeed = end == '\r';
        from = at + 1;
    }
    return codes;
}

void SerialReceiver::clear()
{
    m_buffer.clear();
    m_skipLineFeed = false;
}

} // namespace pelorin
