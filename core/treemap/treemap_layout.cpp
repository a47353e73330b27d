#include "core/treemap/treemap_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace lopewell::TreemapLayout {

namespace {

// The worst aspect ratio of a row of areas laid along `side`; lower is squarer.
double worstRatio(double sum, double largest, double smallest, double side)
{
    if (!(smallest > 0) || !(side > 0))
        return std::numeric_limits<double>::infinity();
    const double sideSquared = side * side;
    const double sumSquared = sum * sum;
    return std::max(sideSquared * largest / sumSquared, sumSquared / (sideSquared * smallest));
}

bool isCounted(double weight)
{
    return weight >= 0;  // false for NaN too
}

}  // namespace

std::vector<TreemapRect> squarify(std::span<const double> weights, TreemapRect rect)
{
    std::vector<TreemapRect> result(weights.size(), TreemapRect { rect.x, rect.y, 0, 0 });
    if (weights.empty())
        return result;
    double total = 0;
    for (double weight : weights) {
        if (isCounted(weight))
            total += weight;
    }
    if (!(total > 0) || !(rect.width > 0) || !(rect.height > 0) || !std::isfinite(total))
        return result;

    std::vector<size_t> order;
    order.reserve(weights.size());
    for (size_t i = 0; i < weights.size(); ++i) {
        if (weights[i] > 0)
            order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return weights[a] > weights[b]; });
    std::vector<double> area(weights.size(), 0);
    const double fullArea = rect.width * rect.height;
    for (size_t i : order)
        area[i] = fullArea * (weights[i] / total);

    double x = rect.x, y = rect.y, w = rect.width, h = rect.height;
    size_t start = 0;
    while (start < order.size()) {
        const double side = h < w ? h : w;
        if (!(side > 0))
            break;
        // Sorted largest first: the row's largest area is its first, its smallest its last.
        size_t end = start + 1;
        double rowArea = area[order[start]];
        double worst = worstRatio(rowArea, area[order[start]], area[order[start]], side);
        while (end < order.size()) {
            const double extendedArea = rowArea + area[order[end]];
            const double ratio = worstRatio(extendedArea, area[order[start]], area[order[end]], side);
            if (!(ratio <= worst))
                break;
            worst = ratio;
            rowArea = extendedArea;
            ++end;
        }
        const double thickness = rowArea / side;
        if (w <= h) {
            double cursor = x;
            for (size_t k = start; k < end; ++k) {
                const double length = thickness > 0 ? area[order[k]] / thickness : 0;
                result[order[k]] = { cursor, y, length, thickness };
                cursor += length;
            }
            y += thickness;
            h -= thickness;
        } else {
            double cursor = y;
            for (size_t k = start; k < end; ++k) {
                const double length = thickness > 0 ? area[order[k]] / thickness : 0;
                result[order[k]] = { x, cursor, thickness, length };
                cursor += length;
            }
            x += thickness;
            w -= thickness;
        }
        start = end;
    }
    return result;
}

}  // namespace lopewell::TreemapLayout
