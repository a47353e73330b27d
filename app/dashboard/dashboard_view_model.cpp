#include "app/dashboard/dashboard_view_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "core/concurrency/periodic_stream.h"
#include "core/format/byte_count_formatter.h"
#include "platform/continuous_clock.h"
#include "platform/gpu_info_service.h"
#include "platform/memory_reader.h"
#include "platform/system_counters.h"

namespace lopewell {

const std::vector<std::string_view>& topProcessColumns()
{
    static const std::vector<std::string_view> columns { "Process", "PID", "CPU %", "Memory" };
    return columns;
}

std::string wholePercentText(double fraction)
{
    const double percent = fraction * 100.0;
    if (!std::isfinite(percent) || percent <= 0)
        return "0%";
    return std::to_string(static_cast<long long>(percent)) + "%";
}

std::vector<RunningProcess> topFiveByCPU(std::vector<RunningProcess> rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.cpuPercent > b.cpuPercent; });
    if (rows.size() > 5)
        rows.resize(5);
    return rows;
}

DashboardViewModel::Environment DashboardViewModel::systemEnvironment(Executor& executor, std::function<void()> openSupportSettings)
{
    return Environment {
        .executor = executor,
        .clock = ContinuousClock::shared(),
        .cpuSources = systemCPUSources(),
        .processSource = ProcessSampler::systemSource(),
        .readMemory = [] { return MemoryReader::read(); },
        .readGPU = [] { return GPUInfoService().info(); },
        .openSupportSettings = std::move(openSupportSettings),
    };
}

DashboardViewModel::DashboardViewModel(Environment environment)
    : m_environment(std::move(environment))
    , m_processSampler(std::make_shared<ProcessSampler>(m_environment.processSource))
    , m_cpuSampler(std::make_unique<CPUSampler>(m_environment.cpuSources))
{
}

DashboardViewModel::~DashboardViewModel()
{
    m_gpuTask.cancel();
    m_cpuTask.cancel();
    m_memoryTask.cancel();
    m_processTask.cancel();
}

void DashboardViewModel::start()
{
    if (m_running)
        return;
    m_running = true;

    if (!m_gpu && !m_gpuRequested && m_environment.readGPU) {
        m_gpuRequested = true;
        m_gpuTask = BackgroundTask<std::optional<GPUInfo>>(
            m_environment.executor, [read = m_environment.readGPU](std::stop_token) { return read(); },
            [this](std::optional<GPUInfo> gpu) {
                m_gpu = std::move(gpu);
                m_observers.notify();
            });
    }

    m_cpuTask
        = StreamTask<CPUSample>(m_environment.executor, m_cpuSampler->stream(cpuInterval, m_environment.clock), [this](CPUSample sample) {
              m_cpuOverall = sample.overallLoad;
              m_cpuPerCore = sample.perCoreLoad;
              m_observers.notify();
          });

    m_memoryTask = StreamTask<std::optional<MemoryStats>>(m_environment.executor,
        periodicStream<std::optional<MemoryStats>>(
            m_environment.clock, memoryInterval, [read = m_environment.readMemory] { return read ? read() : std::nullopt; }),
        [this](std::optional<MemoryStats> memory) {
            m_memory = memory;
            m_observers.notify();
        });

    m_processTask = StreamTask<std::vector<RunningProcess>>(m_environment.executor,
        periodicStream<std::vector<RunningProcess>>(
            m_environment.clock, processInterval, [sampler = m_processSampler] { return topFiveByCPU(sampler->sample()); }),
        [this](std::vector<RunningProcess> rows) {
            m_topProcesses = std::move(rows);
            m_observers.notify();
        });
}

void DashboardViewModel::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_cpuTask.cancel();
    m_memoryTask.cancel();
    m_processTask.cancel();
    // A GPU read still in flight is kept: its answer is wanted whenever it comes.
}

std::optional<std::string> DashboardViewModel::cpuOverallText() const
{
    if (m_cpuPerCore.empty())
        return std::nullopt;
    return wholePercentText(m_cpuOverall);
}

std::vector<DashboardRow> DashboardViewModel::coreRows() const
{
    std::vector<DashboardRow> rows;
    for (size_t i = 0; i < m_cpuPerCore.size(); ++i)
        rows.push_back({ "Core " + std::to_string(i + 1), wholePercentText(m_cpuPerCore[i]) });
    return rows;
}

std::optional<MemoryCard> DashboardViewModel::memoryCard() const
{
    if (!m_memory)
        return std::nullopt;
    const MemoryStats& m = *m_memory;
    const double used = m.total == 0 ? 0.0 : static_cast<double>(m.used()) / static_cast<double>(m.total);
    MemoryCard card { "Memory", wholePercentText(used), {}, LoadBand::low, {}, std::clamp(used, 0.0, 1.0), memoryBand(used) };
    switch (m.pressureLevel()) {
    case MemoryStats::PressureLevel::low:
        card.pressureLabel = "Low pressure";
        card.pressureBand = LoadBand::low;
        break;
    case MemoryStats::PressureLevel::moderate:
        card.pressureLabel = "Moderate pressure";
        card.pressureBand = LoadBand::middle;
        break;
    case MemoryStats::PressureLevel::high:
        card.pressureLabel = "High pressure";
        card.pressureBand = LoadBand::high;
        break;
    }
    auto bytes = [](uint64_t value) { return formatByteCount(value, ByteCountStyle::memory); };
    card.rows = {
        { "Used", bytes(m.used()) },
        { "Wired", bytes(m.wired) },
        { "Compressed", bytes(m.compressed) },
        { "Free", bytes(m.free) },
    };
    return card;
}

std::optional<GPUCard> DashboardViewModel::gpuCard() const
{
    if (!m_gpu)
        return std::nullopt;
    auto bytes = [](uint64_t value) { return formatByteCount(value, ByteCountStyle::memory); };
    return GPUCard {
        m_gpu->name,
        {
            { "Family", m_gpu->family },
            { "Memory", m_gpu->unifiedMemory ? "Unified" : "Discrete" },
            { "Max working set", bytes(m_gpu->recommendedMaxWorkingSet) },
            { "App allocated", bytes(m_gpu->currentAllocated) },
        },
    };
}

std::vector<TopProcessRow> DashboardViewModel::topProcessRows() const
{
    std::vector<TopProcessRow> rows;
    for (const auto& p : m_topProcesses) {
        char cpu[32];
        std::snprintf(cpu, sizeof cpu, "%.1f", p.cpuPercent);
        rows.push_back({ p.name, std::to_string(p.pid), cpu, formatByteCount(p.memoryBytes, ByteCountStyle::memory) });
    }
    return rows;
}

void DashboardViewModel::openSupportSettings()
{
    if (m_environment.openSupportSettings)
        m_environment.openSupportSettings();
}

}  // namespace lopewell
