#include "app/screenshots/screen_fixtures.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace lopewell {

namespace {

using namespace std::chrono_literals;

constexpr uint64_t MiB = uint64_t(1) << 20;
constexpr uint64_t GiB = uint64_t(1) << 30;

struct FixtureProcess {
    int32_t pid;
    int32_t parentPID;
    uint32_t uid;
    const char* name;
    const char* path;  // nullptr: the kernel refused the link
    double cpuPercent;
    uint64_t residentBytes;
    int64_t threadCount;
};

constexpr FixtureProcess fixtureProcesses[] = {
    { 1, 0, 0, "systemd", "/usr/lib/systemd/systemd", 0.1, 14 * MiB, 1 },
    { 412, 1, 0, "systemd-journal", "/usr/lib/systemd/systemd-journald", 0.3, 48 * MiB, 1 },
    { 733, 1, 0, "NetworkManager", "/usr/sbin/NetworkManager", 0.2, 21 * MiB, 3 },
    { 1187, 1, 1000, "gnome-shell", "/usr/bin/gnome-shell", 14.6, 412 * MiB, 24 },
    { 1203, 1187, 1000, "Xwayland", "/usr/bin/Xwayland", 3.2, 96 * MiB, 9 },
    { 2240, 1, 1000, "firefox-esr", "/usr/lib/firefox-esr/firefox-esr", 37.9, 1536 * MiB, 112 },
    { 2301, 2240, 1000, "Web Content", "/usr/lib/firefox-esr/firefox-esr", 21.4, 620 * MiB, 31 },
    { 2388, 2240, 1000, "Isolated Web Co", "/usr/lib/firefox-esr/firefox-esr", 6.8, 305 * MiB, 27 },
    { 3015, 1, 1000, "code", "/usr/share/code/code", 9.5, 870 * MiB, 38 },
    { 3120, 3015, 1000, "rust-analyzer", "/home/alex/.cargo/bin/rust-analyzer", 102.7, 2 * GiB + 200 * MiB, 16 },
    { 3511, 1, 1000, "pipewire", "/usr/bin/pipewire", 1.1, 18 * MiB, 3 },
    { 4096, 1, 33, "nginx", nullptr, 0.0, 9 * MiB, 1 },
    { 4480, 3015, 1000, "cargo", "/home/alex/.cargo/bin/cargo", 0.4, 64 * MiB, 8 },
    { 5012, 1, 1001, "postgres", nullptr, 2.6, 180 * MiB, 1 },
    { 6650, 1187, 1000, "gnome-terminal-", "/usr/libexec/gnome-terminal-server", 0.8, 77 * MiB, 5 },
};

ProcessSampler::Source processSource()
{
    auto reads = std::make_shared<std::atomic<int>>(0);
    ProcessSampler::Source source;
    // Two seconds between samples, whoever samples.
    source.uptimeSeconds = [reads] { return 5000.0 + 2.0 * reads->load(); };
    source.readProcesses = [reads] {
        const int pass = ++*reads;
        std::vector<ProcessSampler::ProcessReading> rows;
        for (const FixtureProcess& p : fixtureProcesses) {
            rows.push_back(ProcessSampler::ProcessReading {
                .pid = p.pid,
                .parentPID = p.parentPID,
                .uid = p.uid,
                .name = p.name,
                .path = p.path ? std::optional<std::string>(p.path) : std::nullopt,
                // cpuPercent of two seconds per pass, in nanoseconds.
                .cpuTimeNanoseconds = uint64_t(pass) * uint64_t(p.cpuPercent * 2e7),
                .residentBytes = p.residentBytes,
                .threadCount = p.threadCount,
            });
        }
        return rows;
    };
    auto hostReads = std::make_shared<std::atomic<uint32_t>>(0);
    source.readHostTicks = [hostReads] {
        const uint32_t pass = ++*hostReads;
        // Three tenths of eight processors busy: 240 %, some 38 % more than the listed rows use.
        return std::optional<std::vector<CPUTicks>>(std::vector<CPUTicks>(8, CPUTicks { pass * 25, pass * 5, pass * 70, 0 }));
    };
    source.activeProcessorCount = [] { return 8; };
    source.lookupUserName = [](uint32_t uid) -> std::optional<std::string> {
        switch (uid) {
        case 0:
            return "root";
        case 33:
            return "www-data";
        case 1000:
            return "alex";
        default:
            return std::nullopt;
        }
    };
    source.ownPid = 0;
    return source;
}

CPUSampler::Sources cpuSources()
{
    auto reads = std::make_shared<std::atomic<uint32_t>>(0);
    return CPUSampler::Sources {
        .readTicks =
            [reads] {
                static constexpr uint32_t busy[] = { 82, 35, 61, 12, 47, 93, 28, 55 };
                const uint32_t pass = ++*reads;
                std::vector<CPUTicks> ticks;
                for (uint32_t b : busy)
                    ticks.push_back(CPUTicks { pass * b, 0, pass * (100 - b), 0 });
                return std::optional<std::vector<CPUTicks>>(std::move(ticks));
            },
        .readThermalState = [] { return ThermalState::nominal; },
    };
}

DashboardViewModel::Environment dashboardEnvironment(Executor& executor, Clock& clock)
{
    return DashboardViewModel::Environment {
        .executor = executor,
        .clock = clock,
        .cpuSources = cpuSources(),
        .processSource = processSource(),
        .readMemory =
            [] {
                return std::optional<MemoryStats>(MemoryStats { .active = 7 * GiB,
                    .inactive = 3 * GiB,
                    .free = 2 * GiB,
                    .wired = 2 * GiB + GiB / 2,
                    .compressed = GiB,
                    .total = 16 * GiB,
                    .appResident = 48 * MiB });
            },
        .readGPU =
            [] {
                GPUInfo gpu;
                gpu.name = "AMD Radeon RX 7600 XT Graphics (RADV NAVI33)";
                gpu.family = "Unknown / Vulkan 1.3";
                gpu.recommendedMaxWorkingSet = 8 * GiB;
                gpu.unifiedMemory = false;
                gpu.currentAllocated = 64 * MiB;
                return std::optional<GPUInfo>(gpu);
            },
        .openSupportSettings = [] {},
    };
}

}  // namespace

ProcessScreenFixture::ProcessScreenFixture()
{
    m_dashboard = std::make_unique<DashboardViewModel>(dashboardEnvironment(m_executor, m_clock));
    m_processes = std::make_unique<ProcessesViewModel>(ProcessesViewModel::Environment {
        m_executor, m_clock, processSource(), [](ProcessSignal, int32_t) -> ErrorOr<void> { return {}; } });
    m_waitingDashboard = std::make_unique<DashboardViewModel>(dashboardEnvironment(m_executor, m_clock));
}

void ProcessScreenFixture::sample()
{
    // Four loops park on the clock: the dashboard's CPU, memory and processes, and the table's.
    auto settle = [this] {
        m_clock.waitForSleepers(4);
        m_executor.runUntilIdle();
    };
    m_dashboard->start();
    m_processes->start();
    settle();
    m_clock.advance(1s);
    settle();
    m_clock.advance(1s);
    settle();
    while (!m_dashboard->gpu()) {
        m_executor.runUntilIdle();
        std::this_thread::yield();
    }
    m_dashboard->stop();
    m_processes->stop();
    m_executor.runUntilIdle();
}

ProcessScreenFixture::~ProcessScreenFixture() = default;

}  // namespace lopewell
