// Work that returns a value, off the main thread: `work` runs on its own thread with a stop
// token, and its result is handed to `onDone` on the executor. A cancelled task never calls
// `onDone` — its owner cancelled it and already knows.
//
//   m_scan = BackgroundTask<Result>(executor,
//       [scanner](std::stop_token token) { return scanner.scan(token); },
//       [this](Result result) { show(std::move(result)); });
//
// THREAD-SAFETY: create, cancel and destroy on the executor's thread (checked in debug builds).
#pragma once

#include <cassert>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>
#include <utility>

#include "core/concurrency/executor.h"

namespace lopewell {

template <typename T>
class BackgroundTask {
public:
    BackgroundTask() = default;
    BackgroundTask(Executor& executor, std::function<T(std::stop_token)> work, std::function<void(T)> onDone)
        : m_shared(std::make_shared<Shared>())
    {
        assert(executor.isCurrent());
        m_shared->executor = &executor;
        m_shared->onDone = std::move(onDone);
        std::weak_ptr<Shared> weak = m_shared;
        // The thread owns nothing of the shared state: the last owner joins it on the executor.
        m_shared->thread = std::jthread([weak, &executor, work = std::move(work)](std::stop_token token) {
            auto result = std::make_shared<T>(work(token));
            if (token.stop_requested())
                return;
            executor.post([weak, result] {
                auto alive = weak.lock();
                if (!alive || alive->finished)
                    return;
                alive->finished = true;
                alive->onDone(std::move(*result));
            });
        });
    }

    BackgroundTask(BackgroundTask&&) noexcept = default;
    BackgroundTask& operator=(BackgroundTask&& other) noexcept
    {
        if (this != &other) {
            cancel();
            m_shared = std::move(other.m_shared);
        }
        return *this;
    }
    ~BackgroundTask() { cancel(); }

    // Requests stop and waits for the work to return (it polls its token); onDone will not run.
    void cancel()
    {
        if (!m_shared)
            return;
        assert(m_shared->executor->isCurrent());
        m_shared->finished = true;
        m_shared->thread.request_stop();
        m_shared.reset();
    }

    // True until onDone has run or the task was cancelled.
    bool isRunning() const { return m_shared && !m_shared->finished; }

private:
    struct Shared {
        Executor* executor = nullptr;
        std::function<void(T)> onDone;
        bool finished = false;  // executor thread only
        std::jthread thread;    // declared last: joined first when Shared goes away
    };

    std::shared_ptr<Shared> m_shared;
};

}  // namespace lopewell
