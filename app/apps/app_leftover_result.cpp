#include "app/apps/app_leftover_result.h"

#include <nlohmann/json.hpp>

#include "core/base/file_url.h"

namespace lopewell {

std::set<std::string> AppLeftoverResult::preselected() const
{
    std::set<std::string> chosen;
    for (const StorageItem& item : items) {
        if (!nameMatches.contains(item.path))
            chosen.insert(item.path);
    }
    return chosen;
}

nlohmann::json encodeAppLeftoverResult(const AppLeftoverResult& result)
{
    constexpr const char* removalNames[] = { "trash", "flatpak", "snap", "package" };
    nlohmann::json json;
    json["appURL"] = fileURLString(result.appURL);
    json["appName"] = result.appName;
    json["bundleID"] = result.bundleID;
    json["totalBytes"] = result.totalBytes;
    json["removal"] = removalNames[int(result.removal)];
    if (!result.removalNote.empty())
        json["removalNote"] = result.removalNote;
    auto items = nlohmann::json::array();
    for (const StorageItem& item : result.items) {
        nlohmann::json entry = encodeStorageItem(item);
        const auto match = result.nameMatches.find(item.path);
        entry["selected"] = match == result.nameMatches.end();
        if (match != result.nameMatches.end())
            entry["reason"] = match->second;
        items.push_back(std::move(entry));
    }
    json["items"] = std::move(items);
    return json;
}

}  // namespace lopewell
