// A main-thread task that iterates a stream: each value is handed to `onValue` on the executor,
// in order, then `onEnd` once if the stream ends by itself. Cancelling (or destroying) the task
// terminates the stream, stops its producer and guarantees that no callback runs afterwards.
//
//   m_sampleTask = StreamTask<CPUSample>(executor, sampler.stream(1s, clock),
//       [this](CPUSample sample) { apply(sample); });
//
// THREAD-SAFETY: create, cancel and destroy on the executor's thread (checked in debug builds).
#pragma once

#include <atomic>
#include <cassert>
#include <functional>
#include <memory>
#include <utility>

#include "core/concurrency/executor.h"
#include "core/concurrency/stream.h"

namespace lopewell {

template <typename T>
class StreamTask {
public:
    StreamTask() = default;
    StreamTask(Executor& executor, Stream<T> stream, std::function<void(T)> onValue, std::function<void()> onEnd = {})
        : m_shared(std::make_shared<Shared>())
    {
        assert(executor.isCurrent());
        m_shared->executor = &executor;
        m_shared->stream = std::move(stream);
        m_shared->onValue = std::move(onValue);
        m_shared->onEnd = std::move(onEnd);
        // The producer's callback must never own the task's state: the last owner joins the
        // producer thread, which cannot happen on that thread. It shares only the flag.
        std::weak_ptr<Shared> weak = m_shared;
        std::shared_ptr<std::atomic<bool>> drainPosted = m_shared->drainPosted;
        m_shared->stream.setOnChange([weak, drainPosted, &executor] {
            if (drainPosted->exchange(true))
                return;
            executor.post([weak] {
                if (auto alive = weak.lock())
                    alive->drain();
            });
        });
        // Values may have arrived before the callback was installed.
        executor.post([weak] {
            if (auto alive = weak.lock())
                alive->drain();
        });
    }

    StreamTask(StreamTask&&) noexcept = default;
    StreamTask& operator=(StreamTask&& other) noexcept
    {
        if (this != &other) {
            cancel();
            m_shared = std::move(other.m_shared);
        }
        return *this;
    }
    ~StreamTask() { cancel(); }

    // Ends the task: no callback runs after this returns. Joins the producer thread unless a
    // callback of this task is running right now (then it is joined when that callback returns).
    void cancel()
    {
        if (!m_shared)
            return;
        assert(m_shared->executor->isCurrent());
        m_shared->cancelled = true;
        m_shared->stream.terminate();
        m_shared.reset();
    }

    bool isActive() const { return m_shared && !m_shared->ended; }

private:
    struct Shared {
        Executor* executor = nullptr;
        Stream<T> stream;
        std::function<void(T)> onValue;
        std::function<void()> onEnd;
        std::shared_ptr<std::atomic<bool>> drainPosted = std::make_shared<std::atomic<bool>>(false);
        bool cancelled = false;  // executor thread only
        bool ended = false;      // executor thread only

        void drain()
        {
            // The posted job holds a reference, so a callback may destroy the owning task.
            *drainPosted = false;
            while (!cancelled) {
                std::optional<T> value = stream.tryNext();
                if (!value)
                    break;
                onValue(std::move(*value));
            }
            if (!cancelled && !ended && stream.isEnded()) {
                ended = true;
                if (onEnd)
                    onEnd();
            }
        }
    };

    std::shared_ptr<Shared> m_shared;
};

}  // namespace lopewell
