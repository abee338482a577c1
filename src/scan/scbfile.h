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

} // namespace pelorin
