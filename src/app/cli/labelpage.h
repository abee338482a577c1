#pragma once
#include "app/cli/selection.h"
#include "journal/recording.h"
#include "journal/reprint.h"
#include "labels/executedpage.h"
#include "labels/pagebuild.h"

#include <QString>
#include <memory>
#include <optional>

// The page of labels as the main window builds it before printing, for `pelorin render` and
// `pelorin print`: the selections (selection.h) and these page options.
//
//   [--model FILE.ETQ] [--code CODE] [--operator TEXT] [--memo TEXT] [--increment FILE]
//   [--unmark N,N,...] [--no-margins] [--no-outlines]
namespace pelorin {
class ConfigFile;
}

namespace pelorin::cli {

class CommandLine;

struct PageOptions
{
    std::optional<QString> model, code, operatorText, memo, increment, unmark;
    bool noMargins = false, noOutlines = false;
};

void addPageOptions(CommandLine& line);
PageOptions pageOptions(const CommandLine& line);

struct LabelPage
{
    report::ExecutedPage executed; // the page to draw
    PageBuildResult result;        // complete, or stopped after an unknown component type
    QString code;                  // the code its barcodes carry
    QString name;                  // the description's file name without its extension
    // what the journal records of the page (all but where it went), and the configuration that
    // decodes its code
    journal::PrintedPage printed;
    std::shared_ptr<ConfigFile> config;
};

// Builds the page on the default printer's paper. Error for a page that cannot be built (a bad
// value, a missing description or list name); a page that met an unknown component type is built
// up to it, as the window prints it, and says so in `result`.
LabelPage buildLabelPage(const SelectionOptions& selection, const PageOptions& page);

// A page printed before, built again from the description the journal kept: the same code,
// operator text, marked labels and incremental texts; the logo of its place as `config` names it
// (the page holds no configuration). Error for a description that no longer builds.
LabelPage rebuildLabelPage(const journal::PageToReprint& reprinted, ConfigFile& config);
// Prints it again, the first print's copies, on `printer` (the default printer when empty). Error
// when there is no such printer or the page cannot be built; the queue and its resolution otherwise.
journal::Reprinted printAgain(const journal::PageToReprint& reprinted, const QString& printer, ConfigFile& config);

} // namespace pelorin::cli
