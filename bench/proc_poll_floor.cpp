// The floor for the tray readout: once a second for SECONDS seconds, read /proc/stat and
// /proc/meminfo through descriptors kept open (pread at offset 0) and nothing else.
// bench/tray_idle runs it beside the tray application and compares their CPU time.
//
//   build/bench/proc_poll_floor 60
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int stat = ::open("/proc/stat", O_RDONLY | O_CLOEXEC);
    const int meminfo = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    if (stat < 0 || meminfo < 0) {
        std::perror("proc_poll_floor");
        return 1;
    }
    static char buffer[64 * 1024];
    long total = 0;
    timespec next {};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    for (int i = 0; i < seconds; ++i) {
        total += ::pread(stat, buffer, sizeof buffer, 0);
        total += ::pread(meminfo, buffer, sizeof buffer, 0);
        next.tv_sec += 1;
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    std::printf("%ld bytes read\n", total);
    return 0;
}
