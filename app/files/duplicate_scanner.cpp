#include "app/files/duplicate_scanner.h"

#include <map>
#include <utility>

#include "app/files/duplicate_finder.h"
#include "platform/file_walk.h"
#include "platform/thread_priority.h"

namespace lopewell {

Stream<DuplicateScanProgress> DuplicateScanner::scan(std::filesystem::path root, std::uint64_t minSize) const
{
    return Stream<DuplicateScanProgress>::start(
        [scanner = *this, root = std::move(root), minSize](StreamProducer<DuplicateScanProgress>& out) {
            // The hashing threads started from here inherit the lower priority.
            lowerCurrentThreadPriority();
            scanner.run(root, minSize, out);
        });
}

void DuplicateScanner::run(const std::filesystem::path& root, std::uint64_t minSize, StreamProducer<DuplicateScanProgress>& out) const
{
    std::map<std::uint64_t, SizeBucket> buckets;
    std::int64_t candidates = 0;
    std::int64_t lastReport = 0;
    WalkOptions options;
    options.skipHidden = true;
    options.skipPackageContents = true;
    const ErrorOr<WalkEnd> end = walkTree(
        root,
        [&](const std::string& path, const FileEntry& entry) {
            if (entry.kind != FileKind::regular || !entry.attributesKnown)
                return WalkDecision::descend;
            const std::uint64_t size = entry.sizeOnDisk();
            if (size < minSize)
                return WalkDecision::descend;
            SizeBucket& bucket = buckets[size];
            bucket.size = size;
            bucket.files.push_back({ path, { entry.device, entry.inode, entry.logicalSize.value_or(0), entry.allocatedSize } });
            ++candidates;
            if (candidates - lastReport >= progressInterval) {
                out.yield(DuplicateScanning { candidates, 0, 0 });
                lastReport = candidates;
            }
            return WalkDecision::descend;
        },
        {}, out.stopToken(), options);

    if (!end) {
        out.yield(DuplicateScanMissing { root });
        return;
    }
    if (end.value() == WalkEnd::cancelled || out.isStopRequested())
        return;

    std::vector<SizeBucket> multiFile;
    for (auto& [size, bucket] : buckets) {
        if (bucket.files.size() >= 2)
            multiFile.push_back(std::move(bucket));
    }
    buckets.clear();
    std::optional<DuplicateSearch> found = findDuplicates(
        std::move(multiFile), out.stopToken(),
        [&](std::size_t groups, std::uint64_t bytes) { out.yield(DuplicateScanning { candidates, std::int64_t(groups), bytes }); },
        m_hashingThreads);
    if (!found || out.isStopRequested())
        return;
    out.yield(DuplicateScanComplete { std::move(found->groups), found->reclaimableBytes });
}

}  // namespace lopewell
