// How fast a flat storage scan examines files: scans DIR (warm) as one flat category REPEATS
// times, building an item per file exactly as the Storage section does, and prints the best
// pass. bench/compare_storage_scan times du and find on the same tree.
//
//   build/bench/storage_scan_bench /tmp/lopewell-storage-bench/home/Library/Caches 5
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/storage/storage_scanner.h"

using namespace lopewell;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: storage_scan_bench DIR [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const StorageCategory category { .id = "bench", .title = "Bench", .paths = { argv[1] } };
    double best = 0;
    StorageScanComplete result;
    for (int pass = 0; pass < repeats; ++pass) {
        auto [producer, stream] = Stream<StorageScanProgress>::makePair();
        const auto start = std::chrono::steady_clock::now();
        StorageScanner::run(category, producer);
        // Draining what the consumer would take is part of the scan's cost.
        std::optional<StorageScanProgress> last;
        while (auto value = stream.tryNext())
            last = std::move(value);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!last || !std::holds_alternative<StorageScanComplete>(*last)) {
            std::fprintf(stderr, "storage_scan_bench: %s is missing or unreadable\n", argv[1]);
            return 1;
        }
        result = std::get<StorageScanComplete>(std::move(*last));
        if (pass == 0 || seconds < best)
            best = seconds;
    }
    std::printf("flat scan: %zu files, %llu bytes, best of %d: %.3f s, %.0f files/s\n", result.items.size(),
        (unsigned long long)result.totalBytes, repeats, best, double(result.items.size()) / best);
    return 0;
}
