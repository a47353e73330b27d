#include "core/monitoring/cpu_sampler.h"

#include "core/concurrency/periodic_stream.h"

namespace lopewell {

CPUSampler::CPUSampler(Sources sources) : m_sources(std::move(sources)) {}

std::optional<CPUSample> CPUSampler::sample()
{
    std::lock_guard lock(m_mutex);
    std::optional<std::vector<CPUTicks>> current = m_sources.readTicks();
    if (!current || current->empty())
        return std::nullopt;

    std::optional<CPUSample> result;
    if (m_previous) {
        CPUSample sample;
        sample.id = Uuid::random();
        sample.perCoreLoad = perCoreLoads(*m_previous, *current);
        sample.overallLoad = overallLoad(sample.perCoreLoad);
        sample.thermalState = m_sources.readThermalState ? m_sources.readThermalState() : ThermalState::nominal;
        sample.timestamp = std::chrono::system_clock::now();
        result = std::move(sample);
    }
    m_previous = std::move(current);
    return result;
}

Stream<CPUSample> CPUSampler::stream(Duration interval, Clock& clock)
{
    return periodicStream<CPUSample>(clock, interval, [this] { return sample(); });
}

}  // namespace lopewell
