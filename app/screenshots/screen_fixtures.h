// Fixed figures for pictures of the Dashboard and Processes screens: a busy eight-core machine
// with 16 GB and a desktop's worth of processes, fed through the real view models on a manual
// executor and a fake clock, so every picture comes out the same on any machine.
//
//   ProcessScreenFixture fixture;
//   DashboardView view(fixture.dashboard());
//   fixture.sample();   // two passes, as a window open for two seconds sees them
#pragma once

#include <memory>

#include "app/dashboard/dashboard_view_model.h"
#include "app/processes/processes_view_model.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/fake_clock.h"

namespace lopewell {

class ProcessScreenFixture {
public:
    ProcessScreenFixture();
    ~ProcessScreenFixture();
    ProcessScreenFixture(const ProcessScreenFixture&) = delete;
    ProcessScreenFixture& operator=(const ProcessScreenFixture&) = delete;

    // Runs both models for two seconds of fake time (so CPU shares and the kernel row are
    // real) and stops them. Call it once.
    void sample();

    DashboardViewModel& dashboard() { return *m_dashboard; }
    ProcessesViewModel& processes() { return *m_processes; }
    // A model that never started: every card shows its placeholder.
    DashboardViewModel& waitingDashboard() { return *m_waitingDashboard; }

private:
    ManualExecutor m_executor;
    FakeClock m_clock;
    std::unique_ptr<DashboardViewModel> m_dashboard;
    std::unique_ptr<ProcessesViewModel> m_processes;
    std::unique_ptr<DashboardViewModel> m_waitingDashboard;
};

}  // namespace lopewell
