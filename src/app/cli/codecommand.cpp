#include "app/cli/cli.h"
#include "app/cli/commandline.h"
#include "app/cli/selection.h"

#include "base/error.h"
#include "config/configfile.h"

#include <QTextStream>

namespace pelorin::cli {

int codeCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CommandLine line(QStringLiteral("code"), QString(),
                     QStringLiteral("Affiche le code de traçabilité que la fenêtre principale compose avec ces choix ; "
                                    "les options absentes gardent l'état du démarrage."));
    addSelectionOptions(line);
    if (const std::optional<int> answered = line.answer(arguments, out, err, false))
        return *answered;
    if (const std::optional<int> refused = refuseSelections(line, err))
        return *refused;
    try {
        const SelectionOptions options = selectionOptions(line);
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
