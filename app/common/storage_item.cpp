#include "app/common/storage_item.h"

#include <string_view>

#include <nlohmann/json.hpp>

#include "core/base/file_url.h"

namespace lopewell {

std::string StorageItem::name() const
{
    if (displayName)
        return *displayName;
    std::string_view last = path;
    // "/a/b/" is still "b".
    while (last.size() > 1 && last.back() == '/')
        last.remove_suffix(1);
    if (const size_t slash = last.rfind('/'); slash != std::string_view::npos && last.size() > 1)
        last.remove_prefix(slash + 1);
    return std::string(last);
}

nlohmann::json encodeStorageItem(const StorageItem& item)
{
    nlohmann::json json = nlohmann::json::object();
    json["url"] = fileURLString(item.path);
    json["size"] = item.size;
    if (item.modificationDate)
        json["modificationDate"] = encodeDate(*item.modificationDate);
    if (item.displayName)
        json["displayName"] = *item.displayName;
    return json;
}

std::optional<StorageItem> decodeStorageItem(const nlohmann::json& json)
{
    if (!json.is_object())
        return std::nullopt;
    const auto url = json.find("url");
    const auto size = json.find("size");
    if (url == json.end() || !url->is_string() || size == json.end())
        return std::nullopt;
    // Parsed text gives unsigned numbers; a json built in code may hold a signed one.
    if (!size->is_number_unsigned() && !(size->is_number_integer() && size->get<std::int64_t>() >= 0))
        return std::nullopt;

    StorageItem item;
    std::optional<std::filesystem::path> path = pathFromFileURL(url->get_ref<const std::string&>());
    if (!path)
        return std::nullopt;
    item.path = std::move(*path).native();
    item.size = size->get<std::uint64_t>();

    if (const auto date = json.find("modificationDate"); date != json.end() && !date->is_null()) {
        item.modificationDate = decodeDate(*date);
        if (!item.modificationDate)
            return std::nullopt;
    }
    if (const auto name = json.find("displayName"); name != json.end() && !name->is_null()) {
        if (!name->is_string())
            return std::nullopt;
        item.displayName = name->get<std::string>();
    }
    return item;
}

}  // namespace lopewell

size_t std::hash<lopewell::StorageItem>::operator()(const lopewell::StorageItem& item) const noexcept
{
    size_t seed = std::hash<std::string>()(item.path);
    const auto mix = [&seed](size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
    mix(std::hash<std::uint64_t>()(item.size));
    mix(item.modificationDate ? std::hash<lopewell::Date::rep>()(item.modificationDate->time_since_epoch().count()) : 0x51ed);
    mix(item.displayName ? std::hash<std::string>()(*item.displayName) : 0x7a11);
    return seed;
}
