#include "app/ui/startup.h"

int main(int argc, char** argv)
{
    return pelorin::runProgram(argc, argv);
}
