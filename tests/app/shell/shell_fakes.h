// Stand-ins for the machine and the windowing layer behind the tray readout's tests: counters
// whose load the test sets, a memory reader and an idle source it scripts, and a platform that
// records what it was asked to do.
#pragma once

#include <atomic>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/shell/menu_bar_controller.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/fake_clock.h"

namespace lopewell::fakes {

class RecordingPlatform final : public AppPlatform {
public:
    std::vector<AppWindow> windowList;
    std::vector<std::string> calls;  // in order: "hide", "activate", "front 2", "open <url>", "terminate"

    void hideFromTaskbar() override { calls.push_back("hide"); }
    void activateIgnoringOtherApps() override { calls.push_back("activate"); }
    std::vector<AppWindow> windows() const override { return windowList; }
    void makeKeyAndOrderFront(std::uintptr_t id) override { calls.push_back("front " + std::to_string(id)); }
    void openURL(std::string_view url) override { calls.push_back("open " + std::string(url)); }
    void terminate() override { calls.push_back("terminate"); }
};

// Read from the samplers' threads while the test sets values between steps.
class FakeMachine {
public:
    static constexpr uint32_t ticksPerRead = 10000;

    std::atomic<double> load { 0.25 };  // of both cores, per read
    std::atomic<bool> cpuFails { false };
    std::atomic<bool> memoryFails { false };
    std::atomic<int> cpuReads { 0 };
    std::atomic<int> memoryReads { 0 };
    std::atomic<int> idleQueries { 0 };

    void setIdle(std::optional<double> seconds)
    {
        std::lock_guard lock(m_mutex);
        m_idle = seconds;
    }

    MenuBarController::Environment environment(Executor& executor, Clock& clock, AppPlatform& platform)
    {
        return {
            .executor = executor,
            .clock = clock,
            .platform = platform,
            .cpuSources = { .readTicks = [this] { return readTicks(); }, .readThermalState = {} },
            .readMemory = [this]() -> std::optional<MemoryStats> {
                ++memoryReads;
                if (memoryFails)
                    return std::nullopt;
                return MemoryStats { .active = 4ull << 30, .total = 16ull << 30 };
            },
            .secondsSinceLastInput =
                [this] {
                    ++idleQueries;
                    std::lock_guard lock(m_mutex);
                    return m_idle;
                },
            .supportLinks = { "https://coffee.example/lopewell", "https://sponsors.example/lopewell", "not a url" },
        };
    }

private:
    std::optional<std::vector<CPUTicks>> readTicks()
    {
        ++cpuReads;
        if (cpuFails)
            return std::nullopt;
        std::lock_guard lock(m_mutex);
        const auto busy = uint32_t(load * ticksPerRead + 0.5);
        for (CPUTicks& core : m_ticks) {
            core.user += busy;
            core.idle += ticksPerRead - busy;
        }
        return m_ticks;
    }

    std::mutex m_mutex;
    std::optional<double> m_idle;
    std::vector<CPUTicks> m_ticks = std::vector<CPUTicks>(2);
};

// The threads of this process. ThreadSanitizer's runtime adds a thread of its own when the
// program first creates one; a thread is made and joined before the first count so that
// every count includes it.
inline size_t threadCount()
{
    static const bool runtimeThreadsStarted = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)runtimeThreadsStarted;
    return size_t(std::distance(std::filesystem::directory_iterator("/proc/self/task"), std::filesystem::directory_iterator()));
}

// A menu bar controller over fakes. Its three loops (CPU, memory, idle check) park on the fake
// clock between steps, so a test moves time and then delivers what they produced.
struct ControllerOnFakes {
    ManualExecutor executor;
    FakeClock clock;
    RecordingPlatform platform;
    FakeMachine machine;
    MenuBarController controller { machine.environment(executor, clock, platform) };

    // Every loop has produced and gone back to sleep; their values are applied.
    void settle()
    {
        clock.waitForSleepers(3);
        executor.runUntilIdle();
    }

    void step(Duration duration)
    {
        clock.advance(duration);
        settle();
    }
};

}  // namespace lopewell::fakes
