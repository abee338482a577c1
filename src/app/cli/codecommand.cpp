#include "app/cli/cli.h"

#include <QTextStream>

namespace pelorin::cli {

int codeCommand(const QStringList&, QTextStream&, QTextStream& err)
{
    err << "pelorin code: not built yet\n";
    return 2;
}

} // namespace pelorin::cli
