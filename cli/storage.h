// `lopewell storage list|scan|smart|clean`: the Storage section's catalogue, scans, smart scan
// and cleaning from the terminal, through the same view model and scan cache as the screen.
#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

#include "platform/host_layout.h"

namespace lopewell::cli {

// `in` answers the confirmation of `storage clean`.
int runStorage(
    std::span<const std::string_view> arguments, const HostLayout& layout, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace lopewell::cli
