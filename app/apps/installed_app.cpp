#include "app/apps/installed_app.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "core/base/file_url.h"
#include "core/base/utf8.h"

namespace lopewell {

std::string_view appSourceLabel(AppSource source)
{
    switch (source) {
    case AppSource::apple:
        return "Apple";
    case AppSource::appStore:
        return "App Store";
    case AppSource::other:
        return "Other";
    case AppSource::package:
        return "Packages";
    case AppSource::flatpak:
        return "Flatpak";
    case AppSource::snap:
        return "Snap";
    case AppSource::appImage:
        return "AppImage";
    case AppSource::local:
        return "Local";
    }
    return "Other";
}

nlohmann::json encodeInstalledApp(const InstalledApp& app)
{
    nlohmann::ordered_json json;
    json["url"] = fileURLString(app.url);
    json["bundleID"] = app.bundleID;
    json["name"] = app.name;
    json["version"] = app.version;
    json["size"] = app.size;
    json["source"] = rawValue(app.source);
    if (app.desktop) {
        const DesktopAppOrigin& origin = *app.desktop;
        const auto put = [&](const char* key, const std::string& value) {
            if (!value.empty())
                json[key] = value;
        };
        put("desktopFileId", origin.desktopFileId);
        if (!origin.desktopFile.empty())
            json["desktopFile"] = fileURLString(origin.desktopFile);
        put("package", origin.packageName);
        put("flatpakInstallation", origin.flatpakInstallation);
        put("flatpakRef", origin.flatpakRef);
        put("snap", origin.snapName);
        if (!origin.appImage.empty())
            json["appImage"] = fileURLString(origin.appImage);
        if (origin.hiddenFromMenus)
            json["hiddenFromMenus"] = true;
    }
    return nlohmann::json::parse(json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

namespace {

char32_t foldedCodePoint(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 0x20;
    // Latin Extended-A pairs each capital with the small letter after it: even capitals, except
    // in the two runs where the pairs start on an odd code point.
    const bool evenPairs = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((evenPairs && c % 2 == 0) || (oddPairs && c % 2 == 1))
        return c + 1;
    if (c == 0x178)
        return 0xFF;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2)  // Greek
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F)  // Cyrillic
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

}  // namespace

std::string foldedCase(std::string_view text)
{
    std::string folded;
    folded.reserve(text.size());
    while (!text.empty()) {
        const utf8::CodePoint point = utf8::decodeFront(text);
        if (!point.valid) {
            folded += text.front();
            text.remove_prefix(1);
            continue;
        }
        utf8::append(folded, foldedCodePoint(point.value));
        text.remove_prefix(point.length);
    }
    return folded;
}

void sortAppsByName(std::vector<InstalledApp>& apps)
{
    std::vector<std::pair<std::string, InstalledApp>> keyed;
    keyed.reserve(apps.size());
    for (InstalledApp& app : apps)
        keyed.emplace_back(foldedCase(app.name), std::move(app));
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    apps.clear();
    for (auto& [key, app] : keyed)
        apps.push_back(std::move(app));
}

}  // namespace lopewell
