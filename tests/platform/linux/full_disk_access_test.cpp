#include "platform/full_disk_access.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeFile;

class FullDiskAccess : public ::testing::Test {
protected:
    HostLayout layout() const { return HostLayout::forTesting(m_dir / "root", m_dir / "home", 1000, "alice", HostFlavour::macOS); }
    fs::path database() const { return m_dir / "root/Library/Application Support/com.apple.TCC/TCC.db"; }
    fs::path bookmarks() const { return m_dir / "home/Library/Safari/Bookmarks.plist"; }

    TempDir m_dir;
};

TEST_F(FullDiskAccess, ProbesTheFilesResolvedThroughTheLayout)
{
    EXPECT_EQ(systemPrivacyDatabase(layout()), database());
    EXPECT_EQ(userBookmarksFile(layout()), bookmarks());
}

TEST_F(FullDiskAccess, ReadsOneByteOfTheFirstProbeFileThatExists)
{
    struct Case {
        const char* name;
        std::optional<std::string> database;
        std::optional<std::string> bookmarks;
        bool granted;
    };
    const std::vector<Case> cases {
        { "neither exists", std::nullopt, std::nullopt, true },
        { "readable database", "SQLite", std::nullopt, true },
        { "empty database", "", std::nullopt, false },
        { "the database decides over the bookmarks", "", "bookmarks", false },
        { "readable bookmarks", std::nullopt, "bookmarks", true },
        { "empty bookmarks", std::nullopt, "", false },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        fs::remove(database());
        fs::remove(bookmarks());
        if (test.database)
            writeFile(database(), *test.database);
        if (test.bookmarks)
            writeFile(bookmarks(), *test.bookmarks);
        EXPECT_EQ(hasFullDiskAccess(layout()), test.granted);
    }
}

TEST_F(FullDiskAccess, AProbeThatCannotBeReadMeansNoAccess)
{
    writeFile(database(), "SQLite");
    ASSERT_EQ(::chmod(database().c_str(), 0600), 0);
    const HostLayout fixture = layout();
    EXPECT_EQ(testing::runUnprivileged([&] { return hasFullDiskAccess(fixture) ? 1 : 0; }), 0);

    // A pipe in the probe's place must not hang the interface thread.
    fs::remove(database());
    ASSERT_EQ(::mkfifo(database().c_str(), 0644), 0);
    EXPECT_FALSE(hasFullDiskAccess(layout()));
}

}  // namespace
}  // namespace lopewell
