// What the tray readout pays every second: one CPU sample and one memory snapshot.
// Target: at most 50 µs of CPU time for the pair.
//
//   build/bench/monitoring_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include "platform/memory_reader.h"
#include "platform/system_counters.h"

using namespace lopewell;

static void BM_TrayTick(benchmark::State& state)
{
    CPUSampler sampler(systemCPUSources());
    (void)sampler.sample();
    for (auto _ : state) {
        benchmark::DoNotOptimize(sampler.sample());
        benchmark::DoNotOptimize(MemoryReader::read());
    }
}
BENCHMARK(BM_TrayTick);

static void BM_CPUSample(benchmark::State& state)
{
    CPUSampler sampler(systemCPUSources());
    (void)sampler.sample();
    for (auto _ : state)
        benchmark::DoNotOptimize(sampler.sample());
}
BENCHMARK(BM_CPUSample);

static void BM_MemoryRead(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(MemoryReader::read());
}
BENCHMARK(BM_MemoryRead);
