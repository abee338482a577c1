#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

// SCB files: the scanned codes of a sheet, one per line.
//
// Line 1 is the grid's column header "ScanCode", then one line per code, then the empty line of
// the grid's empty last row; every line ends with CR LF, the last one included. Text is
// Windows-1252 without a byte-order mark.
namespace pelorin {

// The bytes of the file for these codes. Error when a code holds a character Windows-1252 has no
// byte for, rather than writing it as another character.
QByteArray scbBytes(const QStringList& codes);

// The codes a file's bytes hold: the text is cut into lines at CR, LF or CR LF (a line end at the
// very end starts no further line); the first line is skipped whatever it holds, the last one only
// when it is empty.
QStringList scbCodes(const QByteArray& bytes);

// Writes the file whole or not at all: a temporary file beside it is renamed over it once
// complete, so a failed save leaves the old file as it was. Error carries the reason.
void writeScbFile(const QString& path, const QStringList& codes);

// Error when the file cannot be read.
QStringList readScbFile(const QString& path);

// True when a read holds a character no scanner sends as part of a code (a control character: a
// byte 0, a tab, a line break, a C1 control): such a text never reaches the journal.
bool hasControlCharacters(const QString& text);
// The longest line an import takes as a read: two codes run together, and a little more.
inline constexpr int kMaxReadLength = 64;

// What an import takes from a file: the lines that may be reads of a code, and how many lines are
// none (blank, holding a control character, or longer than any read).
struct ScbReads
{
    QStringList codes;
    int notCodes = 0;
};
// The reads of an SCB file's bytes for an import. Error naming the file (`path`) when its first line
// is not the sheet's header "ScanCode" (a file of another kind).
ScbReads scbReads(const QByteArray& bytes, const QString& path);
// The same from the file; Error also when it cannot be read.
ScbReads readScbReads(const QString& path);

} // namespace pelorin
