#include "app/files/files_scanner.h"

#include <cerrno>
#include <ctime>
#include <utility>

#include "platform/file_walk.h"
#include "platform/thread_priority.h"

namespace lopewell {

Stream<StorageScanProgress> FilesScanner::scan(std::filesystem::path root, Mode mode) const
{
    return Stream<StorageScanProgress>::start([root = std::move(root), mode](StreamProducer<StorageScanProgress>& out) {
        lowerCurrentThreadPriority();
        run(root, mode, out);
    });
}

void FilesScanner::run(const std::filesystem::path& root, const Mode& mode, StreamProducer<StorageScanProgress>& out)
{
    const auto matches = [&mode](const FileEntry& entry) {
        if (const auto* larger = std::get_if<LargerThan>(&mode))
            return entry.sizeOnDisk() >= larger->threshold;
        const Date cutoff = std::get<OlderThan>(mode).cutoff;
        return entry.modificationDate && *entry.modificationDate < cutoff;
    };

    std::int64_t filesSeen = 0;
    std::int64_t lastReport = 0;
    StorageScanComplete result;
    WalkOptions options;
    options.skipPackageContents = true;
    const ErrorOr<WalkEnd> end = walkTree(
        root,
        [&](const std::string& path, const FileEntry& entry) {
            // Links are not followed and not listed: trashing one would free nothing.
            if (entry.kind != FileKind::regular || !entry.attributesKnown)
                return WalkDecision::descend;
            ++filesSeen;
            if (matches(entry)) {
                result.items.push_back({ .path = path, .size = entry.sizeOnDisk(), .modificationDate = entry.modificationDate });
                result.totalBytes += entry.sizeOnDisk();
            }
            if (filesSeen - lastReport >= progressInterval) {
                out.yield(StorageScanning { std::int64_t(result.items.size()), result.totalBytes });
                lastReport = filesSeen;
            }
            return WalkDecision::descend;
        },
        {}, out.stopToken(), options);

    if (!end) {
        out.yield(StorageScanMissing { root });
        return;
    }
    if (end.value() == WalkEnd::cancelled || out.isStopRequested())
        return;
    out.yield(std::move(result));
}

Date calendarDaysBefore(Date now, int days)
{
    const auto sinceEpoch = now.time_since_epoch();
    const auto wholeSeconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    std::time_t seconds = std::time_t(wholeSeconds.count());
    std::tm local {};
    if (!::localtime_r(&seconds, &local))
        return now;
    local.tm_mday -= days;
    local.tm_isdst = -1;
    errno = 0;
    const std::time_t earlier = std::mktime(&local);
    if (earlier == std::time_t(-1) && errno != 0)
        return now;
    return Date(std::chrono::duration_cast<Date::duration>(std::chrono::seconds(earlier)) + (sinceEpoch - wholeSeconds));
}

}  // namespace lopewell
