#include "app/files/files_scan_cache.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include "platform/user_defaults.h"
#include "tests/app/files/files_test_support.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using nlohmann::json;
using testing::LogRecorder;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

const std::string hexA(64, 'a');

FilesScanSnapshot fullSnapshot()
{
    FilesScanSnapshot snapshot;
    snapshot.largeFiles = FilesScanEntry {
        { { .path = "/home/u/big \xff.iso", .size = 5'000'000'000, .modificationDate = dateFromSecondsSinceReferenceDate(786'543'210.125) },
            { .path = "/home/u/no-date", .size = 104'857'600 } },
        5'104'857'600, dateFromSecondsSinceReferenceDate(786'600'000.5)
    };
    snapshot.oldFiles
        = FilesScanEntry { { { .path = "/home/u/old.txt", .size = 4096, .modificationDate = dateFromSecondsSinceReferenceDate(1'000.0) } },
              4096, dateFromSecondsSinceReferenceDate(786'600'001.75) };
    snapshot.duplicates = DuplicatesScanEntry { { { hexA, 8192, { "/home/u/a", "/home/u/caf\xc3\xa9 copy", "/home/u/\xfe" } } }, 16384,
        dateFromSecondsSinceReferenceDate(786'600'002.0) };
    return snapshot;
}

class FilesScanCacheTest : public ::testing::Test {
protected:
    TempDir dir;
    HostLayout layout = HostLayout::forTesting(dir.path(), dir / "home", 1000, "u", HostFlavour::macOS);
};

TEST_F(FilesScanCacheTest, SavesEveryPaneCompactlyBesideTheStorageCacheAndLoadsItBack)
{
    FilesScanCache cache(layout);
    EXPECT_EQ(cache.filePath(), layout.applicationSupport() / "FilesScanCache.json");
    EXPECT_TRUE(fs::is_directory(layout.applicationSupport()));
    EXPECT_FALSE(cache.load());

    cache.save(fullSnapshot());
    const std::string text = readFile(cache.filePath());
    EXPECT_EQ(text.find_first_of(" \n"), std::string::npos) << "not compact: " << text;
    const json written = json::parse(text);
    EXPECT_EQ(written["duplicates"]["groups"][0]["files"][1], "file:///home/u/caf%C3%A9%20copy");
    EXPECT_EQ(written["largeFiles"]["scannedAt"], 786'600'000.5);
    EXPECT_EQ(cache.load(), fullSnapshot());
}

TEST_F(FilesScanCacheTest, LeavesOutPanesWithoutAResult)
{
    FilesScanCache cache(layout);
    FilesScanSnapshot onlyDuplicates;
    onlyDuplicates.duplicates = fullSnapshot().duplicates;
    cache.save(onlyDuplicates);
    const json written = json::parse(readFile(cache.filePath()));
    ASSERT_TRUE(written.is_object());
    EXPECT_EQ(written.size(), 1u);
    EXPECT_TRUE(written.contains("duplicates"));

    cache.save({});
    EXPECT_EQ(readFile(cache.filePath()), "{}");
    EXPECT_EQ(cache.load(), FilesScanSnapshot {});
}

TEST_F(FilesScanCacheTest, DecodingToleratesAbsentNullAndUnknownKeys)
{
    const json text = json::parse(R"({"version":3,"oldFiles":null,
        "largeFiles":{"items":[],"totalBytes":0,"scannedAt":12.5,"extra":true}})");
    std::optional<FilesScanSnapshot> decoded = decodeFilesScanSnapshot(text);
    ASSERT_TRUE(decoded);
    ASSERT_TRUE(decoded->largeFiles);
    EXPECT_TRUE(decoded->largeFiles->items.empty());
    EXPECT_FALSE(decoded->oldFiles);
    EXPECT_FALSE(decoded->duplicates);
}

TEST_F(FilesScanCacheTest, AnyMalformedPartMakesTheWholeFileUnusable)
{
    const char* cases[] = {
        "",
        "not json",
        "[]",
        R"({"largeFiles":[]})",
        R"({"largeFiles":{"items":[],"totalBytes":0}})",
        R"({"largeFiles":{"items":{},"totalBytes":0,"scannedAt":1}})",
        R"({"largeFiles":{"items":[],"totalBytes":-1,"scannedAt":1}})",
        R"({"oldFiles":{"items":[{"url":"relative/path","size":1}],"totalBytes":1,"scannedAt":1}})",
        R"({"oldFiles":{"items":[],"totalBytes":0,"scannedAt":"yesterday"}})",
        R"({"duplicates":{"groups":[{"id":"ab","size":1,"files":["http://x/y"]}],"reclaimableBytes":1,"scannedAt":1}})",
        R"({"duplicates":{"groups":[{"id":"ab","size":1.5,"files":[]}],"reclaimableBytes":1,"scannedAt":1}})",
        R"({"duplicates":{"groups":[{"size":1,"files":[]}],"reclaimableBytes":1,"scannedAt":1}})",
    };
    FilesScanCache cache(layout);
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        writeFile(cache.filePath(), text);
        EXPECT_FALSE(cache.load());
    }
}

TEST_F(FilesScanCacheTest, AFailedSaveIsLoggedAndLeavesTheOldFile)
{
    FilesScanCache cache(layout);
    cache.save(fullSnapshot());
    LogRecorder log;
    writeFile(dir / "a-file", "in the way");
    FilesScanCache blocked(dir / "a-file/FilesScanCache.json");
    blocked.save(fullSnapshot());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].rfind("FilesScanCache: Failed to persist files scan cache: ", 0), 0u) << log.lines[0];
    EXPECT_EQ(cache.load(), fullSnapshot());
}

class FilesRootBookmarksTest : public ::testing::Test {
protected:
    TempDir dir;
    std::shared_ptr<UserDefaults> defaults = UserDefaults::open(dir / "config/UserDefaults.json");
    FilesRootBookmarks bookmarks { defaults };
    LogRecorder log;
};

TEST_F(FilesRootBookmarksTest, RemembersEachPanesFolderAcrossRestarts)
{
    fs::create_directories(dir / "Movies");
    fs::create_directories(dir / "caf\xe9");
    bookmarks.saveBookmark(dir / "Movies", FilesRootBookmarks::largeFilesKey);
    bookmarks.saveBookmark(dir / "caf\xe9", FilesRootBookmarks::duplicatesKey);

    // A fresh set of defaults reads what the last run wrote.
    std::shared_ptr<UserDefaults> reopened;
    {
        std::weak_ptr<UserDefaults> gone = defaults;
        bookmarks = FilesRootBookmarks(nullptr);
        defaults.reset();
        ASSERT_TRUE(gone.expired());
    }
    reopened = UserDefaults::open(dir / "config/UserDefaults.json");
    FilesRootBookmarks again(reopened);
    EXPECT_EQ(again.resolveBookmark(FilesRootBookmarks::largeFilesKey), dir / "Movies");
    EXPECT_EQ(again.resolveBookmark(FilesRootBookmarks::duplicatesKey), dir / "caf\xe9");
    EXPECT_EQ(again.resolveBookmark(FilesRootBookmarks::oldFilesKey), std::nullopt);
    EXPECT_TRUE(log.lines.empty());
}

TEST_F(FilesRootBookmarksTest, AFolderThatIsGoneDoesNotResolveAndIsLogged)
{
    fs::create_directories(dir / "Gone");
    bookmarks.saveBookmark(dir / "Gone", FilesRootBookmarks::oldFilesKey);
    fs::remove(dir / "Gone");
    EXPECT_EQ(bookmarks.resolveBookmark(FilesRootBookmarks::oldFilesKey), std::nullopt);
    EXPECT_EQ(log.lines,
        (std::vector<std::string> { "FilesRootBookmark: Resolve bookmark failed for files.oldFiles.bookmark: No such file or directory" }));
}

TEST_F(FilesRootBookmarksTest, AStaleEntryIsStoredAgainInItsPlainForm)
{
    fs::create_directories(dir / "Music");
    const std::string stale = (dir / "Music").string() + "/./";
    ASSERT_TRUE(defaults->setData(FilesRootBookmarks::largeFilesKey, std::vector<std::uint8_t>(stale.begin(), stale.end())));
    EXPECT_EQ(bookmarks.resolveBookmark(FilesRootBookmarks::largeFilesKey), dir / "Music");
    const std::string plain = (dir / "Music").string();
    EXPECT_EQ(defaults->dataForKey(FilesRootBookmarks::largeFilesKey), std::vector<std::uint8_t>(plain.begin(), plain.end()));
}

TEST_F(FilesRootBookmarksTest, AFailedSaveIsLoggedAndStoresNothing)
{
    bookmarks.saveBookmark("relative/folder", FilesRootBookmarks::largeFilesKey);
    EXPECT_FALSE(defaults->objectExists(FilesRootBookmarks::largeFilesKey));
    EXPECT_EQ(log.lines,
        (std::vector<std::string> { "FilesRootBookmark: Persist bookmark failed for files.largeFiles.bookmark: not an absolute path" }));
}

}  // namespace
}  // namespace lopewell
