#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "app/processes/processes_view_model.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/fake_clock.h"

using namespace lopewell;
using namespace std::chrono_literals;

namespace {

ProcessSampler::ProcessReading reading(int32_t pid, std::string name, uint32_t uid)
{
    ProcessSampler::ProcessReading r;
    r.pid = pid;
    r.parentPID = 1;
    r.uid = uid;
    r.name = std::move(name);
    r.path = "/usr/bin/" + r.name;
    r.residentBytes = 1024 * 1024;
    r.threadCount = 3;
    return r;
}

// A process table the sampler reads; counts how often it was read.
struct FakeTable {
    std::vector<ProcessSampler::ProcessReading> rows;
    std::atomic<int> reads = 0;

    ProcessSampler::Source source()
    {
        ProcessSampler::Source s;
        s.uptimeSeconds = [this] { return 100.0 + reads.load(); };
        s.readProcesses = [this] {
            ++reads;
            return rows;
        };
        s.readHostTicks = [] { return std::optional<std::vector<CPUTicks>>(); };
        s.activeProcessorCount = [] { return 1; };
        s.lookupUserName = [](uint32_t uid) -> std::optional<std::string> {
            return uid == 0 ? std::optional<std::string>("root") : std::optional<std::string>("alice");
        };
        s.ownPid = 99999;
        return s;
    }
};

struct SentSignal {
    ProcessSignal signal;
    int32_t pid;
    bool operator==(const SentSignal&) const = default;
};

class ProcessesTest : public ::testing::Test {
protected:
    ProcessesTest()
    {
        table.rows = { reading(1, "systemd", 0), reading(50, "bash", 1000), reading(150, "Xorg", 0), reading(5012, "firefox", 1000),
            reading(777, "app50d", 1000) };
    }

    ManualExecutor executor;
    FakeClock clock;
    FakeTable table;
    std::vector<SentSignal> sent;
    std::optional<Error> nextFailure;
    ProcessesViewModel model { ProcessesViewModel::Environment {
        executor, clock, table.source(), [this](ProcessSignal signal, int32_t pid) -> ErrorOr<void> {
            sent.push_back({ signal, pid });
            if (nextFailure)
                return *nextFailure;
            return {};
        } } };

    void settle()
    {
        clock.waitForSleepers(1);
        executor.runUntilIdle();
    }

    std::vector<int32_t> visiblePids() const
    {
        std::vector<int32_t> pids;
        for (const auto& p : model.visibleProcesses())
            pids.push_back(p.pid);
        return pids;
    }
};

TEST_F(ProcessesTest, SamplesEveryTwoSecondsWhileStartedAndStartIsIdempotent)
{
    EXPECT_FALSE(model.isSampling());
    model.start();
    model.start();
    settle();
    EXPECT_TRUE(model.isSampling());
    EXPECT_EQ(model.processes().size(), 5u);
    EXPECT_EQ(table.reads, 1);

    clock.advance(2s);
    settle();
    EXPECT_EQ(table.reads, 2);  // one loop, not two

    model.stop();
    EXPECT_FALSE(model.isSampling());
    EXPECT_EQ(model.processes().size(), 5u);  // kept while stopped

    table.rows.pop_back();
    model.start();
    settle();
    EXPECT_EQ(model.processes().size(), 4u);
}

TEST_F(ProcessesTest, FilterIsTrimmedCaseInsensitiveOverNamePidAndUser)
{
    model.start();
    settle();
    model.setSortOrder({ ProcessSortKey::pid, true });

    struct Case {
        std::string filter;
        std::vector<int32_t> pids;
    };
    for (const Case& c : std::vector<Case> {
             { "  \n", { 1, 50, 150, 777, 5012 } },
             { "50", { 50, 150, 777, 5012 } },
             { "ROOT", { 1, 150 } },
             { " FireFox ", { 5012 } },
             { "nothing-matches", {} },
         }) {
        model.setSearchText(c.filter);
        EXPECT_EQ(visiblePids(), c.pids) << "filter '" << c.filter << "'";
    }
    model.setSearchText("50");
    EXPECT_EQ(model.rowCountText(), "4 of 5 processes");
}

TEST_F(ProcessesTest, ContextMenuIsDisabledForTheKernelRowAndPicksTheLowestPid)
{
    EXPECT_EQ(contextMenuTarget({}), std::nullopt);
    EXPECT_EQ(contextMenuTarget({ 0 }), std::nullopt);
    EXPECT_EQ(contextMenuTarget({ 0, 50 }), std::nullopt);
    EXPECT_EQ(contextMenuTarget({ 5012, 150 }), 150);
}

TEST_F(ProcessesTest, ConfirmationTextsAndDestructiveButtonSendTheSignal)
{
    model.start();
    settle();

    model.requestSignal(ProcessSignal::quit, { 5012, 150 });
    ASSERT_TRUE(model.pendingConfirmation());
    EXPECT_EQ(model.pendingConfirmation()->title, "Quit Xorg?");
    EXPECT_EQ(model.pendingConfirmation()->message, "Sends SIGTERM to PID 150. The process gets a chance to save state and exit cleanly.");
    EXPECT_EQ(model.pendingConfirmation()->confirmButton, "Quit");
    model.cancelPending();
    EXPECT_FALSE(model.pendingConfirmation());
    EXPECT_TRUE(sent.empty());

    model.requestSignal(ProcessSignal::forceQuit, { 50 });
    ASSERT_TRUE(model.pendingConfirmation());
    EXPECT_EQ(model.pendingConfirmation()->title, "Force quit bash?");
    EXPECT_EQ(model.pendingConfirmation()->message, "Sends SIGKILL to PID 50. The process won't get a chance to save state.");
    EXPECT_EQ(model.pendingConfirmation()->confirmButton, "Force Quit");
    EXPECT_TRUE(model.confirmPending());
    EXPECT_FALSE(model.pendingConfirmation());
    EXPECT_EQ(sent, (std::vector<SentSignal> { { ProcessSignal::forceQuit, 50 } }));
    EXPECT_FALSE(model.lastError());

    // Gone from the table: nothing to confirm.
    model.requestSignal(ProcessSignal::quit, { 4242 });
    EXPECT_FALSE(model.pendingConfirmation());
}

TEST_F(ProcessesTest, FailedSignalsKeepTheAlertTextAndTheKernelIsNeverSignalled)
{
    nextFailure = Error { 3, "PID 50 is no longer running." };
    EXPECT_FALSE(model.signal(ProcessSignal::quit, 50));
    EXPECT_EQ(model.lastError(), "PID 50 is no longer running.");
    model.clearError();
    EXPECT_FALSE(model.lastError());

    sent.clear();
    for (int32_t pid : { 0, -1 }) {
        EXPECT_FALSE(model.signal(ProcessSignal::forceQuit, pid));
        EXPECT_EQ(model.lastError(), "kernel_task is the macOS kernel itself — it's not user-killable.");
    }
    EXPECT_TRUE(sent.empty());
}

TEST_F(ProcessesTest, DetailPaneAndCellTexts)
{
    table.rows[1].path.reset();
    model.start();
    settle();

    EXPECT_FALSE(model.detail({}));
    EXPECT_FALSE(model.detail({ 4242 }));
    auto detail = model.detail({ 50 });
    ASSERT_TRUE(detail);
    EXPECT_EQ(detail->name, "bash");
    EXPECT_EQ(detail->rows.front(), (ProcessDetailRow { "Parent", "1" }));
    EXPECT_EQ(detail->rows.back(), (ProcessDetailRow { "Path", "(no path)" }));

    RunningProcess p;
    p.cpuPercent = 123.456;
    EXPECT_EQ(processCellText(p, ProcessSortKey::cpu), "123.5");
    EXPECT_EQ(processColumns().size(), 6u);
    EXPECT_EQ(processColumns().front().idealWidth, 220);
}

}  // namespace
