#include "app/processes/processes_view_model.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <utility>

#include "core/concurrency/periodic_stream.h"
#include "core/format/byte_count_formatter.h"
#include "platform/continuous_clock.h"

namespace lopewell {

const std::vector<ProcessColumn>& processColumns()
{
    static const std::vector<ProcessColumn> columns {
        { "Name", ProcessSortKey::name, 160, 220 },
        { "PID", ProcessSortKey::pid, 60, 70 },
        { "User", ProcessSortKey::user, 70, 90 },
        { "CPU %", ProcessSortKey::cpu, 70, 80 },
        { "Memory", ProcessSortKey::memory, 80, 100 },
        { "Threads", ProcessSortKey::threads, 60, 70 },
    };
    return columns;
}

std::string processCellText(const RunningProcess& process, ProcessSortKey key)
{
    switch (key) {
    case ProcessSortKey::name:
        return process.name;
    case ProcessSortKey::pid:
        return std::to_string(process.pid);
    case ProcessSortKey::user:
        return process.user;
    case ProcessSortKey::cpu: {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", process.cpuPercent);
        return text;
    }
    case ProcessSortKey::memory:
        return formatByteCount(process.memoryBytes, ByteCountStyle::memory);
    case ProcessSortKey::threads:
        return std::to_string(process.threadCount);
    }
    return {};
}

std::optional<int32_t> contextMenuTarget(const std::set<int32_t>& pids)
{
    if (pids.empty() || *pids.begin() < 1)
        return std::nullopt;
    return *pids.begin();
}

ProcessesViewModel::Environment ProcessesViewModel::systemEnvironment(Executor& executor)
{
    return Environment { executor, ContinuousClock::shared(), ProcessSampler::systemSource(), lopewell::sendSignal };
}

ProcessesViewModel::ProcessesViewModel(Environment environment)
    : m_environment(std::move(environment))
    , m_sampler(std::make_shared<ProcessSampler>(m_environment.source))
{
}

ProcessesViewModel::~ProcessesViewModel()
{
    m_sampleTask.cancel();
}

void ProcessesViewModel::start()
{
    if (m_isSampling)
        return;
    m_isSampling = true;
    m_sampleTask = StreamTask<std::vector<RunningProcess>>(m_environment.executor,
        periodicStream<std::vector<RunningProcess>>(
            m_environment.clock, sampleInterval, [sampler = m_sampler] { return sampler->sample(); }),
        [this](std::vector<RunningProcess> rows) { apply(std::move(rows)); });
    m_observers.notify();
}

void ProcessesViewModel::stop()
{
    if (!m_isSampling)
        return;
    m_sampleTask.cancel();
    m_isSampling = false;
    m_observers.notify();
}

void ProcessesViewModel::apply(std::vector<RunningProcess> rows)
{
    m_processes = std::move(rows);
    m_observers.notify();
}

void ProcessesViewModel::setSearchText(std::string text)
{
    m_searchText = std::move(text);
    m_observers.notify();
}

void ProcessesViewModel::setSortOrder(ProcessSortOrder order)
{
    m_sortOrder = order;
    m_observers.notify();
}

std::vector<RunningProcess> ProcessesViewModel::visibleProcesses() const
{
    return lopewell::visibleProcesses(m_processes, m_searchText, m_sortOrder.key, m_sortOrder.ascending);
}

std::string ProcessesViewModel::rowCountText() const
{
    return std::to_string(visibleProcesses().size()) + " of " + std::to_string(m_processes.size()) + " processes";
}

std::optional<ProcessDetail> ProcessesViewModel::detail(const std::set<int32_t>& selection) const
{
    for (int32_t pid : selection) {
        auto found = std::find_if(m_processes.begin(), m_processes.end(), [pid](const auto& p) { return p.pid == pid; });
        if (found == m_processes.end())
            continue;
        return ProcessDetail {
            found->name,
            "PID " + std::to_string(found->pid),
            {
                { "Parent", std::to_string(found->parentPID) },
                { "User", found->user },
                { "Threads", std::to_string(found->threadCount) },
                { "Memory", formatByteCount(found->memoryBytes, ByteCountStyle::memory) },
                { "Path", found->path.value_or("(no path)") },
            },
        };
    }
    return std::nullopt;
}

void ProcessesViewModel::requestSignal(ProcessSignal signal, const std::set<int32_t>& menuPids)
{
    auto pid = contextMenuTarget(menuPids);
    if (!pid)
        return;
    auto found = std::find_if(m_processes.begin(), m_processes.end(), [&](const auto& p) { return p.pid == *pid; });
    if (found == m_processes.end())
        return;
    const std::string name = found->name.empty() ? "process" : found->name;
    const std::string pidText = std::to_string(found->pid);
    SignalConfirmation confirmation { *found, signal, {}, {}, {}, "Cancel" };
    if (signal == ProcessSignal::quit) {
        confirmation.title = "Quit " + name + "?";
        confirmation.message = "Sends SIGTERM to PID " + pidText + ". The process gets a chance to save state and exit cleanly.";
        confirmation.confirmButton = "Quit";
    } else {
        confirmation.title = "Force quit " + name + "?";
        confirmation.message = "Sends SIGKILL to PID " + pidText + ". The process won't get a chance to save state.";
        confirmation.confirmButton = "Force Quit";
    }
    m_pending = std::move(confirmation);
    m_observers.notify();
}

bool ProcessesViewModel::confirmPending()
{
    if (!m_pending)
        return false;
    auto pending = std::move(*m_pending);
    m_pending.reset();
    const bool sent = signal(pending.signal, pending.process.pid);
    m_observers.notify();
    return sent;
}

void ProcessesViewModel::cancelPending()
{
    if (!m_pending)
        return;
    m_pending.reset();
    m_observers.notify();
}

bool ProcessesViewModel::signal(ProcessSignal signal, int32_t pid)
{
    // Checked here as well as in the sender: an injected sender must never see pid 0 or -1.
    if (pid < 1) {
        m_lastError = "kernel_task is the macOS kernel itself — it's not user-killable.";
        m_observers.notify();
        return false;
    }
    auto sent = m_environment.sendSignal(signal, pid);
    if (sent)
        return true;
    m_lastError = sent.error().message;
    m_observers.notify();
    return false;
}

void ProcessesViewModel::clearError()
{
    if (!m_lastError)
        return;
    m_lastError.reset();
    m_observers.notify();
}

}  // namespace lopewell
