#include "app/cli/cli.h"
#include "app/cli/labelpage.h"

#include "base/error.h"
#include "config/configfile.h"
#include "journal/database.h"
#include "journal/journal.h"
#include "journal/recall.h"
#include "journal/reprint.h"
#include "journal/search.h"

#include "labels/ui/printing.h"

#include <QDateTime>
#include <QTextStream>

// The journal command's reprint, apart from its listings, so that a listing never loads the printing
// libraries.
namespace pelorin::cli {

namespace {

using namespace pelorin::journal;

int reprintEntry(Journal& journal, const QString& id, const QString& printer, QTextStream& out, QTextStream& err)
{
    try {
        ConfigFile config;
        config.load();
        Entry recorded;
        const RecordResult r = reprint(
            journal, id, [&](const PageToReprint& page, const QString& to) { return printAgain(page, to, config); },
            printer, &recorded);
        if (!r.message.isEmpty())
            err << r.message << '\n';
        out << QStringLiteral("Page réimprimée sur « %1 » : entrée %2, réimpression de %3\n")
                   .arg(recorded.output, recorded.id, recorded.reprintOf);
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}

} // namespace

journal::Reprinted printAgain(const journal::PageToReprint& reprinted, const QString& printer, ConfigFile& config)
{
    const QString target = report::printerQueue(printer);
    if (target.isEmpty())
        throw Error(printer.isEmpty() ? QStringLiteral("Aucune imprimante par défaut : la page n'est pas réimprimée.")
                                      : QStringLiteral("L'imprimante « %1 » n'existe pas : la page n'est pas "
                                                       "réimprimée.")
                                            .arg(printer));
    const LabelPage page = rebuildLabelPage(reprinted, config);
    report::PrintJob job;
    job.printer = target;
    job.copies = qMax(1, reprinted.first.copies);
    job.name = report::jobName(page.code, page.name);
    report::printPage(page.executed, job);
    return {target, report::printerResolution(target)};
}

const JournalPrinting& journalPrintingPart()
{
    static constexpr JournalPrinting part = {reprintEntry, exportRecallPdf};
    return part;
}

} // namespace pelorin::cli
