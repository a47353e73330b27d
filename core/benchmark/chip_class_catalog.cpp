#include "core/benchmark/chip_class_catalog.h"

#include <limits>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace lopewell {

namespace {

// nlohmann would quietly turn 2020.5 or true into an integer; a decoder should refuse them.
int64_t requiredInteger(const nlohmann::json& object, const char* key)
{
    const nlohmann::json& value = object.at(key);
    if (value.is_number_unsigned()) {
        if (value.get<uint64_t>() > uint64_t(std::numeric_limits<int64_t>::max()))
            throw nlohmann::json::out_of_range::create(406, std::string("\"") + key + "\" does not fit a signed 64-bit integer", &value);
        return int64_t(value.get<uint64_t>());
    }
    if (!value.is_number_integer())
        throw nlohmann::json::type_error::create(
            302, std::string("\"") + key + "\" must be an integer, but is " + value.type_name(), &value);
    return value.get<int64_t>();
}

std::string requiredString(const nlohmann::json& object, const char* key)
{
    const nlohmann::json& value = object.at(key);
    if (!value.is_string())
        throw nlohmann::json::type_error::create(302, std::string("\"") + key + "\" must be a string, but is " + value.type_name(), &value);
    return value.get<std::string>();
}

}  // namespace

void to_json(nlohmann::json& json, const ChipClass& chipClass)
{
    json = nlohmann::json {
        { "chip", chipClass.chip },
        { "year", chipClass.year },
        { "performanceClass", chipClass.performanceClass },
        { "rank", chipClass.rank },
    };
}

void from_json(const nlohmann::json& json, ChipClass& chipClass)
{
    if (!json.is_object())
        throw nlohmann::json::type_error::create(302, std::string("a chip class must be an object, but is ") + json.type_name(), &json);
    chipClass.chip = requiredString(json, "chip");
    chipClass.year = requiredInteger(json, "year");
    chipClass.performanceClass = requiredString(json, "performanceClass");
    chipClass.rank = requiredInteger(json, "rank");
}

ErrorOr<ChipClassCatalog> ChipClassCatalog::create(std::string_view jsonText)
{
    std::vector<ChipClass> entries;
    try {
        nlohmann::json document = nlohmann::json::parse(jsonText);
        if (!document.is_array())
            throw nlohmann::json::type_error::create(302, std::string("type must be array, but is ") + document.type_name(), &document);
        entries = document.get<std::vector<ChipClass>>();
    } catch (const nlohmann::json::exception& error) {
        return Error { 0, error.what() };
    }

    Map byChip;
    for (ChipClass& entry : entries) {
        std::string key = entry.chip;
        byChip.try_emplace(std::move(key), std::move(entry));  // keeps the earlier entry
    }
    return ChipClassCatalog(std::move(byChip));
}

std::optional<ChipClass> ChipClassCatalog::lookup(std::string_view chip) const
{
    if (auto found = m_byChip.find(chip); found != m_byChip.end())
        return found->second;
    return std::nullopt;
}

}  // namespace lopewell

size_t std::hash<lopewell::ChipClass>::operator()(const lopewell::ChipClass& chipClass) const noexcept
{
    size_t seed = 0;
    auto combine = [&seed](size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
    combine(std::hash<std::string> {}(chipClass.chip));
    combine(std::hash<int64_t> {}(chipClass.year));
    combine(std::hash<std::string> {}(chipClass.performanceClass));
    combine(std::hash<int64_t> {}(chipClass.rank));
    return seed;
}
