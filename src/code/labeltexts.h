#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>

class QFont;

// The incremental list: one label text per line, each label numbered n printing displayed line n.
namespace pelorin {

// Loads an incremental list file (Windows-1252). CR LF, a lone LF and a lone CR all end a line; the
// text returned has every line break turned into CR LF. A file that cannot be read throws Error with
// the system's message; a file too large for the list throws Error("Text exceeds memo capacity").
QString loadIncrementalList(const QString& path);

// Saves the list text exactly: its lines separated by CR LF (whatever breaks the text uses), no line
// break added after the last line. The file is replaced atomically, so a failed save leaves the old
// one intact. Throws Error with the system's message when the file cannot be written, and refuses a
// text holding a character Windows-1252 cannot store rather than write a '?' in its place.
void saveIncrementalList(const QString& path, const QString& text);

// The same two for a file's bytes.
QString incrementalListFromBytes(const QByteArray& bytes);
QByteArray incrementalListBytes(const QString& text);

// The largest list file the program loads, in bytes.
constexpr qint64 kMaxIncrementalListBytes = 16 * 1024 * 1024;

// The lines as the list control displays them: a line wider than `textWidth` wraps (at word
// boundaries, anywhere inside a word too long for a line) and gives one entry per displayed line,
// each read with at most 4096 characters. `textWidth` is the width left to the text: the viewport's
// width less twice the document margin of a QPlainTextEdit in WidgetWidth wrap mode, whose count this
// matches. An empty text has no line; otherwise a last line break gives a last empty line.
QStringList displayedLines(const QString& text, const QFont& font, qreal textWidth);

// Characters of a displayed line that a label receives.
constexpr int kMaxLineLength = 4096;

} // namespace pelorin
