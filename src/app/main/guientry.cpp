#include "app/ui/startup.h"

// The entry of libpelorin-gui, which `pelorin` loads for the windows and for the commands that draw
// or print: the whole program, from its arguments as given.
extern "C" __attribute__((visibility("default"))) int pelorin_run_program(int argc, char** argv)
{
    return pelorin::runProgram(argc, argv);
}
