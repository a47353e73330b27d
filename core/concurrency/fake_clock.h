// A clock that moves only when a test says so. advance() wakes every sleeper whose deadline
// has passed; waitForSleepers() lets the test wait until background loops are parked again,
// so a test never sleeps and never races. A loop that never parks fails the test (the wait
// throws) rather than hanging it.
//
// THREAD-SAFETY: all members may be called from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

#include "core/concurrency/clock.h"

namespace lopewell {

class FakeClock final : public Clock {
public:
    Instant now() const override;
    bool sleepFor(Duration duration, std::stop_token token) override;

    void advance(Duration duration);

    // Blocks until at least `count` threads sleep with a deadline still in the future. After
    // `realLimit` on the real steady clock it throws std::runtime_error, which fails the test
    // that called it.
    void waitForSleepers(size_t count, std::chrono::milliseconds realLimit = std::chrono::seconds(10)) const;
    size_t sleeperCount() const;

private:
    size_t pendingSleepersLocked() const;

    mutable std::mutex m_mutex;
    mutable std::condition_variable_any m_changed;
    Instant m_now {};
    std::vector<Instant> m_deadlines;  // one entry per sleeping thread
};

}  // namespace lopewell
