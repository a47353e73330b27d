// The content stage of the duplicate scan: given the walk's size buckets, finds the sets of
// byte-identical files and returns them as DuplicateGroups, largest reclaimable first.
//
//   std::optional<DuplicateSearch> found = findDuplicates(std::move(buckets), stopToken,
//       [&](std::size_t groups, std::uint64_t bytes) { report(groups, bytes); });
//
// The answer is the plain method's (SHA-256 of every file in a bucket of two or more, grouped by
// digest) but cheaper: hard links count once, only files of equal logical size are compared, a
// short prefix digest rules out most non-matches before any file is read to its end, and the
// reading is shared by all cores. Buckets are visited largest size first, so the result and the
// order of progress calls are the same on every run.
//
// THREAD-SAFETY: runs worker threads of its own; `onBucketDone` is called from them, one call at
// a time, in bucket order, and never after the stop was seen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

#include "app/files/duplicate_group.h"
#include "platform/file_digest.h"

namespace lopewell {

struct DuplicateCandidate {
    std::string path;  // as the walk found it
    FileIdentity identity;
};

// Files of one size (allocated size, else logical), in the order the walk found them.
struct SizeBucket {
    std::uint64_t size = 0;
    std::vector<DuplicateCandidate> files;
};

struct DuplicateSearch {
    std::vector<DuplicateGroup> groups;
    std::uint64_t reclaimableBytes = 0;

    bool operator==(const DuplicateSearch&) const = default;
};

// After each bucket of two or more files: the groups found so far and the bytes they reclaim.
using DuplicateBucketProgress = std::function<void(std::size_t groupsSoFar, std::uint64_t reclaimableBytes)>;

// Bytes digested first; only files whose prefixes collide are read further.
inline constexpr std::uint64_t duplicatePrefixBytes = 4096;

// Absent when stopped. `workers` 0 means one per core.
std::optional<DuplicateSearch> findDuplicates(
    std::vector<SizeBucket> buckets, std::stop_token stop, const DuplicateBucketProgress& onBucketDone = {}, unsigned workers = 0);

}  // namespace lopewell
