#include "core/updates/appcast.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>

#include <pugixml.hpp>

#include "core/base/text.h"

namespace lopewell {

namespace {

constexpr std::string_view sparkleNamespace = "http://www.andymatuschak.org/xml-namespaces/sparkle";

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// The feed is not trusted: a page link is opened in the browser, so only web addresses pass.
std::string webAddressOrEmpty(std::string_view text)
{
    text = trimmed(text, xmlSpace);
    const bool web = startsWithIgnoringCase(text, "https://") || startsWithIgnoringCase(text, "http://");
    const bool clean = std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7f; });
    if (!web || !clean || text.find("://") + 3 == text.size())
        return {};
    return std::string(text);
}

std::string elementText(const pugi::xml_node& parent, const std::string& name)
{
    return std::string(trimmed(parent.child(name.c_str()).text().get(), xmlSpace));
}

// The prefix the feed binds to Sparkle's namespace; feeds almost always call it "sparkle".
std::string sparklePrefix(const pugi::xml_node& rss, const pugi::xml_node& channel)
{
    for (const pugi::xml_node& node : { rss, channel }) {
        for (const pugi::xml_attribute& attribute : node.attributes()) {
            std::string_view name = attribute.name();
            if (name.starts_with("xmlns:") && attribute.value() == sparkleNamespace)
                return std::string(name.substr(6)) + ":";
        }
    }
    return "sparkle:";
}

std::optional<int> parseNumber(std::string_view text, size_t minDigits, size_t maxDigits)
{
    if (text.size() < minDigits || text.size() > maxDigits)
        return std::nullopt;
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<int> zoneOffsetMinutes(std::string_view zone)
{
    if (zone.size() == 5 && (zone[0] == '+' || zone[0] == '-')) {
        auto hours = parseNumber(zone.substr(1, 2), 2, 2);
        auto minutes = parseNumber(zone.substr(3, 2), 2, 2);
        if (!hours || !minutes || *hours > 23 || *minutes > 59)
            return std::nullopt;
        const int offset = *hours * 60 + *minutes;
        return zone[0] == '-' ? -offset : offset;
    }
    struct Named {
        std::string_view name;
        int hours;
    };
    constexpr std::array<Named, 12> namedZones { {
        { "GMT", 0 },
        { "UT", 0 },
        { "UTC", 0 },
        { "Z", 0 },
        { "EST", -5 },
        { "EDT", -4 },
        { "CST", -6 },
        { "CDT", -5 },
        { "MST", -7 },
        { "MDT", -6 },
        { "PST", -8 },
        { "PDT", -7 },
    } };
    for (const Named& named : namedZones) {
        if (equalsIgnoringCase(zone, named.name))
            return named.hours * 60;
    }
    return std::nullopt;
}

std::vector<std::string_view> words(std::string_view text)
{
    std::vector<std::string_view> result;
    size_t position = 0;
    while (position < text.size()) {
        const size_t start = text.find_first_not_of(xmlSpace, position);
        if (start == std::string_view::npos)
            break;
        size_t end = text.find_first_of(" \t\r\n", start);
        if (end == std::string_view::npos)
            end = text.size();
        result.push_back(text.substr(start, end - start));
        position = end;
    }
    return result;
}

}  // namespace

std::optional<VersionNumber> VersionNumber::parse(std::string_view text)
{
    text = trimmed(text, xmlSpace);
    if (text.empty())
        return std::nullopt;
    std::vector<uint64_t> components;
    size_t position = 0;
    while (true) {
        const size_t dot = std::min(text.find('.', position), text.size());
        const std::string_view part = text.substr(position, dot - position);
        uint64_t value = 0;
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || error != std::errc() || end != part.data() + part.size())
            return std::nullopt;
        components.push_back(value);
        if (dot == text.size())
            break;
        position = dot + 1;
    }
    return VersionNumber(std::move(components));
}

std::strong_ordering operator<=>(const VersionNumber& a, const VersionNumber& b)
{
    // Missing components count as 0, so "1.2" and "1.2.0" are the same release.
    const size_t count = std::max(a.m_components.size(), b.m_components.size());
    for (size_t i = 0; i < count; ++i) {
        const uint64_t left = i < a.m_components.size() ? a.m_components[i] : 0;
        const uint64_t right = i < b.m_components.size() ? b.m_components[i] : 0;
        if (left != right)
            return left <=> right;
    }
    return std::strong_ordering::equal;
}

std::optional<VersionNumber> AppcastItem::comparableVersion() const
{
    if (auto parsed = VersionNumber::parse(shortVersion))
        return parsed;
    return VersionNumber::parse(version);
}

const std::string& AppcastItem::displayVersion() const
{
    return shortVersion.empty() ? version : shortVersion;
}

ErrorOr<Appcast> parseAppcast(std::string_view text)
{
    if (text.size() > maxAppcastBytes)
        return Error { 0, "The update feed is larger than " + std::to_string(maxAppcastBytes / 1024) + " KB." };

    pugi::xml_document document;
    // parse_default leaves DOCTYPE declarations unparsed: no entity of the feed is expanded.
    const pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size(), pugi::parse_default);
    if (!parsed)
        return Error { 0,
            "The update feed is not valid XML (" + std::string(parsed.description()) + " at byte " + std::to_string(parsed.offset) + ")." };

    const pugi::xml_node rss = document.document_element();
    const pugi::xml_node channel = rss.child("channel");
    if (std::string_view(rss.name()) != "rss" || !channel)
        return Error { 0, "The update feed is not an RSS feed with a channel." };

    const std::string prefix = sparklePrefix(rss, channel);
    const std::string versionName = prefix + "version";
    const std::string shortVersionName = prefix + "shortVersionString";

    Appcast appcast;
    appcast.title = elementText(channel, "title");
    const std::string channelPage = webAddressOrEmpty(channel.child("link").text().get());

    for (const pugi::xml_node& node : channel.children("item")) {
        if (node.child((prefix + "channel").c_str()))
            continue;
        const pugi::xml_node enclosure = node.child("enclosure");
        AppcastItem item;
        item.title = elementText(node, "title");
        item.version = elementText(node, versionName);
        if (item.version.empty())
            item.version = trimmed(enclosure.attribute(versionName.c_str()).value(), xmlSpace);
        item.shortVersion = elementText(node, shortVersionName);
        if (item.shortVersion.empty())
            item.shortVersion = trimmed(enclosure.attribute(shortVersionName.c_str()).value(), xmlSpace);
        if (item.version.empty() && item.shortVersion.empty())
            continue;
        for (const std::string& name : { std::string("link"), prefix + "fullReleaseNotesLink", prefix + "releaseNotesLink" }) {
            item.pageUrl = webAddressOrEmpty(node.child(name.c_str()).text().get());
            if (!item.pageUrl.empty())
                break;
        }
        if (item.pageUrl.empty())
            item.pageUrl = channelPage;
        item.publicationDate = parseRfc822Date(node.child("pubDate").text().get());
        appcast.items.push_back(std::move(item));
    }
    return appcast;
}

std::optional<AppcastItem> newestItem(const std::vector<AppcastItem>& items)
{
    const AppcastItem* newest = nullptr;
    std::optional<VersionNumber> newestVersion;
    for (const AppcastItem& item : items) {
        auto version = item.comparableVersion();
        if (version && (!newestVersion || *version > *newestVersion)) {
            newest = &item;
            newestVersion = std::move(version);
        }
    }
    if (!newest)
        return std::nullopt;
    return *newest;
}

std::optional<Date> parseRfc822Date(std::string_view text)
{
    text = trimmed(text, xmlSpace);
    if (const size_t comma = text.find(','); comma != std::string_view::npos)
        text = text.substr(comma + 1);
    const std::vector<std::string_view> parts = words(text);
    if (parts.size() != 4 && parts.size() != 5)
        return std::nullopt;

    constexpr std::array<std::string_view, 12> monthNames { "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov",
        "Dec" };
    auto monthIndex
        = std::find_if(monthNames.begin(), monthNames.end(), [&](std::string_view month) { return equalsIgnoringCase(month, parts[1]); });
    auto day = parseNumber(parts[0], 1, 2);
    auto year = parseNumber(parts[2], 2, 4);
    if (monthIndex == monthNames.end() || !day || !year || parts[2].size() == 3)
        return std::nullopt;
    if (parts[2].size() == 2)
        *year += *year < 50 ? 2000 : 1900;
    // A Date holds 1677 to 2262; a release dated outside this century or the next is noise.
    if (*year < 1900 || *year > 2199)
        return std::nullopt;

    const std::string_view time = parts[3];
    if (time.size() != 5 && time.size() != 8)
        return std::nullopt;
    auto hour = parseNumber(time.substr(0, 2), 2, 2);
    auto minute = parseNumber(time.substr(3, 2), 2, 2);
    auto second = time.size() == 8 ? parseNumber(time.substr(6, 2), 2, 2) : std::optional<int>(0);
    if (time[2] != ':' || (time.size() == 8 && time[5] != ':') || !hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;

    auto offset = parts.size() == 5 ? zoneOffsetMinutes(parts[4]) : std::optional<int>(0);
    if (!offset)
        return std::nullopt;

    using namespace std::chrono;
    const year_month_day date { std::chrono::year(*year), month(unsigned(monthIndex - monthNames.begin() + 1)),
        std::chrono::day(unsigned(*day)) };
    if (!date.ok())
        return std::nullopt;
    return Date { sys_days(date) } + hours(*hour) + minutes(*minute) + seconds(*second) - minutes(*offset);
}

}  // namespace lopewell
