// A catalogue of chips by marketing name (release year, performance class, rank), so that a
// benchmark history can be read next to the class of machine that produced it. The data comes
// from the caller as a JSON array of objects.
//
//   ErrorOr<ChipClassCatalog> catalog = ChipClassCatalog::create(jsonText);
//   if (catalog) if (auto chip = catalog.value().lookup("M2 Pro")) show(chip->performanceClass);
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "core/base/error_or.h"

namespace lopewell {

struct ChipClass {
    std::string chip;  // the lookup key
    int64_t year = 0;
    std::string performanceClass;
    int64_t rank = 0;  // position in the catalogue's ordering of chips

    bool operator==(const ChipClass&) const = default;
};

// Keys "chip", "year", "performanceClass", "rank", all required; year and rank must be integers
// (not 2020.5, not true). Decoding failures throw nlohmann's exceptions.
void to_json(nlohmann::json& json, const ChipClass& chipClass);
void from_json(const nlohmann::json& json, ChipClass& chipClass);

class ChipClassCatalog {
public:
    using Map = std::map<std::string, ChipClass, std::less<>>;

    // Fails with the JSON decoder's message when the text is not a JSON array of chip classes.
    // Of two entries for the same chip, the earlier one is kept.
    static ErrorOr<ChipClassCatalog> create(std::string_view jsonText);

    const Map& byChip() const { return m_byChip; }

    // Exact and case-sensitive: "m2" does not find "M2".
    std::optional<ChipClass> lookup(std::string_view chip) const;

private:
    explicit ChipClassCatalog(Map byChip) : m_byChip(std::move(byChip)) {}

    Map m_byChip;
};

}  // namespace lopewell

template <>
struct std::hash<lopewell::ChipClass> {
    size_t operator()(const lopewell::ChipClass& chipClass) const noexcept;
};
