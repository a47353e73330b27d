#include "core/base/host_flavour.h"

namespace lopewell {

std::optional<HostFlavour> parseHostFlavour(std::string_view text)
{
    if (text == "macos")
        return HostFlavour::macOS;
    if (text == "linux")
        return HostFlavour::linuxDesktop;
    return std::nullopt;
}

std::string_view hostFlavourName(HostFlavour flavour)
{
    return flavour == HostFlavour::macOS ? "macos" : "linux";
}

}  // namespace lopewell
