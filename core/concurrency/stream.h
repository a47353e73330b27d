// An asynchronous stream with an unbounded buffer: a producer yields values and finishes; the
// consumer takes them in order. Terminating or destroying the consumer requests stop on the
// producer, whose loop polls stopToken() and passes it to its sleeps.
//
//   Stream<int> numbers = Stream<int>::start([](StreamProducer<int>& out) {
//       for (int i = 0; !out.isStopRequested(); ++i)
//           out.yield(i);
//   });
//   std::optional<int> first = numbers.next();
//   // ~Stream: stop requested, producer thread joined.
//
// THREAD-SAFETY: one producer thread and one consumer thread may use their handles at once.
#pragma once

#include <cassert>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>

namespace lopewell {

namespace detail {

template <typename T>
struct StreamState {
    std::mutex mutex;
    std::condition_variable_any changed;
    std::deque<T> buffer;
    bool finished = false;
    std::stop_source stop;
    std::function<void()> onChange;  // runs on the producer's thread, outside the lock

    void notify(std::unique_lock<std::mutex>& lock)
    {
        std::function<void()> callback = onChange;
        lock.unlock();
        changed.notify_all();
        if (callback)
            callback();
    }
};

}  // namespace detail

template <typename T>
class StreamProducer {
public:
    explicit StreamProducer(std::shared_ptr<detail::StreamState<T>> state) : m_state(std::move(state)) {}
    StreamProducer(StreamProducer&&) noexcept = default;
    StreamProducer& operator=(StreamProducer&&) = delete;
    ~StreamProducer() { finish(); }  // a producer that goes away ends the stream

    // Appends a value; returns false (and drops it) once the consumer has gone.
    bool yield(T value)
    {
        std::unique_lock lock(m_state->mutex);
        if (m_state->finished || m_state->stop.stop_requested())
            return false;
        m_state->buffer.push_back(std::move(value));
        m_state->notify(lock);
        return true;
    }

    void finish()
    {
        if (!m_state)
            return;
        std::unique_lock lock(m_state->mutex);
        if (m_state->finished)
            return;
        m_state->finished = true;
        m_state->notify(lock);
    }

    std::stop_token stopToken() const { return m_state->stop.get_token(); }
    bool isStopRequested() const { return m_state->stop.stop_requested(); }

private:
    std::shared_ptr<detail::StreamState<T>> m_state;
};

template <typename T>
class Stream {
public:
    using Body = std::function<void(StreamProducer<T>&)>;

    // Runs `body` on a new thread; the stream finishes when body returns.
    static Stream start(Body body)
    {
        auto [producer, stream] = makePair();
        stream.m_thread = std::thread([body = std::move(body), producer = std::move(producer)]() mutable { body(producer); });
        return std::move(stream);
    }

    // A producer handle without a thread of its own, for callers that drive it themselves.
    static std::pair<StreamProducer<T>, Stream> makePair()
    {
        auto state = std::make_shared<detail::StreamState<T>>();
        return { StreamProducer<T>(state), Stream(state) };
    }

    Stream() = default;
    Stream(Stream&& other) noexcept = default;
    Stream& operator=(Stream&& other) noexcept
    {
        if (this != &other) {
            close();
            m_state = std::move(other.m_state);
            m_thread = std::move(other.m_thread);
        }
        return *this;
    }
    ~Stream() { close(); }

    // Blocks until a value arrives (returned), or the stream ends or `token` is stopped (nullopt).
    std::optional<T> next(std::stop_token token = {})
    {
        std::unique_lock lock(m_state->mutex);
        m_state->changed.wait(lock, token, [&] { return !m_state->buffer.empty() || isOverLocked(); });
        return popLocked();
    }

    // The next buffered value, without waiting.
    std::optional<T> tryNext()
    {
        std::lock_guard lock(m_state->mutex);
        return popLocked();
    }

    // True when no value will ever come again: finished and drained, or terminated.
    bool isEnded() const
    {
        std::lock_guard lock(m_state->mutex);
        return m_state->buffer.empty() && isOverLocked();
    }

    // Called on the producer's thread after every yield and at the end. Keep it short: post.
    void setOnChange(std::function<void()> callback)
    {
        std::lock_guard lock(m_state->mutex);
        m_state->onChange = std::move(callback);
    }

    // Stops the producer (at its next poll) and drops what is buffered. Does not wait.
    void terminate()
    {
        if (!m_state)
            return;
        std::unique_lock lock(m_state->mutex);
        m_state->stop.request_stop();
        m_state->buffer.clear();
        m_state->onChange = nullptr;
        lock.unlock();
        m_state->changed.notify_all();
    }

    bool isValid() const { return m_state != nullptr; }

private:
    explicit Stream(std::shared_ptr<detail::StreamState<T>> state) : m_state(std::move(state)) {}

    bool isOverLocked() const { return m_state->finished || m_state->stop.stop_requested(); }

    std::optional<T> popLocked()
    {
        if (m_state->buffer.empty())
            return std::nullopt;
        T value = std::move(m_state->buffer.front());
        m_state->buffer.pop_front();
        return value;
    }

    void close()
    {
        terminate();
        if (m_thread.joinable())
            m_thread.join();
        m_state.reset();
    }

    std::shared_ptr<detail::StreamState<T>> m_state;
    std::thread m_thread;
};

}  // namespace lopewell
