#include "scan/serialerror.h"

#include "scan/serialports.h"

#include <cerrno>

namespace pelorin {

namespace {

QString messageOf(SerialError::Kind kind, int systemCode)
{
    QString message = SerialError::text(kind);
    if (systemCode < 0)
        return message;
    message += QStringLiteral(" (win error code: %1)").arg(systemCode);
    if (kind == SerialError::Open && systemCode == EACCES)
        message += u'\n' + dialoutHint();
    return message;
}

} // namespace

SerialError::SerialError(Kind kind, int systemCode)
    : Error(messageOf(kind, systemCode)), m_kind(kind), m_systemCode(systemCode)
{
}

QString SerialError::text(Kind kind)
{
    switch (kind) {
    case Open:
        return QStringLiteral("Unable to open com port");
    case Read:
        return QStringLiteral("ReadFile function failed");
    case Clear:
        return QStringLiteral("PurgeComm function failed");
    case LineSettings:
        return QStringLiteral("SetCommState function failed");
    case PortList:
        return QStringLiteral("Registry error");
    }
    return QString();
}

} // namespace pelorin
