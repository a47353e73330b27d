// Turns the kernel's cumulative per-CPU tick counters into CPUSamples. The first read only
// records the counters; every later read yields the load since the one before. Each consumer
// owns its own sampler, so each measures over its own interval.
//
//   CPUSampler sampler(systemCPUSources());          // platform/system_counters.h
//   Stream<CPUSample> samples = sampler.stream(seconds(1), ContinuousClock::shared());
//
// THREAD-SAFETY: one caller at a time is enforced by an internal lock; streams may run on
// their own threads. The sampler must outlive its streams.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "core/concurrency/clock.h"
#include "core/concurrency/stream.h"
#include "core/monitoring/cpu_sample.h"

namespace lopewell {

class CPUSampler {
public:
    struct Sources {
        // Absent when the kernel read failed or returned no processors.
        std::function<std::optional<std::vector<CPUTicks>>()> readTicks;
        std::function<ThermalState()> readThermalState;
    };

    explicit CPUSampler(Sources sources);
    CPUSampler(const CPUSampler&) = delete;
    CPUSampler& operator=(const CPUSampler&) = delete;

    // Nothing on the first successful read and on a failed one (which keeps the previous
    // reading); otherwise the load since the previous successful read.
    std::optional<CPUSample> sample();

    // Samples, then sleeps `interval` on `clock`, until the stream is dropped. A fresh
    // sampler's first value comes one interval after the start; a sampler that has read
    // before delivers at once, against its last reading.
    Stream<CPUSample> stream(Duration interval, Clock& clock);

private:
    Sources m_sources;
    std::mutex m_mutex;
    std::optional<std::vector<CPUTicks>> m_previous;
};

}  // namespace lopewell
