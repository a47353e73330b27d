// The Processes section's logic: the process table refreshed every two seconds while the main
// window shows, its filter and column sort, quitting and force-quitting with confirmation, and
// every text the Qt view draws.
//
//   ProcessesViewModel model(ProcessesViewModel::systemEnvironment(executor));
//   auto subscription = model.observers().add([&] { reload(model.visibleProcesses()); });
//   model.start();   // window shown
//   model.stop();    // window closed; start() again later
//
// THREAD-SAFETY: lives on its executor's thread; the sampler runs on a background thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/common/process_sampler.h"
#include "app/common/running_process.h"
#include "app/processes/process_signals.h"
#include "app/processes/process_table.h"
#include "core/base/error_or.h"
#include "core/concurrency/change_observers.h"
#include "core/concurrency/clock.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/stream_task.h"

namespace lopewell {

struct ProcessColumn {
    std::string_view title;
    ProcessSortKey key;
    int minWidth;
    int idealWidth;
};

// Name, PID, User, CPU %, Memory, Threads.
const std::vector<ProcessColumn>& processColumns();
// "%.1f" CPU, memory-style byte count, decimal numbers.
std::string processCellText(const RunningProcess& process, ProcessSortKey key);

struct ProcessSortOrder {
    ProcessSortKey key = ProcessSortKey::cpu;
    bool ascending = false;
    bool operator==(const ProcessSortOrder&) const = default;
};

// The confirmation shown before a signal is sent.
struct SignalConfirmation {
    RunningProcess process;
    ProcessSignal signal = ProcessSignal::quit;
    std::string title;          // "Quit Safari?"
    std::string message;        // "Sends SIGTERM to PID 42. ..."
    std::string confirmButton;  // "Quit" / "Force Quit", destructive
    std::string cancelButton;   // "Cancel"
};

struct ProcessDetailRow {
    std::string title;
    std::string value;
    bool operator==(const ProcessDetailRow&) const = default;
};

struct ProcessDetail {
    std::string name;
    std::string pidText;
    std::vector<ProcessDetailRow> rows;  // Parent, User, Threads, Memory, Path
};

inline constexpr std::string_view processFilterPlaceholder = "Filter by name, PID, or user";
inline constexpr std::string_view noProcessSelectedText = "Select a process to see details";
inline constexpr std::string_view signalFailedTitle = "Couldn't send signal";
inline constexpr std::string_view quitMenuTitle = "Quit…";
inline constexpr std::string_view forceQuitMenuTitle = "Force Quit…";

// The pid the context menu acts on: absent (items disabled) when the set is empty or holds the
// kernel row or any pid below 1; otherwise the lowest pid, so the choice is deterministic.
std::optional<int32_t> contextMenuTarget(const std::set<int32_t>& pids);

class ProcessesViewModel {
public:
    using SignalSender = std::function<ErrorOr<void>(ProcessSignal, int32_t)>;

    struct Environment {
        Executor& executor;
        Clock& clock;
        ProcessSampler::Source source;
        SignalSender sendSignal = lopewell::sendSignal;
    };

    static constexpr Duration sampleInterval = std::chrono::seconds(2);

    // /proc, the continuous clock and the real signal call.
    static Environment systemEnvironment(Executor& executor);

    explicit ProcessesViewModel(Environment environment);
    ~ProcessesViewModel();
    ProcessesViewModel(const ProcessesViewModel&) = delete;
    ProcessesViewModel& operator=(const ProcessesViewModel&) = delete;

    // Idempotent; a stopped model can start again.
    void start();
    void stop();

    // Published; observers hear of every change.
    const std::vector<RunningProcess>& processes() const { return m_processes; }
    const std::string& searchText() const { return m_searchText; }
    const ProcessSortOrder& sortOrder() const { return m_sortOrder; }
    bool isSampling() const { return m_isSampling; }
    const std::optional<std::string>& lastError() const { return m_lastError; }
    const std::optional<SignalConfirmation>& pendingConfirmation() const { return m_pending; }
    ChangeObservers& observers() { return m_observers; }

    void setSearchText(std::string text);
    void setSortOrder(ProcessSortOrder order);

    std::vector<RunningProcess> visibleProcesses() const;
    // "12 of 340 processes".
    std::string rowCountText() const;
    // Absent when nothing selected is in the table: show noProcessSelectedText.
    std::optional<ProcessDetail> detail(const std::set<int32_t>& selection) const;

    // The context menu's items: the confirmation for the menu's target, or nothing when the
    // menu is disabled or the process has gone from the table.
    void requestSignal(ProcessSignal signal, const std::set<int32_t>& menuPids);
    // The destructive button: sends the signal and clears the confirmation.
    bool confirmPending();
    void cancelPending();

    // True only when delivered; otherwise lastError holds the alert text.
    bool signal(ProcessSignal signal, int32_t pid);
    // Dismissing the "Couldn't send signal" alert.
    void clearError();

private:
    void apply(std::vector<RunningProcess> rows);

    Environment m_environment;
    std::vector<RunningProcess> m_processes;
    std::string m_searchText;
    ProcessSortOrder m_sortOrder;
    std::optional<std::string> m_lastError;
    std::optional<SignalConfirmation> m_pending;
    bool m_isSampling = false;
    ChangeObservers m_observers;
    // Shared with the sampling thread, which may still be finishing a sample after a stop.
    std::shared_ptr<ProcessSampler> m_sampler;
    StreamTask<std::vector<RunningProcess>> m_sampleTask;
};

}  // namespace lopewell
