#include <iostream>

#include "Vardenctl.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunVardenctl(args, std::cout, std::cerr);
}
