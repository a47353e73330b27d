// The Duplicates scan: walks a folder for regular files of at least a minimum size (hidden files,
// package contents and links left out), buckets them by size, and hands buckets of two or more to
// the duplicate finder.
//
//   Stream<DuplicateScanProgress> scan = DuplicateScanner().scan(root, 1 << 20);
//   // DuplicateScanning every 500 candidates during the walk and after every bucket while
//   // hashing, then DuplicateScanComplete (or DuplicateScanMissing).
//
// THREAD-SAFETY: stateless; each scan runs on its own thread (and its hashing threads), which
// dropping the stream stops.
#pragma once

#include <cstdint>
#include <filesystem>
#include <variant>
#include <vector>

#include "app/files/duplicate_group.h"
#include "core/concurrency/stream.h"

namespace lopewell {

struct DuplicateScanning {
    std::int64_t filesSeen = 0;  // candidates found by the walk
    std::int64_t groupsSoFar = 0;
    std::uint64_t reclaimableBytes = 0;
    bool operator==(const DuplicateScanning&) const = default;
};

struct DuplicateScanComplete {
    std::vector<DuplicateGroup> groups;  // largest reclaimable first
    std::uint64_t reclaimableBytes = 0;
    bool operator==(const DuplicateScanComplete&) const = default;
};

struct DuplicateScanMissing {
    std::filesystem::path path;
    bool operator==(const DuplicateScanMissing&) const = default;
};

using DuplicateScanProgress = std::variant<DuplicateScanning, DuplicateScanComplete, DuplicateScanMissing>;

class DuplicateScanner {
public:
    static constexpr std::int64_t progressInterval = 500;  // candidates between walk progress values

    // `hashingThreads` 0: one per core.
    explicit DuplicateScanner(unsigned hashingThreads = 0) : m_hashingThreads(hashingThreads) {}

    Stream<DuplicateScanProgress> scan(std::filesystem::path root, std::uint64_t minSize) const;

    // The scan's body, for a caller that runs it on a thread of its own choosing.
    void run(const std::filesystem::path& root, std::uint64_t minSize, StreamProducer<DuplicateScanProgress>& out) const;

private:
    unsigned m_hashingThreads = 0;
};

}  // namespace lopewell
