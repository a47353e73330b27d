// `lopewell apps [leftovers|uninstall]`: the Apps section from the terminal — the installed
// applications, what one of them left behind, and uninstalling it — through the same view
// model as the screen.
#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

#include "platform/host_layout.h"

namespace lopewell::cli {

// `in` answers the confirmation of `apps uninstall`.
int runApps(std::span<const std::string_view> arguments, const HostLayout& layout, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace lopewell::cli
