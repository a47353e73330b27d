// A release feed in the "appcast" form (RSS 2.0 with Sparkle's version tags), read from its text,
// and the dotted version numbers its releases are compared by.
//
//   ErrorOr<Appcast> feed = parseAppcast(body);
//   if (feed) if (auto newest = newestItem(feed.value().items)) show(newest->displayVersion());
//
// The text comes from the network: it is capped in size, never expands entities and only
// http(s) page links survive.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/date.h"
#include "core/base/error_or.h"

namespace lopewell {

// "1.10" > "1.9"; "1.2" == "1.2.0". Only digits and dots: "1.2b3" or "v1" are not versions.
class VersionNumber {
public:
    static std::optional<VersionNumber> parse(std::string_view text);

    const std::vector<uint64_t>& components() const { return m_components; }

    friend std::strong_ordering operator<=>(const VersionNumber& a, const VersionNumber& b);
    friend bool operator==(const VersionNumber& a, const VersionNumber& b) { return (a <=> b) == 0; }

private:
    explicit VersionNumber(std::vector<uint64_t> components) : m_components(std::move(components)) {}

    std::vector<uint64_t> m_components;
};

struct AppcastItem {
    std::string title;
    std::string version;       // sparkle:version, the build
    std::string shortVersion;  // sparkle:shortVersionString, the version users see; may be empty
    std::string pageUrl;       // the release's web page (http or https), or empty
    std::optional<Date> publicationDate;

    // Releases are compared by the version users see, so it matches the running app's
    // marketing version; the build stands in when the feed gives no other.
    std::optional<VersionNumber> comparableVersion() const;
    const std::string& displayVersion() const;

    bool operator==(const AppcastItem&) const = default;
};

struct Appcast {
    std::string title;
    std::vector<AppcastItem> items;  // feed order; items without any version are left out
};

constexpr size_t maxAppcastBytes = 1024 * 1024;

// Fails, saying why, on text that is too large, not XML, or not an RSS feed with a channel.
// Items on a named sparkle:channel (betas) are left out: this app subscribes to none.
ErrorOr<Appcast> parseAppcast(std::string_view text);

// The item with the highest comparable version; the earliest of equals. Absent when no item
// has a version that parses.
std::optional<AppcastItem> newestItem(const std::vector<AppcastItem>& items);

// RSS dates: "Sat, 26 Jul 2014 15:20:11 +0000" (weekday, seconds and zone optional; zones as
// +hhmm, GMT, UT, UTC, Z or the US names). Absent when malformed.
std::optional<Date> parseRfc822Date(std::string_view text);

}  // namespace lopewell
