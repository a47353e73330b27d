#include "app/shell/about_model.h"

#include "app/shell/app_configuration.h"

namespace lopewell {

namespace {

constexpr std::string_view missingText = "—";

std::string_view orDash(std::string_view value)
{
    return value.empty() ? missingText : value;
}

}  // namespace

std::string aboutVersionLine(std::string_view version, std::string_view build)
{
    return "Version " + std::string(orDash(version)) + " (build " + std::string(orDash(build)) + ")";
}

std::string aboutVersionLineForThisBuild()
{
#ifdef LOPEWELL_VERSION
    constexpr std::string_view version = LOPEWELL_VERSION;
#else
    constexpr std::string_view version;
#endif
#ifdef LOPEWELL_BUILD_NUMBER
    constexpr std::string_view build = LOPEWELL_BUILD_NUMBER;
#else
    constexpr std::string_view build;
#endif
    return aboutVersionLine(version, build);
}

std::string aboutFeedbackAddress()
{
    return std::string(configuration::supportEmail);
}

std::string aboutFeedbackURL()
{
    return configuration::supportMailURL();
}

std::vector<LinkRow> aboutSupportLinks()
{
    return {
        { "cup.and.saucer.fill", "Buy me a coffee", "", std::string(configuration::buyMeACoffeeURL) },
        { "heart.fill", "GitHub Sponsors", "", std::string(configuration::gitHubSponsorsURL) },
        { "creditcard.fill", "One-time tip", "", std::string(configuration::directTipURL) },
    };
}

}  // namespace lopewell
