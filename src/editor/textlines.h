#pragma once
#include <QString>
#include <QStringList>

// The editor's text files: label page descriptions (.ETQ) and the texts of a MemoTexte component,
// one byte per character in Windows-1252, every line ended by CR LF.
namespace pelorin {

// Files larger than this are not texts the editor can show.
inline constexpr qint64 kMaxEditorFileBytes = 8 * 1024 * 1024;

// The lines of a file: CR LF, a lone CR and a lone LF each end a line, and a line end at the very
// end starts no further line. Error with the system's message when the file cannot be read.
QStringList readTextLines(const QString& path);

// The same for a file's bytes.
QStringList textLinesFromBytes(const QByteArray& bytes);
// The bytes writeTextLines writes.
QByteArray textLinesBytes(const QStringList& lines);

// Writes every line followed by CR LF, atomically: the old file stays whole until the new one is
// complete. A character that Windows-1252 cannot hold is refused with a message naming it and its
// line, before anything is written.
void writeTextLines(const QString& path, const QStringList& lines);

// The lines of an editor's text (lines separated by "\n"); an empty text has none.
QStringList textLines(const QString& text);

} // namespace pelorin
