// How fast the walker examines files: walks DIR (warm) REPEATS times, summing what a flat
// storage scan sums, and prints the best pass. bench/file_walk_compare times du and find on
// the same tree.
//
//   build/bench/file_walk_bench /tmp/lopewell-walk-bench 5
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/file_walk.h"

using namespace lopewell;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: file_walk_bench DIR [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    double best = 0;
    uint64_t files = 0;
    uint64_t bytes = 0;
    for (int pass = 0; pass < repeats; ++pass) {
        files = 0;
        bytes = 0;
        const auto start = std::chrono::steady_clock::now();
        ErrorOr<WalkEnd> end = walkTree(argv[1], [&](const std::string&, const FileEntry& entry) {
            if (entry.isFolder())
                return entry.isPackage() ? WalkDecision::skipContents : WalkDecision::descend;
            ++files;
            bytes += entry.sizeOnDisk();
            return WalkDecision::descend;
        });
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!end) {
            std::fprintf(stderr, "%s\n", end.error().message.c_str());
            return 1;
        }
        if (pass == 0 || seconds < best)
            best = seconds;
    }
    std::printf("walker: %llu files, %llu bytes, best of %d: %.3f s, %.0f files/s\n", (unsigned long long)files, (unsigned long long)bytes,
        repeats, best, double(files) / best);
    return 0;
}
