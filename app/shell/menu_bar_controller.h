// The tray readout's logic: samples the CPU (its own sampler) and the memory on its own
// cadence, drops from 1 s to 5 s after five minutes without user input, and publishes the
// figures the tray icon, its popover and its menu show. The Qt tray observes it.
//
//   MenuBarController controller(MenuBarController::systemEnvironment(executor, platform));
//   auto subscription = controller.observers().add([&] { redraw(controller); });
//   controller.start();   // first readout one second later
//   controller.stop();    // before release; never started again
//
// THREAD-SAFETY: lives on its executor's thread (all members, all callbacks). The memory
// reader and the input-idle function of its environment run on background threads.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/shell/launch.h"
#include "app/shell/popover_model.h"
#include "core/concurrency/change_observers.h"
#include "core/concurrency/clock.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/stream_task.h"
#include "core/monitoring/cpu_sampler.h"
#include "core/monitoring/memory_stats.h"

namespace lopewell {

// The three "Support development" addresses.
struct SupportLinks {
    std::string buyMeACoffee;
    std::string gitHubSponsors;
    std::string oneTimeTip;

    // The program's configured addresses.
    static SupportLinks configured();
};

enum class MenuAction { openMainWindow, openSupportURL, quit };

// One entry of the tray's context menu, built afresh for every right click.
struct MenuItem {
    enum class Kind { action, separator, submenu };

    Kind kind = Kind::action;
    std::string title;
    std::optional<MenuAction> action;
    std::string keyEquivalent;      // "q" for Quit, with the platform's command modifier
    std::string representedObject;  // the address, for openSupportURL
    std::vector<MenuItem> submenu;

    bool operator==(const MenuItem&) const = default;
};

// "Open Lopewell", separator, "Support development" ▸ three links, separator, "Quit Lopewell".
std::vector<MenuItem> statusMenu(const SupportLinks& links);

enum class MouseButton { left, right, other };

// A mouse-up on the tray icon; the tray reports only releases.
struct StatusClick {
    MouseButton button = MouseButton::left;
    bool controlHeld = false;
};

enum class StatusClickResponse { showMenu, showPopover, closePopover };

// Right button or Control held: the menu; otherwise the popover toggles. Nothing without an event.
std::optional<StatusClickResponse> statusClickResponse(std::optional<StatusClick> click, bool popoverShown);

class MenuBarController {
public:
    struct Environment {
        Executor& executor;
        Clock& clock;
        AppPlatform& platform;
        CPUSampler::Sources cpuSources;
        // Both run on background threads; absent = failed read / unknown idle time.
        std::function<std::optional<MemoryStats>()> readMemory;
        std::function<std::optional<double>()> secondsSinceLastInput;
        SupportLinks supportLinks;
    };

    static constexpr Duration fastInterval = std::chrono::seconds(1);
    static constexpr Duration slowInterval = std::chrono::seconds(5);
    static constexpr Duration idleCheckInterval = std::chrono::seconds(15);
    static constexpr double idleThresholdSeconds = 300.0;

    // The kernel's counters, the real memory reader and input-idle service, the continuous
    // clock and the configured support addresses.
    static Environment systemEnvironment(Executor& executor, AppPlatform& platform);

    explicit MenuBarController(Environment environment);
    ~MenuBarController();
    MenuBarController(const MenuBarController&) = delete;
    MenuBarController& operator=(const MenuBarController&) = delete;

    // Starts the CPU stream, the memory poll and the idle check. Once only: after stop() a
    // controller stays stopped.
    void start();
    // Cancels the three tasks and waits for their threads; no callback runs afterwards.
    void stop();
    bool isRunning() const { return m_state == State::running; }

    // Published; observers hear of every change.
    double cpuOverall() const { return m_cpuOverall; }
    const std::vector<double>& cpuPerCore() const { return m_cpuPerCore; }
    const std::optional<MemoryStats>& memory() const { return m_memory; }
    bool isSlowMode() const { return m_slowMode; }
    ChangeObservers& observers() { return m_observers; }

    // The tray text; absent until the first sample after start() and after stop().
    const std::optional<ReadoutTitle>& readout() const { return m_readout; }
    PopoverContent popover() const;
    std::vector<MenuItem> menu() const;

    void perform(const MenuItem& item);
    void openMainWindow();
    void openSupportURL(std::string_view url);
    void quit();

private:
    enum class State { created, running, stopped };

    void restartSampling();
    void restartMemoryPoll();
    void startIdleCheck();
    void apply(const CPUSample& sample);
    void applyIdle(std::optional<double> seconds);
    Duration interval() const { return m_slowMode ? slowInterval : fastInterval; }
    void assertOnExecutor() const;

    Environment m_environment;
    State m_state = State::created;
    double m_cpuOverall = 0.0;
    std::vector<double> m_cpuPerCore;
    std::optional<MemoryStats> m_memory;
    std::optional<ReadoutTitle> m_readout;
    bool m_slowMode = false;
    ChangeObservers m_observers;
    // Declared before the tasks: its streams must end before it goes.
    std::unique_ptr<CPUSampler> m_sampler;
    StreamTask<CPUSample> m_sampleTask;
    StreamTask<std::optional<MemoryStats>> m_memoryPollTask;
    StreamTask<std::optional<double>> m_idleCheckTask;
};

}  // namespace lopewell
