#include "platform/continuous_clock.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <thread>
#include <unistd.h>

#include "platform/unique_fd.h"

namespace lopewell {

namespace {

timespec toTimespec(Duration duration)
{
    auto count = duration.count();
    return timespec { time_t(count / 1'000'000'000), long(count % 1'000'000'000) };
}

}  // namespace

Instant ContinuousClock::now() const
{
    timespec ts {};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return Instant(Duration(int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec));
}

bool ContinuousClock::sleepFor(Duration duration, std::stop_token token)
{
    if (token.stop_requested())
        return false;
    if (duration <= Duration::zero())
        return true;

    // A timer on the boot-time clock, and an event the stop callback signals.
    UniqueFd timer(timerfd_create(CLOCK_BOOTTIME, TFD_CLOEXEC));
    UniqueFd wake(eventfd(0, EFD_CLOEXEC));
    if (timer.get() < 0 || wake.get() < 0) {
        // Out of descriptors: degrade to a plain sleep in short steps rather than spin or fail.
        const Instant deadline = now() + duration;
        while (!token.stop_requested() && now() < deadline)
            std::this_thread::sleep_for(std::min<Duration>(deadline - now(), std::chrono::milliseconds(50)));
        return !token.stop_requested();
    }

    itimerspec spec {};
    spec.it_value = toTimespec(duration);
    timerfd_settime(timer.get(), 0, &spec, nullptr);

    std::stop_callback onStop(token, [fd = wake.get()] {
        uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(fd, &one, sizeof one);
    });

    pollfd fds[2] = { { timer.get(), POLLIN, 0 }, { wake.get(), POLLIN, 0 } };
    while (true) {
        int ready = ::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (fds[1].revents != 0 || token.stop_requested())
            return false;
        if (fds[0].revents != 0)
            return true;
        if (ready < 0)
            return false;
    }
}

ContinuousClock& ContinuousClock::shared()
{
    static ContinuousClock clock;
    return clock;
}

}  // namespace lopewell
