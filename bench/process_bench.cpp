// What the dashboard and the process table each pay every two seconds: one sample() over every
// process of this machine, user names already cached as they are after the first call.
// Target: at most a quarter of the CPU time `ps -eo pid,ppid,user,pcpu,rss,nlwp,comm` spends on
// the same processes; bench/compare_ps.sh runs both with ~500 extra processes.
//
//   build/bench/process_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include "app/common/process_sampler.h"
#include "platform/process_list.h"

using namespace lopewell;

static void BM_SampleAllProcesses(benchmark::State& state)
{
    ProcessSampler sampler(ProcessSampler::systemSource());
    size_t rows = sampler.sample().size();
    for (auto _ : state) {
        auto sample = sampler.sample();
        rows = sample.size();
        benchmark::DoNotOptimize(sample);
    }
    state.counters["processes"] = double(rows);
}
BENCHMARK(BM_SampleAllProcesses)->Unit(benchmark::kMillisecond);

// The /proc reading alone, without the table's arithmetic and user names.
static void BM_ReadProcessList(benchmark::State& state)
{
    ProcessList list;
    for (auto _ : state)
        benchmark::DoNotOptimize(list.read());
}
BENCHMARK(BM_ReadProcessList)->Unit(benchmark::kMillisecond);
