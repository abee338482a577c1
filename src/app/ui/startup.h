#pragma once

namespace pelorin {

// The whole program: the command line when its first argument is a command, else the windows.
int runProgram(int argc, char** argv);

} // namespace pelorin
