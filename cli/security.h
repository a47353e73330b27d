// `lopewell security scan [--signatures FILE] [--json]` and `security remove ID [--signatures FILE]
// [--yes]`: the Security section from the terminal, through the same view model and sources as
// the screen.
#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

#include "platform/host_layout.h"

namespace lopewell::cli {

int runSecurity(
    std::span<const std::string_view> arguments, const HostLayout& layout, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace lopewell::cli
