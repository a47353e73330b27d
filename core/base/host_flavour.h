// Which kind of system the program looks at: a macOS tree (a mounted volume or a fixture laid out
// like one) or the Linux desktop it runs on. The host layout decides it once; sections ask the
// layout, never the platform.
//
//   parseHostFlavour("linux");  // HostFlavour::linuxDesktop
#pragma once

#include <optional>
#include <string_view>

namespace lopewell {

enum class HostFlavour { macOS, linuxDesktop };

// "macos" or "linux", as the --flavour option spells them.
std::optional<HostFlavour> parseHostFlavour(std::string_view text);
std::string_view hostFlavourName(HostFlavour flavour);

}  // namespace lopewell
