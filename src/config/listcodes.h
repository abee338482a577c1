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
QString codeInUse(const ConfigFile& config, RefList list, const QString& code);

} // namespace pelorin
