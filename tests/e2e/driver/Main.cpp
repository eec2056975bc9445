// kxdriver: acts as the user of the installer's wizard and message boxes,
// and reads back what an installation left, for the end-to-end tests.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Commands.h"

int main(int argc, char** argv)
{
    // Plain \n line ends: the output is parsed by shell scripts.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) {
        PrintUsage();
        return 2;
    }
    const int status = RunCommand(std::vector<std::string>(argv + 1, argv + argc));
    if (status == 2)
        PrintUsage();
    return status;
}
