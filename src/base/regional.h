#pragma once
#include <QLocale>

// The regional settings the program follows for dates and numbers.
namespace pelorin {

// The user's regional settings; without any (the C or POSIX locale of a bare machine, a service, a
// scheduled job) the French conventions of the program's own language, so that a decoded date reads
// 15/03/2006 there too.
QLocale regionalLocale();

// Makes regionalLocale() the locale every QLocale() and every widget of the program takes. Called
// once at start, before anything is shown or printed.
void adoptRegionalSettings();

} // namespace pelorin
