#pragma once
#include "config/configfile.h"

#include <QString>

// A code picks one entry of its list: decoding a scanned code takes the first entry with that code,
// so a second entry with the same one could never be read back. Letter case is no difference here:
// "s" beside "S" reads as the same letter to the operator, and a keyboard-wedge scanner with Caps
// Lock on swaps them.
namespace pelorin {

// Empty when `code` is free in `list` (an empty code, which picks nothing, is never in use); otherwise
// the message naming the code and the entry that has it: "La lettre « S » est déjà celle du système
// « Savons ».", "Le code « LAV » est déjà celui du parfum « Lavande ».", "Le code postal « 59300 »
// est déjà celui du lieu de production « Valenciennes »."
// `except` is the position of the entry being changed, whose own code is no clash.
QString codeInUse(const ConfigFile& config, RefList list, const QString& code, int except = -1);

// The warning given before an entry the journal shows already printed loses its code (removed, or
// given another one): codes printed earlier will no longer read back as that entry. Ends with the
// question the operator answers.
QString printedEntryWarning(RefList list, const QString& name, const QString& code, bool removing);
// The same when the journal could not be asked (`why`): the entry may have been printed.
QString uncheckedEntryWarning(RefList list, const QString& name, const QString& code, bool removing,
                              const QString& why);

} // namespace pelorin
