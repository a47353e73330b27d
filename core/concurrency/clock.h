// Time for repeating work: "now" and an interruptible sleep, on a clock that keeps counting
// while the machine sleeps. Production code gets ContinuousClock (platform/), tests FakeClock.
//
//   while (clock.sleepFor(1s, token)) { sample(); }   // ends when token is stopped
#pragma once

#include <chrono>
#include <stop_token>

namespace lopewell {

struct ContinuousClockTag;
using Duration = std::chrono::nanoseconds;
using Instant = std::chrono::time_point<ContinuousClockTag, Duration>;

// Seconds as the user and the settings give them, converted once at the boundary.
constexpr Duration seconds(double value)
{
    return std::chrono::duration_cast<Duration>(std::chrono::duration<double>(value));
}

class Clock {
public:
    virtual ~Clock() = default;

    virtual Instant now() const = 0;

    // Returns true when the full duration elapsed, false when `token` was stopped first
    // (immediately, if it already was).
    virtual bool sleepFor(Duration duration, std::stop_token token) = 0;
};

}  // namespace lopewell
