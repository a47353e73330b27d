#include "app/shell/about_model.h"

#include "app/shell/app_configuration.h"

#include <gtest/gtest.h>

#include <string>

namespace lopewell {
namespace {

TEST(AboutModel, VersionLineShowsAnEmDashForAMissingValue)
{
    struct Case {
        const char* version;
        const char* build;
        const char* expected;
    };
    const Case cases[] = {
        { "1.4.2", "87", "Version 1.4.2 (build 87)" },
        { "", "87", "Version — (build 87)" },
        { "1.4.2", "", "Version 1.4.2 (build —)" },
        { "", "", "Version — (build —)" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(aboutVersionLine(c.version, c.build), c.expected);
    EXPECT_EQ(aboutVersionLineForThisBuild().rfind(std::string("Version ") + LOPEWELL_VERSION + " (build ", 0), 0u);
}

TEST(AboutModel, FeedbackAndSupportLinksUseTheConfiguredAddresses)
{
    EXPECT_EQ(aboutFeedbackAddress(), configuration::supportEmail);
    EXPECT_EQ(aboutFeedbackURL(), "mailto:" + std::string(configuration::supportEmail));

    const auto links = aboutSupportLinks();
    ASSERT_EQ(links.size(), 3u);
    EXPECT_EQ(links[0].title, "Buy me a coffee");
    EXPECT_EQ(links[0].url, configuration::buyMeACoffeeURL);
    EXPECT_EQ(links[1].title, "GitHub Sponsors");
    EXPECT_EQ(links[1].url, configuration::gitHubSponsorsURL);
    EXPECT_EQ(links[2].title, "One-time tip");
    EXPECT_EQ(links[2].url, configuration::directTipURL);
}

}  // namespace
}  // namespace lopewell
