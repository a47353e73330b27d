// The `lopewell` command line: dispatch to the verbs, usage, version.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

#include "core/base/error_or.h"

namespace lopewell {
class DiskNode;
}

namespace lopewell::cli {

struct Environment {
    bool hasDisplay = false;  // DISPLAY or WAYLAND_DISPLAY set
    // Draws a folder's treemap to a PNG file of the given size; absent in builds without Qt.
    std::function<ErrorOr<void>(const DiskNode& folder, const std::string& file, int width, int height)> drawTreemap;
    // Renders every screen to PNG files in a folder; absent in builds without Qt.
    std::function<int(const std::filesystem::path& folder)> renderScreenshots;
};

Environment currentEnvironment();

int run(std::span<const std::string_view> arguments, const Environment&, std::ostream& out, std::ostream& err);

}  // namespace lopewell::cli
