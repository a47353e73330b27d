#include "app/files/duplicate_finder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "tests/app/files/duplicate_fixture.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::bucketsUnder;
using testing::patternBytes;
using testing::TempDir;
using testing::writeFile;

const std::stop_token never;

// The plain method, written independently: read every file of a bucket whole, group equal
// contents, count each inode once.
DuplicateSearch plainContentComparison(const std::vector<SizeBucket>& unordered)
{
    std::vector<SizeBucket> buckets = unordered;
    std::stable_sort(buckets.begin(), buckets.end(), [](const auto& a, const auto& b) { return a.size > b.size; });
    std::vector<DuplicateGroup> groups;
    for (const SizeBucket& bucket : buckets) {
        std::vector<std::pair<std::string, std::vector<std::string>>> byContents;
        std::set<std::pair<std::uint64_t, std::uint64_t>> inodes;
        for (const DuplicateCandidate& file : bucket.files) {
            if (!inodes.emplace(file.identity.device, file.identity.inode).second)
                continue;
            const std::string contents = testing::readFile(file.path);
            auto same = std::find_if(byContents.begin(), byContents.end(), [&](const auto& entry) { return entry.first == contents; });
            if (same == byContents.end())
                byContents.push_back({ contents, { file.path } });
            else
                same->second.push_back(file.path);
        }
        for (auto& [contents, files] : byContents) {
            if (files.size() < 2)
                continue;
            Sha256 hasher;
            hasher.update(contents.data(), contents.size());
            sortCanonically(files);
            groups.push_back({ lowerHex(hasher.finish()), bucket.size, files });
        }
    }
    std::stable_sort(
        groups.begin(), groups.end(), [](const auto& a, const auto& b) { return a.reclaimableBytes() > b.reclaimableBytes(); });
    return { groups, totalReclaimableBytes(groups) };
}

class DuplicateFinderTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(DuplicateFinderTest, FindsExactlyTheGroupsOfAPlainContentComparison)
{
    // Many shared sizes with a few variants each, so that groups, lone files and prefix
    // collisions mix in every bucket.
    for (unsigned i = 0; i < 240; ++i) {
        const std::size_t sizes[] = { 100, 4095, 4096, 4097, 9000, 70'000 };
        const std::size_t size = sizes[i % 6];
        writeFile(dir / ("mixed/" + std::to_string(i % 7) + "/f" + std::to_string(i)), patternBytes(size, (i / 6) % 5));
    }
    // Same size; the differences sit at the very start, just past the prefix, and at the very end.
    const std::string large = patternBytes(3 * 1024 * 1024 + 77, 9);
    for (const char* name : { "large/a", "large/b", "large/c" })
        writeFile(dir / name, large);
    std::string lastByte = large;
    lastByte.back() ^= 1;
    writeFile(dir / "large/last-byte", lastByte);
    std::string firstByte = large;
    firstByte.front() ^= 1;
    writeFile(dir / "large/first-byte", firstByte);
    std::string pastPrefix = large;
    pastPrefix[duplicatePrefixBytes] ^= 1;
    writeFile(dir / "large/past-prefix", pastPrefix);
    writeFile(dir / "large/past-prefix-twin", pastPrefix);
    // One prefix, four different tails, two copies each: more kinds than are compared side by
    // side. And one prefix shared by more files than are compared at all.
    const std::string head = patternBytes(duplicatePrefixBytes, 11);
    for (unsigned tail = 0; tail < 4; ++tail) {
        for (const char* copy : { "a", "b" })
            writeFile(dir / ("tails/" + std::to_string(tail) + copy), head + patternBytes(6000, 20 + tail));
    }
    for (unsigned i = 0; i < 12; ++i)
        writeFile(dir / ("many/" + std::to_string(i)), head + patternBytes(9000, 30 + i % 2));
    // Names that are not UTF-8, and a hard link to a member of a group.
    writeFile(dir / "names/caf\xe9", patternBytes(5000, 42));
    writeFile(dir / "names/\xff\xfe", patternBytes(5000, 42));
    fs::create_hard_link(dir / "large/a", dir / "large/z-link-to-a");

    const std::vector<SizeBucket> buckets = bucketsUnder(dir.path());
    const DuplicateSearch expected = plainContentComparison(buckets);
    ASSERT_GT(expected.groups.size(), 20u);
    for (unsigned workers : { 1u, 2u, 4u }) {
        SCOPED_TRACE(workers);
        const std::optional<DuplicateSearch> found = findDuplicates(buckets, never, {}, workers);
        ASSERT_TRUE(found);
        EXPECT_EQ(*found, expected);
    }
}

TEST_F(DuplicateFinderTest, AHardLinkIsTheSameFileNotACopy)
{
    writeFile(dir / "a", patternBytes(6000, 1));
    fs::create_hard_link(dir / "a", dir / "b-link");
    writeFile(dir / "lonely", patternBytes(6000, 2));
    fs::create_hard_link(dir / "lonely", dir / "lonely-link");
    writeFile(dir / "c-copy", patternBytes(6000, 1));

    const std::optional<DuplicateSearch> found = findDuplicates(bucketsUnder(dir.path()), never);
    ASSERT_TRUE(found);
    ASSERT_EQ(found->groups.size(), 1u);
    EXPECT_EQ(found->groups[0].files, (std::vector<std::string> { dir / "a", dir / "c-copy" }));
    EXPECT_EQ(found->reclaimableBytes, found->groups[0].size);
}

TEST_F(DuplicateFinderTest, FilesThatChangedOrVanishedSinceTheWalkAreNeverGrouped)
{
    for (const char* name : { "big-a", "big-b", "big-grows", "big-shrinks", "big-gone", "big-replaced" })
        writeFile(dir / name, patternBytes(200'000, 7));
    for (const char* name : { "small-a", "small-b", "small-grows", "small-gone" })
        writeFile(dir / name, patternBytes(300, 8));
    const std::vector<SizeBucket> buckets = bucketsUnder(dir.path());

    writeFile(dir / "big-grows", patternBytes(200'000, 7) + "!");
    writeFile(dir / "big-shrinks", patternBytes(199'999, 7));
    fs::remove(dir / "big-gone");
    writeFile(dir / "elsewhere", patternBytes(200'000, 7));
    fs::rename(dir / "elsewhere", dir / "big-replaced");
    writeFile(dir / "small-grows", patternBytes(300, 8) + "!");
    fs::remove(dir / "small-gone");

    const std::optional<DuplicateSearch> found = findDuplicates(buckets, never);
    ASSERT_TRUE(found);
    ASSERT_EQ(found->groups.size(), 2u);
    EXPECT_EQ(found->groups[0].files, (std::vector<std::string> { dir / "big-a", dir / "big-b" }));
    EXPECT_EQ(found->groups[1].files, (std::vector<std::string> { dir / "small-a", dir / "small-b" }));
}

TEST_F(DuplicateFinderTest, FilesThatCannotBeReadAreNotDuplicatesOfEachOther)
{
    for (const char* name : { "locked-1", "locked-2", "open-1", "open-2" })
        writeFile(dir / name, patternBytes(9000, 3));
    ::chmod((dir / "locked-1").c_str(), 0);
    ::chmod((dir / "locked-2").c_str(), 0);
    const std::vector<SizeBucket> buckets = bucketsUnder(dir.path());
    const fs::path open1 = dir / "open-1";
    const fs::path open2 = dir / "open-2";

    const int status = testing::runUnprivileged([&] {
        const std::optional<DuplicateSearch> found = findDuplicates(buckets, never);
        if (!found || found->groups.size() != 1)
            return 1;
        return found->groups[0].files == std::vector<std::string> { open1, open2 } ? 0 : 2;
    });
    EXPECT_EQ(status, 0);
}

TEST_F(DuplicateFinderTest, OrdersByReclaimableBytesKeepingTheFoundOrderOfEqualOnes)
{
    // Two 8 KiB copies and three 4 KiB copies reclaim the same; the larger size is found first.
    for (const char* name : { "p1", "p2", "p3" })
        writeFile(dir / name, patternBytes(4000, 1));
    for (const char* name : { "q1", "q2" })
        writeFile(dir / name, patternBytes(8000, 2));
    for (const char* name : { "r1", "r2", "r3", "r4" })
        writeFile(dir / name, patternBytes(3000, 3));
    std::vector<SizeBucket> buckets = bucketsUnder(dir.path());
    ASSERT_EQ(buckets.size(), 2u);                 // 4 KiB and 8 KiB of allocation
    std::reverse(buckets.begin(), buckets.end());  // the caller's order does not matter

    const std::optional<DuplicateSearch> found = findDuplicates(buckets, never);
    ASSERT_TRUE(found);
    std::vector<std::string> firsts;
    for (const DuplicateGroup& group : found->groups)
        firsts.push_back(fs::path(group.files.front()).filename().string());
    EXPECT_EQ(firsts, (std::vector<std::string> { "r1", "q1", "p1" }));
    EXPECT_EQ(found->reclaimableBytes, 3 * 4096u + 8192u + 2 * 4096u);
}

TEST_F(DuplicateFinderTest, ReportsOnceAfterEachBucketOfSeveralFilesInBucketOrder)
{
    for (const char* name : { "a1", "a2" })
        writeFile(dir / name, patternBytes(100, 1));
    writeFile(dir / "alone", patternBytes(5000, 1));
    for (const char* name : { "b1", "b2", "b3" })
        writeFile(dir / name, patternBytes(9000, 2));
    writeFile(dir / "c1", patternBytes(13000, 1));
    writeFile(dir / "c2", patternBytes(13000, 2));

    std::vector<std::pair<std::size_t, std::uint64_t>> reports;
    const std::optional<DuplicateSearch> found = findDuplicates(
        bucketsUnder(dir.path()), never, [&](std::size_t groups, std::uint64_t bytes) { reports.emplace_back(groups, bytes); }, 2);
    ASSERT_TRUE(found);
    // Buckets of 16 KiB (no group), 12 KiB (one group of three), 4 KiB (one group of two).
    const std::vector<std::pair<std::size_t, std::uint64_t>> expected { { 0, 0 }, { 1, 2 * 12288u }, { 2, 2 * 12288u + 4096u } };
    EXPECT_EQ(reports, expected);
}

TEST_F(DuplicateFinderTest, CancellingStopsAtTheNextChunkAndReturnsNothing)
{
    // Pairs of copies in eight sizes: one report per bucket. (The digester's own test counts
    // its checks per 64 KiB; here the token is stopped from the progress report.)
    for (unsigned i = 1; i <= 8; ++i) {
        for (const char* copy : { "a", "b" })
            writeFile(dir / (std::to_string(i) + copy), patternBytes(std::size_t(i) * 20'000, i));
    }
    const std::vector<SizeBucket> buckets = bucketsUnder(dir.path());
    ASSERT_EQ(buckets.size(), 8u);

    std::size_t reports = 0;
    ASSERT_TRUE(findDuplicates(buckets, never, [&](std::size_t, std::uint64_t) { ++reports; }));
    EXPECT_EQ(reports, 8u);

    for (unsigned workers : { 1u, 2u }) {
        std::stop_source source;
        reports = 0;
        const auto stopAtThird = [&](std::size_t, std::uint64_t) {
            if (++reports == 3)
                source.request_stop();
        };
        EXPECT_FALSE(findDuplicates(buckets, source.get_token(), stopAtThird, workers));
        EXPECT_EQ(reports, 3u) << "reported again after the stop";
    }
    std::stop_source stopped;
    stopped.request_stop();
    EXPECT_FALSE(findDuplicates(buckets, stopped.get_token()));
}

TEST(DuplicateGroup, CanonicalCopyIsTheShortestPathThenStringOrder)
{
    struct Case {
        std::vector<std::string> files;
        std::vector<std::string> canonicalOrder;
    };
    const Case cases[] = {
        { { "/a/ccc", "/a/bb" }, { "/a/bb", "/a/ccc" } },
        { { "/a/x2", "/a/x1" }, { "/a/x1", "/a/x2" } },
        // Characters, not bytes: "é" is one character in two bytes.
        { { "/a/bbb",
              "/a/\xc3\xa9"
              "1" },
            { "/a/\xc3\xa9"
              "1",
                "/a/bbb" } },
        // A byte that is not UTF-8 counts as one character.
        { { "/a/bb", "/a/\xff" }, { "/a/\xff", "/a/bb" } },
        { { "/z", "/b/c", "/a" }, { "/a", "/z", "/b/c" } },
    };
    for (const Case& c : cases) {
        std::vector<std::string> files = c.files;
        sortCanonically(files);
        EXPECT_EQ(files, c.canonicalOrder);
    }
}

TEST(DuplicateGroup, ReclaimsEveryCopyButOne)
{
    EXPECT_EQ((DuplicateGroup { "", 1000, { "/a", "/b", "/c" } }).reclaimableBytes(), 2000u);
    EXPECT_EQ((DuplicateGroup { "", 1000, { "/a" } }).reclaimableBytes(), 0u);
    EXPECT_EQ((DuplicateGroup { "", 1000, {} }).reclaimableBytes(), 0u);
    const std::uint64_t huge = std::numeric_limits<std::uint64_t>::max() / 2 + 1;
    EXPECT_EQ((DuplicateGroup { "", huge, { "/a", "/b", "/c" } }).reclaimableBytes(), std::numeric_limits<std::uint64_t>::max());
}

}  // namespace
}  // namespace lopewell
