#include "app/space/treemap_plan.h"

#include <gtest/gtest.h>

namespace lopewell {
namespace {

DiskNode folderOf(size_t count, uint64_t size = 1000)
{
    std::vector<DiskNode> children;
    for (size_t i = 0; i < count; ++i)
        children.push_back(DiskNode::file("/f/file" + std::to_string(i), size + i));
    return DiskNode::directory("/f", std::move(children));
}

TEST(TreemapPlan, ShowsSixtyCellsAndOneOtherCellForTheRest)
{
    const TreemapPlan sixtyOne = planTreemap(folderOf(61), 1200, 800, std::nullopt);
    ASSERT_EQ(sixtyOne.cells.size(), 61u);
    EXPECT_EQ(sixtyOne.cells.back().kind, TreemapCell::Kind::other);
    EXPECT_FALSE(sixtyOne.cells.back().node.has_value());
    EXPECT_EQ(sixtyOne.cells.back().title, "Other (1)");
    EXPECT_EQ(sixtyOne.cells.front().node->name(), "file60");  // largest first

    const TreemapPlan sixty = planTreemap(folderOf(60), 1200, 800, std::nullopt);
    EXPECT_EQ(sixty.cells.size(), 60u);
    EXPECT_EQ(sixty.cells.back().kind, TreemapCell::Kind::child);

    // Folded children of size 0 weigh nothing: no "other" cell at all.
    std::vector<DiskNode> children = folderOf(60).children();
    children.push_back(DiskNode::file("/f/empty1", 0));
    children.push_back(DiskNode::file("/f/empty2", 0));
    children.insert(children.begin(), DiskNode::file("/f/empty0", 0));
    EXPECT_EQ(planTreemap(DiskNode::directory("/f", children), 1200, 800, std::nullopt).cells.size(), 60u);
}

TEST(TreemapPlan, ColoursByPositionSelectsByPathAndGreysTheAggregate)
{
    std::vector<DiskNode> children = folderOf(12).children();
    children.push_back(DiskNode::smallFilesAggregate("/f", 5000, 40));
    const TreemapPlan plan = planTreemap(DiskNode::directory("/f", children), 1000, 1000, "/f/file3");
    ASSERT_EQ(plan.cells.size(), 13u);
    EXPECT_EQ(plan.cells[0].node->isAggregate(), true);
    EXPECT_EQ(plan.cells[0].fill.opacity, 0.45);
    EXPECT_EQ(plan.cells[1].fill, treemapPalette()[1]);
    EXPECT_EQ(plan.cells[11].fill, treemapPalette()[1]);  // position 11 modulo 10
    EXPECT_EQ(plan.cells[12].fill, treemapPalette()[2]);
    EXPECT_EQ(plan.cells[0].title, "Small files (40)");
    int selected = 0;
    for (const TreemapCell& cell : plan.cells) {
        if (cell.selected) {
            ++selected;
            EXPECT_EQ(cell.node->path(), "/f/file3");
        }
    }
    EXPECT_EQ(selected, 1);
    const TreemapCell* hit = treemapCellAt(plan, plan.cells[5].rect.x + 1, plan.cells[5].rect.y + 1);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->node->path(), plan.cells[5].node->path());
    EXPECT_EQ(treemapCellAt(plan, 1000.5, 10), nullptr);
}

TEST(TreemapPlan, LabelsOnlyAboveFiftySixByTwentyTwoAndPreviewsFromFortyFour)
{
    const DiskNode inner = DiskNode::directory("/f/inner", { DiskNode::file("/f/inner/a", 3), DiskNode::file("/f/inner/b", 1) });
    const DiskNode folder = DiskNode::directory("/f", { inner });
    struct Case {
        double width, height;
        bool label, preview;
    };
    const Case cases[] = {
        { 56, 40, false, false },
        { 57, 22, false, false },
        { 57, 23, true, false },
        { 44, 44, false, true },
        { 43.9, 44, false, false },
        { 300, 200, true, true },
    };
    for (const Case& c : cases) {
        const TreemapPlan plan = planTreemap(folder, c.width, c.height, std::nullopt);
        ASSERT_EQ(plan.cells.size(), 1u);
        EXPECT_EQ(plan.cells[0].title.has_value(), c.label) << c.width << "x" << c.height;
        EXPECT_EQ(plan.cells[0].subtitle.has_value(), c.label) << c.width << "x" << c.height;
        EXPECT_EQ(plan.cells[0].preview.size(), c.preview ? 2u : 0u) << c.width << "x" << c.height;
    }
    const TreemapPlan large = planTreemap(folder, 300, 200, std::nullopt);
    EXPECT_EQ(large.cells[0].title, "inner");
    EXPECT_EQ(large.cells[0].subtitle, "4 bytes");
    // The miniature fills (4, 18, width - 8, height - 22) of the cell.
    const TreemapRect& first = large.cells[0].preview[0];
    EXPECT_DOUBLE_EQ(first.x, 4);
    EXPECT_DOUBLE_EQ(first.y, 18);
    EXPECT_DOUBLE_EQ(first.height, 178);
    EXPECT_DOUBLE_EQ(first.width + large.cells[0].preview[1].width, 292);
}

}  // namespace
}  // namespace lopewell
