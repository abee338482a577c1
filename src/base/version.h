#pragma once
#include <QString>

namespace pelorin {

// The version string of the release, in the dotted four-number form ("2.1.1.7"); it needs no window.
QString LireVersion();

} // namespace pelorin
