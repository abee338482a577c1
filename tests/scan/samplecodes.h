// Codes the scan tests feed in, as a scanner sends them.
#pragma once

#include <QString>

namespace pelorin::test {

// a box of 6 made on day 74 of 2006
inline const QString kCode = QStringLiteral("P250061000031234507406");
// a soap
inline const QString kSoap = QStringLiteral("S500235150031234532107");
// day 366 of 2006, which has 365 days
inline const QString kBadDay = QStringLiteral("P250061000031234536606");

} // namespace pelorin::test
