// SHA-256 throughput on one core: over memory (the hash itself) and through FileDigester over a
// large warm file (reads included), the rate the duplicate finder sees per hashing thread.
//
//   build/bench/sha256_bench [--benchmark_filter=File] [-- FILE]
//   FILE defaults to a 256 MiB file written once under /tmp; pass a file of the dupes tree to
//   measure on the benchmark's own disk.
#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/file_digest.h"

namespace {

std::string g_file;

void hashMemory(benchmark::State& state)
{
    std::vector<unsigned char> buffer(std::size_t(state.range(0)), 0x5a);
    lopewell::Sha256 hasher;
    for (auto _ : state) {
        hasher.update(buffer.data(), buffer.size());
        benchmark::DoNotOptimize(hasher.finish());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(hashMemory)->Arg(64 << 10)->Arg(1 << 20)->Arg(16 << 20);

void digestLargeFile(benchmark::State& state)
{
    struct stat info {};
    if (::stat(g_file.c_str(), &info) != 0) {
        state.SkipWithError("no file to read");
        return;
    }
    const lopewell::FileIdentity identity { std::uint64_t(info.st_dev), std::uint64_t(info.st_ino), std::uint64_t(info.st_size),
        std::uint64_t(info.st_blocks) * 512 };
    lopewell::FileDigester digester;
    for (auto _ : state) {
        const lopewell::FileDigest result = digester.digest(g_file, identity, lopewell::FileDigester::wholeFile, [] { return false; });
        if (result.status != lopewell::FileDigestStatus::ok)
            state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * info.st_size);
}
BENCHMARK(digestLargeFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    g_file = argc > 1 ? argv[1] : "/tmp/lopewell-sha256-bench.bin";
    struct stat info {};
    if (argc <= 1 && ::stat(g_file.c_str(), &info) != 0) {
        std::ofstream out(g_file, std::ios::binary);
        std::string block(1 << 20, '\0');
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = char(i * 131 + 7);
        for (int i = 0; i < 256; ++i)
            out << block;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
