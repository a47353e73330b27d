#include "app/shell/menu_bar_controller.h"

#include <cassert>
#include <utility>

#include "app/shell/app_configuration.h"
#include "core/concurrency/periodic_stream.h"
#include "platform/continuous_clock.h"
#include "platform/input_idle.h"
#include "platform/memory_reader.h"
#include "platform/system_counters.h"

namespace lopewell {

std::vector<MenuItem> statusMenu(const SupportLinks& links)
{
    auto link = [](std::string title, std::string url) {
        return MenuItem { MenuItem::Kind::action, std::move(title), MenuAction::openSupportURL, {}, std::move(url), {} };
    };
    const MenuItem separator { MenuItem::Kind::separator, {}, std::nullopt, {}, {}, {} };
    return {
        MenuItem { MenuItem::Kind::action, "Open Lopewell", MenuAction::openMainWindow, {}, {}, {} },
        separator,
        MenuItem { MenuItem::Kind::submenu, "Support development", std::nullopt, {}, {},
            {
                link("Buy me a coffee", links.buyMeACoffee),
                link("GitHub Sponsors", links.gitHubSponsors),
                link("One-time tip", links.oneTimeTip),
            } },
        separator,
        MenuItem { MenuItem::Kind::action, "Quit Lopewell", MenuAction::quit, "q", {}, {} },
    };
}

std::optional<StatusClickResponse> statusClickResponse(std::optional<StatusClick> click, bool popoverShown)
{
    if (!click)
        return std::nullopt;
    if (click->button == MouseButton::right || click->controlHeld)
        return StatusClickResponse::showMenu;
    return popoverShown ? StatusClickResponse::closePopover : StatusClickResponse::showPopover;
}

SupportLinks SupportLinks::configured()
{
    return {
        std::string(configuration::buyMeACoffeeURL),
        std::string(configuration::gitHubSponsorsURL),
        std::string(configuration::directTipURL),
    };
}

MenuBarController::Environment MenuBarController::systemEnvironment(Executor& executor, AppPlatform& platform)
{
    return Environment {
        .executor = executor,
        .clock = ContinuousClock::shared(),
        .platform = platform,
        .cpuSources = systemCPUSources(),
        .readMemory = MemoryReader::poller(),
        .secondsSinceLastInput = [] { return secondsSinceLastInput(); },
        .supportLinks = SupportLinks::configured(),
    };
}

MenuBarController::MenuBarController(Environment environment)
    : m_environment(std::move(environment))
    , m_sampler(std::make_unique<CPUSampler>(m_environment.cpuSources))
{
}

MenuBarController::~MenuBarController()
{
    stop();
}

void MenuBarController::assertOnExecutor() const
{
    assert(m_environment.executor.isCurrent());
}

void MenuBarController::start()
{
    assertOnExecutor();
    if (m_state != State::created)
        return;
    m_state = State::running;
    restartSampling();
    restartMemoryPoll();
    startIdleCheck();
    m_observers.notify();
}

void MenuBarController::stop()
{
    assertOnExecutor();
    if (m_state == State::stopped)
        return;
    const bool wasRunning = m_state == State::running;
    m_state = State::stopped;
    m_sampleTask.cancel();
    m_memoryPollTask.cancel();
    m_idleCheckTask.cancel();
    if (wasRunning) {
        m_readout.reset();
        m_observers.notify();
    }
}

void MenuBarController::restartSampling()
{
    m_sampleTask.cancel();
    // The sampler lives as long as the controller, so a restarted stream delivers its first
    // sample at once, against the previous stream's last read.
    m_sampleTask = StreamTask<CPUSample>(
        m_environment.executor, m_sampler->stream(interval(), m_environment.clock), [this](CPUSample sample) { apply(sample); });
}

void MenuBarController::restartMemoryPoll()
{
    m_memoryPollTask.cancel();
    m_memoryPollTask = StreamTask<std::optional<MemoryStats>>(m_environment.executor,
        periodicStream<std::optional<MemoryStats>>(
            m_environment.clock, interval(), [read = m_environment.readMemory] { return read ? read() : std::nullopt; }),
        [this](std::optional<MemoryStats> memory) {
            m_memory = memory;
            m_observers.notify();
        });
}

void MenuBarController::startIdleCheck()
{
    m_idleCheckTask.cancel();
    m_idleCheckTask = StreamTask<std::optional<double>>(m_environment.executor,
        periodicStream<std::optional<double>>(
            m_environment.clock, idleCheckInterval, [idle = m_environment.secondsSinceLastInput] { return idle ? idle() : std::nullopt; },
            FirstValue::afterInterval),
        [this](std::optional<double> seconds) { applyIdle(seconds); });
}

void MenuBarController::apply(const CPUSample& sample)
{
    m_cpuOverall = sample.overallLoad;
    m_cpuPerCore = sample.perCoreLoad;
    m_readout = readoutTitle(m_cpuOverall);
    m_observers.notify();
}

void MenuBarController::applyIdle(std::optional<double> seconds)
{
    // Unknown is never idle: a desktop that does not say must not slow the readout down.
    const bool idle = seconds && *seconds > idleThresholdSeconds;
    if (idle == m_slowMode)
        return;
    m_slowMode = idle;
    restartSampling();
    restartMemoryPoll();
    m_observers.notify();
}

PopoverContent MenuBarController::popover() const
{
    return popoverContent(m_cpuOverall, m_cpuPerCore, m_memory);
}

std::vector<MenuItem> MenuBarController::menu() const
{
    return statusMenu(m_environment.supportLinks);
}

void MenuBarController::perform(const MenuItem& item)
{
    assertOnExecutor();
    if (item.kind != MenuItem::Kind::action || !item.action)
        return;
    switch (*item.action) {
    case MenuAction::openMainWindow:
        openMainWindow();
        break;
    case MenuAction::openSupportURL:
        openSupportURL(item.representedObject);
        break;
    case MenuAction::quit:
        quit();
        break;
    }
}

void MenuBarController::openMainWindow()
{
    assertOnExecutor();
    m_environment.platform.activateIgnoringOtherApps();
    bringForwardMainWindow(m_environment.platform);
}

void MenuBarController::openSupportURL(std::string_view url)
{
    assertOnExecutor();
    if (isOpenableURL(url))
        m_environment.platform.openURL(url);
}

void MenuBarController::quit()
{
    assertOnExecutor();
    m_environment.platform.terminate();
}

}  // namespace lopewell
