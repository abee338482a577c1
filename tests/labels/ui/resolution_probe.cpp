// Prints the resolution libcups gives for a printer, as the program asks for it: run by the printing
// test under an ordinary user's identity.
#include "labels/ui/printing.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString printer = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    std::printf("%d\n", pelorin::report::printerResolution(printer));
    return 0;
}
