// The main thread: closures posted from any thread run one at a time, in order, on the
// thread that drives the executor. View models and controllers live on one executor and
// background work hands its results back through post().
//
//   RunLoopExecutor loop;                  // the CLI's main loop
//   loop.post([&] { loop.stop(); });
//   loop.run();                            // returns after stop()
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace lopewell {

class Executor {
public:
    using Job = std::function<void()>;
    virtual ~Executor() = default;

    // THREAD-SAFETY: post() may be called from any thread.
    virtual void post(Job job) = 0;

    // True on the thread that runs this executor's jobs (for debug assertions).
    virtual bool isCurrent() const = 0;
};

// A plain loop for programs without a GUI event loop. Its thread is the one that creates it.
class RunLoopExecutor final : public Executor {
public:
    void post(Job job) override;
    bool isCurrent() const override;

    // Runs jobs until stop() is called. Call it on the creating thread.
    void run();
    void stop();

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_stopped = false;
    const std::thread::id m_thread = std::this_thread::get_id();
};

// Runs nothing until the test says so: deterministic delivery of background results.
// The creating thread (the test's) counts as the executor's thread.
class ManualExecutor final : public Executor {
public:
    void post(Job job) override;
    bool isCurrent() const override;

    // Runs the jobs queued at the time of the call (not the ones they post); returns how many.
    size_t runPending();
    // Runs jobs until the queue is empty, including ones posted meanwhile; returns how many.
    size_t runUntilIdle();
    // Runs jobs as background threads post them until `done` holds. False when it still does
    // not after `realLimit` on the real steady clock: a result that never comes fails the
    // test instead of hanging it.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds realLimit = std::chrono::seconds(10));
    size_t pendingCount() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Job> m_jobs;
    const std::thread::id m_thread = std::this_thread::get_id();
};

}  // namespace lopewell
