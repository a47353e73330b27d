// Property lists — Info.plist of app bundles, launchd job files, simulator device files — parsed
// from XML or binary ("bplist00") form into one small value. The bytes come from folders anyone
// can write to, so the parser treats every byte as hostile: it checks every offset and count,
// limits nesting and expansion, rejects reference cycles and answers an Error, never a crash.
// Reading the files is platform/property_list.h's job.
//
//   auto plist = parsePropertyList(bytes);
//   if (plist)
//       if (auto identifier = plist.value().stringForKey("CFBundleIdentifier"))
//           app.bundleID = *identifier;
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/base/date.h"
#include "core/base/error_or.h"

namespace lopewell {

class PropertyList {
public:
    enum class Type { dictionary, array, string, integer, real, boolean, date, data };

    using Array = std::vector<PropertyList>;
    // Entries in the order the file lists them. Keys are unique: when a file repeats a key,
    // the last value wins, at the position of the first.
    using Dictionary = std::vector<std::pair<std::string, PropertyList>>;
    using Data = std::vector<std::byte>;

    // Every string, key included, is valid UTF-8: what cannot be decoded reads as U+FFFD.
    static PropertyList fromString(std::string value);
    static PropertyList fromInteger(std::int64_t value);
    static PropertyList fromUnsignedInteger(std::uint64_t value);
    static PropertyList fromReal(double value);
    static PropertyList fromBoolean(bool value);
    static PropertyList fromDate(Date value);
    static PropertyList fromData(Data value);
    static PropertyList fromArray(Array value);
    static PropertyList fromDictionary(Dictionary value);

    PropertyList() = default;  // an empty dictionary

    Type type() const;
    bool isDictionary() const { return type() == Type::dictionary; }

    // Each answers absent (or null) when the value is of another type.
    const Dictionary* asDictionary() const { return std::get_if<Dictionary>(&m_value); }
    const Array* asArray() const { return std::get_if<Array>(&m_value); }
    const std::string* asString() const { return std::get_if<std::string>(&m_value); }
    const Data* asData() const { return std::get_if<Data>(&m_value); }
    // Integers run from INT64_MIN to UINT64_MAX: integerValue() is absent above INT64_MAX,
    // unsignedIntegerValue() below zero.
    std::optional<std::int64_t> integerValue() const;
    std::optional<std::uint64_t> unsignedIntegerValue() const;
    std::optional<double> realValue() const;
    std::optional<bool> booleanValue() const;
    std::optional<Date> dateValue() const;

    // Lookups in a dictionary; absent when this is not a dictionary, the key is missing or its
    // value has another type. The string is a copy, so it outlives a temporary plist.
    const PropertyList* valueForKey(std::string_view key) const;
    std::optional<std::string> stringForKey(std::string_view key) const;
    std::optional<std::int64_t> integerForKey(std::string_view key) const;
    std::optional<bool> booleanForKey(std::string_view key) const;
    const Array* arrayForKey(std::string_view key) const;
    const PropertyList* dictionaryForKey(std::string_view key) const;

    bool operator==(const PropertyList&) const = default;

private:
    // An integer above INT64_MAX keeps its bits in `value` with `aboveInt64` set, so each
    // number has one form and equality is plain.
    struct Integer {
        std::int64_t value = 0;
        bool aboveInt64 = false;
        bool operator==(const Integer&) const = default;
    };
    struct Boolean {
        bool value = false;
        bool operator==(const Boolean&) const = default;
    };

    std::variant<Dictionary, Array, std::string, Integer, double, Boolean, Date, Data> m_value;
};

// Limits that keep a hostile file from exhausting the stack or memory. A binary plist may
// reference one object from many places; the expanded tree is what counts.
inline constexpr int propertyListMaxDepth = 512;
inline constexpr std::size_t propertyListMaxValues = std::size_t(1) << 20;
inline constexpr std::size_t propertyListMaxPayloadBytes = std::size_t(64) << 20;

// Binary when the bytes begin with "bplist", XML otherwise. Dates a Date cannot hold (before
// 1677 or after 2262, such as a "distant future" of 4001) read as its first or last tick. Safe to
// call from any thread.
ErrorOr<PropertyList> parsePropertyList(std::span<const std::byte> bytes);
ErrorOr<PropertyList> parsePropertyList(std::string_view bytes);

}  // namespace lopewell
