// The `lopewell` command line: dispatch to the verbs, usage, version.
#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

namespace lopewell::cli {

struct Environment {
    bool hasDisplay = false;  // DISPLAY or WAYLAND_DISPLAY set
};

Environment currentEnvironment();

int run(std::span<const std::string_view> arguments, const Environment&, std::ostream& out, std::ostream& err);

}  // namespace lopewell::cli
