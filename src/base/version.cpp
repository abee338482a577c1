#include "base/version.h"

#include "pelorin_version.h"

namespace pelorin {

QString LireVersion()
{
    return QStringLiteral(PELORIN_VERSION);
}

} // namespace pelorin
