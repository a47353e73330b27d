#include "core/benchmark/chip_class_catalog.h"

#include <unordered_set>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace lopewell {
namespace {

ChipClassCatalog catalogFrom(std::string_view json)
{
    ErrorOr<ChipClassCatalog> catalog = ChipClassCatalog::create(json);
    EXPECT_TRUE(catalog) << (catalog ? "" : catalog.error().message);
    return catalog ? catalog.value() : ChipClassCatalog::create("[]").value();
}

TEST(ChipClassCatalog, LooksUpChipsByExactName)
{
    ChipClassCatalog catalog = catalogFrom(R"([
        {"chip": "M1", "year": 2020, "performanceClass": "entry", "rank": 1},
        {"chip": "M2 Pro", "year": 2023, "performanceClass": "pro", "rank": 5, "notes": "ignored"}
    ])");
    EXPECT_EQ(catalog.byChip().size(), 2u);
    EXPECT_EQ(catalog.lookup("M2 Pro"), (ChipClass { "M2 Pro", 2023, "pro", 5 }));
    EXPECT_EQ(catalog.lookup("M1"), (ChipClass { "M1", 2020, "entry", 1 }));

    for (std::string_view miss : { "m1", "M2 PRO", "M2", "M2 Pro ", " M1", "" }) {
        SCOPED_TRACE(miss);
        EXPECT_FALSE(catalog.lookup(miss));
    }
}

TEST(ChipClassCatalog, AnEmptyArrayAnswersNothing)
{
    ChipClassCatalog catalog = catalogFrom("[]");
    EXPECT_TRUE(catalog.byChip().empty());
    EXPECT_FALSE(catalog.lookup("M1"));
}

TEST(ChipClassCatalog, TheFirstOfTwoEntriesForAChipWins)
{
    ChipClassCatalog catalog = catalogFrom(R"([
        {"chip": "M3", "year": 2023, "performanceClass": "entry", "rank": 7},
        {"chip": "M3", "year": 2024, "performanceClass": "pro", "rank": 9}
    ])");
    EXPECT_EQ(catalog.byChip().size(), 1u);
    EXPECT_EQ(catalog.lookup("M3"), (ChipClass { "M3", 2023, "entry", 7 }));
}

TEST(ChipClassCatalog, DecodingFailuresCarryTheDecodersMessage)
{
    struct Case {
        const char* json;
        const char* messageMentions;
    };
    const Case cases[] = {
        { R"([{"chip": "M1", "year": 2020, "performanceClass": "entry"}])", "rank" },
        { R"([{"chip": "M1", "year": "2020", "performanceClass": "entry", "rank": 1}])", "year" },
        { R"([{"chip": "M1", "year": 2020.5, "performanceClass": "entry", "rank": 1}])", "year" },
        { R"([{"chip": "M1", "year": true, "performanceClass": "entry", "rank": 1}])", "year" },
        { R"([{"chip": "M1", "year": 2020, "performanceClass": "entry", "rank": 18446744073709551615}])", "rank" },
        { R"([{"chip": 1, "year": 2020, "performanceClass": "entry", "rank": 1}])", "chip" },
        { R"([{"chip": "M1", "year": 2020, "performanceClass": null, "rank": 1}])", "performanceClass" },
        { R"({"chip": "M1", "year": 2020, "performanceClass": "entry", "rank": 1})", "array" },
        { R"([["M1", 2020, "entry", 1]])", "object" },
        { R"([{"chip": "M1")", "parse" },
        { "", "parse" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        ErrorOr<ChipClassCatalog> catalog = ChipClassCatalog::create(c.json);
        ASSERT_FALSE(catalog);
        EXPECT_NE(catalog.error().message.find(c.messageMentions), std::string::npos) << catalog.error().message;
    }
}

TEST(ChipClass, EncodesWithExactlyItsFourKeys)
{
    const ChipClass chip { "M4 Max", 2024, "max", 12 };
    nlohmann::json json = chip;
    EXPECT_EQ(json, nlohmann::json::parse(R"({"chip": "M4 Max", "year": 2024, "performanceClass": "max", "rank": 12})"));
    EXPECT_EQ(json.get<ChipClass>(), chip);

    std::unordered_set<ChipClass> set { chip, ChipClass { "M4 Max", 2024, "max", 12 }, ChipClass { "M4 Max", 2024, "max", 13 } };
    EXPECT_EQ(set.size(), 2u);
}

}  // namespace
}  // namespace lopewell
