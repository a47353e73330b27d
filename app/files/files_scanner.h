// The Large Files and Old Files scans: every regular file under a folder that is at least a given
// size, or last modified before a given moment. Hidden files count; packages (bundles) are
// neither listed nor searched. Matches come in walk order; sorting and capping are the caller's.
//
//   Stream<StorageScanProgress> scan = FilesScanner().scan(root, FilesScanner::LargerThan { 100 << 20 });
//   while (std::optional<StorageScanProgress> value = scan.next()) ...
//   // StorageScanning once per 1,000 files examined, then StorageScanComplete (or StorageScanMissing).
//
// THREAD-SAFETY: stateless; each scan runs on its own thread, which dropping the stream stops.
#pragma once

#include <cstdint>
#include <filesystem>
#include <variant>

#include "app/common/storage_item.h"
#include "core/base/date.h"
#include "core/concurrency/stream.h"

namespace lopewell {

class FilesScanner {
public:
    struct LargerThan {
        std::uint64_t threshold = 0;  // a file of exactly this size matches
    };
    struct OlderThan {
        Date cutoff {};  // strictly earlier matches; a file without a date never does
    };
    using Mode = std::variant<LargerThan, OlderThan>;

    static constexpr std::int64_t progressInterval = 1000;  // files examined between scanning values

    Stream<StorageScanProgress> scan(std::filesystem::path root, Mode mode) const;

    // The scan's body, for a caller that runs it on a thread of its own choosing.
    static void run(const std::filesystem::path& root, const Mode& mode, StreamProducer<StorageScanProgress>& out);
};

// The Old Files cutoff: the same local time of day `days` calendar days before `now` (so a
// daylight-saving change in between moves it by an hour, not the date). `now` itself when the
// calendar cannot say.
Date calendarDaysBefore(Date now, int days);

}  // namespace lopewell
