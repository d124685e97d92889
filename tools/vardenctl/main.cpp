#include <unistd.h>

#include <iostream>

#include "FdOutBuf.h"
#include "Vardenctl.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    // Not std::cout: a failed write must be seen with its reason.
    CFdOutBuf outBuf(STDOUT_FILENO);
    std::ostream out(&outBuf);
    return RunVardenctl(args, out, std::cerr);
}
