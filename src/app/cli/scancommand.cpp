#include "app/cli/cli.h"

#include <QTextStream>

namespace pelorin::cli {

int scanCommand(const QStringList&, QTextStream&, QTextStream& err)
{
    err << "pelorin scan: not built yet\n";
    return 2;
}

} // namespace pelorin::cli
