// The code the label tests print and read back.
#pragma once

#include <QString>

namespace pelorin::test {

// a double briquette made on day 125 of 2025
inline const QString kCode = QStringLiteral("B25012515LAV5930033906");

} // namespace pelorin::test
