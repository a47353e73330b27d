// What the disk map draws for one folder, as plain geometry: a cell per kept child (at most 60,
// largest first), one "Other (N)" cell for the rest, and inside each large enough folder cell a
// miniature of its own 12 largest children. The Qt view paints the plan as it stands and hit-tests
// its rectangles; the same plan draws the PNG of `lopewell space --png`. Its size is bounded
// whatever the folder holds.
//
//   TreemapPlan plan = planTreemap(folder, width, height, selectedPath);
//   for (const TreemapCell& cell : plan.cells) paint(cell);
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/presentation/palette.h"
#include "core/treemap/disk_node.h"
#include "core/treemap/treemap_rect.h"

namespace lopewell {

inline constexpr size_t treemapMaxCells = 60;
inline constexpr size_t treemapMaxPreviewCells = 12;
inline constexpr double treemapMinPreviewSide = 44;  // at least this wide and tall
inline constexpr double treemapMinLabelWidth = 56;   // labels only when wider than this
inline constexpr double treemapMinLabelHeight = 22;  // ... and taller than this
inline constexpr double treemapCornerRadius = 4;
inline constexpr double treemapPreviewCornerRadius = 2;

// Blue, green, orange, purple, pink, teal, indigo, mint, cyan, red: the system colours.
const std::vector<Color>& treemapPalette();

struct TreemapCell {
    enum class Kind { child, other };
    Kind kind = Kind::child;
    TreemapRect rect;              // negative sizes already clamped to 0
    std::optional<DiskNode> node;  // for child cells
    Color fill;
    bool selected = false;                // white border of 2; otherwise a faint black one (none for "other")
    std::optional<std::string> title;     // first label line, when the cell is large enough
    std::optional<std::string> subtitle;  // the size, for child cells with a label
    std::vector<TreemapRect> preview;     // a folder's own children in miniature, in cell coordinates
};

struct TreemapPlan {
    std::vector<TreemapCell> cells;
};

TreemapPlan planTreemap(const DiskNode& folder, double width, double height, const std::optional<std::string>& selectedPath);

// The cell under a point, for taps; null outside every cell.
const TreemapCell* treemapCellAt(const TreemapPlan& plan, double x, double y);

}  // namespace lopewell
