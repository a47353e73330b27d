#include "cli/readout.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <pthread.h>
#include <thread>
#include <unistd.h>

#include "app/shell/readout.h"
#include "core/concurrency/executor.h"
#include "core/concurrency/stream_task.h"
#include "core/presentation/load_colors.h"
#include "platform/continuous_clock.h"
#include "platform/memory_reader.h"
#include "platform/system_counters.h"

namespace lopewell::cli {

namespace {

const char* ansiColour(LoadBand band)
{
    switch (band) {
    case LoadBand::low:
        return "\x1b[32m";
    case LoadBand::middle:
        return "\x1b[33m";
    case LoadBand::high:
        return "\x1b[31m";
    }
    return "";
}

std::string painted(const std::string& text, LoadBand band, bool colour)
{
    return colour ? ansiColour(band) + text + "\x1b[0m" : text;
}

bool wantsColour()
{
    const char* term = std::getenv("TERM");
    const char* noColour = std::getenv("NO_COLOR");
    return isatty(STDOUT_FILENO) && !(noColour && *noColour) && !(term && std::strcmp(term, "dumb") == 0);
}

}  // namespace

std::string readoutLine(double cpuOverall, const std::optional<MemoryStats>& memory, bool colour)
{
    std::string line = painted(menuBarReadoutTitle(cpuOverall), cpuLoadBand(cpuOverall), colour);
    if (memory) {
        const double used = memoryUsedFraction(*memory);
        line += "  memory " + painted(std::to_string(popoverPercent(used)) + "%", memoryBand(used), colour);
    } else {
        line += "  memory Sampling…";
    }
    return line;
}

int runTerminalReadout(std::ostream& out, std::ostream&)
{
    // Signals go to one waiting thread, never to a handler that would have to touch the loop.
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : { SIGINT, SIGTERM, SIGHUP })
        sigaddset(&signals, signal);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    RunLoopExecutor loop;
    std::jthread signalWaiter([&loop, signals] {
        int received = 0;
        sigwait(&signals, &received);
        loop.post([&loop] { loop.stop(); });
    });

    const bool colour = wantsColour();
    CPUSampler sampler(systemCPUSources());
    StreamTask<CPUSample> readout(loop, sampler.stream(seconds(1), ContinuousClock::shared()), [&](CPUSample sample) {
        const std::string line = readoutLine(sample.overallLoad, MemoryReader::read(), colour);
        // On a terminal the line is redrawn in place; into a pipe each update is a line.
        if (colour)
            out << "\r\x1b[2K" << line << std::flush;
        else
            out << line << "\n" << std::flush;
    });
    loop.run();
    readout.cancel();
    if (colour)
        out << "\n";
    return 0;
}

}  // namespace lopewell::cli
