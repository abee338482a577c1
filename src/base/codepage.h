#pragma once
#include <QByteArray>
#include <QString>

// The single-byte code page of the program's files (incremental lists, SCB files, label page
// descriptions written by the editor, files from the Windows program): Windows-1252.
namespace pelorin {

// Every byte maps to a character; the five bytes Windows-1252 leaves undefined map to the C1
// control of the same value, so that any file reads and writes back unchanged.
QString fromCp1252(const QByteArray& bytes);

// Characters Windows-1252 cannot hold become '?'; `lossless`, when given, tells whether any did.
QByteArray toCp1252(const QString& text, bool* lossless = nullptr);

// The byte for one character, or -1 when Windows-1252 has none.
int cp1252Byte(char32_t ch);

} // namespace pelorin
