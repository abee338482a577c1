#include "scan/filesource.h"

#include "scan/scbfile.h"

namespace pelorin {

QStringList FileCodeSource::read()
{
    const QStringList codes = readScbFile(m_path);
    if (!codes.isEmpty())
        emit codesReceived(codes);
    return codes;
}

} // namespace pelorin
