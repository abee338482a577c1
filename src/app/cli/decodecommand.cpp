#include "app/cli/cli.h"

#include <QTextStream>

namespace pelorin::cli {

int decodeCommand(const QStringList&, QTextStream&, QTextStream& err)
{
    err << "pelorin decode: not built yet\n";
    return 2;
}

} // namespace pelorin::cli
