// The Dashboard section's logic: CPU overall and per core (1 s), memory (1 s), the GPU read once,
// and the five busiest processes (2 s), each from the model's own samplers, with the card texts
// the Qt view draws.
//
//   DashboardViewModel model(DashboardViewModel::systemEnvironment(executor, openSupportSettings));
//   model.start();   // main window shown; first CPU figures one second later
//   model.stop();    // window closed; the values stay until fresh ones arrive
//
// THREAD-SAFETY: lives on its executor's thread; reads run on background threads.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/common/process_sampler.h"
#include "app/common/running_process.h"
#include "core/concurrency/background_task.h"
#include "core/concurrency/change_observers.h"
#include "core/concurrency/clock.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/stream_task.h"
#include "core/monitoring/cpu_sampler.h"
#include "core/monitoring/gpu_info.h"
#include "core/monitoring/memory_stats.h"
#include "core/presentation/load_colors.h"

namespace lopewell {

inline constexpr std::string_view samplingText = "Sampling…";

struct DashboardRow {
    std::string title;
    std::string value;
    bool operator==(const DashboardRow&) const = default;
};

struct MemoryCard {
    std::string title;                  // "Memory"
    std::string usedPercent;            // "62%"
    std::string pressureLabel;          // "Low pressure", ...
    LoadBand pressureBand;              // low → palette green, middle → palette amber, high → system red
    std::vector<DashboardRow> rows;     // Used, Wired, Compressed, Free
    double usedFraction = 0;            // 0 to 1, for the bar
    LoadBand usedBand = LoadBand::low;  // the shared memory scale
};

struct GPUCard {
    std::string name;
    std::vector<DashboardRow> rows;  // Family, Memory, Max working set, App allocated
};

// One row of the top-processes table: Process, PID, CPU %, Memory.
struct TopProcessRow {
    std::string name;
    std::string pid;
    std::string cpu;
    std::string memory;
    bool operator==(const TopProcessRow&) const = default;
};

inline constexpr std::string_view topProcessesTitle = "Top processes";
inline constexpr std::string_view topProcessesCaption = "by CPU · refreshed every 2 s";
inline constexpr std::string_view supportCardTitle = "Support development";
inline constexpr std::string_view supportButtonHelp = "Opens Settings → Support";
inline constexpr std::string_view supportButtonTitle = "Open Support Settings";
inline constexpr std::string_view cpuCardTitle = "CPU";
inline constexpr std::string_view gpuCardTitle = "GPU";
const std::vector<std::string_view>& topProcessColumns();

// "37%": truncated, never negative.
std::string wholePercentText(double fraction);
// Highest CPU first, ties in the sampler's order; at most five.
std::vector<RunningProcess> topFiveByCPU(std::vector<RunningProcess> rows);

class DashboardViewModel {
public:
    struct Environment {
        Executor& executor;
        Clock& clock;
        CPUSampler::Sources cpuSources;
        ProcessSampler::Source processSource;
        // Run on background threads; absent = failed read / no GPU.
        std::function<std::optional<MemoryStats>()> readMemory;
        std::function<std::optional<GPUInfo>()> readGPU;
        // Opens Settings on its Support tab; the shell that owns Settings knows how.
        std::function<void()> openSupportSettings;
    };

    static constexpr Duration cpuInterval = std::chrono::seconds(1);
    static constexpr Duration memoryInterval = std::chrono::seconds(1);
    static constexpr Duration processInterval = std::chrono::seconds(2);

    static Environment systemEnvironment(Executor& executor, std::function<void()> openSupportSettings);

    explicit DashboardViewModel(Environment environment);
    ~DashboardViewModel();
    DashboardViewModel(const DashboardViewModel&) = delete;
    DashboardViewModel& operator=(const DashboardViewModel&) = delete;

    // Idempotent; a stopped model can start again. The GPU is read once per model.
    void start();
    void stop();
    bool isRunning() const { return m_running; }

    // Published; observers hear of every change.
    double cpuOverall() const { return m_cpuOverall; }
    const std::vector<double>& cpuPerCore() const { return m_cpuPerCore; }
    const std::optional<MemoryStats>& memory() const { return m_memory; }
    const std::optional<GPUInfo>& gpu() const { return m_gpu; }
    const std::vector<RunningProcess>& topProcesses() const { return m_topProcesses; }
    ChangeObservers& observers() { return m_observers; }

    // Card contents; absent / empty means show samplingText (the GPU card shows nothing).
    std::optional<std::string> cpuOverallText() const;
    std::vector<DashboardRow> coreRows() const;  // "Core 1", "37%"
    std::optional<MemoryCard> memoryCard() const;
    std::optional<GPUCard> gpuCard() const;
    std::vector<TopProcessRow> topProcessRows() const;

    // The support card's button.
    void openSupportSettings();

private:
    Environment m_environment;
    bool m_running = false;
    bool m_gpuRequested = false;
    double m_cpuOverall = 0.0;
    std::vector<double> m_cpuPerCore;
    std::optional<MemoryStats> m_memory;
    std::optional<GPUInfo> m_gpu;
    std::vector<RunningProcess> m_topProcesses;
    ChangeObservers m_observers;
    std::shared_ptr<ProcessSampler> m_processSampler;
    // Declared before the tasks: its streams must end before it goes.
    std::unique_ptr<CPUSampler> m_cpuSampler;
    StreamTask<CPUSample> m_cpuTask;
    StreamTask<std::optional<MemoryStats>> m_memoryTask;
    StreamTask<std::vector<RunningProcess>> m_processTask;
    BackgroundTask<std::optional<GPUInfo>> m_gpuTask;
};

}  // namespace lopewell
