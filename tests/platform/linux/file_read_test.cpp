#include "platform/file_read.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

using Kind = FileReadFailure::Kind;

std::optional<FileReadFailure> failureOf(const std::variant<std::string, FileReadFailure>& read)
{
    if (const auto* failure = std::get_if<FileReadFailure>(&read))
        return *failure;
    return std::nullopt;
}

TEST(FileRead, ReadsRegularFilesUpToTheCapAndSaysWhyOthersFail)
{
    lopewell::testing::TempDir folder;
    lopewell::testing::writeFile(folder / "file", "contents");
    lopewell::testing::writeFile(folder / "empty", "");
    std::filesystem::create_symlink(folder / "file", folder / "link");
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);  // would block a plain open forever

    EXPECT_EQ(std::get<std::string>(readRegularFile(folder / "file", 8)), "contents");
    EXPECT_EQ(std::get<std::string>(readRegularFile(folder / "empty", 0)), "");
    EXPECT_EQ(std::get<std::string>(readRegularFile(folder / "link", 8, SymlinkPolicy::follow)), "contents");
    // Files whose size says nothing about their contents are read to their end.
    EXPECT_NE(std::get<std::string>(readRegularFile("/proc/self/status", 1 << 20, SymlinkPolicy::follow)).find("Pid:"), std::string::npos);

    const auto tooLarge = failureOf(readRegularFile(folder / "file", 7));
    ASSERT_TRUE(tooLarge);
    EXPECT_EQ(tooLarge->kind, Kind::tooLarge);
    EXPECT_EQ(tooLarge->size, 8u);

    const struct {
        const char* name;
        Kind kind;
        int code;
        bool missing;
    } cases[] = {
        { "link", Kind::symbolicLink, ELOOP, false },
        { "fifo", Kind::notRegular, 0, false },
        { ".", Kind::notRegular, 0, false },
        { "missing", Kind::cannotOpen, ENOENT, true },
        { "file/below", Kind::cannotOpen, ENOTDIR, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto failure = failureOf(readRegularFile(folder / c.name, 100));
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->kind, c.kind);
        EXPECT_EQ(failure->code, c.code);
        EXPECT_EQ(failure->isMissing(), c.missing);
    }
}

TEST(FileRead, ProcFilesGrowingPastTheCapAreTooLarge)
{
    // /proc reports a size of 0, so only the read itself can find the cap exceeded.
    const auto failure = failureOf(readRegularFile("/proc/self/status", 16, SymlinkPolicy::follow));
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, Kind::tooLarge);
    EXPECT_EQ(failure->size, std::nullopt);
}

TEST(FileStatus, TellsLinksFromWhatTheyPointAt)
{
    lopewell::testing::TempDir folder;
    lopewell::testing::writeFile(folder / "file", "x");
    std::filesystem::create_directory(folder / "folder");
    std::filesystem::create_directory_symlink(folder / "folder", folder / "link");
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);

    const struct {
        const char* name;
        SymlinkPolicy symlinks;
        FileType type;
    } cases[] = {
        { "file", SymlinkPolicy::refuse, FileType::regular },
        { "folder", SymlinkPolicy::refuse, FileType::directory },
        { "link", SymlinkPolicy::refuse, FileType::symbolicLink },
        { "link", SymlinkPolicy::follow, FileType::directory },
        { "fifo", SymlinkPolicy::follow, FileType::other },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto type = fileTypeAt(folder / c.name, c.symlinks);
        ASSERT_TRUE(type) << type.error().message;
        EXPECT_EQ(type.value(), c.type);
    }
    const auto missing = fileTypeAt(folder / "missing", SymlinkPolicy::follow);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, ENOENT);
}

}  // namespace
}  // namespace lopewell
