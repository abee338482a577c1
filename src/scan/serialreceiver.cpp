#include "scan/serialreceiver.h"

#include "base/codepage.h"

namespace pelorin {

namespace {

bool isControl(unsigned char c)
{
    return c < 32 || c == 127;
}

QString cutOffMessage()
{
    return QStringLiteral("Code reçu trop long (plus de %1 caractères) : coupé à %1 caractères.")
        .arg(SerialReceiver::kMaxCodeLength);
}

} // namespace

ReceivedCodes SerialReceiver::receive(QByteArrayView chunk, int endCharacter)
{
    ReceivedCodes result;
    const auto end = static_cast<unsigned char>(endCharacter & 0xff);
    for (const char byte : chunk) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == end) {
            result.codes << fromCp1252(m_buffer);
            m_buffer.clear();
            m_cutOff = false;
        } else if (isControl(c)) {
            continue;
        } else if (m_buffer.size() < kMaxCodeLength) {
            m_buffer.append(byte);
        } else if (!m_cutOff) {
            // said at once: a line that never ends would otherwise go unnoticed
            m_cutOff = true;
            result.messages << cutOffMessage();
        }
    }
    return result;
}

QStringList SerialReceiver::feed(const QByteArray& chunk, int endCharacter, QStringList* messages)
{
    ReceivedCodes result = receive(chunk, endCharacter);
    if (messages)
        *messages += result.messages;
    return result.codes;
}

void SerialReceiver::clear()
{
    m_buffer.clear();
    m_cutOff = false;
}

ReceivedCodes cutReceivedBytes(QByteArrayView bytes, int chunkSize)
{
    ReceivedCodes all;
    if (bytes.isEmpty())
        return all;
    const int end = static_cast<unsigned char>(bytes[0]);
    const QByteArrayView rest = bytes.sliced(1);
    const qsizetype step = chunkSize > 0 ? chunkSize : qMax<qsizetype>(rest.size(), 1);
    SerialReceiver receiver;
    for (qsizetype from = 0; from < rest.size(); from += step) {
        ReceivedCodes part = receiver.receive(rest.sliced(from, qMin(step, rest.size() - from)), end);
        all.codes += part.codes;
        all.messages += part.messages;
    }
    return all;
}

} // namespace pelorin
