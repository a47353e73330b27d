#include "platform/file_digest.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeFile;

FileIdentity identityOf(const fs::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return {};
    return { std::uint64_t(info.st_dev), std::uint64_t(info.st_ino), std::uint64_t(info.st_size), std::uint64_t(info.st_blocks) * 512 };
}

std::string hexOf(const std::string& bytes)
{
    Sha256 hasher;
    hasher.update(bytes.data(), bytes.size());
    return lowerHex(hasher.finish());
}

const std::string emptyDigest = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

TEST(Sha256, MatchesThePublishedTestVectors)
{
    EXPECT_EQ(hexOf(""), emptyDigest);
    EXPECT_EQ(hexOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hexOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
        "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(hexOf(std::string(1'000'000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, FedInPiecesGivesTheDigestOfTheWholeAndStartsAfreshAfterFinishing)
{
    Sha256 hasher;
    hasher.update("ab", 2);
    hasher.update("c", 1);
    EXPECT_EQ(lowerHex(hasher.finish()), hexOf("abc"));
    EXPECT_EQ(lowerHex(hasher.finish()), emptyDigest);
    hasher.update("zzz", 3);
    hasher.reset();
    EXPECT_EQ(lowerHex(hasher.finish()), emptyDigest);
}

class FileDigesterTest : public ::testing::Test {
protected:
    TempDir dir;
    FileDigester digester;
    const FileDigester::CancelChecker never = [] { return false; };
};

TEST_F(FileDigesterTest, DigestsWholeFilesAndPrefixesAcrossReadBoundaries)
{
    // Spans several 1 MiB reads and ends mid-chunk.
    std::string contents(3 * FileDigester::readSize + 12345, '\0');
    for (std::size_t i = 0; i < contents.size(); ++i)
        contents[i] = char(i * 7 + i / 4096);
    writeFile(dir / "big", contents);
    writeFile(dir / "empty", "");

    const FileDigest whole = digester.digest(dir / "big", identityOf(dir / "big"), FileDigester::wholeFile, never);
    ASSERT_EQ(whole.status, FileDigestStatus::ok);
    EXPECT_EQ(lowerHex(whole.digest), hexOf(contents));

    const FileDigest prefix = digester.digest(dir / "big", identityOf(dir / "big"), 4096, never);
    ASSERT_EQ(prefix.status, FileDigestStatus::ok);
    EXPECT_EQ(lowerHex(prefix.digest), hexOf(contents.substr(0, 4096)));

    const FileDigest empty = digester.digest(dir / "empty", identityOf(dir / "empty"), FileDigester::wholeFile, never);
    ASSERT_EQ(empty.status, FileDigestStatus::ok);
    EXPECT_EQ(lowerHex(empty.digest), emptyDigest);
}

TEST_F(FileDigesterTest, RefusesAFileThatIsNoLongerTheOneTheWalkSaw)
{
    struct Case {
        const char* name;
        std::function<void()> change;
        FileDigestStatus expected;
    };
    const Case cases[] = {
        { "grown", [&] { writeFile(dir / "file", std::string(10001, 'x')); }, FileDigestStatus::changed },
        { "shrunk", [&] { writeFile(dir / "file", std::string(9999, 'x')); }, FileDigestStatus::changed },
        { "replaced by another inode",
            [&] {
                writeFile(dir / "other", std::string(10000, 'x'));
                fs::rename(dir / "other", dir / "file");
            },
            FileDigestStatus::changed },
        { "replaced by a link to an equal file",
            [&] {
                writeFile(dir / "target", std::string(10000, 'x'));
                fs::remove(dir / "file");
                fs::create_symlink(dir / "target", dir / "file");
            },
            FileDigestStatus::changed },
        { "replaced by a pipe",
            [&] {
                fs::remove(dir / "file");
                ASSERT_EQ(::mkfifo((dir / "file").c_str(), 0600), 0);
            },
            FileDigestStatus::changed },
        { "gone", [&] { fs::remove(dir / "file"); }, FileDigestStatus::unreadable },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(dir / "file");
        writeFile(dir / "file", std::string(10000, 'x'));
        const FileIdentity original = identityOf(dir / "file");
        c.change();
        EXPECT_EQ(digester.digest(dir / "file", original, FileDigester::wholeFile, never).status, c.expected);
    }
}

TEST_F(FileDigesterTest, RefusesAFileWrittenSinceAnEarlierRead)
{
    writeFile(dir / "file", std::string(10000, 'x'));
    const FileIdentity identity = identityOf(dir / "file");
    const FileDigest first = digester.digest(dir / "file", identity, 4096, never);
    ASSERT_EQ(first.status, FileDigestStatus::ok);
    EXPECT_EQ(digester.digest(dir / "file", identity, FileDigester::wholeFile, never, first.stamp).status, FileDigestStatus::ok);

    // Same size, same bytes, but written again in between: nothing read before can be trusted.
    struct timespec later[2] = { { 0, UTIME_OMIT }, { first.stamp.modifiedNanoseconds / 1'000'000'000 + 5, 0 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "file").c_str(), later, 0), 0);
    EXPECT_EQ(digester.digest(dir / "file", identity, FileDigester::wholeFile, never, first.stamp).status, FileDigestStatus::changed);
}

TEST_F(FileDigesterTest, AsksForCancellationAfterEvery64KiBAndStopsAtOnce)
{
    writeFile(dir / "file", std::string(2 * FileDigester::readSize, 'q'));
    const FileIdentity identity = identityOf(dir / "file");

    int asked = 0;
    ASSERT_EQ(
        digester.digest(dir / "file", identity, FileDigester::wholeFile, [&] { return ++asked, false; }).status, FileDigestStatus::ok);
    EXPECT_EQ(asked, 32);

    asked = 0;
    EXPECT_EQ(
        digester.digest(dir / "file", identity, FileDigester::wholeFile, [&] { return ++asked == 3; }).status, FileDigestStatus::cancelled);
    EXPECT_EQ(asked, 3);

    // An abandoned file leaves nothing behind in the reused hasher.
    writeFile(dir / "small", "abc");
    const FileDigest next = digester.digest(dir / "small", identityOf(dir / "small"), FileDigester::wholeFile, never);
    EXPECT_EQ(lowerHex(next.digest), hexOf("abc"));
}

TEST_F(FileDigesterTest, ComparesTwoFilesSideBySideAndDigestsTheFirstWhenEqual)
{
    std::string contents(2 * FileDigester::readSize + 999, '\0');
    for (std::size_t i = 0; i < contents.size(); ++i)
        contents[i] = char(i * 13 + i / 1000);
    std::string lastByte = contents;
    lastByte.back() ^= 1;
    writeFile(dir / "a", contents);
    writeFile(dir / "b", contents);
    writeFile(dir / "c", lastByte);
    const auto file = [&](const char* name) { return FileToRead { dir / name, identityOf(dir / name), std::nullopt }; };

    const FileComparison same = digester.compare(file("a"), file("b"), true, never);
    EXPECT_EQ(same.status, FileComparisonStatus::same);
    ASSERT_TRUE(same.firstDigest);
    EXPECT_EQ(lowerHex(*same.firstDigest), hexOf(contents));
    EXPECT_FALSE(digester.compare(file("a"), file("b"), false, never).firstDigest);
    EXPECT_EQ(digester.compare(file("a"), file("c"), true, never).status, FileComparisonStatus::different);

    const FileToRead a = file("a");
    const FileToRead b = file("b");
    writeFile(dir / "b", contents + "!");
    EXPECT_EQ(digester.compare(a, b, true, never).status, FileComparisonStatus::secondFailed);
    fs::remove(dir / "a");
    EXPECT_EQ(digester.compare(a, file("c"), true, never).status, FileComparisonStatus::firstFailed);
    EXPECT_EQ(digester.compare(file("c"), file("c"), true, [] { return true; }).status, FileComparisonStatus::cancelled);
}

TEST_F(FileDigesterTest, AFileThatCannotBeReadIsUnreadable)
{
    writeFile(dir / "secret", "abc");
    ::chmod((dir / "secret").c_str(), 0);
    const FileIdentity identity = identityOf(dir / "secret");
    const fs::path path = dir / "secret";
    const int status = testing::runUnprivileged([&] {
        FileDigester unprivileged;
        return int(unprivileged.digest(path, identity, FileDigester::wholeFile, {}).status);
    });
    EXPECT_EQ(status, int(FileDigestStatus::unreadable));
}

}  // namespace
}  // namespace lopewell
