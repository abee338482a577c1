#include "app/cli/cli.h"
#include "app/cli/selection.h"

#include "base/error.h"
#include "config/configfile.h"

#include <QTextStream>

namespace pelorin::cli {

int codeCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList args = arguments;
    try {
        const SelectionOptions options = takeSelectionOptions(args);
        if (!args.isEmpty()) {
            err << "pelorin code : argument inconnu " << args.first() << '\n' << usage();
            return 2;
        }
        ConfigFile config;
        loadConfiguration(options, config);
        out << composeCode(options, config).code << '\n';
        return 0;
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }
}

} // namespace pelorin::cli
