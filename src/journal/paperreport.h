#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

// A report on paper (PDF, A4): a title and the lines that say what it shows on top of every page,
// then tables whose cells wrap inside their column, so that every text is printed whole, however
// many rows there are. Its page number at the foot of every page. Written to a temporary file that
// takes the place of the target only once it is complete.
namespace pelorin::journal {

class PaperReport
{
public:
    // `about`: the lines under the title (the filter, the time of the report).
    PaperReport(const QString& path, const QString& title, const QStringList& about);
    ~PaperReport();
    PaperReport(const PaperReport&) = delete;
    PaperReport& operator=(const PaperReport&) = delete;

    // A new table under `heading` (none when empty), with these column headers.
    void table(const QString& heading, const QStringList& headers);
    void row(const QStringList& cells);
    // A paragraph between tables.
    void text(const QString& paragraph);
    // Writes the rest and puts the file in place. Error with the reason.
    void finish();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace pelorin::journal
