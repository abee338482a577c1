#pragma once
#include "code/tracecode.h"

#include <QString>
#include <QStringList>
#include <optional>

// The selection options shared by `pelorin code` and `pelorin render`: the main window's selections
// after start-up, given on the command line.
//
//   [--data DIR] [--system NAME] [--mass TEXT] [--packaging ITEM] [--layers N] [--rows N] [--ral NNNN]
//   [--perfume NAME] [--place NAME] [--date YYYY-MM-DD] [--manual CODE]
namespace pelorin {
class ConfigFile;
}

namespace pelorin::cli {

struct SelectionOptions
{
    std::optional<QString> dataDir;
    std::optional<QString> system;
    std::optional<QString> mass;
    std::optional<QString> packaging;
    std::optional<QString> layers;
    std::optional<QString> rows;
    std::optional<QString> ral;
    std::optional<QString> perfume;
    std::optional<QString> place;
    std::optional<QString> date;
    std::optional<QString> manual;
};

class CommandLine;

// Declares those options, with the sentences of the help.
void addSelectionOptions(CommandLine& line);
// The options given on a parsed command line.
SelectionOptions selectionOptions(const CommandLine& line);

// Makes the data folder the one in force (--data names it; otherwise the usual search) and loads
// its configuration; Error with the loader's message.
void loadConfiguration(const SelectionOptions& options, ConfigFile& config);

// The code as the main window composes it after start-up with these selections. Unset options keep
// the start-up state: the first system, "000", "Boites de 6" (layers and rows 1), RAL 1000, the
// alphabetically first perfume and place, today. --manual turns manual mode on with that code.
// Throws Error: a name no list holds, a conversion that fails (the program's own message), a lookup
// that fails (a configuration without systems).
struct ComposedCode
{
    QString code;     // what CalculOF gives
    QString logoPath; // the production place's logo
    CodeFields fields;
};
ComposedCode composeCode(const SelectionOptions& options, ConfigFile& config);

} // namespace pelorin::cli
