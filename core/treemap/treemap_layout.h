// Squarified treemap layout: one rectangle per weight, in the order of the weights, laid out so
// the rectangles stay as close to squares as rows allow (Bruls, Huizing, van Wijk).
//
//   std::vector<TreemapRect> cells = TreemapLayout::squarify({ 6, 6, 4, 3, 2, 2, 1 }, { 0, 0, 6, 4 });
//   // cells[0] == { 0, 0, 3, 2 }
//
// Weights that are zero, negative or not numbers get an empty rectangle at the origin of
// `rect`, as does everything when `rect` has no area.
#pragma once

#include <span>
#include <vector>

#include "core/treemap/treemap_rect.h"

namespace lopewell::TreemapLayout {

std::vector<TreemapRect> squarify(std::span<const double> weights, TreemapRect rect);

}  // namespace lopewell::TreemapLayout
