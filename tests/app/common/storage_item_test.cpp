#include "app/common/storage_item.h"

#include <unordered_set>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/app/common/storage_test_printers.h"

namespace lopewell {
namespace {

using namespace std::chrono;
using nlohmann::json;

TEST(StorageItem, IsNamedByItsDisplayNameElseItsLastPathComponent)
{
    EXPECT_EQ((StorageItem { .path = "/a/Devices/ABC-123" }).name(), "ABC-123");
    EXPECT_EQ((StorageItem { .path = "/a/Devices/ABC-123/" }).name(), "ABC-123");
    EXPECT_EQ((StorageItem { .path = "/a/Devices/ABC-123", .displayName = "iPhone 15 · iOS 17.2" }).name(), "iPhone 15 · iOS 17.2");
    EXPECT_EQ((StorageItem { .path = "/a/Devices/ABC", .displayName = "" }).name(), "");
}

TEST(StorageItem, EqualityAndHashingCoverAllFourFields)
{
    const StorageItem base { .path = "/a/b", .size = 4096, .modificationDate = referenceDate() + seconds { 5 }, .displayName = "B" };
    StorageItem otherPath = base, otherSize = base, otherDate = base, noDate = base, otherName = base, noName = base;
    otherPath.path = "/a/c";
    otherSize.size = 4097;
    otherDate.modificationDate = referenceDate() + seconds { 6 };
    noDate.modificationDate.reset();
    otherName.displayName = "C";
    noName.displayName.reset();

    std::unordered_set<StorageItem> set { base, base };
    for (const StorageItem& other : { otherPath, otherSize, otherDate, noDate, otherName, noName }) {
        EXPECT_NE(other, base);
        set.insert(other);
    }
    EXPECT_EQ(set.size(), 7u);
    EXPECT_TRUE(set.contains(StorageItem(base)));
}

TEST(StorageItem, KeepsItsOptionalFieldsInAWordEachWithTheirOptionalMeaning)
{
    StorageItem item { .path = "/a/b" };
    EXPECT_FALSE(item.modificationDate);
    EXPECT_EQ(item.modificationDate, std::nullopt);
    EXPECT_EQ(std::optional<Date>(item.modificationDate), std::nullopt);
    EXPECT_THROW((void)item.modificationDate.value(), std::bad_optional_access);
    for (const Date date : { referenceDate(), Date::max(), Date::min() + nanoseconds { 1 }, Date {} }) {
        item.modificationDate = date;
        ASSERT_TRUE(item.modificationDate);
        EXPECT_EQ(*item.modificationDate, date);
        EXPECT_EQ(item.modificationDate, std::optional<Date>(date));
    }
    // The one value that stands for "none" is kept as the tick after it, still a date.
    item.modificationDate = Date::min();
    EXPECT_EQ(item.modificationDate, Date::min() + nanoseconds { 1 });
    item.modificationDate = std::optional<Date>();
    EXPECT_FALSE(item.modificationDate.has_value());

    EXPECT_FALSE(item.displayName);
    item.displayName = std::string("Firefox");
    StorageItem copy = item;
    item.displayName = "Chrome";
    EXPECT_EQ(copy.displayName, "Firefox");
    EXPECT_EQ(item.displayName, std::optional<std::string>("Chrome"));
    EXPECT_EQ(item.displayName.value_or("none"), "Chrome");
    item.displayName = std::optional<std::string>();
    EXPECT_EQ(item.displayName, std::nullopt);
    EXPECT_EQ(item.displayName.value_or("none"), "none");
}

TEST(StorageItem, EncodesToTheCacheFormAndBack)
{
    const StorageItem item {
        .path = "/home/a/Library/Caches/My File \xFF.db",
        .size = 18'446'744'073'709'551'615ULL,
        // Near 2001, where a double holds every nanosecond, so the date must come back exactly.
        .modificationDate = referenceDate() + seconds { 1234 } + microseconds { 567'891 },
        .displayName = "Caf\xC3\xA9",
    };
    const json encoded = encodeStorageItem(item);
    EXPECT_EQ(encoded["url"], "file:///home/a/Library/Caches/My%20File%20%FF.db");
    EXPECT_EQ(encoded["size"], 18'446'744'073'709'551'615ULL);
    EXPECT_DOUBLE_EQ(encoded["modificationDate"].get<double>(), 1234.567891);
    EXPECT_EQ(encoded["displayName"], "Caf\xC3\xA9");

    // Through text, as the caches store it.
    EXPECT_EQ(decodeStorageItem(json::parse(encoded.dump())), item);
}

TEST(StorageItem, LeavesOutAbsentKeysAndDecodesWithoutThem)
{
    const StorageItem item { .path = "/a/Logs/old.log", .size = 0 };
    const json encoded = encodeStorageItem(item);
    EXPECT_EQ(encoded, json::parse(R"({"url":"file:///a/Logs/old.log","size":0})"));
    std::optional<StorageItem> decoded = decodeStorageItem(json::parse(encoded.dump()));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, item);
    EXPECT_EQ(decoded->name(), "old.log");
}

TEST(StorageItem, DecodingIgnoresUnknownKeysAndTakesNullAsAbsent)
{
    std::optional<StorageItem> decoded
        = decodeStorageItem(json::parse(R"({"url":"file:///a/b","size":7,"modificationDate":null,"displayName":null,"extra":[1,2]})"));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, (StorageItem { .path = "/a/b", .size = 7 }));
    EXPECT_EQ(decodeStorageItem(json { { "url", "file:///a/b" }, { "size", 3 } }), (StorageItem { .path = "/a/b", .size = 3 }));
}

TEST(StorageItem, DecodingRejectsMissingOrMistypedFields)
{
    const char* rejected[] = {
        R"([])",
        R"("file:///a/b")",
        R"({"size":1})",
        R"({"url":"file:///a/b"})",
        R"({"url":"/a/b","size":1})",
        R"({"url":"file://host/a/b","size":1})",
        R"({"url":42,"size":1})",
        R"({"url":"file:///a/b","size":-1})",
        R"({"url":"file:///a/b","size":1.5})",
        R"({"url":"file:///a/b","size":"1"})",
        R"({"url":"file:///a/b","size":18446744073709551616})",
        R"({"url":"file:///a/b","size":1,"modificationDate":"yesterday"})",
        R"({"url":"file:///a/b","size":1,"modificationDate":1e300})",
        R"({"url":"file:///a/b","size":1,"displayName":7})",
    };
    for (const char* text : rejected) {
        SCOPED_TRACE(text);
        EXPECT_EQ(decodeStorageItem(json::parse(text)), std::nullopt);
    }
}

}  // namespace
}  // namespace lopewell
