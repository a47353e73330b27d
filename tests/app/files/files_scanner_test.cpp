#include "app/files/files_scanner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/files/files_test_support.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using testing::TempDir;
using testing::writeFile;

std::vector<StorageScanProgress> collect(Stream<StorageScanProgress> stream)
{
    std::vector<StorageScanProgress> values;
    while (std::optional<StorageScanProgress> value = stream.next())
        values.push_back(std::move(*value));
    return values;
}

std::vector<fs::path> pathsOf(const std::vector<StorageItem>& items)
{
    std::vector<fs::path> paths;
    for (const StorageItem& item : items)
        paths.push_back(item.path);
    std::sort(paths.begin(), paths.end());
    return paths;
}

void setModified(const fs::path& path, Date when)
{
    const auto since = duration_cast<nanoseconds>(when.time_since_epoch()).count();
    struct timespec times[2] = { { 0, UTIME_OMIT }, { time_t(since / 1'000'000'000), long(since % 1'000'000'000) } };
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

std::uint64_t allocatedSize(const fs::path& path)
{
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return std::uint64_t(info.st_blocks) * 512;
}

class FilesScannerTest : public ::testing::Test {
protected:
    TempDir dir;

    StorageScanComplete completed(FilesScanner::Mode mode)
    {
        std::vector<StorageScanProgress> values = collect(FilesScanner().scan(dir.path(), mode));
        EXPECT_FALSE(values.empty());
        if (values.empty() || !std::holds_alternative<StorageScanComplete>(values.back()))
            return {};
        return std::get<StorageScanComplete>(values.back());
    }
};

TEST_F(FilesScannerTest, LargeFilesAreThoseAtOrAboveTheThresholdHiddenOnesIncludedPackagesAndLinksNot)
{
    writeFile(dir / "exact", std::string(64 * 1024, 'x'));
    writeFile(dir / "below", std::string(60 * 1024 - 1, 'x'));
    writeFile(dir / ".hidden/big", std::string(100 * 1024, 'x'));
    writeFile(dir / "deep/er/caf\xe9.bin", std::string(80 * 1024, 'x'));
    writeFile(dir / "Editor.app/Contents/big", std::string(200 * 1024, 'x'));
    fs::create_symlink(dir / "exact", dir / "link-to-exact");
    fs::create_directory_symlink(dir / "deep", dir / "link-to-deep");
    const std::uint64_t threshold = allocatedSize(dir / "exact");
    ASSERT_GT(threshold, allocatedSize(dir / "below"));

    const StorageScanComplete result = completed(FilesScanner::LargerThan { threshold });
    EXPECT_EQ(pathsOf(result.items), (std::vector<fs::path> { dir / ".hidden/big", dir / "deep/er/caf\xe9.bin", dir / "exact" }));
    std::uint64_t sum = 0;
    for (const StorageItem& item : result.items) {
        EXPECT_EQ(item.size, allocatedSize(item.path));
        EXPECT_TRUE(item.modificationDate);
        EXPECT_FALSE(item.displayName);
        sum += item.size;
    }
    EXPECT_EQ(result.totalBytes, sum);
}

TEST_F(FilesScannerTest, SizeIsWhatAFileOccupiesOnDisk)
{
    // 8 MiB long, one page written: occupies a few KiB.
    {
        const int fd = ::open((dir / "sparse").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "x", 1, 8 << 20), 1);
        ::close(fd);
    }
    writeFile(dir / "dense", std::string(1 << 20, 'd'));
    const StorageScanComplete result = completed(FilesScanner::LargerThan { 1 << 20 });
    EXPECT_EQ(pathsOf(result.items), (std::vector<fs::path> { dir / "dense" }));
}

TEST_F(FilesScannerTest, OldFilesAreThoseModifiedStrictlyBeforeTheCutoff)
{
    const Date cutoff = dateFromSecondsSinceReferenceDate(700'000'000.5);
    for (const char* name : { "at-cutoff", "just-before", "long-ago", "after", ".hidden-old", "Old.bundle/inside" })
        writeFile(dir / name, "x");
    setModified(dir / "at-cutoff", cutoff);
    setModified(dir / "just-before", cutoff - nanoseconds(1));
    setModified(dir / "long-ago", dateFromSecondsSinceReferenceDate(1'000));
    setModified(dir / "after", cutoff + seconds(1));
    setModified(dir / ".hidden-old", dateFromSecondsSinceReferenceDate(1'000));
    setModified(dir / "Old.bundle/inside", dateFromSecondsSinceReferenceDate(1'000));
    setModified(dir / "Old.bundle", dateFromSecondsSinceReferenceDate(1'000));

    const StorageScanComplete result = completed(FilesScanner::OlderThan { cutoff });
    EXPECT_EQ(pathsOf(result.items), (std::vector<fs::path> { dir / ".hidden-old", dir / "just-before", dir / "long-ago" }));
}

TEST_F(FilesScannerTest, ReportsProgressOncePerThousandFilesExamined)
{
    struct Case {
        int files;
        std::size_t scanningValues;
    };
    for (Case c : { Case { 0, 0 }, Case { 999, 0 }, Case { 1000, 1 }, Case { 2500, 2 } }) {
        SCOPED_TRACE(c.files);
        TempDir tree;
        // Every third file is large, so the running counts are of matches, not of files.
        for (int i = 0; i < c.files; ++i)
            writeFile(tree / ("d" + std::to_string(i % 10)) / std::to_string(i), i % 3 == 0 ? std::string(5000, 'x') : "");
        const std::vector<StorageScanProgress> values = collect(FilesScanner().scan(tree.path(), FilesScanner::LargerThan { 1 }));
        ASSERT_EQ(values.size(), c.scanningValues + 1);
        for (std::size_t i = 0; i < c.scanningValues; ++i) {
            const auto* scanning = std::get_if<StorageScanning>(&values[i]);
            ASSERT_TRUE(scanning);
            EXPECT_GT(scanning->itemsSeen, 300);
            EXPECT_LT(scanning->itemsSeen, 370 * std::int64_t(i + 1));
            EXPECT_EQ(scanning->bytes, std::uint64_t(scanning->itemsSeen) * allocatedSize(tree / "d0/0"));
        }
        const auto* complete = std::get_if<StorageScanComplete>(&values.back());
        ASSERT_TRUE(complete);
        EXPECT_EQ(complete->items.size(), std::size_t((c.files + 2) / 3));
    }
}

TEST_F(FilesScannerTest, ARootThatIsNotAReadableFolderIsMissing)
{
    writeFile(dir / "plain-file", "x");
    fs::create_directories(dir / "locked/inside");
    for (const fs::path& root : { dir / "plain-file", dir / "nowhere" }) {
        const std::vector<StorageScanProgress> values = collect(FilesScanner().scan(root, FilesScanner::LargerThan { 0 }));
        EXPECT_EQ(values, (std::vector<StorageScanProgress> { StorageScanMissing { root } }));
    }

    ::chmod((dir / "locked").c_str(), 0);
    const fs::path locked = dir / "locked";
    const int status = testing::runUnprivileged([&] {
        const std::vector<StorageScanProgress> values = collect(FilesScanner().scan(locked, FilesScanner::LargerThan { 0 }));
        return values == std::vector<StorageScanProgress> { StorageScanMissing { locked } } ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

TEST_F(FilesScannerTest, AnUnreadableSubfolderIsSkippedAndTheWalkGoesOn)
{
    writeFile(dir / "a/visible", "x");
    writeFile(dir / "b/secret/hidden-from-nobody", "x");
    writeFile(dir / "c/visible", "x");
    ::chmod((dir / "b/secret").c_str(), 0);
    const fs::path root = dir.path();
    const int status = testing::runUnprivileged([&] {
        const std::vector<StorageScanProgress> values = collect(FilesScanner().scan(root, FilesScanner::LargerThan { 0 }));
        if (values.size() != 1 || !std::holds_alternative<StorageScanComplete>(values[0]))
            return 1;
        return pathsOf(std::get<StorageScanComplete>(values[0]).items) == std::vector<fs::path> { root / "a/visible", root / "c/visible" }
            ? 0
            : 2;
    });
    EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace lopewell
