#include "app/ui/startup.h"

#include "app/version.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace pelorin {

int runProgram(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("pelorin %s\n", qPrintable(LireVersion()));
        return 0;
    }
    QApplication app(argc, argv);
    return 0;
}

} // namespace pelorin
