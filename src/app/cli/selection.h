#pragma once
#include "code/tracecode.h"

#include <QString>
#include <QStringList>
#include <optional>

class QTextStream;

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

// What the main window's fields would refuse among the options, as a usage error's whole line (the
// option named, then what it takes and the value given); empty when every value is one the window
// takes: a mass of one to three digits, layers and rows from 1 to 6, a manual code that "Code manuel"
// holds whole, a production date that exists.
QString selectionProblem(const SelectionOptions& options);

// The same refusal at a command's start: the usage error written on `err` and its status (2), nothing
// when the selections are fine.
std::optional<int> refuseSelections(const CommandLine& line, QTextStream& err);

// Makes the data folder the one in force (--data names it; otherwise the usual search) and loads
// its configuration; Error with the loader's message.
void loadConfiguration(const SelectionOptions& options, ConfigFile& config);

// The code as the main window composes it after start-up with these selections. Unset options keep
// the start-up state: the first system, "000", "Boites de 6" (layers and rows 1), RAL 1000, the
// alphabetically first perfume and place, today. --manual turns manual mode on with that code.
// Throws Error: a value selectionProblem() refuses, a name no list holds, a lookup that fails (a
// configuration without systems).
struct ComposedCode
{
    QString code;     // what currentCode gives
    QString logoPath; // the production place's logo
    CodeFields fields;
};
ComposedCode composeCode(const SelectionOptions& options, ConfigFile& config);

} // namespace pelorin::cli
