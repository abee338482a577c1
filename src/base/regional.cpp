#include "base/regional.h"

namespace pelorin {

QLocale regionalLocale()
{
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C)
        return QLocale(QLocale::French, QLocale::France);
    return system;
}

void adoptRegionalSettings()
{
    QLocale::setDefault(regionalLocale());
}

} // namespace pelorin
