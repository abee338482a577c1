#include "app/cli/cli.h"

#include <QTextStream>

namespace pelorin::cli {

int renderCommand(const QStringList&, QTextStream&, QTextStream& err)
{
    err << "pelorin render: not built yet\n";
    return 2;
}

} // namespace pelorin::cli
