#include "core/concurrency/fake_clock.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace lopewell {

Instant FakeClock::now() const
{
    std::lock_guard lock(m_mutex);
    return m_now;
}

bool FakeClock::sleepFor(Duration duration, std::stop_token token)
{
    std::unique_lock lock(m_mutex);
    const Instant deadline = m_now + duration;
    m_deadlines.push_back(deadline);
    m_changed.notify_all();
    const bool elapsed = m_changed.wait(lock, token, [&] { return m_now >= deadline; });
    m_deadlines.erase(std::find(m_deadlines.begin(), m_deadlines.end(), deadline));
    m_changed.notify_all();
    return elapsed;
}

void FakeClock::advance(Duration duration)
{
    std::lock_guard lock(m_mutex);
    m_now += duration;
    m_changed.notify_all();
}

size_t FakeClock::pendingSleepersLocked() const
{
    return size_t(std::count_if(m_deadlines.begin(), m_deadlines.end(), [&](Instant d) { return d > m_now; }));
}

void FakeClock::waitForSleepers(size_t count, std::chrono::milliseconds realLimit) const
{
    std::unique_lock lock(m_mutex);
    if (!m_changed.wait_for(lock, realLimit, [&] { return pendingSleepersLocked() >= count; })) {
        throw std::runtime_error("FakeClock: waited " + std::to_string(realLimit.count()) + " ms for " + std::to_string(count)
            + " sleepers, " + std::to_string(pendingSleepersLocked()) + " arrived");
    }
}

size_t FakeClock::sleeperCount() const
{
    std::lock_guard lock(m_mutex);
    return pendingSleepersLocked();
}

}  // namespace lopewell
