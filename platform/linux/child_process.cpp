#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace lopewell {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Without a pidfd the end of a child that leaves its pipes open is noticed this often.
constexpr milliseconds reapTick { 50 };

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Writes with SIGPIPE held back, so a child that closes its input early costs an EPIPE here
// rather than this process. A SIGPIPE the write raised is taken off again before unblocking.
ssize_t writeWithoutSigpipe(int fd, const char* data, size_t size)
{
    sigset_t pipeOnly;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    sigset_t pendingBefore;
    sigpending(&pendingBefore);
    const bool alreadyPending = sigismember(&pendingBefore, SIGPIPE) == 1;
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);

    ssize_t written;
    do
        written = ::write(fd, data, size);
    while (written < 0 && errno == EINTR);
    const int writeErrno = errno;

    if (written < 0 && writeErrno == EPIPE && !alreadyPending) {
        const timespec noWait {};
        while (sigtimedwait(&pipeOnly, nullptr, &noWait) < 0 && errno == EINTR) {}
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = writeErrno;
    return written;
}

struct Pipe {
    int read = -1;
    int write = -1;
};

ErrorOr<Pipe> makePipe()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return Error::fromErrno(errno, "Cannot create a pipe");
    return Pipe { fds[0], fds[1] };
}

void setNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

struct Sink {
    int fd = -1;
    std::string text;
    bool truncated = false;
};

}  // namespace

struct ChildProcess::State {
    pid_t pid = -1;
    int pidFd = -1;
    int inputFd = -1;
    std::string input;
    size_t inputWritten = 0;
    Sink sinks[2];
    size_t outputLimit = 0;
    Clock::time_point deadline;
    bool reaped = false;
    ChildExit exit;

    ~State()
    {
        if (!reaped && pid > 0) {
            // Still running: it is ours to end, with anything it started in its group.
            ::kill(-pid, SIGKILL);
            ::kill(pid, SIGKILL);
            reap(0);
        }
        closeFd(pidFd);
        closeFd(inputFd);
        for (Sink& sink : sinks)
            closeFd(sink.fd);
    }

    bool streamsOpen() const { return sinks[0].fd >= 0 || sinks[1].fd >= 0; }

    // Collects the child's status; with WNOHANG, only when it has already ended.
    void reap(int flags)
    {
        if (reaped)
            return;
        int status = 0;
        pid_t got;
        do
            got = ::waitpid(pid, &status, flags);
        while (got < 0 && errno == EINTR);
        if (got == 0)
            return;
        reaped = true;
        closeFd(pidFd);
        if (got < 0)
            return;  // not our child any more (SIGCHLD ignored); nothing to report but the end
        if (WIFEXITED(status)) {
            exit.exitCode = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            exit.exitCode = -1;
            exit.signal = WTERMSIG(status);
        }
    }

    void killAtTimeLimit()
    {
        if (!reaped) {
            ::kill(-pid, SIGKILL);
            ::kill(pid, SIGKILL);  // in case it left its group
            exit.timedOut = true;
            reap(0);
        }
        // Whatever still holds the pipes (a grandchild that moved to a session of its own)
        // is not waited for.
        closeFd(inputFd);
        for (Sink& sink : sinks)
            closeFd(sink.fd);
    }

    void writeInput()
    {
        while (inputWritten < input.size()) {
            const size_t chunk = std::min<size_t>(input.size() - inputWritten, size_t(64) * 1024);
            const ssize_t written = writeWithoutSigpipe(inputFd, input.data() + inputWritten, chunk);
            if (written < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK)
                    return;
                break;  // EPIPE: the child stopped reading; the rest is not wanted
            }
            inputWritten += size_t(written);
        }
        closeFd(inputFd);
    }

    // A few reads at most, then back to poll(): a child that writes as fast as we read must
    // not starve the other stream or the time limit.
    void readInto(Sink& sink)
    {
        char buffer[64 * 1024];
        for (int reads = 0; reads < 4; ++reads) {
            const ssize_t got = ::read(sink.fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            if (got <= 0) {
                closeFd(sink.fd);
                return;
            }
            const size_t room = outputLimit - std::min(outputLimit, sink.text.size());
            sink.text.append(buffer, std::min(room, size_t(got)));
            if (size_t(got) > room)
                sink.truncated = true;
        }
    }

    bool pump(milliseconds wait)
    {
        if (!streamsOpen() && reaped) {
            closeFd(inputFd);
            return false;
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            killAtTimeLimit();
            return false;
        }

        pollfd fds[4];
        nfds_t count = 0;
        int* watched[4];
        const auto watch = [&](int& fd, short events) {
            fds[count] = { fd, events, 0 };
            watched[count++] = &fd;
        };
        if (inputFd >= 0)
            watch(inputFd, POLLOUT);
        for (Sink& sink : sinks) {
            if (sink.fd >= 0)
                watch(sink.fd, POLLIN);
        }
        if (!reaped && pidFd >= 0)
            watch(pidFd, POLLIN);

        milliseconds timeout = std::min(wait, std::chrono::ceil<milliseconds>(deadline - now));
        if (!reaped && pidFd < 0)
            timeout = std::min(timeout, reapTick);
        const int ready = ::poll(fds, count, int(std::max<milliseconds::rep>(timeout.count(), 0)));
        if (ready < 0)
            return true;  // EINTR: the caller comes round again

        bool childEnded = pidFd < 0;
        for (nfds_t i = 0; i < count; ++i) {
            if (fds[i].revents == 0)
                continue;
            if (watched[i] == &inputFd)
                writeInput();
            else if (watched[i] == &sinks[0].fd)
                readInto(sinks[0]);
            else if (watched[i] == &sinks[1].fd)
                readInto(sinks[1]);
            else
                childEnded = true;
        }
        if (!reaped && (childEnded || !streamsOpen()))
            reap(WNOHANG);
        if (Clock::now() >= deadline && (streamsOpen() || !reaped)) {
            killAtTimeLimit();
            return false;
        }
        return streamsOpen() || !reaped;
    }
};

ChildProcess::ChildProcess(std::unique_ptr<State> state) : m_state(std::move(state)) {}

ChildProcess::ChildProcess(ChildProcess&&) noexcept = default;
ChildProcess& ChildProcess::operator=(ChildProcess&&) noexcept = default;
ChildProcess::~ChildProcess() = default;

ErrorOr<ChildProcess> ChildProcess::start(const ChildCommand& command)
{
    const std::string executable = command.executable.string();
    if (!command.executable.is_absolute())
        return Error { EINVAL, "Cannot run \"" + executable + "\": not an absolute path" };

    ErrorOr<Pipe> input = makePipe();
    if (!input)
        return input.error();
    ErrorOr<Pipe> out = makePipe();
    ErrorOr<Pipe> err = makePipe();
    auto state = std::make_unique<State>();
    // The state owns our ends from here, so every early return closes them.
    state->inputFd = input.value().write;
    if (out)
        state->sinks[0].fd = out.value().read;
    if (err)
        state->sinks[1].fd = err.value().read;
    const auto closeChildEnds = [&] {
        ::close(input.value().read);
        if (out)
            ::close(out.value().write);
        if (err)
            ::close(err.value().write);
    };
    if (!out || !err) {
        closeChildEnds();
        return (!out ? out : err).error();
    }

    std::vector<std::string> argumentStrings;
    argumentStrings.reserve(command.arguments.size() + 1);
    argumentStrings.push_back(executable);
    argumentStrings.insert(argumentStrings.end(), command.arguments.begin(), command.arguments.end());
    std::vector<char*> argv;
    argv.reserve(argumentStrings.size() + 1);
    for (std::string& argument : argumentStrings)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> environmentStrings;
    std::vector<char*> envp;
    char** environment = environ;
    if (command.environment) {
        environmentStrings = *command.environment;
        for (std::string& entry : environmentStrings)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        environment = envp.data();
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input.value().read, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out.value().write, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.value().write, STDERR_FILENO);
    // Nothing else of ours reaches the child, not even a descriptor some library forgot to
    // mark close-on-exec.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

    // Its own process group (so a time limit ends what it started too), no blocked signals
    // and default dispositions whatever this process set up for itself.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    sigset_t defaults;
    sigfillset(&defaults);
    posix_spawnattr_setsigdefault(&attributes, &defaults);

    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv.data(), environment);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    closeChildEnds();
    if (spawned != 0)
        return Error::fromErrno(spawned, "Cannot run " + executable);

    state->pid = pid;
    // Close-on-exec by nature; -1 on kernels before 5.3. (glibc 2.36's <sys/pidfd.h> lacks
    // the C linkage its declaration needs, hence the raw system call.)
    state->pidFd = int(::syscall(SYS_pidfd_open, pid, 0));
    state->input = command.input;
    state->outputLimit = command.outputLimit;
    // A limit beyond any real run must not overflow the clock.
    state->deadline = Clock::now() + std::min<Clock::duration>(command.timeLimit, std::chrono::hours(24 * 365));
    setNonBlocking(state->inputFd);
    for (Sink& sink : state->sinks)
        setNonBlocking(sink.fd);
    if (state->input.empty())
        closeFd(state->inputFd);
    return ChildProcess(std::move(state));
}

int ChildProcess::pid() const
{
    return m_state->pid;
}

bool ChildProcess::pump(milliseconds wait)
{
    return m_state->pump(wait);
}

const std::string& ChildProcess::output(ChildStream stream) const
{
    return m_state->sinks[stream == ChildStream::out ? 0 : 1].text;
}

ErrorOr<void> ChildProcess::sendSignal(int signal)
{
    if (m_state->reaped || m_state->pid <= 0)
        return Error { ESRCH, "The program has already ended" };
    if (::kill(m_state->pid, signal) != 0)
        return Error::fromErrno(errno, "Cannot signal process " + std::to_string(m_state->pid));
    return {};
}

ChildResult ChildProcess::finish()
{
    while (m_state->pump(milliseconds(std::chrono::hours(1)))) {}
    ChildResult result;
    result.exit = m_state->exit;
    result.out = std::move(m_state->sinks[0].text);
    result.err = std::move(m_state->sinks[1].text);
    result.outTruncated = m_state->sinks[0].truncated;
    result.errTruncated = m_state->sinks[1].truncated;
    return result;
}

ErrorOr<ChildResult> runChildProcess(const ChildCommand& command)
{
    ErrorOr<ChildProcess> child = ChildProcess::start(command);
    if (!child)
        return child.error();
    return child.value().finish();
}

}  // namespace lopewell
