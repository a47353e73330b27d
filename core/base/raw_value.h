// Enumerations whose raw values are strings ("cpu.single", "systemJunk", ...): one table per
// enumeration gives the text both ways and the JSON coding, where an unknown text is an error
// rather than a silent default.
//
//   template <> struct RawValues<BenchmarkKind> {
//       static constexpr std::array entries { std::pair { BenchmarkKind::cpuSingle, "cpu.single"sv }, ... };
//   };
//   LOPEWELL_RAW_VALUE_JSON(BenchmarkKind)   // in the enumeration's namespace
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace lopewell {

template <typename Enum>
struct RawValues;

template <typename Enum>
constexpr std::string_view rawValue(Enum value)
{
    for (const auto& [entry, text] : RawValues<Enum>::entries) {
        if (entry == value)
            return text;
    }
    return {};
}

template <typename Enum>
constexpr std::optional<Enum> fromRawValue(std::string_view text)
{
    for (const auto& [entry, entryText] : RawValues<Enum>::entries) {
        if (entryText == text)
            return entry;
    }
    return std::nullopt;
}

// Every case, in declaration order.
template <typename Enum>
constexpr auto allCases()
{
    std::array<Enum, RawValues<Enum>::entries.size()> cases {};
    for (size_t i = 0; i < cases.size(); ++i)
        cases[i] = RawValues<Enum>::entries[i].first;
    return cases;
}

template <typename Enum>
Enum decodeRawValue(const nlohmann::json& json)
{
    const std::string* text = json.get_ptr<const std::string*>();
    std::optional<Enum> value = text ? fromRawValue<Enum>(*text) : std::nullopt;
    if (!value)
        throw nlohmann::json::type_error::create(302, "unknown value " + json.dump(), &json);
    return *value;
}

}  // namespace lopewell

#define LOPEWELL_RAW_VALUE_JSON(Enum)                                                                                                      \
    inline void to_json(nlohmann::json& json, Enum value)                                                                                  \
    {                                                                                                                                      \
        json = ::lopewell::rawValue(value);                                                                                                \
    }                                                                                                                                      \
    inline void from_json(const nlohmann::json& json, Enum& value)                                                                         \
    {                                                                                                                                      \
        value = ::lopewell::decodeRawValue<Enum>(json);                                                                                    \
    }
