#include "app/space/disk_scanner.h"

#include <algorithm>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/file_walk.h"
#include "tests/support/temp_tree.h"

namespace lopewell {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeFile;

constexpr uint64_t MiB = 1 << 20;

uint64_t allocated(const fs::path& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return 0;
    return uint64_t(info.st_blocks) * 512;
}

// Independent of the scanner: allocated bytes of every non-link, non-folder entry, each inode once.
uint64_t independentTotal(const fs::path& root)
{
    std::set<std::pair<dev_t, ino_t>> seen;
    uint64_t total = 0;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) != 0 || S_ISLNK(info.st_mode) || S_ISDIR(info.st_mode))
            continue;
        if (seen.insert({ info.st_dev, info.st_ino }).second)
            total += uint64_t(info.st_blocks) * 512;
    }
    return total;
}

// The tree as text, children sorted by path (the aggregate last), for comparing with a tree built
// by hand whatever order the file system lists in.
std::string dump(const DiskNode& node, int depth = 0)
{
    std::string text = std::string(size_t(depth) * 2, ' ') + node.path() + " " + std::to_string(node.size())
        + (node.isDirectory() ? " dir" : "") + (node.isAggregate() ? " aggregate " + std::to_string(node.aggregateCount()) : "") + "\n";
    std::vector<const DiskNode*> children;
    for (const DiskNode& child : node.children())
        children.push_back(&child);
    std::stable_sort(children.begin(), children.end(), [](const DiskNode* a, const DiskNode* b) {
        return std::pair(a->isAggregate(), a->path()) < std::pair(b->isAggregate(), b->path());
    });
    for (const DiskNode* child : children)
        text += dump(*child, depth + 1);
    return text;
}

DiskScanComplete measured(const fs::path& root, int threads = 2, uint64_t threshold = MiB)
{
    std::optional<DiskScanProgress> result = DiskScanner(threshold, threads).measure(root.string());
    if (!result || !std::holds_alternative<DiskScanComplete>(*result)) {
        ADD_FAILURE() << "no tree for " << root;
        return {};
    }
    return std::get<DiskScanComplete>(std::move(*result));
}

TEST(DiskScanner, MeasuresEveryKindOfEntryAsTheScreenNeedsIt)
{
    TempDir dir;
    const fs::path root = dir / "root";
    writeFile(root / "small.txt", std::string(10, 'x'));
    writeFile(root / "big.bin", std::string(2 * MiB, 'b'));
    writeFile(root / "exact.bin", std::string(MiB, 'e'));
    writeFile(root / ".hidden/inside.txt", "h");
    writeFile(root / "Tool.app/Contents/MacOS/tool", std::string(3 * MiB, 't'));
    writeFile(root / "caf\xe9 \xff/notes", "n");
    fs::create_directories(root / "empty");
    fs::create_symlink(root / "big.bin", root / "link-to-file");
    fs::create_directory_symlink("..", root / "empty/loop");
    fs::create_directory_symlink("/", root / "to-root");

    const DiskScanComplete result = measured(root);
    const std::string r = root.string();
    const DiskNode expected = DiskNode::directory(r,
        {
            DiskNode::file(r + "/small.txt", allocated(root / "small.txt")),
            DiskNode::file(r + "/big.bin", allocated(root / "big.bin")),
            DiskNode::file(r + "/exact.bin", allocated(root / "exact.bin")),
            DiskNode::directory(r + "/.hidden", { DiskNode::file(r + "/.hidden/inside.txt", allocated(root / ".hidden/inside.txt")) }, MiB),
            DiskNode::directory(r + "/Tool.app",
                {
                    DiskNode::directory(r + "/Tool.app/Contents",
                        {
                            DiskNode::directory(r + "/Tool.app/Contents/MacOS",
                                { DiskNode::file(r + "/Tool.app/Contents/MacOS/tool", allocated(root / "Tool.app/Contents/MacOS/tool")) },
                                MiB),
                        },
                        MiB),
                },
                MiB),
            DiskNode::directory(
                r + "/caf\xe9 \xff", { DiskNode::file(r + "/caf\xe9 \xff/notes", allocated(root / "caf\xe9 \xff/notes")) }, MiB),
            DiskNode::directory(r + "/empty", {}, MiB),
        },
        MiB);
    EXPECT_EQ(dump(result.root), dump(expected));
    EXPECT_EQ(result.unreadableCount, 0);
    EXPECT_EQ(result.root.size(), independentTotal(root));
    // Listing order is kept; the aggregate comes last.
    ASSERT_FALSE(result.root.children().empty());
    EXPECT_TRUE(result.root.children().back().isAggregate());
    std::vector<std::string> listed;
    const ErrorOr<std::vector<FileEntry>> listing = listFolder(root);
    ASSERT_TRUE(listing);
    for (const FileEntry& entry : listing.value()) {
        if (entry.isFolder() || (entry.kind == FileKind::regular && entry.sizeOnDisk() >= MiB))
            listed.push_back(r + "/" + entry.name);
    }
    std::vector<std::string> kept;
    for (const DiskNode& child : result.root.children()) {
        if (!child.isAggregate())
            kept.push_back(child.path());
    }
    EXPECT_EQ(kept, listed);
}

TEST(DiskScanner, EmptyFolderIsAFolderOfSizeZeroAndAMissingRootIsMissing)
{
    TempDir dir;
    fs::create_directories(dir / "empty");
    const DiskScanComplete result = measured(dir / "empty");
    EXPECT_TRUE(result.root.isDirectory());
    EXPECT_EQ(result.root.size(), 0u);
    EXPECT_TRUE(result.root.children().empty());
    EXPECT_EQ(result.root.path(), (dir / "empty").string());

    writeFile(dir / "file", "x");
    for (const fs::path& path : { dir / "missing", dir / "file", fs::path() }) {
        const std::optional<DiskScanProgress> missing = DiskScanner(MiB).measure(path.string());
        ASSERT_TRUE(missing && std::holds_alternative<DiskScanMissing>(*missing)) << path;
        EXPECT_EQ(std::get<DiskScanMissing>(*missing).path, path.string());
    }
    // Trailing slashes name the same folder.
    EXPECT_EQ(measured(dir.path().string() + "/empty//").root.path(), (dir / "empty").string());
}

TEST(DiskScanner, CountsEachHardLinkedFileOnceAtItsFirstLinkInWalkOrder)
{
    TempDir dir;
    const fs::path root = dir / "root";
    writeFile(root / "a/original.bin", std::string(2 * MiB, 'o'));
    writeFile(root / "a/small", std::string(100, 's'));
    fs::create_directories(root / "b/c");
    fs::create_hard_link(root / "a/original.bin", root / "b/c/backup.bin");
    fs::create_hard_link(root / "a/original.bin", root / "b/again.bin");
    fs::create_hard_link(root / "a/small", root / "b/c/small-link");

    for (int threads : { 1, 2, 4 }) {
        const DiskScanComplete result = measured(root, threads);
        EXPECT_EQ(result.root.size(), independentTotal(root)) << threads;
        EXPECT_EQ(result.root.size(), allocated(root / "a/original.bin") + allocated(root / "a/small")) << threads;
        // Whichever link the walk meets first holds the size; the others are empty small files.
        int bigNodes = 0;
        int64_t aggregated = 0;
        std::vector<const DiskNode*> pending { &result.root };
        while (!pending.empty()) {
            const DiskNode* node = pending.back();
            pending.pop_back();
            bigNodes += !node->isDirectory() && !node->isAggregate() && node->size() >= MiB;
            aggregated += node->aggregateCount();
            for (const DiskNode& child : node->children())
                pending.push_back(&child);
        }
        EXPECT_EQ(bigNodes, 1) << threads;
        EXPECT_EQ(aggregated, 4) << threads;
    }
}

// Folders at several depths, hard links across them, big and small files: the tree of a
// parallel walk must be the tree of a one-thread walk, order included.
TEST(DiskScanner, ParallelWalkGivesExactlyTheSequentialTree)
{
    TempDir dir;
    const fs::path root = dir / "root";
    std::vector<fs::path> bigFiles;
    for (int a = 0; a < 6; ++a) {
        for (int b = 0; b < 8; ++b) {
            const fs::path folder = root / ("a" + std::to_string(a)) / ("b" + std::to_string(b));
            for (int f = 0; f < 6; ++f)
                writeFile(folder / ("f" + std::to_string(f)), std::string(size_t(f * 1500), 'x'));
            if (b % 3 == 0) {
                writeFile(folder / "large", std::string(MiB + size_t(a * 4096 + b), 'L'));
                bigFiles.push_back(folder / "large");
            }
            fs::create_directories(folder / "empty");
        }
    }
    for (size_t i = 0; i + 1 < bigFiles.size(); i += 2)
        fs::create_hard_link(bigFiles[i], root / "a5" / ("link" + std::to_string(i)));
    fs::create_hard_link(bigFiles[1], root / "a0/b0/link-into-first");

    const DiskScanComplete sequential = measured(root, 1);
    EXPECT_EQ(sequential.root.size(), independentTotal(root));
    for (int run = 0; run < 3; ++run) {
        for (int threads : { 2, 4 }) {
            const DiskScanComplete parallel = measured(root, threads);
            EXPECT_EQ(parallel.root, sequential.root) << threads;
            EXPECT_EQ(parallel.unreadableCount, 0);
        }
    }
}

TEST(DiskScanner, ReportsOneScanningValuePerTwoThousandFiles)
{
    TempDir dir;
    for (int i = 0; i < 1999; ++i)
        writeFile(dir / "root" / ("f" + std::to_string(i)), "");
    fs::create_symlink("f0", dir / "root/link");  // links are not files
    std::vector<DiskScanScanning> reports;
    auto record = [&](const DiskScanScanning& progress) { reports.push_back(progress); };
    ASSERT_TRUE(DiskScanner(MiB, 1).measure((dir / "root").string(), {}, record));
    EXPECT_TRUE(reports.empty());

    writeFile(dir / "root/last", "12345");
    ASSERT_TRUE(DiskScanner(MiB, 1).measure((dir / "root").string(), {}, record));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].files, 2000);
    EXPECT_EQ(reports[0].bytes, allocated(dir / "root/last"));
}

TEST(DiskScanner, StreamsProgressThenTheTreeAndEndsWithoutOneWhenDropped)
{
    TempDir dir;
    for (int i = 0; i < 4100; ++i)
        writeFile(dir / "root" / ("d" + std::to_string(i % 7)) / ("f" + std::to_string(i)), "x");
    Stream<DiskScanProgress> stream = DiskScanner(MiB).scan((dir / "root").string());
    std::vector<DiskScanProgress> values;
    while (auto value = stream.next())
        values.push_back(std::move(*value));
    // Two threads count in small batches: a report may come a few files after each 2,000.
    ASSERT_EQ(values.size(), 3u);
    const int64_t first = std::get<DiskScanScanning>(values[0]).files;
    const int64_t second = std::get<DiskScanScanning>(values[1]).files;
    EXPECT_GE(first, 2000);
    EXPECT_LT(first, 4000);
    EXPECT_GE(second, first + 2000);
    EXPECT_LE(second, 4100);
    EXPECT_EQ(std::get<DiskScanComplete>(values[2]).root.size(), 4100 * allocated(dir / "root/d0/f0"));

    const std::optional<DiskScanProgress> missing = DiskScanner(MiB).scan((dir / "nothing").string()).next();
    ASSERT_TRUE(missing);
    EXPECT_TRUE(std::holds_alternative<DiskScanMissing>(*missing));
}

TEST(DiskScanner, ACancelledScanEndsWithoutATree)
{
    TempDir dir;
    for (int i = 0; i < 6000; ++i)
        writeFile(dir / "root" / ("d" + std::to_string(i % 13)) / ("f" + std::to_string(i)), "");
    std::stop_source stop;
    int reports = 0;
    const std::optional<DiskScanProgress> result
        = DiskScanner(MiB).measure((dir / "root").string(), stop.get_token(), [&](const DiskScanScanning&) {
              ++reports;
              stop.request_stop();
          });
    EXPECT_FALSE(result.has_value());
    EXPECT_EQ(reports, 1);

    std::stop_source before;
    before.request_stop();
    EXPECT_FALSE(DiskScanner(MiB).measure((dir / "root").string(), before.get_token()).has_value());
}

TEST(DiskScanner, AnUnreadableFolderIsEmptyCountedAndLeftOutOfItsParentsSize)
{
    TempDir dir;
    const fs::path root = dir / "root";
    writeFile(root / "open/visible", std::string(5000, 'v'));
    writeFile(root / "locked/secret", std::string(2 * MiB, 's'));
    writeFile(root / "locked/deeper/more", std::string(2 * MiB, 'm'));
    fs::permissions(root / "locked", fs::perms::owner_all);  // 0700, owned by whoever runs the tests

    const uint64_t visible = allocated(root / "open/visible");
    const int status = testing::runUnprivileged([&] {
        for (int threads : { 1, 2 }) {
            const std::optional<DiskScanProgress> result = DiskScanner(MiB, threads).measure(root.string());
            if (!result || !std::holds_alternative<DiskScanComplete>(*result))
                return 1;
            const DiskScanComplete& complete = std::get<DiskScanComplete>(*result);
            if (complete.unreadableCount != 1 || complete.root.size() != visible)
                return 2;
            for (const DiskNode& child : complete.root.children()) {
                if (child.name() == "locked" && (!child.isDirectory() || child.size() != 0 || !child.children().empty()))
                    return 3;
            }
            if (complete.root.children().size() != 2)
                return 4;
        }
        // An unreadable root is a folder too: empty, and counted.
        const std::optional<DiskScanProgress> lockedRoot = DiskScanner(MiB).measure((root / "locked").string());
        if (!lockedRoot || !std::holds_alternative<DiskScanComplete>(*lockedRoot))
            return 5;
        return std::get<DiskScanComplete>(*lockedRoot).unreadableCount == 1 ? 0 : 6;
    });
    EXPECT_EQ(status, 0);
}

// /dev/shm is a file system of its own mounted inside /dev on these machines, so the boundary
// needs no mount of the test's own.
TEST(DiskScanner, StaysOnTheRootsFileSystemListingEachMountPointAsANodeNotEntered)
{
    struct stat dev {};
    struct stat shm {};
    if (::stat("/dev", &dev) != 0 || ::stat("/dev/shm", &shm) != 0 || dev.st_dev == shm.st_dev)
        GTEST_SKIP() << "/dev/shm is not a mount of its own here";
    TempDir inShm("/dev/shm");
    writeFile(inShm / "big.bin", std::string(2 * MiB, 'b'));
    const auto shmNode = [](const DiskNode& root) -> const DiskNode* {
        for (const DiskNode& child : root.children()) {
            if (child.name() == "shm")
                return &child;
        }
        return nullptr;
    };
    for (int threads : { 1, 2 }) {
        std::optional<DiskScanProgress> stayed = DiskScanner(MiB, threads).measure("/dev");
        ASSERT_TRUE(stayed && std::holds_alternative<DiskScanComplete>(*stayed));
        const DiskScanComplete& complete = std::get<DiskScanComplete>(*stayed);
        const DiskNode* mount = shmNode(complete.root);
        ASSERT_TRUE(mount) << dump(complete.root);
        EXPECT_TRUE(mount->isMountPoint());
        EXPECT_TRUE(mount->isDirectory());
        EXPECT_EQ(mount->size(), 0u);
        EXPECT_TRUE(mount->children().empty());
        EXPECT_TRUE(std::is_sorted(complete.mountPoints.begin(), complete.mountPoints.end()));
        EXPECT_NE(std::find(complete.mountPoints.begin(), complete.mountPoints.end(), "/dev/shm"), complete.mountPoints.end());
        for (const std::string& path : complete.mountPoints)
            EXPECT_TRUE(path.starts_with("/dev/")) << path;

        std::optional<DiskScanProgress> crossed = DiskScanner(MiB, threads, DiskScanner::Mounts::cross).measure("/dev");
        ASSERT_TRUE(crossed && std::holds_alternative<DiskScanComplete>(*crossed));
        const DiskScanComplete& entered = std::get<DiskScanComplete>(*crossed);
        EXPECT_TRUE(entered.mountPoints.empty());
        const DiskNode* folder = shmNode(entered.root);
        ASSERT_TRUE(folder);
        EXPECT_FALSE(folder->isMountPoint());
        EXPECT_GE(folder->size(), allocated(inShm / "big.bin"));
    }
}

// Folders nested `depth` levels, each also holding an empty sibling: built and removed through
// descriptors, since the whole path is far longer than PATH_MAX.
class DeepComb {
public:
    DeepComb(const fs::path& root, int depth) : m_depth(depth)
    {
        int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
        for (int level = 0; level < depth && fd >= 0; ++level) {
            // Both orders of creation, so that at some levels the chain is listed first and
            // its parent must stay reachable until the sibling has been opened.
            ::mkdirat(fd, level % 2 ? "d" : "e", 0755);
            ::mkdirat(fd, level % 2 ? "e" : "d", 0755);
            const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
        }
        if (fd >= 0) {
            const int file = ::openat(fd, "leaf", O_WRONLY | O_CREAT, 0644);
            (void)::write(file, "leaf", 4);
            ::close(file);
        }
        m_bottom = fd;
    }
    ~DeepComb()
    {
        int fd = m_bottom;
        if (fd < 0)
            return;
        ::unlinkat(fd, "leaf", 0);
        for (int level = 0; level < m_depth; ++level) {
            const int parent = ::openat(fd, "..", O_RDONLY | O_DIRECTORY);
            ::close(fd);
            ::unlinkat(parent, "d", AT_REMOVEDIR);
            ::unlinkat(parent, "e", AT_REMOVEDIR);
            fd = parent;
        }
        ::close(fd);
    }
    bool built() const { return m_bottom >= 0; }

private:
    int m_depth;
    int m_bottom = -1;
};

// A temporary folder on tmpfs where there is one: removing ten thousand folders from a disk
// file system costs a minute here, from memory a second.
class MemoryTempDir {
public:
    MemoryTempDir()
    {
        std::string pattern = "/dev/shm/lopewell-test-XXXXXX";
        if (::mkdtemp(pattern.data())) {
            m_path = pattern;
            ::chmod(m_path.c_str(), 0755);
        } else {
            m_fallback.emplace();
            m_path = m_fallback->path();
        }
    }
    ~MemoryTempDir()
    {
        if (!m_fallback) {
            std::error_code error;
            fs::remove_all(m_path, error);
        }
    }
    fs::path operator/(const fs::path& relative) const { return m_path / relative; }

private:
    fs::path m_path;
    std::optional<TempDir> m_fallback;
};

TEST(DiskScanner, MeasuresATenThousandLevelTreeWithFewDescriptors)
{
    MemoryTempDir dir;
    fs::create_directories(dir / "deep");
    constexpr int depth = 10'000;
    DeepComb comb(dir / "deep", depth);
    ASSERT_TRUE(comb.built());
    // Fewer descriptors than levels: the walk must reopen folders rather than keep a chain open.
    const int status = testing::runUnprivileged([&] {
        rlimit limit { 1024, 1024 };  // a common desktop default, hard limit included
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
            return 1;
        for (int threads : { 1, 2 }) {
            const std::optional<DiskScanProgress> result = DiskScanner(MiB, threads).measure((dir / "deep").string());
            if (!result || !std::holds_alternative<DiskScanComplete>(*result))
                return 2;
            const DiskScanComplete& complete = std::get<DiskScanComplete>(*result);
            if (complete.unreadableCount != 0)
                return 3;
            int levels = 0;
            const DiskNode* node = &complete.root;
            while (true) {
                const DiskNode* next = nullptr;
                for (const DiskNode& child : node->children()) {
                    if (child.name() == "d")
                        next = &child;
                }
                if (!next)
                    break;
                node = next;
                ++levels;
            }
            if (levels != depth || node->children().size() != 1 || !node->children()[0].isAggregate())
                return 4;
            if (complete.root.size() == 0 || complete.root.size() != node->size())
                return 5;
        }
        return 0;
    });
    EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace lopewell
