#include "journal/export.h"
#include "journal/paperreport.h"
#include "journal/recall.h"

#include <QDateTime>

// The journal's reports on paper (PDF), apart from its text exports: a listing or a CSV file never
// loads the drawing libraries.
namespace pelorin::journal {

void exportPdf(Search& search, View view, const QString& path, const QString& title)
{
    // the columns worth paper; the id and the long texts stay in the CSV
    QStringList headers;
    QList<int> columns;
    if (view == View::Entries) {
        headers = entryHeaders();
        columns = entryColumnsOnPaper();
    } else {
        headers = codeHeaders();
        columns = codeColumnsOnPaper();
    }
    const auto onPaper = [&](const QStringList& cells) {
        QStringList shown;
        for (int i : std::as_const(columns))
            shown << cells.value(i);
        return shown;
    };
    PaperReport report(path, title,
                       {filterDescription(search.filter()), madeAtDescription(QDateTime::currentDateTimeUtc())});
    if (view == View::Reconciliation) {
        report.table(QString(), Recall::totalHeaders());
        ReconcileTotals total;
        search.forEachReconciled([&](const ReconcileRow& r) {
            total.add(r);
            report.row(Recall::totalCells(r));
        });
        report.row(Recall::sumCells(total));
        report.finish();
        return;
    }
    report.table(QString(), onPaper(headers));
    if (view == View::Entries)
        search.forEachEntry([&](const Row& r) { report.row(onPaper(entryCells(r.entry))); });
    else
        search.forEachCode(view, [&](const CodeRow& r) { report.row(onPaper(codeCells(r))); });
    report.finish();
}

void exportRecallPdf(Recall& recall, const QString& path, const QDateTime& madeAt)
{
    PaperReport report(path, QStringLiteral("Rappel : « %1 »").arg(recall.text()),
                       {filterDescription(recall.filter()), madeAtDescription(madeAt)});
    report.table(QStringLiteral("Impressions"), Recall::printHeaders());
    recall.forEachPrint([&](const Entry& e) { report.row(Recall::printCells(e, Reader::Person)); });
    report.table(QStringLiteral("Lectures"), Recall::scanHeaders());
    recall.forEachScan([&](const Entry& e) { report.row(Recall::scanCells(e, Reader::Person)); });
    report.table(QStringLiteral("Étiquettes imprimées et lues, par code"), Recall::totalHeaders());
    const ReconcileTotals total =
        recall.forEachTotal([&](const ReconcileRow& r) { report.row(Recall::totalCells(r)); });
    report.row(Recall::sumCells(total));
    report.finish();
}

} // namespace pelorin::journal
