#include "app/cli/cli.h"

#include "journal/recall.h"

#include <QTextStream>

// The commands that draw without printing: what libpelorin-draw runs, on Qt Gui alone.
namespace pelorin::cli {

const JournalPrinting& journalDrawingPart()
{
    static constexpr JournalPrinting part = {nullptr, journal::exportRecallPdf};
    return part;
}

int runDrawing(const QStringList& args, QTextStream& out, QTextStream& err)
{
    setJournalPrinting(&journalDrawingPart());
    const QString name = commandName(args);
    if (name == QLatin1String("render"))
        return runCommand(renderCommand, args, out, err);
    if (name == QLatin1String("check"))
        return runCommand(checkCommand, args, out, err);
    if (name == QLatin1String("journal"))
        return runCommand(journalCommand, args, out, err);
    return kNeedsWholeProgram;
}

} // namespace pelorin::cli
