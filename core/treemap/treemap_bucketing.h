// Which children of a folder get a cell of their own: the `maxCount` heaviest, in order of
// weight, the rest folded into one "other" weight. No minimum share: anything that makes the cut
// is kept however small, and the map decides later whether to label it.
//
//   auto buckets = TreemapBucketing::bucket(node.children(), 60, [](const DiskNode& n) { return n.size(); });
//   // buckets.kept: up to 60 children, largest first; buckets.otherWeight / otherCount: the rest
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace lopewell {

template <typename T>
struct TreemapBuckets {
    std::vector<T> kept;
    uint64_t otherWeight = 0;
    int64_t otherCount = 0;
};

namespace TreemapBucketing {

// Sorts by weight, largest first; equal weights keep their input order.
template <typename T, typename Weight>
TreemapBuckets<T> bucket(std::span<const T> items, size_t maxCount, Weight weight)
{
    std::vector<size_t> order(items.size());
    std::vector<uint64_t> weights(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        order[i] = i;
        weights[i] = weight(items[i]);
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return weights[a] > weights[b]; });
    TreemapBuckets<T> result;
    const size_t keptCount = std::min(maxCount, items.size());
    result.kept.reserve(keptCount);
    for (size_t k = 0; k < keptCount; ++k)
        result.kept.push_back(items[order[k]]);
    for (size_t k = keptCount; k < items.size(); ++k) {
        result.otherWeight += weights[order[k]];
        ++result.otherCount;
    }
    return result;
}

template <typename T, typename Weight>
TreemapBuckets<T> bucket(const std::vector<T>& items, size_t maxCount, Weight weight)
{
    return bucket(std::span<const T>(items), maxCount, weight);
}

}  // namespace TreemapBucketing

}  // namespace lopewell
