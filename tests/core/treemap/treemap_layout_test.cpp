#include "core/treemap/treemap_bucketing.h"
#include "core/treemap/treemap_layout.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace lopewell {
namespace {

void expectNear(const TreemapRect& actual, const TreemapRect& expected, const std::string& label)
{
    constexpr double tolerance = 0.00005;  // four places
    EXPECT_NEAR(actual.x, expected.x, tolerance) << label;
    EXPECT_NEAR(actual.y, expected.y, tolerance) << label;
    EXPECT_NEAR(actual.width, expected.width, tolerance) << label;
    EXPECT_NEAR(actual.height, expected.height, tolerance) << label;
}

TEST(TreemapLayout, LaysOutSevenWeightsInSixByFourAsRowsOfTwoTwoAndThreeSingles)
{
    const std::vector<double> weights { 6, 6, 4, 3, 2, 2, 1 };
    const std::vector<TreemapRect> cells = TreemapLayout::squarify(weights, { 0, 0, 6, 4 });
    const std::vector<TreemapRect> expected {
        { 0, 0, 3, 2 },
        { 0, 2, 3, 2 },
        { 3, 0, 1.7143, 2.3333 },
        { 4.7143, 0, 1.2857, 2.3333 },
        { 3, 2.3333, 1.2, 1.6667 },
        { 4.2, 2.3333, 1.2, 1.6667 },
        { 5.4, 2.3333, 0.6, 1.6667 },
    };
    ASSERT_EQ(cells.size(), expected.size());
    for (size_t i = 0; i < cells.size(); ++i)
        expectNear(cells[i], expected[i], "cell " + std::to_string(i));
}

TEST(TreemapLayout, KeepsInputOrderWhenTheWeightsAreShuffledAndOffsetByTheOrigin)
{
    const std::vector<double> weights { 1, 6, 2, 4, 6, 3, 2 };
    const std::vector<TreemapRect> cells = TreemapLayout::squarify(weights, { 10, 20, 6, 4 });
    ASSERT_EQ(cells.size(), 7u);
    expectNear(cells[1], { 10, 20, 3, 2 }, "first 6");
    expectNear(cells[4], { 10, 22, 3, 2 }, "second 6");
    expectNear(cells[3], { 13, 20, 1.7143, 2.3333 }, "the 4");
    expectNear(cells[2], { 13, 22.3333, 1.2, 1.6667 }, "first 2");
    expectNear(cells[6], { 14.2, 22.3333, 1.2, 1.6667 }, "second 2");
    expectNear(cells[0], { 15.4, 22.3333, 0.6, 1.6667 }, "the 1");
}

TEST(TreemapLayout, CoversTheRectangleExactlyOnceForTallAndWideRectangles)
{
    const std::vector<double> weights { 9, 7, 5, 5, 3, 2, 1, 1, 0.5 };
    for (const TreemapRect rect : { TreemapRect { 0, 0, 300, 40 }, TreemapRect { 5, 5, 40, 300 }, TreemapRect { 0, 0, 1, 1 } }) {
        const std::vector<TreemapRect> cells = TreemapLayout::squarify(weights, rect);
        double area = 0;
        for (size_t i = 0; i < cells.size(); ++i) {
            area += cells[i].width * cells[i].height;
            EXPECT_NEAR(cells[i].width * cells[i].height / (rect.width * rect.height), weights[i] / 33.5, 1e-9);
            EXPECT_GE(cells[i].x, rect.x - 1e-9);
            EXPECT_GE(cells[i].y, rect.y - 1e-9);
            EXPECT_LE(cells[i].x + cells[i].width, rect.x + rect.width + 1e-9);
            EXPECT_LE(cells[i].y + cells[i].height, rect.y + rect.height + 1e-9);
        }
        EXPECT_NEAR(area, rect.width * rect.height, 1e-9);
    }
}

TEST(TreemapLayout, GivesEmptyRectanglesAtTheOriginForWhatCannotBeLaidOut)
{
    const TreemapRect origin { 3, 4, 0, 0 };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        std::vector<double> weights;
        TreemapRect rect;
    };
    const Case cases[] = {
        { { 0, 0, 0 }, { 3, 4, 10, 10 } },
        { { 1, 2 }, { 3, 4, 0, 10 } },
        { { 1, 2 }, { 3, 4, 10, 0 } },
        { { 1, 2 }, { 3, 4, -5, 10 } },
        { { -1, nan }, { 3, 4, 10, 10 } },
    };
    for (const Case& c : cases) {
        const std::vector<TreemapRect> cells = TreemapLayout::squarify(c.weights, c.rect);
        ASSERT_EQ(cells.size(), c.weights.size());
        for (const TreemapRect& cell : cells)
            EXPECT_EQ(cell, origin);
    }
    EXPECT_TRUE(TreemapLayout::squarify({}, { 0, 0, 10, 10 }).empty());
}

TEST(TreemapLayout, FillsTheWholeRectangleWithTheOnlyPositiveWeight)
{
    EXPECT_EQ(TreemapLayout::squarify(std::vector<double> { 42 }, { 1, 2, 30, 40 }), (std::vector<TreemapRect> { { 1, 2, 30, 40 } }));
    const std::vector<TreemapRect> cells = TreemapLayout::squarify(std::vector<double> { 0, 5, -3, std::nan("") }, { 1, 2, 30, 40 });
    EXPECT_EQ(cells, (std::vector<TreemapRect> { { 1, 2, 0, 0 }, { 1, 2, 30, 40 }, { 1, 2, 0, 0 }, { 1, 2, 0, 0 } }));
}

TEST(TreemapLayout, LaysEqualWeightsOutInIndexOrder)
{
    const std::vector<TreemapRect> cells = TreemapLayout::squarify(std::vector<double> { 1, 1, 1, 1 }, { 0, 0, 4, 1 });
    EXPECT_EQ(cells, (std::vector<TreemapRect> { { 0, 0, 1, 1 }, { 1, 0, 1, 1 }, { 2, 0, 1, 1 }, { 3, 0, 1, 1 } }));
}

struct Item {
    std::string name;
    uint64_t weight;
    bool operator==(const Item&) const = default;
};

uint64_t weightOf(const Item& item)
{
    return item.weight;
}

TEST(TreemapBucketing, KeepsTheHeaviestAndFoldsTheRestIntoOneOtherWeight)
{
    std::vector<Item> items;
    for (uint64_t i = 0; i < 61; ++i)
        items.push_back({ "item" + std::to_string(i), 100 + i });
    const TreemapBuckets<Item> sixty = TreemapBucketing::bucket(items, 60, weightOf);
    ASSERT_EQ(sixty.kept.size(), 60u);
    EXPECT_EQ(sixty.kept.front().weight, 160u);
    EXPECT_EQ(sixty.kept.back().weight, 101u);
    EXPECT_EQ(sixty.otherWeight, 100u);
    EXPECT_EQ(sixty.otherCount, 1);

    items.pop_back();
    const TreemapBuckets<Item> all = TreemapBucketing::bucket(items, 60, weightOf);
    EXPECT_EQ(all.kept.size(), 60u);
    EXPECT_EQ(all.otherWeight, 0u);
    EXPECT_EQ(all.otherCount, 0);

    const TreemapBuckets<Item> none = TreemapBucketing::bucket(items, 0, weightOf);
    EXPECT_TRUE(none.kept.empty());
    EXPECT_EQ(none.otherCount, 60);
}

TEST(TreemapBucketing, KeepsInputOrderAmongEqualWeights)
{
    const std::vector<Item> items { { "a", 5 }, { "b", 9 }, { "c", 5 }, { "d", 0 }, { "e", 5 }, { "f", 0 } };
    const TreemapBuckets<Item> buckets = TreemapBucketing::bucket(items, 4, weightOf);
    EXPECT_EQ(buckets.kept, (std::vector<Item> { { "b", 9 }, { "a", 5 }, { "c", 5 }, { "e", 5 } }));
    EXPECT_EQ(buckets.otherWeight, 0u);  // folded items of size 0: the map draws no "other" cell
    EXPECT_EQ(buckets.otherCount, 2);
}

}  // namespace
}  // namespace lopewell
