#include "core/updates/appcast.h"

#include <chrono>
#include <string>

#include <gtest/gtest.h>

namespace lopewell {
namespace {

using namespace std::chrono;

VersionNumber version(std::string_view text)
{
    auto parsed = VersionNumber::parse(text);
    EXPECT_TRUE(parsed) << text;
    return parsed ? *parsed : *VersionNumber::parse("0");
}

Appcast appcastFrom(std::string_view text)
{
    ErrorOr<Appcast> appcast = parseAppcast(text);
    EXPECT_TRUE(appcast) << (appcast ? "" : appcast.error().message);
    return appcast ? appcast.value() : Appcast {};
}

Date utc(int y, unsigned m, unsigned d, int hh, int mm, int ss)
{
    return Date { sys_days(year_month_day { year(y), month(m), day(d) }) } + hours(hh) + minutes(mm) + seconds(ss);
}

TEST(VersionNumber, ComparesComponentsNumericallyWithMissingOnesAsZero)
{
    struct Case {
        std::string_view left;
        std::string_view right;
        std::strong_ordering expected;
    };
    const Case cases[] = {
        { "1.10", "1.9", std::strong_ordering::greater },
        { "1.2", "1.2.0", std::strong_ordering::equal },
        { "1.2.0.0", "1.2", std::strong_ordering::equal },
        { "1.2", "1.2.1", std::strong_ordering::less },
        { "2", "1.99.99", std::strong_ordering::greater },
        { "01.002", "1.2", std::strong_ordering::equal },
        { "0.1.0", "0.1.0", std::strong_ordering::equal },
        { "18446744073709551615", "18446744073709551614", std::strong_ordering::greater },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.left) + " vs " + std::string(c.right));
        EXPECT_EQ(version(c.left) <=> version(c.right), c.expected);
        EXPECT_EQ(version(c.left) == version(c.right), c.expected == std::strong_ordering::equal);
    }
}

TEST(VersionNumber, RejectsAnythingButDigitsAndDots)
{
    for (std::string_view text : { "", " ", "1.", ".1", "1..2", "v1.2", "1.2b3", "1.-2", "+1", "1,2", "1 .2", "18446744073709551616" }) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(VersionNumber::parse(text));
    }
    EXPECT_EQ(VersionNumber::parse(" 1.2\n")->components(), (std::vector<uint64_t> { 1, 2 }));
}

TEST(Appcast, ReadsItemsFromElementsAndEnclosureAttributes)
{
    Appcast appcast = appcastFrom(R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
  <channel>
    <title>Lopewell Changelog</title>
    <link>https://example.org/lopewell</link>
    <item>
      <title>Version 1.10</title>
      <link>https://example.org/releases/1.10</link>
      <sparkle:version>110</sparkle:version>
      <sparkle:shortVersionString>1.10</sparkle:shortVersionString>
      <pubDate>Wed, 09 Dec 2026 18:30:00 +0100</pubDate>
    </item>
    <item>
      <title><![CDATA[Version 1.9 & fixes]]></title>
      <sparkle:releaseNotesLink>https://example.org/notes/1.9.html</sparkle:releaseNotesLink>
      <enclosure url="https://example.org/1.9.tar.gz" sparkle:version="109" sparkle:shortVersionString=" 1.9 " length="10"/>
    </item>
    <item><title>No version at all</title></item>
  </channel>
</rss>)");

    EXPECT_EQ(appcast.title, "Lopewell Changelog");
    ASSERT_EQ(appcast.items.size(), 2u);
    EXPECT_EQ(appcast.items[0],
        (AppcastItem { "Version 1.10", "110", "1.10", "https://example.org/releases/1.10", utc(2026, 12, 9, 17, 30, 0) }));
    EXPECT_EQ(appcast.items[1], (AppcastItem { "Version 1.9 & fixes", "109", "1.9", "https://example.org/notes/1.9.html", std::nullopt }));
    EXPECT_EQ(newestItem(appcast.items)->title, "Version 1.10");
}

TEST(Appcast, FollowsTheFeedsOwnPrefixForTheSparkleNamespace)
{
    Appcast appcast = appcastFrom(R"(<rss xmlns:sp="http://www.andymatuschak.org/xml-namespaces/sparkle"><channel>
        <item><sp:version>2.0</sp:version></item>
        <item><sparkle:version>9.0</sparkle:version></item>
    </channel></rss>)");
    ASSERT_EQ(appcast.items.size(), 1u);
    EXPECT_EQ(appcast.items[0].version, "2.0");
    EXPECT_EQ(appcast.items[0].displayVersion(), "2.0");
}

TEST(Appcast, KeepsOnlyWebPageLinksAndFallsBackToTheChannelPage)
{
    Appcast appcast = appcastFrom(R"(<rss><channel><link>https://example.org/all</link>
        <item><sparkle:version>1</sparkle:version><link>javascript:alert(1)</link></item>
        <item><sparkle:version>2</sparkle:version><link>file:///etc/passwd</link>
              <sparkle:releaseNotesLink>HTTP://example.org/2</sparkle:releaseNotesLink></item>
        <item><sparkle:version>3</sparkle:version><link>https://exa mple.org/</link></item>
    </channel></rss>)");
    ASSERT_EQ(appcast.items.size(), 3u);
    EXPECT_EQ(appcast.items[0].pageUrl, "https://example.org/all");
    EXPECT_EQ(appcast.items[1].pageUrl, "HTTP://example.org/2");
    EXPECT_EQ(appcast.items[2].pageUrl, "https://example.org/all");

    Appcast withoutChannelPage = appcastFrom(R"(<rss><channel>
        <item><sparkle:version>1</sparkle:version><link>https://</link></item></channel></rss>)");
    EXPECT_EQ(withoutChannelPage.items.at(0).pageUrl, "");
}

TEST(Appcast, LeavesOutItemsOnABetaChannel)
{
    Appcast appcast = appcastFrom(R"(<rss><channel>
        <item><sparkle:version>2.0</sparkle:version><sparkle:channel>beta</sparkle:channel></item>
        <item><sparkle:version>1.5</sparkle:version></item>
    </channel></rss>)");
    ASSERT_EQ(appcast.items.size(), 1u);
    EXPECT_EQ(appcast.items[0].version, "1.5");
}

TEST(Appcast, ReportsWhyAFeedCannotBeRead)
{
    struct Case {
        std::string text;
        std::string_view messagePart;
    };
    const Case cases[] = {
        { "", "not valid XML" },
        { "<html><body>Service Unavailable</body></html>", "not an RSS feed" },
        { "<rss version=\"2.0\"></rss>", "not an RSS feed" },
        { "<rss><channel><item>", "not valid XML" },
        { "\x89PNG\r\n\x1a\n", "not valid XML" },
        { std::string(maxAppcastBytes + 1, ' '), "larger than 1024 KB" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        ErrorOr<Appcast> appcast = parseAppcast(c.text);
        ASSERT_FALSE(appcast);
        EXPECT_NE(appcast.error().message.find(c.messagePart), std::string::npos) << appcast.error().message;
    }
}

TEST(Appcast, DoesNotExpandEntitiesDeclaredByTheFeed)
{
    // A "billion laughs" feed: the declarations are skipped, so nothing can grow.
    ErrorOr<Appcast> appcast = parseAppcast(R"(<?xml version="1.0"?>
<!DOCTYPE rss [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">]>
<rss><channel><item><title>&b;</title><sparkle:version>1</sparkle:version></item></channel></rss>)");
    ASSERT_TRUE(appcast);
    ASSERT_EQ(appcast.value().items.size(), 1u);
    EXPECT_EQ(appcast.value().items[0].title, "&b;");
}

TEST(Appcast, NewestItemComparesVersionsNotFeedOrder)
{
    auto item = [](std::string title, std::string build, std::string shortVersion) {
        return AppcastItem { std::move(title), std::move(build), std::move(shortVersion), "", std::nullopt };
    };
    // The version users see wins over the build; an unparseable one falls back to the build.
    const std::vector<AppcastItem> items = {
        item("a", "900", "1.9"),
        item("b", "901", "1.10"),
        item("c", "5", "1.10.0"),
        item("d", "1.11", "1.11-beta"),
        item("e", "x", "y"),
    };
    EXPECT_EQ(newestItem(items)->title, "d");
    EXPECT_EQ(newestItem({ items[0], items[1], items[2] })->title, "b");
    EXPECT_FALSE(newestItem({ items[4] }));
    EXPECT_FALSE(newestItem({}));
}

TEST(Rfc822Date, ParsesTheFormsFeedsUse)
{
    struct Case {
        std::string_view text;
        std::optional<Date> expected;
    };
    const Case cases[] = {
        { "Sat, 26 Jul 2014 15:20:11 +0000", utc(2014, 7, 26, 15, 20, 11) },
        { "26 Jul 2014 15:20:11 -0230", utc(2014, 7, 26, 17, 50, 11) },
        { "Thu, 1 jan 26 09:05 GMT", utc(2026, 1, 1, 9, 5, 0) },
        { "  Mon, 29 Feb 2016 23:59:59 PST ", utc(2016, 3, 1, 7, 59, 59) },
        { "Sat, 26 Jul 2014 15:20:11", utc(2014, 7, 26, 15, 20, 11) },
        { "Sat, 30 Feb 2014 15:20:11 +0000", std::nullopt },
        { "Sat, 26 Jux 2014 15:20:11 +0000", std::nullopt },
        { "Sat, 26 Jul 2014 25:20:11 +0000", std::nullopt },
        { "Sat, 26 Jul 2014 15:20:11 +2400", std::nullopt },
        { "Sat, 26 Jul 2014 15:20:11 CEST", std::nullopt },
        { "2014-07-26T15:20:11Z", std::nullopt },
        { "Sat, 26 Jul 5027 15:20:11 +0000", std::nullopt },  // beyond what a Date can hold
        { "Sat, 26 Jul 1066 15:20:11 +0000", std::nullopt },
        { "", std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseRfc822Date(c.text), c.expected);
    }
}

}  // namespace
}  // namespace lopewell
