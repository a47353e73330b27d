#include "app/files/duplicate_scanner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/files/duplicate_fixture.h"
#include "tests/app/files/files_test_support.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::patternBytes;
using testing::TempDir;
using testing::writeFile;

std::vector<DuplicateScanProgress> collect(Stream<DuplicateScanProgress> stream)
{
    std::vector<DuplicateScanProgress> values;
    while (std::optional<DuplicateScanProgress> value = stream.next())
        values.push_back(std::move(*value));
    return values;
}

class DuplicateScannerTest : public ::testing::Test {
protected:
    TempDir dir;

    DuplicateScanComplete completed(std::uint64_t minSize)
    {
        std::vector<DuplicateScanProgress> values = collect(DuplicateScanner().scan(dir.path(), minSize));
        EXPECT_FALSE(values.empty());
        if (values.empty() || !std::holds_alternative<DuplicateScanComplete>(values.back()))
            return {};
        return std::get<DuplicateScanComplete>(values.back());
    }
};

TEST_F(DuplicateScannerTest, GroupsOnlyVisibleRegularFilesOfAtLeastTheMinimumSize)
{
    const std::string body = patternBytes(20'000, 1);
    for (const char* name : { "a/x1", "a/x2", "b/long-name-copy" })
        writeFile(dir / name, body);
    // Each of these holds the same bytes, and none may join the group.
    writeFile(dir / ".hidden-copy", body);
    writeFile(dir / ".cache/copy", body);
    writeFile(dir / "Tool.app/Contents/copy", body);
    fs::create_symlink(dir / "a/x1", dir / "a/link");
    // Below the minimum: never a candidate, even as a pair.
    writeFile(dir / "small/1", patternBytes(100, 2));
    writeFile(dir / "small/2", patternBytes(100, 2));
    const std::uint64_t minSize = testing::identityOf(dir / "a/x1").allocatedSize.value();

    const DuplicateScanComplete result = completed(minSize);
    ASSERT_EQ(result.groups.size(), 1u);
    const DuplicateGroup& group = result.groups[0];
    EXPECT_EQ(group.files, (std::vector<std::string> { dir / "a/x1", dir / "a/x2", dir / "b/long-name-copy" }));
    EXPECT_EQ(group.size, minSize);
    Sha256 hasher;
    hasher.update(body.data(), body.size());
    EXPECT_EQ(group.id, lowerHex(hasher.finish()));
    EXPECT_EQ(result.reclaimableBytes, 2 * minSize);

    // A file of exactly the minimum is a candidate; one byte more of minimum and it is not.
    EXPECT_TRUE(completed(minSize + 1).groups.empty());
}

TEST_F(DuplicateScannerTest, ReportsTheWalkEvery500CandidatesThenEveryBucketThenTheResult)
{
    // 1,100 candidates in 11 sizes: two walk reports, then one per bucket.
    for (int i = 0; i < 1100; ++i)
        writeFile(dir / ("d" + std::to_string(i % 4)) / std::to_string(i), patternBytes(4096 * (1 + i % 11) - 10, i % 2));
    const std::vector<DuplicateScanProgress> values = collect(DuplicateScanner().scan(dir.path(), 0));
    ASSERT_EQ(values.size(), 2u + 11u + 1u);
    EXPECT_EQ(values[0], DuplicateScanProgress(DuplicateScanning { 500, 0, 0 }));
    EXPECT_EQ(values[1], DuplicateScanProgress(DuplicateScanning { 1000, 0, 0 }));
    for (std::size_t i = 2; i < 13; ++i) {
        const auto* scanning = std::get_if<DuplicateScanning>(&values[i]);
        ASSERT_TRUE(scanning);
        EXPECT_EQ(scanning->filesSeen, 1100);
        EXPECT_EQ(scanning->groupsSoFar, std::int64_t(2 * (i - 1)));
    }
    const auto* complete = std::get_if<DuplicateScanComplete>(&values.back());
    ASSERT_TRUE(complete);
    EXPECT_EQ(complete->groups.size(), 22u);
    EXPECT_EQ(complete->reclaimableBytes, std::get<DuplicateScanning>(values[12]).reclaimableBytes);
}

TEST_F(DuplicateScannerTest, AFolderWithoutEqualSizesCompletesEmpty)
{
    writeFile(dir / "one", patternBytes(5000, 1));
    writeFile(dir / "two", patternBytes(9000, 1));
    EXPECT_EQ(collect(DuplicateScanner().scan(dir.path(), 0)), (std::vector<DuplicateScanProgress> { DuplicateScanComplete {} }));
}

TEST_F(DuplicateScannerTest, ARootThatIsNotAFolderIsMissing)
{
    writeFile(dir / "plain-file", "x");
    for (const fs::path& root : { dir / "plain-file", dir / "nowhere" })
        EXPECT_EQ(collect(DuplicateScanner().scan(root, 0)), (std::vector<DuplicateScanProgress> { DuplicateScanMissing { root } }));
}

}  // namespace
}  // namespace lopewell
