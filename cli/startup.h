// `lopewell startup [--apple] [--json]`, `startup disable ID`, `startup enable ID`: the Startup
// section from the terminal, through the same view model and sources as the screen.
#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

#include "platform/host_layout.h"

namespace lopewell::cli {

int runStartup(std::span<const std::string_view> arguments, const HostLayout& layout, std::ostream& out, std::ostream& err);

}  // namespace lopewell::cli
