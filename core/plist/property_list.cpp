#include "core/plist/property_list.h"

#include <algorithm>
#include <numeric>

#include "core/plist/property_list_parsing.h"

namespace lopewell {

PropertyList PropertyList::fromString(std::string value)
{
    PropertyList plist;
    plist.m_value = std::move(value);
    return plist;
}

PropertyList PropertyList::fromInteger(std::int64_t value)
{
    PropertyList plist;
    plist.m_value = Integer { value, false };
    return plist;
}

PropertyList PropertyList::fromUnsignedInteger(std::uint64_t value)
{
    PropertyList plist;
    plist.m_value = Integer { static_cast<std::int64_t>(value), value > std::uint64_t(INT64_MAX) };
    return plist;
}

PropertyList PropertyList::fromReal(double value)
{
    PropertyList plist;
    plist.m_value = value;
    return plist;
}

PropertyList PropertyList::fromBoolean(bool value)
{
    PropertyList plist;
    plist.m_value = Boolean { value };
    return plist;
}

PropertyList PropertyList::fromDate(Date value)
{
    PropertyList plist;
    plist.m_value = value;
    return plist;
}

PropertyList PropertyList::fromData(Data value)
{
    PropertyList plist;
    plist.m_value = std::move(value);
    return plist;
}

PropertyList PropertyList::fromArray(Array value)
{
    PropertyList plist;
    plist.m_value = std::move(value);
    return plist;
}

PropertyList PropertyList::fromDictionary(Dictionary value)
{
    property_list::keepLastOfEachKey(value);
    PropertyList plist;
    plist.m_value = std::move(value);
    return plist;
}

PropertyList::Type PropertyList::type() const
{
    static constexpr Type types[]
        = { Type::dictionary, Type::array, Type::string, Type::integer, Type::real, Type::boolean, Type::date, Type::data };
    static_assert(std::size(types) == std::variant_size_v<decltype(m_value)>);
    return types[m_value.index()];
}

std::optional<std::int64_t> PropertyList::integerValue() const
{
    const auto* integer = std::get_if<Integer>(&m_value);
    if (!integer || integer->aboveInt64)
        return std::nullopt;
    return integer->value;
}

std::optional<std::uint64_t> PropertyList::unsignedIntegerValue() const
{
    const auto* integer = std::get_if<Integer>(&m_value);
    if (!integer || (!integer->aboveInt64 && integer->value < 0))
        return std::nullopt;
    return static_cast<std::uint64_t>(integer->value);
}

std::optional<double> PropertyList::realValue() const
{
    if (const auto* real = std::get_if<double>(&m_value))
        return *real;
    return std::nullopt;
}

std::optional<bool> PropertyList::booleanValue() const
{
    if (const auto* boolean = std::get_if<Boolean>(&m_value))
        return boolean->value;
    return std::nullopt;
}

std::optional<Date> PropertyList::dateValue() const
{
    if (const auto* date = std::get_if<Date>(&m_value))
        return *date;
    return std::nullopt;
}

const PropertyList* PropertyList::valueForKey(std::string_view key) const
{
    const auto* entries = asDictionary();
    if (!entries)
        return nullptr;
    auto found = std::find_if(entries->begin(), entries->end(), [&](const auto& entry) { return entry.first == key; });
    return found == entries->end() ? nullptr : &found->second;
}

std::optional<std::string> PropertyList::stringForKey(std::string_view key) const
{
    const PropertyList* value = valueForKey(key);
    const std::string* text = value ? value->asString() : nullptr;
    return text ? std::optional(*text) : std::nullopt;
}

std::optional<std::int64_t> PropertyList::integerForKey(std::string_view key) const
{
    const PropertyList* value = valueForKey(key);
    return value ? value->integerValue() : std::nullopt;
}

std::optional<bool> PropertyList::booleanForKey(std::string_view key) const
{
    const PropertyList* value = valueForKey(key);
    return value ? value->booleanValue() : std::nullopt;
}

const PropertyList::Array* PropertyList::arrayForKey(std::string_view key) const
{
    const PropertyList* value = valueForKey(key);
    return value ? value->asArray() : nullptr;
}

const PropertyList* PropertyList::dictionaryForKey(std::string_view key) const
{
    const PropertyList* value = valueForKey(key);
    return value && value->isDictionary() ? value : nullptr;
}

namespace property_list {

void keepLastOfEachKey(PropertyList::Dictionary& entries)
{
    if (entries.size() < 2)
        return;
    std::vector<size_t> order(entries.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return entries[a].first < entries[b].first; });

    std::vector<bool> dropped(entries.size(), false);
    bool anyDropped = false;
    for (size_t run = 0; run < order.size();) {
        size_t end = run + 1;
        while (end < order.size() && entries[order[end]].first == entries[order[run]].first)
            ++end;
        if (end - run > 1) {
            // Stable order: order[run] is the first occurrence, order[end - 1] the last.
            entries[order[run]].second = std::move(entries[order[end - 1]].second);
            for (size_t i = run + 1; i < end; ++i)
                dropped[order[i]] = true;
            anyDropped = true;
        }
        run = end;
    }
    if (!anyDropped)
        return;
    size_t kept = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (dropped[i])
            continue;
        if (kept != i)
            entries[kept] = std::move(entries[i]);
        ++kept;
    }
    entries.resize(kept);
}

}  // namespace property_list

ErrorOr<PropertyList> parsePropertyList(std::span<const std::byte> bytes)
{
    return parsePropertyList(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

ErrorOr<PropertyList> parsePropertyList(std::string_view bytes)
{
    if (bytes.empty())
        return Error { 0, "Not a property list: the file is empty" };
    if (bytes.starts_with("bplist"))
        return property_list::parseBinary(std::as_bytes(std::span(bytes.data(), bytes.size())));
    return property_list::parseXml(bytes);
}

}  // namespace lopewell
