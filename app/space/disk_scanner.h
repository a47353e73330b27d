// Measures a folder into a size tree for the disk map: every file below the root, links neither
// followed nor counted, packages entered like any folder, and each folder's files below the
// threshold folded into one "Small files (N)" node. The walk stays on the root's file system, as
// `du -x` does: a folder where another one is mounted (/proc, /sys, a USB disk under /media)
// becomes a mount-point node of its own, not entered, unless the scanner crosses mounts.
//
//   DiskScanner scanner(DiskScanner::screenThreshold);
//   Stream<DiskScanProgress> progress = scanner.scan("/home/ada");
//   while (auto value = progress.next()) { ... }   // scanning..., then complete or missing
//
// A hard-linked file is measured once per scan: its first link in walk order carries its size,
// later links count as files of size 0 (a tree of backups would otherwise add up to more than
// the disk holds). Folders are listed on two threads at once where there are two cores; the
// tree, its sizes and its counts are exactly those of a one-thread walk in listing order.
//
// THREAD-SAFETY: a scanner is an immutable value; any number of scans may run at once.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <variant>
#include <vector>

#include "core/concurrency/stream.h"
#include "core/treemap/disk_node.h"

namespace lopewell {

struct DiskScanScanning {
    int64_t files = 0;   // files measured so far
    uint64_t bytes = 0;  // their total size
    bool operator==(const DiskScanScanning&) const = default;
};

struct DiskScanComplete {
    DiskNode root;
    int64_t unreadableCount = 0;              // folders whose contents could not be listed
    std::vector<std::string> mountPoints {};  // other file systems met and not entered, sorted
};

struct DiskScanMissing {
    std::string path;
    bool operator==(const DiskScanMissing&) const = default;
};

using DiskScanProgress = std::variant<DiskScanScanning, DiskScanComplete, DiskScanMissing>;

class DiskScanner {
public:
    // What the disk map uses: files below 1 MiB are folded.
    static constexpr uint64_t screenThreshold = 1'048'576;
    // One per core, at most four: listing is bound by the kernel's per-entry work.
    static int defaultThreadCount();

    enum class Mounts {
        stayOnFileSystem,  // other file systems become mount points, not entered
        cross,             // entered like any folder
    };

    explicit DiskScanner(uint64_t smallFileThreshold, int threadCount = defaultThreadCount(), Mounts mounts = Mounts::stayOnFileSystem);

    uint64_t smallFileThreshold() const { return m_smallFileThreshold; }
    Mounts mounts() const { return m_mounts; }

    // Scans on a thread of its own at background priority. The stream sends `scanning` once per
    // 2,000 files, then `complete` or `missing`, and ends; dropping it cancels the scan, which
    // then ends without a final value.
    Stream<DiskScanProgress> scan(std::string root) const;

    // The same walk on the calling thread (plus helper threads): complete or missing, or nothing
    // when `stop` was requested. `onProgress` is called from any of the walk's threads, never
    // from two at once.
    std::optional<DiskScanProgress> measure(const std::string& root, std::stop_token stop = {},
        const std::function<void(const DiskScanScanning&)>& onProgress = {}, bool backgroundPriority = false) const;

private:
    uint64_t m_smallFileThreshold;
    int m_threadCount;
    Mounts m_mounts;
};

}  // namespace lopewell
