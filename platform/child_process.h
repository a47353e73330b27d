// Runs another program and collects what it says: the one way this program starts a tool
// (systemctl, flatpak, dpkg-query, ...). Never through a shell: the executable is an absolute
// path and its arguments are passed as they are.
//
//   ChildCommand command { "/usr/bin/flatpak", { "list", "--app" } };
//   command.timeLimit = std::chrono::seconds(10);
//   ErrorOr<ChildResult> result = runChildProcess(command);
//   if (!result) show(result.error().message);          // it could not be started
//   else if (result.value().exit.succeeded()) parse(result.value().out);
//
// Both output streams are read together, so a child that fills one while we wait on the other
// never stalls. A child still running at its time limit is killed with its whole process group
// (it runs in a group of its own), and the result says so. Output past the cap is read and
// dropped, and the result says that too.
//
// THREAD-SAFETY: runChildProcess() may be called from any thread. A ChildProcess belongs to
// the thread that uses it.
#pragma once

#include "core/base/error_or.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lopewell {

struct ChildCommand {
    ChildCommand(std::filesystem::path executablePath, std::vector<std::string> argumentList = {})
        : executable(std::move(executablePath))
        , arguments(std::move(argumentList))
    {
    }

    std::filesystem::path executable;  // absolute; also the child's argv[0]
    std::vector<std::string> arguments;
    // "NAME=value" entries; absent: the child inherits this process's environment.
    std::optional<std::vector<std::string>> environment;
    std::string input;  // written to the child's standard input, which is then closed
    std::chrono::milliseconds timeLimit { std::chrono::seconds(60) };
    size_t outputLimit = 16 * 1024 * 1024;  // bytes kept per stream
};

// How the child ended. Exactly one of exitCode and signal says it.
struct ChildExit {
    int exitCode = -1;      // the status it exited with, or -1 when a signal ended it
    int signal = 0;         // the signal that ended it, or 0
    bool timedOut = false;  // it was still running at its time limit and was killed

    bool succeeded() const { return signal == 0 && exitCode == 0; }
    bool operator==(const ChildExit&) const = default;
};

struct ChildResult {
    ChildExit exit;
    std::string out;
    std::string err;
    bool outTruncated = false;
    bool errTruncated = false;
};

enum class ChildStream { out, err };

// A child that is still running, for callers that talk to it while it runs (signal it, read
// its output as it comes). Destroying one that has not finished kills and reaps it.
class ChildProcess {
public:
    // The time limit counts from here. Fails with the reason (errno and a message naming the
    // executable) when the program cannot be started: missing, not executable, not absolute.
    static ErrorOr<ChildProcess> start(const ChildCommand& command);

    ChildProcess(ChildProcess&&) noexcept;
    ChildProcess& operator=(ChildProcess&&) noexcept;
    ~ChildProcess();

    int pid() const;

    // Feeds input and takes in output for at most `wait`, returning early when something
    // happened. False once there is nothing left to wait for: both streams closed and the
    // child reaped (or killed at its time limit).
    bool pump(std::chrono::milliseconds wait);
    // What the child has written so far (up to the cap).
    const std::string& output(ChildStream stream) const;

    // Sends `signal` to the child itself. Fails once the child has been reaped, so a reused
    // process id is never signalled.
    ErrorOr<void> sendSignal(int signal);

    // Runs the child to its end (or its time limit), reaps it and hands over everything.
    ChildResult finish();

private:
    struct State;
    explicit ChildProcess(std::unique_ptr<State> state);

    std::unique_ptr<State> m_state;
};

// Starts the command and waits for it: start() then finish().
ErrorOr<ChildResult> runChildProcess(const ChildCommand& command);

}  // namespace lopewell
