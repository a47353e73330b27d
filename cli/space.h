// `lopewell space DIR`: the size tree of a folder, its largest entries as text or the whole tree
// as JSON, and the treemap of its top level drawn to a PNG.
#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

#include "cli/commands.h"

namespace lopewell::cli {

int runSpace(std::span<const std::string_view> arguments, const Environment& environment, std::ostream& out, std::ostream& err);

}  // namespace lopewell::cli
