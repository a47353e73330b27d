#include "core/concurrency/executor.h"

#include <algorithm>
#include <cassert>

namespace lopewell {

void RunLoopExecutor::post(Job job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

bool RunLoopExecutor::isCurrent() const
{
    return m_thread == std::this_thread::get_id();
}

void RunLoopExecutor::run()
{
    assert(isCurrent());
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [&] { return m_stopped || !m_jobs.empty(); });
        if (m_stopped)
            break;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        job();
        job = nullptr;  // destroy captures outside the lock too
        lock.lock();
    }
    m_stopped = false;
}

void RunLoopExecutor::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    m_wake.notify_one();
}

void ManualExecutor::post(Job job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_posted.notify_all();
}

bool ManualExecutor::isCurrent() const
{
    return m_thread == std::this_thread::get_id();
}

size_t ManualExecutor::runPending()
{
    assert(isCurrent());
    size_t budget = pendingCount();
    size_t ran = 0;
    while (ran < budget) {
        Job job;
        {
            std::lock_guard lock(m_mutex);
            if (m_jobs.empty())
                break;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job();
        ++ran;
    }
    return ran;
}

size_t ManualExecutor::runUntilIdle()
{
    size_t total = 0;
    while (size_t ran = runPending())
        total += ran;
    return total;
}

bool ManualExecutor::runUntil(const std::function<bool()>& done, std::chrono::milliseconds realLimit)
{
    using std::chrono::steady_clock;
    // `done` may turn true without a post (a background thread's own state); look again often.
    constexpr std::chrono::milliseconds recheck { 5 };
    const steady_clock::time_point giveUp = steady_clock::now() + realLimit;
    for (;;) {
        runUntilIdle();
        if (done())
            return true;
        const steady_clock::time_point now = steady_clock::now();
        if (now >= giveUp)
            return false;
        std::unique_lock lock(m_mutex);
        m_posted.wait_until(lock, std::min(giveUp, now + recheck), [&] { return !m_jobs.empty(); });
    }
}

size_t ManualExecutor::pendingCount() const
{
    std::lock_guard lock(m_mutex);
    return m_jobs.size();
}

}  // namespace lopewell
