#include "app/cli/cli.h"
#include "app/cli/commandline.h"
#include "app/cli/selection.h"
#include "app/cli/labelpage.h"

#include "base/convert.h"
#include "base/error.h"
#include "config/configfile.h"
#include "journal/journal.h"
#include "journal/recording.h"
#include "labels/ui/printing.h"
#include "scan/decode.h"

#include <QTextStream>

namespace pelorin::cli {

namespace {

constexpr int kMaxCopies = 999;

// The page goes on record before its job leaves, under the printer it goes to; a journal that
// cannot be written says so and never stops the print. Returns false when the entry could be made
// durable nowhere (neither in the journal nor in its outbox): it is lost when this command ends.
bool recordPrint(LabelPage& page, const QString& printer, int copies, QTextStream& err)
{
    try {
        journal::Settings settings;
        try {
            settings = journal::Settings::load();
        } catch (const Error& e) {
            err << e.message() << '\n';
        }
        journal::Journal log(settings);
        page.printed.medium = journal::Medium::Printer;
        page.printed.output = printer;
        page.printed.copies = copies;
        page.printed.dpi = report::printerResolution(printer);
        const CodeDecoder decoder(*page.config);
        const journal::RecordResult r = log.record(journal::printEntry(page.printed, decoder));
        if (r.inMemory) {
            err << QStringLiteral("Le journal ne peut pas être écrit : %1\nL'entrée de cette impression est perdue : "
                                  "ni le journal ni sa file d'envoi n'ont pu l'enregistrer (%2).\n")
                       .arg(log.lastError().isEmpty() ? QStringLiteral("-") : log.lastError(), log.triedPlaces());
            return false;
        }
        if (!r.message.isEmpty())
            err << r.message << '\n';
        else if (r.waiting)
            // each print made while the journal is out of reach says so, not only the first
            err << QStringLiteral("Journal hors ligne : l'entrée attend d'être envoyée (%1 en attente).\n")
                       .arg(log.pending());
    } catch (...) {
        err << currentErrorMessage() << '\n';
        return false;
    }
    return true;
}

} // namespace

// pelorin print: the page of labels printed as the main window's print buttons print it. Exit
// status 0 when the job was handed to the print server, 1 for an error (no printer, a page that
// cannot be built; a page that met an unknown component type is still printed), 2 for a usage error,
// 3 when the page was printed but its journal entry is lost.
int printCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CommandLine line(QStringLiteral("print"), QString(),
                     QStringLiteral("Imprime la page d'étiquettes comme le bouton « Imprimer la page. » de la fenêtre "
                                    "principale ; la tâche d'impression s'appelle « Pelorin <code> <nom de la "
                                    "page> »."));
    addSelectionOptions(line);
    addPageOptions(line);
    line.add({QStringLiteral("printer")},
             QStringLiteral("L'imprimante (une file CUPS) ; l'imprimante par défaut sans cette option."),
             QStringLiteral("NOM"));
    line.add({QStringLiteral("copies")},
             QStringLiteral("Le nombre d'exemplaires, de 1 à %1 (1 par défaut).").arg(kMaxCopies), QStringLiteral("N"));
    if (const std::optional<int> answered = line.answer(arguments, out, err, false))
        return *answered;
    if (const std::optional<int> refused = refuseSelections(line, err))
        return *refused;

    report::PrintJob job;
    job.printer = line.value(QStringLiteral("printer"));
    if (line.isSet(QStringLiteral("printer")) && job.printer.isEmpty())
        return line.usageError(err, QStringLiteral("--printer : nom d'imprimante vide"));
    try {
        if (line.isSet(QStringLiteral("copies")))
            job.copies = strToInt(line.value(QStringLiteral("copies")));
    } catch (const Error& e) {
        return line.usageError(err, e.message());
    }
    if (job.copies < 1 || job.copies > kMaxCopies)
        return line.usageError(err, QStringLiteral("--copies : de 1 à %1 exemplaires").arg(kMaxCopies));

    try {
        LabelPage page = buildLabelPage(selectionOptions(line), pageOptions(line));
        job.name = report::jobName(page.code, page.name);
        const QString target = report::printerQueue(job.printer);
        const bool recorded = target.isEmpty() || recordPrint(page, target, job.copies, err);
        report::printPage(page.executed, job);
        if (!recorded)
            err << QStringLiteral("La page est imprimée (tâche « %1 »), mais son entrée au journal est perdue.\n")
                       .arg(job.name);
        if (!page.result.complete()) {
            err << page.result.message << '\n';
            return 1;
        }
        if (!recorded)
            return 3;
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}

} // namespace pelorin::cli
