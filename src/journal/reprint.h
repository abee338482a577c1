#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "journal/entry.h"
#include "journal/journal.h"

// A print the operator repeats: the page description the journal kept under the first print's
// fingerprint, printed again with the same code, operator text, labels, texts and copies, and
// recorded as a reprint linked to that first print.
namespace pelorin::journal {

class Database;

// What a page printed before carried, as the journal gives it back to be printed again.
struct PageToReprint
{
    Entry first;            // the print repeated (the first one, also when a reprint was chosen)
    QByteArray description; // its page description's bytes
    QList<int> labels;      // the marked labels
    // The incremental list as the page printed it: line n on label n (empty where unknown).
    QStringList incrementalLines;
};

// Where the page went again.
struct Reprinted
{
    QString output; // the printer's queue
    int dpi = 0;    // its resolution, 0 when unknown
};

// Prints the page on `printer` (the default printer when empty), the first print's copies; Error
// with the reason when it cannot. Given by the program, which knows how pages are built and printed.
using PagePrinter = std::function<Reprinted(const PageToReprint& page, const QString& printer)>;

// The print entry `entryId` of `db` with its description, ready to be printed again. Error (in
// French) for an entry that is not stored, not a print to a printer, or whose description the
// journal does not hold.
PageToReprint pageToReprint(Database& db, const QString& entryId);

// True when the row can be printed again: a print to a printer whose description was kept.
bool canReprint(const Entry& entry);

// The entry that records `page` printed again where `went` says: a new id, now, this workstation,
// linked to the first print.
Entry reprintEntry(const PageToReprint& page, const Reprinted& went);

// Prints `entryId` again through `print` and records the reprint (its id, now, this workstation,
// the printer it went to) linked to the first print. Error when nothing could be printed; the
// record's result says when the journal could not be written (the reprint then waits in the outbox).
RecordResult reprint(Journal& journal, const QString& entryId, const PagePrinter& print,
                     const QString& printer = QString(), Entry* recorded = nullptr);

// The label numbers of ranges such as "1-3,5"; the inverse of labelRanges().
QList<int> labelNumbers(const QString& ranges);

} // namespace pelorin::journal
