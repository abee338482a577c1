#include "app/cli/cli.h"

#include <QTextStream>

// Every command, the ones that draw and print included: the whole program's command line.
namespace pelorin::cli {

namespace {

const struct
{
    const char* name;
    CommandFunction run;
} kRunners[] = {
    {"code", codeCommand},     {"render", renderCommand}, {"print", printCommand},     {"check", checkCommand},
    {"decode", decodeCommand}, {"scan", scanCommand},     {"journal", journalCommand}, {"calibrate", calibrateCommand},
};

} // namespace

int run(const QStringList& args, QTextStream& out, QTextStream& err)
{
    setJournalPrinting(&journalPrintingPart());
    const QString name = commandName(args);
    for (const auto& r : kRunners)
        if (name == QLatin1String(r.name))
            return runCommand(r.run, args, out, err);
    err << usage();
    return 2;
}

} // namespace pelorin::cli
