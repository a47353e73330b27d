#include "app/space/treemap_plan.h"

#include <algorithm>

#include "app/space/space_view_model.h"
#include "core/treemap/treemap_bucketing.h"
#include "core/treemap/treemap_layout.h"

namespace lopewell {

namespace {

uint64_t sizeOf(const DiskNode& node)
{
    return node.size();
}

constexpr Color aggregateFill { 0.56, 0.56, 0.58, 0.45 };  // gray at 0.45

bool hasLabelRoom(const TreemapRect& rect)
{
    return rect.width > treemapMinLabelWidth && rect.height > treemapMinLabelHeight;
}

TreemapRect clamped(TreemapRect rect)
{
    rect.width = std::max(0.0, rect.width);
    rect.height = std::max(0.0, rect.height);
    return rect;
}

}  // namespace

const std::vector<Color>& treemapPalette()
{
    static const std::vector<Color> palette {
        { 0.0, 0.478, 1.0, 0.85 },      // blue
        { 0.204, 0.78, 0.349, 0.85 },   // green
        { 1.0, 0.584, 0.0, 0.85 },      // orange
        { 0.686, 0.322, 0.871, 0.85 },  // purple
        { 1.0, 0.176, 0.333, 0.85 },    // pink
        { 0.188, 0.69, 0.78, 0.85 },    // teal
        { 0.345, 0.337, 0.839, 0.85 },  // indigo
        { 0.0, 0.78, 0.745, 0.85 },     // mint
        { 0.196, 0.678, 0.902, 0.85 },  // cyan
        { 1.0, 0.231, 0.188, 0.85 },    // red
    };
    return palette;
}

TreemapPlan planTreemap(const DiskNode& folder, double width, double height, const std::optional<std::string>& selectedPath)
{
    const TreemapBuckets<DiskNode> buckets = TreemapBucketing::bucket(folder.children(), treemapMaxCells, sizeOf);
    std::vector<double> weights;
    weights.reserve(buckets.kept.size() + 1);
    for (const DiskNode& child : buckets.kept)
        weights.push_back(double(child.size()));
    if (buckets.otherWeight != 0)
        weights.push_back(double(buckets.otherWeight));
    const std::vector<TreemapRect> rects = TreemapLayout::squarify(weights, { 0, 0, width, height });

    TreemapPlan plan;
    plan.cells.reserve(rects.size());
    for (size_t i = 0; i < buckets.kept.size() && i < rects.size(); ++i) {
        const DiskNode& child = buckets.kept[i];
        TreemapCell cell;
        cell.rect = clamped(rects[i]);
        cell.fill = child.isAggregate() ? aggregateFill : treemapPalette()[i % treemapPalette().size()];
        cell.selected = selectedPath && child.path() == *selectedPath;
        if (hasLabelRoom(cell.rect)) {
            cell.title = child.name();
            cell.subtitle = spaceSizeText(child.size());
        }
        if (child.isDirectory() && cell.rect.width >= treemapMinPreviewSide && cell.rect.height >= treemapMinPreviewSide) {
            const TreemapBuckets<DiskNode> inner = TreemapBucketing::bucket(child.children(), treemapMaxPreviewCells, sizeOf);
            std::vector<double> innerWeights;
            for (const DiskNode& grandchild : inner.kept)
                innerWeights.push_back(double(grandchild.size()));
            for (const TreemapRect& rect : TreemapLayout::squarify(innerWeights, { 4, 18, cell.rect.width - 8, cell.rect.height - 22 }))
                cell.preview.push_back(clamped(rect));
        }
        cell.node = child;
        plan.cells.push_back(std::move(cell));
    }
    if (buckets.otherWeight != 0 && rects.size() == buckets.kept.size() + 1) {
        TreemapCell other;
        other.kind = TreemapCell::Kind::other;
        other.rect = clamped(rects.back());
        other.fill = aggregateFill;
        if (hasLabelRoom(other.rect))
            other.title = "Other (" + std::to_string(buckets.otherCount) + ")";
        plan.cells.push_back(std::move(other));
    }
    return plan;
}

const TreemapCell* treemapCellAt(const TreemapPlan& plan, double x, double y)
{
    for (const TreemapCell& cell : plan.cells) {
        if (x >= cell.rect.x && x < cell.rect.x + cell.rect.width && y >= cell.rect.y && y < cell.rect.y + cell.rect.height)
            return &cell;
    }
    return nullptr;
}

}  // namespace lopewell
