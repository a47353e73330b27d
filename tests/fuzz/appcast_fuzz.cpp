// The release feed comes from the network: any bytes give items or a reason, and the version
// order stays a total order over whatever the feed calls a version.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/updates/appcast.h"

static bool isWebAddress(std::string_view url)
{
    std::string lower(url.substr(0, 8));
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return lower.starts_with("http://") || lower.starts_with("https://");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto appcast = lopewell::parseAppcast(text);
    if (!appcast) {
        if (appcast.error().message.empty())
            __builtin_trap();  // a failure always says why
        return 0;
    }
    const auto& items = appcast.value().items;
    for (const auto& item : items) {
        if (item.version.empty() && item.shortVersion.empty())
            __builtin_trap();
        if (!item.pageUrl.empty() && !isWebAddress(item.pageUrl))
            __builtin_trap();  // the page is opened in a browser
    }
    if (auto newest = lopewell::newestItem(items)) {
        for (const auto& item : items) {
            auto version = item.comparableVersion();
            if (version && *version > *newest->comparableVersion())
                __builtin_trap();
        }
    }
    lopewell::parseRfc822Date(text);
    return 0;
}
