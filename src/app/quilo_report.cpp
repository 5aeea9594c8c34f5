#include "Publishing.h"
#include "station/Report.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return quilo::RunReport(args, std::cout, std::cerr, quilo::PublishOnceNow);
}
