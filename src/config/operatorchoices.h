#pragma once
#include <QDate>
#include <QString>

// What the operator last chose in the main window, restored at the next start: the system, mass,
// packaging (with the soap layers and rows), RAL colour, place and perfume, the "Marges" and
// "Contours" switches, and a production date kept for the shift. They are the operator's, not the
// data folder's: kept per user in the user's configuration folder ($XDG_CONFIG_HOME/pelorin/choix.ini),
// never in cfg.xml, whose format stays as it is, and under the data folder they were made in, since a
// code of one folder's lists means nothing in another's. Systems, places and perfumes are kept by their
// codes, so that a renamed entry is still found; one that is gone gives way to the first entry.
namespace pelorin {

struct OperatorChoices
{
    QString systemCode;
    QString mass;      // as typed, at most three digits
    int packaging = 0; // position in packagingItems()
    QString layers;    // soap layers and rows, one digit each
    QString rows;
    QString ralNumber; // "5015"
    QString placeCode;
    QString perfumeCode;
    bool marginFrame = true;
    bool outlines = true;
    // The date the operator fixed for the shift ("Garder cette date"); invalid when the date is today's.
    QDate keptDate;

    // The choices kept for the current data folder (DataFolder::root()); none kept, or a file that
    // cannot be read, gives the defaults (the first entries, today's date).
    static OperatorChoices load();
    // Keeps them for the current data folder; false when the file cannot be written (nothing else
    // depends on it: the next start then shows the first entries).
    bool save() const;
    // The file they are kept in.
    static QString filePath();

    bool operator==(const OperatorChoices&) const = default;
};

} // namespace pelorin
