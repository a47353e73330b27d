#include "core/treemap/disk_node.h"

#include <gtest/gtest.h>

namespace lopewell {
namespace {

constexpr uint64_t MiB = 1 << 20;

TEST(DiskNode, FoldsFilesStrictlyBelowTheThresholdIntoOneAggregateAfterTheKeptChildren)
{
    const DiskNode folder = DiskNode::directory("/data",
        {
            DiskNode::file("/data/notes.txt", 10),
            DiskNode::file("/data/movie.mkv", 2 * MiB),
            DiskNode::directory("/data/empty", {}),
            DiskNode::file("/data/exact.bin", MiB),
            DiskNode::file("/data/tiny", 0),
        },
        MiB);

    ASSERT_EQ(folder.children().size(), 4u);
    EXPECT_EQ(folder.children()[0].path(), "/data/movie.mkv");
    EXPECT_EQ(folder.children()[1].path(), "/data/empty");  // empty folders are never folded
    EXPECT_TRUE(folder.children()[1].isDirectory());
    EXPECT_EQ(folder.children()[2].path(), "/data/exact.bin");  // exactly the threshold stays

    const DiskNode& aggregate = folder.children()[3];
    EXPECT_TRUE(aggregate.isAggregate());
    EXPECT_FALSE(aggregate.isDirectory());
    EXPECT_EQ(aggregate.aggregateCount(), 2);
    EXPECT_EQ(aggregate.size(), 10u);
    EXPECT_EQ(aggregate.path(), "/data/.__lopewell_smallfiles__");
    EXPECT_EQ(aggregate.name(), "Small files (2)");
    EXPECT_TRUE(aggregate.children().empty());

    EXPECT_EQ(folder.size(), 3 * MiB + 10);
    EXPECT_EQ(folder.name(), "data");
}

TEST(DiskNode, ReplacesEvenASingleSmallFileAndLeavesEmptyFoldersWithoutAggregate)
{
    const DiskNode folder = DiskNode::directory("/d", { DiskNode::file("/d/a", 10), DiskNode::file("/d/b", 2 * MiB) }, MiB);
    ASSERT_EQ(folder.children().size(), 2u);
    EXPECT_EQ(folder.children()[0].name(), "b");
    EXPECT_EQ(folder.children()[1], DiskNode::smallFilesAggregate("/d", 10, 1));

    const DiskNode empty = DiskNode::directory("/d/e", {}, MiB);
    EXPECT_TRUE(empty.isDirectory());
    EXPECT_EQ(empty.size(), 0u);
    EXPECT_TRUE(empty.children().empty());

    // An aggregate handed in is kept as it is, never folded into a second one.
    const DiskNode again = DiskNode::directory("/d", folder.children(), MiB);
    EXPECT_EQ(again, folder);
}

TEST(DiskNode, AMountPointIsAnEmptyFolderOfItsOwnKindThatNoFoldingOrRemovalChanges)
{
    const DiskNode mount = DiskNode::mountPoint("/d/media");
    EXPECT_TRUE(mount.isMountPoint());
    EXPECT_TRUE(mount.isDirectory());
    EXPECT_FALSE(mount.isAggregate());
    EXPECT_EQ(mount.size(), 0u);
    EXPECT_TRUE(mount.children().empty());
    EXPECT_EQ(mount.path(), "/d/media");
    EXPECT_EQ(mount.name(), "media");
    EXPECT_NE(mount, DiskNode::directory("/d/media", {}));
    EXPECT_FALSE(DiskNode::directory("/d/media", {}).isMountPoint());

    const DiskNode folder = DiskNode::directory("/d", { DiskNode::file("/d/a", 10), mount, DiskNode::file("/d/b", 2 * MiB) }, MiB);
    ASSERT_EQ(folder.children().size(), 3u);
    EXPECT_EQ(folder.children()[0], mount);
    EXPECT_EQ(folder.children()[1].name(), "b");
    const DiskNode pruned = folder.removing("/d/b");
    ASSERT_EQ(pruned.children().size(), 2u);
    EXPECT_TRUE(pruned.children()[0].isMountPoint());
    EXPECT_EQ(pruned.removing("/d/media/inside"), pruned);
}

TEST(DiskNode, NamesTheLastComponentAndTheRootAsEmpty)
{
    struct Case {
        const char* path;
        const char* name;
        const char* normalized;
    };
    const Case cases[] = {
        { "/", "", "/" },
        { "/home", "home", "/home" },
        { "/home/ada/", "ada", "/home/ada" },
        { "relative", "relative", "relative" },
        { "/a/\xff\xfe name", "\xff\xfe name", "/a/\xff\xfe name" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DiskNode::file(c.path, 1).name(), c.name) << c.path;
        EXPECT_EQ(DiskNode::directory(c.path, {}).name(), c.name) << c.path;
        EXPECT_EQ(DiskNode::directory(c.path, {}).path(), c.normalized) << c.path;
    }
    EXPECT_EQ(DiskNode::smallFilesAggregate("/", 5, 3).path(), "/.__lopewell_smallfiles__");
}

TEST(DiskNode, BuildsTheSameTreeFromSharedLocationsAsFromPaths)
{
    const auto root = DiskFolderLocation::forPath("/scan");
    const auto sub = DiskFolderLocation::make(root, "sub");
    const DiskNode fromLocations = DiskNode::directory(root,
        {
            DiskNode::directory(sub, { DiskNode::file(sub, "big", 3 * MiB), DiskNode::smallFilesAggregate(sub, 7, 2) }),
            DiskNode::file(root, "top", 2 * MiB),
        });
    const DiskNode fromPaths = DiskNode::directory("/scan",
        {
            DiskNode::directory("/scan/sub",
                { DiskNode::file("/scan/sub/big", 3 * MiB), DiskNode::file("/scan/sub/a", 3), DiskNode::file("/scan/sub/b", 4) }, MiB),
            DiskNode::file("/scan/top", 2 * MiB),
        });
    EXPECT_EQ(fromLocations, fromPaths);
    EXPECT_EQ(fromLocations.children()[0].children()[0].path(), "/scan/sub/big");
    EXPECT_EQ(sub->path(), "/scan/sub");

    const DiskNode otherSize = DiskNode::directory("/scan", { DiskNode::file("/scan/top", 2 * MiB + 1) });
    EXPECT_NE(fromPaths, otherSize);
    EXPECT_NE(DiskNode::file("/scan/a", 1), DiskNode::file("/scan/b", 1));
}

DiskNode threeLevels()
{
    return DiskNode::directory("/r",
        {
            DiskNode::directory("/r/a",
                {
                    DiskNode::directory("/r/a/b",
                        {
                            DiskNode::file("/r/a/b/deep", 5 * MiB),
                            DiskNode::file("/r/a/b/other", 2 * MiB),
                        }),
                    DiskNode::file("/r/a/mid", 3 * MiB),
                }),
            DiskNode::directory("/r/ab", { DiskNode::file("/r/ab/deep", 4 * MiB) }),
            DiskNode::file("/r/top", MiB),
        });
}

TEST(DiskNode, RemovingAFileThreeLevelsDownShrinksEveryAncestorByItsSize)
{
    const DiskNode tree = threeLevels();
    const DiskNode pruned = tree.removing("/r/a/b/deep");

    EXPECT_EQ(pruned.size(), tree.size() - 5 * MiB);
    EXPECT_EQ(pruned.children()[0].size(), tree.children()[0].size() - 5 * MiB);
    const DiskNode& b = pruned.children()[0].children()[0];
    EXPECT_EQ(b.size(), 2 * MiB);
    ASSERT_EQ(b.children().size(), 1u);
    EXPECT_EQ(b.children()[0].path(), "/r/a/b/other");
    // "/r/ab" shares a prefix with "/r/a" but is another folder: untouched.
    EXPECT_EQ(pruned.children()[1], tree.children()[1]);
    EXPECT_EQ(pruned.children()[2], tree.children()[2]);
    // The original is a value: unchanged.
    EXPECT_EQ(tree, threeLevels());
}

TEST(DiskNode, RemovingAFolderOrAnUnknownLocationOrFromAFile)
{
    const DiskNode tree = threeLevels();
    const DiskNode withoutA = tree.removing("/r/a");
    ASSERT_EQ(withoutA.children().size(), 2u);
    EXPECT_EQ(withoutA.children()[0].path(), "/r/ab");
    EXPECT_EQ(withoutA.size(), 5 * MiB);

    for (const char* unknown : { "/r/a/b/missing", "/elsewhere/x", "/r", "/r/a/b/deep/below", "", "/r/a/" })
        EXPECT_EQ(tree.removing(unknown), tree) << unknown;

    const DiskNode file = DiskNode::file("/r/top", 1);
    EXPECT_EQ(file.removing("/r/top"), file);

    const DiskNode root = DiskNode::directory("/", { DiskNode::file("/x", 1), DiskNode::directory("/y", { DiskNode::file("/y/z", 2) }) });
    EXPECT_EQ(root.removing("/y/z").size(), 1u);
    EXPECT_EQ(root.removing("/x").children().size(), 1u);
}

TEST(DiskNode, HandlesTreesTenThousandFoldersDeepWithoutRecursing)
{
    constexpr int depth = 10'000;
    auto location = DiskFolderLocation::forPath("/deep");
    std::vector<DiskFolderLocation::Pointer> chain { location };
    for (int i = 0; i < depth; ++i)
        chain.push_back(DiskFolderLocation::make(chain.back(), "d"));
    DiskNode node = DiskNode::directory(chain.back(), { DiskNode::file(chain.back(), "leaf", 7) });
    const std::string leafPath = node.children()[0].path();
    for (int i = depth - 1; i >= 0; --i)
        node = DiskNode::directory(chain[i], { std::move(node) });
    chain.clear();

    EXPECT_EQ(node.size(), 7u);
    const DiskNode copy = node;
    EXPECT_EQ(copy, node);
    const DiskNode pruned = node.removing(leafPath);
    EXPECT_EQ(pruned.size(), 0u);
    EXPECT_EQ(node.size(), 7u);
    EXPECT_EQ(pruned, node.removing(leafPath));
    EXPECT_NE(pruned, node);
    // Destroying all three (sharing most of their nodes) happens at the end of scope.
}

}  // namespace
}  // namespace lopewell
