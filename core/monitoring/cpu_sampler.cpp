#include "core/monitoring/cpu_sampler.h"

namespace lopewell {

CPUSampler::CPUSampler(Sources sources)
    : m_sources(std::move(sources))
{
}

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
    return Stream<CPUSample>::start([this, interval, &clock](StreamProducer<CPUSample>& out) {
        while (!out.isStopRequested()) {
            if (auto value = sample())
                out.yield(std::move(*value));
            // An interrupted sleep goes back to the loop head, which ends on a stop request.
            clock.sleepFor(interval, out.stopToken());
        }
    });
}

}  // namespace lopewell
