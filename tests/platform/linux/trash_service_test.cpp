#include "platform/trash_service.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "core/base/file_url.h"
#include "platform/linux/trash_service_testing.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

// GIO reads the home and data folders once per process: point both at a scratch folder before
// anything asks, so the real Trash is never touched, then give HOME back to the other tests.
class TrashServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (s_scratch)
            return;
        s_scratch = new TempDir;
        const char* oldHome = std::getenv("HOME");
        const std::string savedHome = oldHome ? oldHome : "";
        fs::create_directories(s_scratch->path() / "home/.local/share");
        ::setenv("HOME", (s_scratch->path() / "home").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (s_scratch->path() / "home/.local/share").c_str(), 1);
        (void)g_get_home_dir();
        (void)g_get_user_data_dir();
        if (oldHome)
            ::setenv("HOME", savedHome.c_str(), 1);
        ::unsetenv("XDG_DATA_HOME");
    }

    void SetUp() override
    {
        ASSERT_EQ(TrashService::homeTrash(), s_scratch->path() / "home/.local/share/Trash")
            << "GIO looked up the data folder before this suite could redirect it";
        // On the home folder's file system, so GIO uses the home trash.
        m_dir = s_scratch->path() / ("case-" + std::to_string(++s_cases));
        fs::create_directories(m_dir);
    }

    fs::path homeTrash() const { return s_scratch->path() / "home/.local/share/Trash"; }

    // The name under Trash/files of the item trashed from `original`, by its .trashinfo.
    std::optional<std::string> trashedName(const fs::path& original) const
    {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(homeTrash() / "info", error)) {
            const std::string text = readFile(entry.path());
            const size_t start = text.find("\nPath=");
            if (!text.starts_with("[Trash Info]\n") || start == std::string::npos || text.find("\nDeletionDate=") == std::string::npos)
                continue;
            const size_t end = text.find('\n', start + 1);
            const std::string escaped = text.substr(start + 6, end - start - 6);
            if (pathFromFileURL("file://" + escaped) == original && entry.path().extension() == ".trashinfo")
                return entry.path().stem().native();
        }
        return std::nullopt;
    }

    fs::path m_dir;
    static inline TempDir* s_scratch = nullptr;
    static inline int s_cases = 0;
};

TEST(TrashServiceRules, FindsTheTrashFolderAPathLiesIn)
{
    const fs::path home = "/home/a/.local/share/Trash";
    struct Case {
        const char* path;
        std::optional<fs::path> folder;
        std::optional<fs::path> freedesktop;
    };
    const std::vector<Case> cases {
        { "/home/a/.Trash/x", "/home/a/.Trash", std::nullopt },
        { "/home/a/.Trash", "/home/a/.Trash", std::nullopt },
        { "/Volumes/USB/.Trashes/501/x", "/Volumes/USB/.Trashes", std::nullopt },
        { "/media/usb/.Trash/1000/files/x", "/media/usb/.Trash", "/media/usb/.Trash/1000" },
        { "/media/usb/.Trash-1000/files/x", "/media/usb/.Trash-1000", "/media/usb/.Trash-1000" },
        { "/home/a/.local/share/Trash/files/x", home, home },
        { "/home/a/.local/share/Trash", home, home },
        { "/media/usb/.Trash-1001/files/x", std::nullopt, std::nullopt },
        { "/home/a/.Trash-old/x", std::nullopt, std::nullopt },
        { "/home/a/.local/share/Trash-old/x", std::nullopt, std::nullopt },
        { "/home/a/My.Trash/x", std::nullopt, std::nullopt },
        { "/home/a/Documents/x", std::nullopt, std::nullopt },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.path);
        std::optional<TrashService::TrashLocation> location = TrashService::trashContaining(test.path, home, 1000);
        ASSERT_EQ(location.has_value(), test.folder.has_value());
        if (location) {
            EXPECT_EQ(location->folder, *test.folder);
            EXPECT_EQ(location->freedesktopTrash, test.freedesktop);
        }
    }
}

TEST(TrashServiceRules, NormalisesDotsAndTrailingSlashes)
{
    EXPECT_EQ(TrashService::normalise("/a/b/"), "/a/b");
    EXPECT_EQ(TrashService::normalise("/a/./b//c/../d/"), "/a/b/d");
    EXPECT_EQ(TrashService::normalise("/"), "/");
    EXPECT_EQ(TrashService::normalise("x/.."), fs::current_path());
    EXPECT_EQ(TrashService::normalise("rel/file"), fs::current_path() / "rel/file");
}

TEST_F(TrashServiceTest, AnEmptyRequestMovesNothing)
{
    EXPECT_EQ(TrashService::moveToTrash({}), TrashService::Outcome {});
}

TEST_F(TrashServiceTest, RecyclesIntoTheHomeTrashWithATrashInfoThatRestoresIt)
{
    const std::vector<std::pair<fs::path, std::string>> files {
        { m_dir / "My File.txt", "spaces" },
        { m_dir / "caf\xe9 100%.txt", "not utf-8" },
        { m_dir / "folder/inside.txt", "in a folder" },
    };
    for (const auto& [path, contents] : files)
        writeFile(path, contents);
    writeFile(m_dir / "target/kept.txt", "target");
    fs::create_directory_symlink(m_dir / "target", m_dir / "link");

    // The folder and the link are named with trailing slashes and dots: the link itself goes.
    const std::vector<std::string> request { files[0].first, files[1].first, m_dir / "folder/", m_dir / "./x/../link/" };
    TrashService::Outcome outcome = TrashService::moveToTrash(request);
    EXPECT_EQ(outcome.movedPaths, std::set<std::string>(request.begin(), request.end()));
    EXPECT_EQ(outcome.movedCount, 4);
    EXPECT_EQ(outcome.failedCount, 0);
    EXPECT_EQ(outcome.error, std::nullopt);

    EXPECT_EQ(readFile(m_dir / "target/kept.txt"), "target");
    EXPECT_FALSE(fs::exists(fs::symlink_status(m_dir / "link")));
    for (const fs::path& original : { files[0].first, files[1].first, m_dir / "folder", m_dir / "link" }) {
        SCOPED_TRACE(original);
        EXPECT_FALSE(fs::exists(fs::symlink_status(original)));
        std::optional<std::string> name = trashedName(original);
        ASSERT_TRUE(name.has_value());
        // What a file manager's "Restore" does: move it back to Path.
        fs::rename(homeTrash() / "files" / *name, original);
        fs::remove(homeTrash() / "info" / (*name + ".trashinfo"));
    }
    for (const auto& [path, contents] : files)
        EXPECT_EQ(readFile(path), contents);
    EXPECT_TRUE(fs::is_symlink(m_dir / "link"));
}

TEST_F(TrashServiceTest, DeletesWhatIsAlreadyInATrashAndItsTrashInfo)
{
    const fs::path volumeTrash = m_dir / ("volume/.Trash-" + std::to_string(::getuid()));
    writeFile(volumeTrash / "files/old.txt", "old");
    writeFile(volumeTrash / "info/old.txt.trashinfo", "[Trash Info]\nPath=/volume/old.txt\n");
    writeFile(volumeTrash / "info/other.txt.trashinfo", "[Trash Info]\nPath=/volume/other.txt\n");
    writeFile(m_dir / "home/.Trash/tree/a/b/c.txt", "c");
    writeFile(m_dir / "home/.Trash/tree/a/d.txt", "d");
    writeFile(m_dir / "volume/.Trashes/501/e.txt", "e");
    writeFile(homeTrash() / "files/trashed-here.txt", "x");
    writeFile(homeTrash() / "info/trashed-here.txt.trashinfo", "[Trash Info]\nPath=/x\n");
    writeFile(m_dir / "home/.Trash-old/recycled.txt", "recycle me");

    const std::vector<std::string> request { volumeTrash / "files/old.txt", m_dir / "home/.Trash/tree", m_dir / "volume/.Trashes/501/e.txt",
        homeTrash() / "files/trashed-here.txt", m_dir / "home/.Trash-old/recycled.txt" };
    TrashService::Outcome outcome = TrashService::moveToTrash(request);
    EXPECT_EQ(outcome.movedCount, 5);
    EXPECT_EQ(outcome.error, std::nullopt);

    EXPECT_FALSE(fs::exists(volumeTrash / "files/old.txt"));
    EXPECT_FALSE(fs::exists(volumeTrash / "info/old.txt.trashinfo"));
    EXPECT_TRUE(fs::exists(volumeTrash / "info/other.txt.trashinfo"));
    EXPECT_FALSE(fs::exists(m_dir / "home/.Trash/tree"));
    EXPECT_TRUE(fs::exists(m_dir / "home/.Trash"));
    EXPECT_FALSE(fs::exists(m_dir / "volume/.Trashes/501/e.txt"));
    EXPECT_FALSE(fs::exists(homeTrash() / "files/trashed-here.txt"));
    EXPECT_FALSE(fs::exists(homeTrash() / "info/trashed-here.txt.trashinfo"));
    // Deleted items never pass through the home trash; ".Trash-old" is an ordinary folder.
    EXPECT_FALSE(trashedName(volumeTrash / "files/old.txt").has_value());
    EXPECT_FALSE(trashedName(m_dir / "home/.Trash/tree").has_value());
    EXPECT_TRUE(trashedName(m_dir / "home/.Trash-old/recycled.txt").has_value());
}

TEST_F(TrashServiceTest, DeletingATrashedFolderDropsItsLineFromTheSizesCacheOnly)
{
    const fs::path trash = m_dir / ("drive/.Trash-" + std::to_string(::getuid()));
    writeFile(trash / "files/My Folder/a", "a");
    writeFile(trash / "info/My Folder.trashinfo", "[Trash Info]\nPath=/drive/My%20Folder\n");
    writeFile(trash / "files/kept/b", "b");
    const std::string kept = "4096 1764580000 kept\n";
    writeFile(trash / "directorysizes", "4096 1764580000 My%20Folder\n" + kept + "garbage line\n");

    const TrashService::Outcome outcome = TrashService::moveToTrash({ trash / "files/My Folder" });
    EXPECT_EQ(outcome.movedCount, 1) << outcome.error.value_or("");
    EXPECT_EQ(readFile(trash / "directorysizes"), kept + "garbage line\n");
    EXPECT_FALSE(fs::exists(trash / "info/My Folder.trashinfo"));

    // A folder with no line leaves the cache byte for byte.
    writeFile(trash / "files/plain/c", "c");
    EXPECT_EQ(TrashService::moveToTrash({ trash / "files/plain" }).movedCount, 1);
    EXPECT_EQ(readFile(trash / "directorysizes"), kept + "garbage line\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(trash), fs::directory_iterator()), 3);  // files, info, directorysizes
}

TEST_F(TrashServiceTest, ALinkInATrashGoesButWhatItPointsAtStays)
{
    writeFile(m_dir / "precious/document.txt", "keep");
    writeFile(m_dir / "precious/sub/more.txt", "keep too");
    const fs::path trash = m_dir / "home/.Trash";
    fs::create_directories(trash / "folder");
    fs::create_directory_symlink(m_dir / "precious", trash / "link");
    fs::create_directory_symlink(m_dir / "precious", trash / "link-again");
    fs::create_directory_symlink(m_dir / "precious", trash / "folder/inner-link");
    fs::create_directory_symlink(m_dir / "precious", trash / "pass-through");
    writeFile(trash / "folder/file.txt", "x");

    // Through a link nothing is deleted: the path leaves the Trash.
    const std::vector<std::string> request { trash / "link", trash / "link-again/", trash / "folder", trash / "pass-through/document.txt" };
    TrashService::Outcome outcome = TrashService::moveToTrash(request);
    EXPECT_EQ(outcome.movedPaths, (std::set<std::string> { trash / "link", trash / "link-again/", trash / "folder" }));
    EXPECT_EQ(outcome.failedCount, 1);
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_NE(outcome.error->find("pass-through"), std::string::npos) << *outcome.error;

    EXPECT_EQ(readFile(m_dir / "precious/document.txt"), "keep");
    EXPECT_EQ(readFile(m_dir / "precious/sub/more.txt"), "keep too");
    EXPECT_FALSE(fs::exists(fs::symlink_status(trash / "link")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(trash / "link-again")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(trash / "folder")));
    EXPECT_TRUE(fs::is_symlink(trash / "pass-through"));
}

TEST_F(TrashServiceTest, AFolderSwappedForALinkMidDeleteIsUnlinkedNotEntered)
{
    writeFile(m_dir / "precious/document.txt", "keep");
    writeFile(m_dir / "precious/sub/more.txt", "keep too");
    const fs::path trash = m_dir / "home/.Trash";
    writeFile(trash / "tree/victim/file.txt", "x");
    writeFile(trash / "tree/other/file.txt", "x");

    int swaps = 0;
    trash_testing::beforeEnteringFolder = [&](const fs::path& folder) {
        if (folder.filename() != "victim")
            return;
        ++swaps;
        fs::rename(folder, m_dir / "victim-moved-away");
        fs::create_directory_symlink(m_dir / "precious", folder);
    };
    TrashService::Outcome outcome = TrashService::moveToTrash({ trash / "tree" });
    trash_testing::beforeEnteringFolder = nullptr;

    EXPECT_EQ(swaps, 1);
    EXPECT_EQ(outcome.movedCount, 1);
    EXPECT_EQ(outcome.error, std::nullopt);
    EXPECT_FALSE(fs::exists(fs::symlink_status(trash / "tree")));
    EXPECT_EQ(readFile(m_dir / "precious/document.txt"), "keep");
    EXPECT_EQ(readFile(m_dir / "precious/sub/more.txt"), "keep too");
    EXPECT_EQ(readFile(m_dir / "victim-moved-away/file.txt"), "x");
}

TEST_F(TrashServiceTest, AFolderMovedOutMidDeleteStopsTheDeleteBeforeItLeavesTheTrash)
{
    writeFile(m_dir / "outside/keep.txt", "keep");
    const fs::path trash = m_dir / "home/.Trash";
    writeFile(trash / "tree/inner/deeper/file.txt", "x");
    writeFile(trash / "sibling.txt", "stays: not asked for");

    // Once the delete is inside "inner", that folder is moved out of the Trash: climbing back up
    // through ".." would now lead to "outside", which must not be touched.
    trash_testing::beforeEnteringFolder = [&](const fs::path& folder) {
        if (folder.filename() == "deeper")
            fs::rename(trash / "tree/inner", m_dir / "outside/inner");
    };
    TrashService::Outcome outcome = TrashService::moveToTrash({ trash / "tree" });
    trash_testing::beforeEnteringFolder = nullptr;

    EXPECT_EQ(outcome.movedCount, 0);
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_NE(outcome.error->find("changed during the delete"), std::string::npos) << *outcome.error;
    EXPECT_EQ(readFile(m_dir / "outside/keep.txt"), "keep");
    EXPECT_EQ(readFile(trash / "sibling.txt"), "stays: not asked for");
    EXPECT_TRUE(fs::exists(m_dir / "outside"));
}

TEST_F(TrashServiceTest, WhatCannotBeMovedStaysWhereItWasAndIsCounted)
{
    writeFile(m_dir / "movable.txt", "x");
    writeFile(m_dir / "twice.txt", "x");
    const TempDir shm("/dev/shm");
    const fs::path otherFileSystem = shm.path() / "elsewhere.txt";
    writeFile(otherFileSystem, "stay");

    struct Case {
        const char* name;
        std::vector<std::string> request;
        int64_t moved;
    };
    const std::vector<Case> cases {
        { "another file system", { otherFileSystem, m_dir / "movable.txt" }, 1 },
        { "missing", { m_dir / "missing.txt" }, 0 },
        { "the same path twice", { m_dir / "twice.txt", m_dir / "twice.txt" }, 1 },
        { "an empty path", { std::string() }, 0 },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        TrashService::Outcome outcome = TrashService::moveToTrash(test.request);
        EXPECT_EQ(outcome.movedCount, test.moved);
        EXPECT_EQ(outcome.failedCount, int64_t(test.request.size()) - test.moved);
        ASSERT_TRUE(outcome.error.has_value());
        EXPECT_FALSE(outcome.error->empty());
    }
    EXPECT_EQ(readFile(otherFileSystem), "stay");
    EXPECT_FALSE(fs::exists(shm.path() / ".Trash-0"));
}

TEST_F(TrashServiceTest, AFailedDeleteInATrashIsTheErrorReportedAndLeavesTheItem)
{
    writeFile(m_dir / "missing-recycle-source.txt", "x");
    const fs::path trash = m_dir / "home/.Trash";
    writeFile(trash / "locked/inside.txt", "x");
    ASSERT_EQ(::chmod((trash / "locked").c_str(), 0555), 0);

    TrashService::Outcome outcome = TrashService::moveToTrash({ m_dir / "gone-already.txt", trash / "never-there.txt" });
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_NE(outcome.error->find("never-there.txt"), std::string::npos) << "the delete's error comes first: " << *outcome.error;

    const int status = testing::runUnprivileged([&] {
        TrashService::Outcome locked = TrashService::moveToTrash({ trash / "locked/inside.txt" });
        if (locked.movedCount != 0 || locked.failedCount != 1 || !locked.error)
            return 1;
        return fs::exists(trash / "locked/inside.txt") ? 0 : 2;
    });
    EXPECT_EQ(status, 0);
}

TEST_F(TrashServiceTest, DeletesTheOwnersReadOnlyTreeInATrashAsGoLeavesItsModuleCache)
{
    const TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const fs::path trash = dir / ".Trash";
    writeFile(trash / "mod/example.com/pkg@v1.2.0/pkg.go", "package pkg");
    for (const fs::path& path : { trash, trash / "mod", trash / "mod/example.com", trash / "mod/example.com/pkg@v1.2.0",
             trash / "mod/example.com/pkg@v1.2.0/pkg.go" })
        ASSERT_EQ(::lchown(path.c_str(), 65534, 65534), 0);
    for (const fs::path& path : { trash / "mod/example.com", trash / "mod/example.com/pkg@v1.2.0" })
        ASSERT_EQ(::chmod(path.c_str(), 0555), 0);

    const int status = testing::runUnprivileged([&] {
        const TrashService::Outcome outcome = TrashService::moveToTrash({ (trash / "mod").native() });
        return outcome.movedCount == 1 && !fs::exists(trash / "mod") ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

TEST_F(TrashServiceTest, DeletesATenThousandLevelTreeInATrash)
{
    // Memory-backed: twenty thousand directory operations on a busy disk take a minute.
    const TempDir shm("/dev/shm");
    const fs::path trash = shm.path() / ".Trash";
    fs::create_directories(trash / "deep");
    writeFile(shm.path() / "outside.txt", "stay");
    int fd = ::open((trash / "deep").c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 10'000 && fd >= 0; ++level) {
        ::mkdirat(fd, "d", 0755);
        ::symlinkat(shm.path().c_str(), fd, "up");  // a way out at every level, never taken
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    ::close(::openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0644));
    ::close(fd);

    TrashService::Outcome outcome = TrashService::moveToTrash({ trash / "deep" });
    EXPECT_EQ(outcome.movedCount, 1);
    EXPECT_EQ(outcome.error, std::nullopt);
    EXPECT_FALSE(fs::exists(trash / "deep"));
    EXPECT_EQ(readFile(shm.path() / "outside.txt"), "stay");
}

}  // namespace
}  // namespace lopewell
