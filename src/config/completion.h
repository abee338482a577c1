#pragma once
#include <QString>
#include <QStringList>

// What the shell's completion offers for an option's value, as the program itself reads the data
// folder in force: the names of a reference list (character references decoded), or the label pages
// of the models folders. Reading only: nothing is written anywhere.
namespace pelorin {

// `kind` is "systems", "places", "perfumes" or "models"; Error naming the known kinds otherwise.
// Names in the list's order; pages by file name, the user's first, then the shared and installed ones
// not already offered. A list that cannot be read offers nothing.
QStringList completionWords(const QString& kind);
// The kinds completionWords knows.
QStringList completionKinds();

// `word` as bash reads it back unchanged: each character the shell would take otherwise is preceded
// by a backslash; a word holding a line break or another control character is written $'...'.
QString bashQuoted(const QString& word);
// The text that a word typed so far stands for, its backslashes and quotes (closed or not) taken off.
QString typedText(const QString& typed);

} // namespace pelorin
