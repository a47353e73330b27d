// CONFIGURATION: every outside address the program knows, in one place. These are
// placeholders under the product's own domain; a release build replaces them here.
// Nothing else in the program spells an address out.
#pragma once

#include <string>
#include <string_view>

namespace lopewell::configuration {

inline constexpr std::string_view supportEmail = "support@lopewell.app";

// The three ways to say thanks, shown in About and in the Support settings.
inline constexpr std::string_view buyMeACoffeeURL = "https://lopewell.app/thanks/coffee";
inline constexpr std::string_view gitHubSponsorsURL = "https://lopewell.app/thanks/sponsors";
inline constexpr std::string_view directTipURL = "https://lopewell.app/thanks/tip";

// The release feed the updater checks, over HTTPS only.
inline constexpr std::string_view updateFeedURL = "https://lopewell.app/releases/appcast.xml";

inline std::string supportMailURL()
{
    return "mailto:" + std::string(supportEmail);
}

}  // namespace lopewell::configuration
