#include <iostream>
#include <string_view>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv)
{
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
    return lopewell::cli::run(arguments, lopewell::cli::currentEnvironment(), std::cout, std::cerr);
}
