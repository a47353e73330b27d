#include "app/storage/storage_scan_cache.h"

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/log.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

struct LoggedLine {
    log::Level level;
    std::string category;
    std::string message;
};

class StorageScanCacheTest : public ::testing::Test {
protected:
    StorageScanCacheTest()
    {
        log::setSinkForTesting([this](log::Level level, std::string_view category, std::string_view message) {
            logged.push_back({ level, std::string(category), std::string(message) });
        });
    }
    ~StorageScanCacheTest() override { log::setSinkForTesting(nullptr); }

    TempDir root;
    HostLayout layout = HostLayout::forTesting("/", root / "home", 1000, "alice", HostFlavour::macOS);
    std::vector<LoggedLine> logged;
};

// Near 2001, where a double holds every tick of a Date, so equality is exact.
const StorageScanCache::Entries twoEntries {
    { "system.userCaches", { referenceDate() + seconds { 86'400 } + nanoseconds { 250'500'001 }, 1'073'741'824, 1234 } },
    { "dev.npmCache", { referenceDate() - milliseconds { 1500 }, 0, 0 } },
};

TEST_F(StorageScanCacheTest, LivesInTheApplicationSupportFolderWhichConstructionCreates)
{
    StorageScanCache cache(layout);
    EXPECT_EQ(cache.filePath(), root / "home/.local/share/com.vantorel.lopewellmac/StorageScanCache.json");
    EXPECT_TRUE(fs::is_directory(cache.filePath().parent_path()));
    EXPECT_TRUE(cache.load().empty());  // no file yet
}

TEST_F(StorageScanCacheTest, SavedEntriesLoadBackEqualWithSubSecondDates)
{
    StorageScanCache cache(layout);
    cache.save(twoEntries);
    EXPECT_EQ(cache.load(), twoEntries);
    EXPECT_TRUE(logged.empty());

    // Compact, numbers as numbers, dates as seconds since 2001 with their fraction.
    const std::string text = readFile(cache.filePath());
    EXPECT_EQ(text.find_first_of(" \n"), std::string::npos);
    const nlohmann::json json = nlohmann::json::parse(text);
    EXPECT_DOUBLE_EQ(json["system.userCaches"]["lastScanned"].get<double>(), 86'400.250500001);
    EXPECT_EQ(json["system.userCaches"]["totalBytes"], 1'073'741'824);
    EXPECT_EQ(json["system.userCaches"]["itemCount"], 1234);
    EXPECT_EQ(json["system.userCaches"].size(), 3u);

    // Today's dates keep far better than a millisecond.
    const Date now = system_clock::now();
    cache.save({ { "system.userLogs", { now, 1, 1 } } });
    const Date loaded = cache.load().at("system.userLogs").lastScanned;
    EXPECT_LT(abs(duration_cast<nanoseconds>(loaded - now).count()), 1000);
}

TEST_F(StorageScanCacheTest, BadFilesLoadAsEmptyAndTheNextSaveWritesAValidFile)
{
    const char* bad[] = {
        "",
        "[]",
        "null",
        "{\"system.userCaches\":{\"lastScanned\":1.5,\"totalBytes\":10,",
        R"({"system.userCaches":{"lastScanned":1.5,"totalBytes":10}})",
        R"({"a":{"lastScanned":1.5,"totalBytes":10,"itemCount":1},"b":{"lastScanned":2,"totalBytes":3}})",
        R"({"a":{"lastScanned":"today","totalBytes":10,"itemCount":1}})",
        R"({"a":{"lastScanned":1.5,"totalBytes":-10,"itemCount":1}})",
        R"({"a":{"lastScanned":1.5,"totalBytes":10,"itemCount":1.5}})",
        R"({"a":[1.5,10,1]})",
        "\xFF\xFE{}",
    };
    StorageScanCache cache(layout);
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        writeFile(cache.filePath(), text);
        EXPECT_TRUE(cache.load().empty());
    }
    cache.save(twoEntries);
    EXPECT_EQ(cache.load(), twoEntries);
}

TEST_F(StorageScanCacheTest, MembersWithExtraKeysLoad)
{
    StorageScanCache cache(layout);
    writeFile(cache.filePath(), R"({"system.trash":{"lastScanned":-2.25,"totalBytes":18446744073709551615,"itemCount":-1,"note":"x"}})");
    EXPECT_EQ(cache.load(),
        (StorageScanCache::Entries { { "system.trash", { referenceDate() - milliseconds { 2250 }, 18'446'744'073'709'551'615ULL, -1 } } }));
}

TEST_F(StorageScanCacheTest, AFolderInPlaceOfTheFileLoadsAsEmpty)
{
    StorageScanCache cache(layout);
    fs::create_directories(cache.filePath());
    EXPECT_TRUE(cache.load().empty());
}

TEST_F(StorageScanCacheTest, AFailedSaveIsLoggedAndKeepsTheOldFile)
{
    // A file where the folder should be: the folder cannot be created, so every save fails.
    writeFile(root / "blocked", "not a folder");
    StorageScanCache blocked = StorageScanCache::atFile(root / "blocked/StorageScanCache.json");
    blocked.save(twoEntries);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].level, log::Level::error);
    EXPECT_EQ(logged[0].category, "StorageScanCache");
    EXPECT_TRUE(logged[0].message.starts_with("Failed to persist scan cache: ")) << logged[0].message;
    EXPECT_GT(logged[0].message.size(), std::string_view("Failed to persist scan cache: ").size());

    // A folder the user may enter but not write to, as a user who cannot bypass permissions.
    StorageScanCache cache(layout);
    cache.save(twoEntries);
    const std::string before = readFile(cache.filePath());
    for (const fs::path& folder : { root / "home", root / "home/.local", root / "home/.local/share" })
        chmod(folder.c_str(), 0755);
    chmod(cache.filePath().parent_path().c_str(), 0555);
    logged.clear();
    const int status = testing::runUnprivileged([&] {
        cache.save({});
        return logged.size() == 1 && logged[0].message.starts_with("Failed to persist scan cache: ") ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFile(cache.filePath()), before);
}

TEST(StorageScanCacheCoding, RejectsTheWholeTextWhenOneMemberIsIncomplete)
{
    EXPECT_EQ(decodeStorageScanCache("{}"), StorageScanCache::Entries {});
    EXPECT_EQ(decodeStorageScanCache(R"({"a":{"lastScanned":0,"totalBytes":1,"itemCount":2}})"),
        (StorageScanCache::Entries { { "a", { referenceDate(), 1, 2 } } }));
    EXPECT_EQ(decodeStorageScanCache(R"({"a":{"lastScanned":0,"totalBytes":1,"itemCount":2},"b":{}})"), std::nullopt);
    EXPECT_EQ(decodeStorageScanCache(encodeStorageScanCache(twoEntries)), twoEntries);
}

}  // namespace
}  // namespace lopewell
