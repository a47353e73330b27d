#include "core/benchmark/benchmark_run.h"

size_t std::hash<lopewell::BenchmarkRun>::operator()(const lopewell::BenchmarkRun& run) const noexcept
{
    // boost::hash_combine's mixing step; equal runs hash alike (std::hash<double> maps -0.0 and 0.0 together).
    size_t seed = 0;
    auto combine = [&seed](size_t value) { seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
    combine(std::hash<int> {}(static_cast<int>(run.kind)));
    combine(std::hash<lopewell::Date::rep> {}(run.timestamp.time_since_epoch().count()));
    combine(std::hash<double> {}(run.score));
    combine(std::hash<double> {}(run.elapsed));
    combine(std::hash<double> {}(run.auxiliary));
    combine(std::hash<int64_t> {}(run.thermalRaw));
    combine(std::hash<std::string> {}(run.deviceIdentifier));
    return seed;
}
