// `lopewell files large|old|dupes DIR ...`: the Files section's three scans from the command line.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "cli/terminal.h"  // terminalSafe, which the file lists print names through
#include "core/base/error_or.h"

namespace lopewell::cli {

// `in` answers the question of `files dupes --trash`.
int runFiles(std::span<const std::string_view> arguments, std::istream& in, std::ostream& out, std::ostream& err);

// Whole bytes, or a number with a binary suffix: "100M" = 104,857,600; K, M, G, T and P, in
// either case, optionally followed by "B" or "iB"; a fraction is allowed before a suffix ("1.5G").
ErrorOr<std::uint64_t> parseByteSize(std::string_view text);

}  // namespace lopewell::cli
