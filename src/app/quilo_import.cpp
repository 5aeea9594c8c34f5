#include "setup/ImportCommand.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return quilo::RunImport(args, std::cout, std::cerr);
}
