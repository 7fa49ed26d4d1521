#include <iostream>
#include <string>
#include <vector>

#include "options.hpp"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return velmora::RunRenderer(args, std::cout, std::cerr);
}
