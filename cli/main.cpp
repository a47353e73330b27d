#include <iostream>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#if LOPEWELL_HAS_GUI
#    include "app/shell/ui/screenshots.h"
#endif

int main(int argc, char** argv)
{
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
#if LOPEWELL_HAS_GUI
    if (arguments.size() == 2 && arguments[0] == "screenshots")
        return lopewell::renderScreenshots(argc, argv, arguments[1]);
#endif
    return lopewell::cli::run(arguments, lopewell::cli::currentEnvironment(), std::cout, std::cerr);
}
