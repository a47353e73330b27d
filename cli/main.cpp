#include <iostream>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#if LOPEWELL_HAS_GUI
#include "app/screenshots/ui/screenshots.h"
#include "app/shell/ui/tray_application.h"
#include "app/space/ui/treemap_view.h"
#endif

int main(int argc, char** argv)
{
    std::vector<std::string_view> arguments(argv + 1, argv + argc);
#if LOPEWELL_HAS_GUI
    if (arguments.empty() && lopewell::cli::currentEnvironment().hasDisplay)
        return lopewell::runTrayApplication(argc, argv);
#endif
    lopewell::cli::Environment environment = lopewell::cli::currentEnvironment();
#if LOPEWELL_HAS_GUI
    environment.drawTreemap = lopewell::writeTreemapPngOffscreen;
    environment.renderScreenshots
        = [argc, argv](const std::filesystem::path& folder) { return lopewell::renderScreenshots(argc, argv, folder); };
#endif
    return lopewell::cli::run(arguments, environment, std::cout, std::cerr);
}
