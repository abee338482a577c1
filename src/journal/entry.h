#pragma once
#include <QDate>
#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <array>

// One line of the traceability journal: a printed page (or a page exported to PDF), a code taken by
// a scan, or a read that was no code (a misread). Every entry carries an id made where the print or
// scan happened, so that sending it again (after a lost answer, from the outbox) never stores it twice.
namespace pelorin::journal {

// A misread is a read that is not a whole code that decodes (another length, a field that reads
// "Erreur", an impossible date): kept, to be checked, but never taken for a code that was read.
enum class EntryKind { Print, Scan, Misread };

// "print" / "scan" / "misread", as stored and as the command line names them; false when the text is
// none of them.
QString kindName(EntryKind kind);
bool kindFromName(const QString& name, EntryKind* kind);
// The store names of the kinds a journal of this schema version accepts.
QStringList kindNames(int schemaVersion);

// Where a printed page went: a printer (its name) or a PDF file (its path).
enum class Medium { Printer, PdfFile };

// The seven decoded texts, in the scan grid's column order: system, mass, packaging, colour,
// perfume, factory, date.
constexpr int kDecodedCount = 7;
using Decoded = std::array<QString, kDecodedCount>;

struct Entry
{
    QString id; // a UUID in its text form without braces
    EntryKind kind = EntryKind::Print;
    QDateTime at; // UTC
    QString workstation;
    QString user;
    QString code;
    Decoded decoded;
    QString error; // misread: why the read is no code that decodes

    // printed pages
    QString operatorText;
    QString model;      // the page description's file name
    QString labels;     // the marked labels, as ranges ("1-3,5")
    int labelCount = 0; // the marked labels: those printed on each copy
    int copies = 1;
    int labelTotal = 0; // labels printed in all: the marked ones on every copy (none for a PDF)
    int dpi = 0;        // the printer's resolution, 0 when unknown
    QString firstText;  // first and last lines of the incremental list the labels carried
    QString lastText;
    QStringList allTexts; // every line the marked labels carried, when the page prints the list
    Medium medium = Medium::Printer;
    QString output; // printer name or file path
    // The page description as printed: its SHA-256 (hex), the key under which the journal keeps its
    // bytes once, whatever the number of prints; and those bytes, carried with the entry until it is
    // stored (never a column of its own).
    QString fingerprint;
    QByteArray description;
    QString reprintOf; // a reprint: the id of the print it repeats

    // scans
    QString source; // "clavier", "RS-232 /dev/ttyUSB0", "fichier codes.SCB"

    // Fields cut from the code by position, for the searches by lot: perfume 10-12, factory 13-17
    // and the production date of positions 18-22 (invalid when the field is no date).
    QString systemCode() const;
    QString perfumeCode() const;
    QString factoryCode() const;
    QDate productionDate() const;

    QJsonObject toJson() const;
    static Entry fromJson(const QJsonObject& json);
};

// The fingerprint of a page description: the SHA-256 of its bytes, in lower-case hex.
QString pageFingerprint(const QByteArray& description);

// A new entry of `kind` stamped now, on this workstation, by this system user, with a fresh id.
Entry newEntry(EntryKind kind);
QString newId();
// A name-based UUID (the same name always gives the same id): what an import gives each code of a
// file, so that importing the file again stores nothing twice.
QString stableId(const QByteArray& name);

// The production date of a code's date field (positions 18-22, day of the year then two-digit year,
// below 50 in the 2000s); invalid when the field is short, not numeric or no day of its year.
QDate productionDateOfCode(const QString& code);

// The label numbers as ranges: {1,2,3,5} gives "1-3,5".
QString labelRanges(const QList<int>& numbers);

QString workstationName();
QString systemUserName();

} // namespace pelorin::journal
