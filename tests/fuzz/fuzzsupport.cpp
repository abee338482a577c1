#include "fuzzsupport.h"

#include <QGuiApplication>
#include <QLocale>

namespace pelorin::fuzz {

void ensureApplication()
{
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "pelorin-fuzz";
        static char* argv[] = {name, nullptr};
        // the program's messages and dates are French
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

} // namespace pelorin::fuzz
