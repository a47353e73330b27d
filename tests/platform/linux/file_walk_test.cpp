#include "platform/file_walk.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>

#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeFile;

struct Walked {
    std::vector<std::string> paths;  // relative to the root, in visit order
    std::map<std::string, FileEntry> entries;
    std::vector<std::pair<std::string, int>> errors;  // relative path, errno
};

std::string relative(const std::string& path, const fs::path& root)
{
    const std::string prefix = root.native() + "/";
    return path.starts_with(prefix) ? path.substr(prefix.size()) : path;
}

Walked walk(
    const fs::path& root, WalkOptions options = {}, const std::function<WalkDecision(const std::string&, const FileEntry&)>& decide = {})
{
    Walked walked;
    ErrorOr<WalkEnd> end = walkTree(
        root,
        [&](const std::string& path, const FileEntry& entry) {
            const std::string name = relative(path, root);
            walked.paths.push_back(name);
            walked.entries[name] = entry;
            return decide ? decide(name, entry) : WalkDecision::descend;
        },
        [&](const std::string& path, const Error& error) { walked.errors.emplace_back(relative(path, root), error.code); }, {}, options);
    EXPECT_TRUE(end.hasValue());
    if (end) {
        EXPECT_EQ(end.value(), WalkEnd::finished);
    }
    return walked;
}

void setModificationTime(const fs::path& path, time_t seconds, long nanoseconds)
{
    const timespec times[2] = { { seconds, nanoseconds }, { seconds, nanoseconds } };
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

bool contains(const std::vector<std::string>& paths, const std::string& path)
{
    return std::find(paths.begin(), paths.end(), path) != paths.end();
}

TEST(FileWalk, ReportsSizesDatesKindsAndIdentityOfEachEntry)
{
    TempDir dir;
    writeFile(dir / "tree/ten.txt", "0123456789");
    setModificationTime(dir / "tree/ten.txt", 1'700'000'000, 250'000'000);
    fs::create_hard_link(dir / "tree/ten.txt", dir / "tree/ten-again.txt");
    {
        // 8 MiB long, one byte written: most of it is a hole.
        const int fd = ::open((dir / "tree/sparse.bin").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, "x", 1, 8 * 1024 * 1024 - 1), 1);
        ::close(fd);
    }
    fs::create_directory(dir / "tree/folder");
    ASSERT_EQ(::mkfifo((dir / "tree/pipe").c_str(), 0644), 0);

    Walked walked = walk(dir / "tree");
    EXPECT_TRUE(walked.errors.empty());
    ASSERT_EQ(walked.entries.size(), 5u);

    const FileEntry& ten = walked.entries["ten.txt"];
    EXPECT_EQ(ten.name, "ten.txt");
    EXPECT_EQ(ten.kind, FileKind::regular);
    EXPECT_TRUE(ten.attributesKnown);
    EXPECT_EQ(ten.logicalSize, 10u);
    ASSERT_TRUE(ten.allocatedSize.has_value());
    EXPECT_EQ(*ten.allocatedSize % 512, 0u);
    EXPECT_EQ(ten.sizeOnDisk(), *ten.allocatedSize);
    EXPECT_EQ(ten.modificationDate, Date(std::chrono::seconds(1'700'000'000) + std::chrono::milliseconds(250)));
    EXPECT_EQ(ten.linkCount, 2u);

    struct stat info {};
    ASSERT_EQ(::stat((dir / "tree/ten.txt").c_str(), &info), 0);
    EXPECT_EQ(ten.device, info.st_dev);
    EXPECT_EQ(ten.inode, info.st_ino);
    EXPECT_EQ(walked.entries["ten-again.txt"].inode, ten.inode);

    const FileEntry& sparse = walked.entries["sparse.bin"];
    EXPECT_EQ(sparse.logicalSize, 8u * 1024 * 1024);
    ASSERT_TRUE(sparse.allocatedSize.has_value());
    EXPECT_LT(*sparse.allocatedSize, *sparse.logicalSize);
    EXPECT_EQ(sparse.sizeOnDisk(), *sparse.allocatedSize);

    EXPECT_EQ(walked.entries["folder"].kind, FileKind::folder);
    EXPECT_EQ(walked.entries["pipe"].kind, FileKind::other);
}

TEST(FileWalk, SizeOnDiskFallsBackToLogicalSizeThenZero)
{
    FileEntry entry;
    EXPECT_EQ(entry.sizeOnDisk(), 0u);
    entry.logicalSize = 10;
    EXPECT_EQ(entry.sizeOnDisk(), 10u);
    entry.allocatedSize = 4096;
    EXPECT_EQ(entry.sizeOnDisk(), 4096u);
}

TEST(FileWalk, VisitsEachFolderRightBeforeItsContentsAndSkipsWhatTheVisitorDeclines)
{
    TempDir dir;
    writeFile(dir / "tree/a/b/c.txt", "c");
    writeFile(dir / "tree/a/b2.txt", "b2");
    writeFile(dir / "tree/d/e/f.txt", "f");
    writeFile(dir / "tree/g.txt", "g");

    Walked walked = walk(dir / "tree", {},
        [](const std::string& path, const FileEntry&) { return path == "d" ? WalkDecision::skipContents : WalkDecision::descend; });
    EXPECT_EQ(std::set<std::string>(walked.paths.begin(), walked.paths.end()),
        (std::set<std::string> { "a", "a/b", "a/b/c.txt", "a/b2.txt", "d", "g.txt" }));

    // Depth first: a folder's descendants follow it as one block.
    const auto position
        = [&](const std::string& path) { return std::find(walked.paths.begin(), walked.paths.end(), path) - walked.paths.begin(); };
    EXPECT_EQ(position("a/b/c.txt"), position("a/b") + 1);
    const auto aBlock = std::minmax({ position("a/b"), position("a/b/c.txt"), position("a/b2.txt") });
    EXPECT_EQ(aBlock.first, position("a") + 1);
    EXPECT_EQ(aBlock.second, position("a") + 3);
}

TEST(FileWalk, ReportsSymbolicLinksAsLinksAndNeverFollowsThem)
{
    TempDir dir;
    writeFile(dir / "outside/secret.txt", "secret");
    writeFile(dir / "tree/file.txt", "file");
    fs::create_symlink(dir / "tree/file.txt", dir / "tree/to-file");
    fs::create_directory_symlink(dir / "outside", dir / "tree/to-outside");
    fs::create_directory_symlink("..", dir / "tree/to-parent");
    fs::create_symlink("loop", dir / "tree/loop");
    fs::create_symlink("missing-target", dir / "tree/dangling");

    Walked walked = walk(dir / "tree");
    EXPECT_TRUE(walked.errors.empty());
    EXPECT_EQ(walked.paths.size(), 6u);
    for (const char* link : { "to-file", "to-outside", "to-parent", "loop", "dangling" }) {
        SCOPED_TRACE(link);
        ASSERT_TRUE(walked.entries.contains(link));
        EXPECT_EQ(walked.entries[link].kind, FileKind::symbolicLink);
    }
    for (const std::string& path : walked.paths)
        EXPECT_EQ(path.find("secret"), std::string::npos) << path;
}

TEST(FileWalk, SkipsHiddenEntriesAndPackageContentsOnRequest)
{
    TempDir dir;
    writeFile(dir / "tree/.hidden-folder/inside.txt", "x");
    writeFile(dir / "tree/.dotfile", "x");
    writeFile(dir / "tree/Foo.app/Contents/MacOS/foo", "x");
    writeFile(dir / "tree/Library.PhotosLibrary/db", "x");
    writeFile(dir / "tree/plain/file.txt", "x");

    struct Case {
        const char* name;
        WalkOptions options;
        std::set<std::string> expected;
    };
    const std::vector<Case> cases {
        { "everything", {},
            { ".hidden-folder", ".hidden-folder/inside.txt", ".dotfile", "Foo.app", "Foo.app/Contents", "Foo.app/Contents/MacOS",
                "Foo.app/Contents/MacOS/foo", "Library.PhotosLibrary", "Library.PhotosLibrary/db", "plain", "plain/file.txt" } },
        { "no hidden", { .skipHidden = true },
            { "Foo.app", "Foo.app/Contents", "Foo.app/Contents/MacOS", "Foo.app/Contents/MacOS/foo", "Library.PhotosLibrary",
                "Library.PhotosLibrary/db", "plain", "plain/file.txt" } },
        { "no package contents", { .skipPackageContents = true },
            { ".hidden-folder", ".hidden-folder/inside.txt", ".dotfile", "Foo.app", "Library.PhotosLibrary", "plain", "plain/file.txt" } },
        { "both", { .skipHidden = true, .skipPackageContents = true }, { "Foo.app", "Library.PhotosLibrary", "plain", "plain/file.txt" } },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        Walked walked = walk(dir / "tree", test.options);
        EXPECT_EQ(std::set<std::string>(walked.paths.begin(), walked.paths.end()), test.expected);
        EXPECT_EQ(walked.paths.size(), test.expected.size());
    }
}

TEST(FileWalk, NamesThatAreNotUtf8RoundTripUnchanged)
{
    TempDir dir;
    const std::string latin1File = "caf\xe9.txt";
    const std::string brokenFolder = "\xff\xfe folder";
    writeFile(dir / "tree" / brokenFolder / latin1File, "bytes");

    Walked walked = walk(dir / "tree");
    ASSERT_EQ(walked.paths, (std::vector<std::string> { brokenFolder, brokenFolder + "/" + latin1File }));
    EXPECT_EQ(walked.entries[brokenFolder + "/" + latin1File].name, latin1File);
    EXPECT_EQ(testing::readFile(dir / "tree" / brokenFolder / latin1File), "bytes");
}

// A chain of `depth` folders below `root`, each also holding an empty sibling folder, built
// through descriptors because the full path is far beyond PATH_MAX.
class DeepChain {
public:
    DeepChain(const fs::path& root, int depth) : m_depth(depth)
    {
        int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
        for (int level = 0; level < depth && fd >= 0; ++level) {
            ::mkdirat(fd, chainName(level), 0755);
            ::mkdirat(fd, siblingName(level), 0755);
            const int next = ::openat(fd, chainName(level), O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
        }
        if (fd >= 0)
            ::close(::openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0644));
        m_bottom = fd;
    }
    ~DeepChain()
    {
        // Climb back through "..", removing each level on the way.
        int fd = m_bottom;
        if (fd < 0)
            return;
        ::unlinkat(fd, "bottom.txt", 0);
        for (int level = m_depth - 1; level >= 0; --level) {
            const int parent = ::openat(fd, "..", O_RDONLY | O_DIRECTORY);
            ::close(fd);
            ::unlinkat(parent, chainName(level), AT_REMOVEDIR);
            ::unlinkat(parent, siblingName(level), AT_REMOVEDIR);
            fd = parent;
        }
        ::close(fd);
    }

    // Alternating names, so that at some levels the sibling is listed after the chain folder
    // and must be opened after coming back up.
    static const char* chainName(int level) { return level % 2 ? "b" : "a"; }
    static const char* siblingName(int level) { return level % 2 ? "a" : "b"; }
    bool built() const { return m_bottom >= 0; }

private:
    int m_depth;
    int m_bottom = -1;
};

int lowestFreeDescriptor()
{
    const int probe = ::dup(0);
    ::close(probe);
    return probe;
}

// Twenty thousand folders made and removed on a disk file system wait on its journal for a
// minute when the machine is busy; memory-backed /dev/shm takes a second.
fs::path memoryScratchBase()
{
    return fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
}

TEST(FileWalk, WalksTenThousandLevelsWithABoundedNumberOfOpenFolders)
{
    TempDir dir(memoryScratchBase());
    ASSERT_FALSE(dir.path().empty());
    constexpr int depth = 10'000;
    DeepChain chain(dir.path(), depth);
    ASSERT_TRUE(chain.built());

    const int freeBefore = lowestFreeDescriptor();
    int highestInUse = freeBefore;
    size_t folders = 0;
    size_t files = 0;
    size_t deepestPath = 0;
    size_t visits = 0;
    std::vector<std::string> errors;
    ErrorOr<WalkEnd> end = walkTree(
        dir.path(),
        [&](const std::string& path, const FileEntry& entry) {
            (entry.isFolder() ? folders : files) += 1;
            deepestPath = std::max(deepestPath, path.size());
            if (++visits % 97 == 0)
                highestInUse = std::max(highestInUse, lowestFreeDescriptor());
            return WalkDecision::descend;
        },
        [&](const std::string& path, const Error& error) { errors.push_back(error.message + " at " + path.substr(0, 80)); });

    ASSERT_TRUE(end.hasValue());
    EXPECT_EQ(end.value(), WalkEnd::finished);
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(folders, size_t(2 * depth));
    EXPECT_EQ(files, 1u);
    EXPECT_GT(deepestPath, size_t(2 * depth));
    EXPECT_LT(highestInUse - freeBefore, 40);
    EXPECT_EQ(lowestFreeDescriptor(), freeBefore) << "the walk leaked descriptors";
}

TEST(FileWalk, AFolderMovedAwayBelowTheOpenWindowIsReportedNotFollowed)
{
    TempDir dir(memoryScratchBase());
    ASSERT_FALSE(dir.path().empty());
    constexpr int depth = 60;
    DeepChain chain(dir.path(), depth);
    ASSERT_TRUE(chain.built());

    // Deep enough that the walk has let go of this folder's descriptor by the time it is moved.
    fs::path moved = dir.path();
    for (int level = 0; level < 10; ++level)
        moved /= DeepChain::chainName(level);
    std::vector<std::pair<std::string, int>> errors;
    ErrorOr<WalkEnd> end = walkTree(
        dir.path(),
        [&](const std::string&, const FileEntry& entry) {
            if (entry.name == "bottom.txt")
                fs::rename(moved, dir.path() / "moved");
            return WalkDecision::descend;
        },
        [&](const std::string& path, const Error& error) { errors.emplace_back(path, error.code); });
    fs::rename(dir.path() / "moved", moved);

    ASSERT_TRUE(end.hasValue());
    EXPECT_EQ(end.value(), WalkEnd::finished);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, moved.parent_path().native());
    EXPECT_EQ(errors[0].second, ENOENT);
}

TEST(FileWalk, FailsWithoutVisitingWhenTheRootIsNotAFolder)
{
    TempDir dir;
    writeFile(dir / "file.txt", "x");
    fs::create_symlink(dir / "file.txt", dir / "link-to-file");
    struct Case {
        const char* name;
        fs::path root;
        int code;
    };
    for (const Case& test : { Case { "missing", dir / "missing", ENOENT }, Case { "a file", dir / "file.txt", ENOTDIR },
             Case { "a link to a file", dir / "link-to-file", ENOTDIR }, Case { "empty", fs::path(), ENOENT } }) {
        SCOPED_TRACE(test.name);
        int visits = 0;
        ErrorOr<WalkEnd> end = walkTree(test.root, [&](const std::string&, const FileEntry&) {
            ++visits;
            return WalkDecision::descend;
        });
        ASSERT_FALSE(end.hasValue());
        EXPECT_EQ(end.error().code, test.code);
        EXPECT_EQ(visits, 0);

        ErrorOr<std::vector<FileEntry>> listing = listFolder(test.root);
        ASSERT_FALSE(listing.hasValue());
        EXPECT_EQ(listing.error().code, test.code);
    }
}

TEST(FileWalk, ARootGivenWithTrailingSlashesOrThroughALinkIsWalked)
{
    TempDir dir;
    writeFile(dir / "tree/file.txt", "x");
    fs::create_directory_symlink(dir / "tree", dir / "link-to-tree");

    std::vector<std::string> paths;
    const auto record = [&](const std::string& path, const FileEntry&) {
        paths.push_back(path);
        return WalkDecision::descend;
    };
    ASSERT_TRUE(walkTree(dir.path().native() + "/tree//", record).hasValue());
    ASSERT_TRUE(walkTree(dir / "link-to-tree", record).hasValue());
    EXPECT_EQ(paths, (std::vector<std::string> { (dir / "tree/file.txt").native(), (dir / "link-to-tree/file.txt").native() }));
}

TEST(FileWalk, StopsBeforeTheNextEntryOnceCancelled)
{
    TempDir dir;
    for (int i = 0; i < 20; ++i)
        writeFile(dir / "tree" / ("folder" + std::to_string(i % 4)) / ("file" + std::to_string(i)), "x");

    std::stop_source stopper;
    int visits = 0;
    ErrorOr<WalkEnd> end = walkTree(
        dir / "tree",
        [&](const std::string&, const FileEntry&) {
            if (++visits == 3)
                stopper.request_stop();
            return WalkDecision::descend;
        },
        {}, stopper.get_token());
    ASSERT_TRUE(end.hasValue());
    EXPECT_EQ(end.value(), WalkEnd::cancelled);
    EXPECT_EQ(visits, 3);

    visits = 0;
    end = walkTree(
        dir / "tree",
        [&](const std::string&, const FileEntry&) {
            ++visits;
            return WalkDecision::descend;
        },
        {}, stopper.get_token());
    ASSERT_TRUE(end.hasValue());
    EXPECT_EQ(end.value(), WalkEnd::cancelled);
    EXPECT_EQ(visits, 0);
}

TEST(FileWalk, ReportsFoldersItCannotReadAndGoesOn)
{
    TempDir dir;
    writeFile(dir / "tree/open/file.txt", "x");
    writeFile(dir / "tree/locked/inside.txt", "x");
    writeFile(dir / "tree/list-only/unreadable-attributes.txt", "x");
    fs::create_directory(dir / "locked-root");
    ASSERT_EQ(::chmod((dir / "tree/locked").c_str(), 0), 0);
    ASSERT_EQ(::chmod((dir / "tree/list-only").c_str(), 0644), 0);  // names readable, entries not
    ASSERT_EQ(::chmod((dir / "locked-root").c_str(), 0), 0);

    // Exit codes name the first check that failed.
    const int status = testing::runUnprivileged([&] {
        Walked walked;
        ErrorOr<WalkEnd> end = walkTree(
            dir / "tree",
            [&](const std::string& path, const FileEntry&) {
                walked.paths.push_back(relative(path, dir / "tree"));
                return WalkDecision::descend;
            },
            [&](const std::string& path, const Error& error) { walked.errors.emplace_back(relative(path, dir / "tree"), error.code); });
        if (!end || end.value() != WalkEnd::finished)
            return 1;
        if (!contains(walked.paths, "open/file.txt") || !contains(walked.paths, "locked") || contains(walked.paths, "locked/inside.txt"))
            return 2;
        if (std::find(walked.errors.begin(), walked.errors.end(), std::pair<std::string, int>("locked", EACCES)) == walked.errors.end())
            return 3;
        const std::pair<std::string, int> attributes("list-only/unreadable-attributes.txt", EACCES);
        if (contains(walked.paths, attributes.first)
            || std::find(walked.errors.begin(), walked.errors.end(), attributes) == walked.errors.end())
            return 4;

        ErrorOr<WalkEnd> lockedRoot
            = walkTree(dir / "locked-root", [](const std::string&, const FileEntry&) { return WalkDecision::descend; });
        if (lockedRoot || lockedRoot.error().code != EACCES)
            return 5;
        ErrorOr<std::vector<FileEntry>> locked = listFolder(dir / "tree/locked");
        if (locked || locked.error().code != EACCES)
            return 6;
        // A listing keeps entries whose attributes it could not read, marked as unknown.
        ErrorOr<std::vector<FileEntry>> listOnly = listFolder(dir / "tree/list-only");
        if (!listOnly || listOnly.value().size() != 1 || listOnly.value()[0].attributesKnown || listOnly.value()[0].kind != FileKind::other)
            return 7;
        return 0;
    });
    EXPECT_EQ(status, 0);
}

TEST(FileWalk, ListsOneLevelWithAttributesAndSkipsHiddenOnRequest)
{
    TempDir dir;
    writeFile(dir / "folder/visible.txt", "12345");
    writeFile(dir / "folder/.hidden", "x");
    writeFile(dir / "folder/sub/deeper.txt", "x");

    ErrorOr<std::vector<FileEntry>> all = listFolder(dir / "folder");
    ASSERT_TRUE(all.hasValue());
    std::map<std::string, FileEntry> byName;
    for (const FileEntry& entry : all.value())
        byName[entry.name] = entry;
    EXPECT_EQ(byName.size(), 3u);
    EXPECT_EQ(byName["visible.txt"].logicalSize, 5u);
    EXPECT_EQ(byName["sub"].kind, FileKind::folder);

    ErrorOr<std::vector<FileEntry>> visible = listFolder(dir / "folder", { .skipHidden = true });
    ASSERT_TRUE(visible.hasValue());
    EXPECT_EQ(visible.value().size(), 2u);
    for (const FileEntry& entry : visible.value())
        EXPECT_FALSE(entry.isHidden());
}

TEST(FileWalk, OpensChildFoldersRelativeToTheParentButNeverThroughALink)
{
    TempDir dir;
    writeFile(dir / "folder/sub/inner.txt", "x");
    writeFile(dir / "folder/file.txt", "x");
    writeFile(dir / "outside/secret.txt", "x");
    fs::create_directory_symlink(dir / "outside", dir / "folder/link");

    ErrorOr<FolderHandle> folder = FolderHandle::open(dir / "folder");
    ASSERT_TRUE(folder.hasValue());
    ErrorOr<FolderHandle> sub = folder.value().openChild("sub");
    ASSERT_TRUE(sub.hasValue());
    ErrorOr<std::vector<FileEntry>> inner = sub.value().list();
    ASSERT_TRUE(inner.hasValue());
    ASSERT_EQ(inner.value().size(), 1u);
    EXPECT_EQ(inner.value()[0].name, "inner.txt");
    // Listing twice gives the same answer.
    EXPECT_EQ(sub.value().list().value().size(), 1u);

    for (const char* refused : { "link", "file.txt", "missing", "..", ".", "", "sub/../link" }) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(folder.value().openChild(refused).hasValue());
    }
}

TEST(FileWalk, RecognisesPackageFoldersByExtensionWhateverTheCase)
{
    const std::vector<std::pair<std::string_view, bool>> cases {
        { "Safari.app", true },
        { "Old.APP", true },
        { "Photos Library.photoslibrary", true },
        { "Build.xcarchive", true },
        { "Helper.xpc", true },
        { "Driver.kext", true },
        { "Music.musiclibrary", true },
        { "app", false },
        { ".app", false },
        { "Foo.apps", false },
        { "Foo.app.zip", false },
        { "foo.", false },
        { "My.application", false },
        { "", false },
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(isPackageFolderName(name), expected) << name;

    FileEntry file;
    file.name = "Foo.app";
    file.kind = FileKind::regular;
    EXPECT_FALSE(file.isPackage());
    file.kind = FileKind::folder;
    EXPECT_TRUE(file.isPackage());
}

}  // namespace
}  // namespace lopewell
