// The real clock for repeating work: CLOCK_BOOTTIME, which keeps counting while the machine
// sleeps, so a 5 s cadence fires on wake-up instead of 5 s after it.
#pragma once

#include "core/concurrency/clock.h"

namespace lopewell {

class ContinuousClock final : public Clock {
public:
    Instant now() const override;
    bool sleepFor(Duration duration, std::stop_token token) override;

    static ContinuousClock& shared();
};

}  // namespace lopewell
