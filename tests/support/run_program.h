// Running a real program from a test (the lopewell executable, a fixture server) through the
// product's own child-process runner: arguments as given, both streams collected, a time
// limit so a stuck program fails its test instead of hanging the suite.
//
//   Finished result = runProgram({ LOPEWELL_EXECUTABLE, { "--version" } });
//   EXPECT_EQ(result.exitCode, 0) << result.err;
//
//   RunningProgram app({ LOPEWELL_EXECUTABLE, {} });  // talk to it while it runs
//   EXPECT_EQ(app.readLine(ChildStream::out), "ready");
//   app.signal(SIGINT);
//   Finished rest = app.finish();
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/child_process.h"

#include <unistd.h>

extern char** environ;

namespace lopewell::testing {

// A child of this test that sleeps until signalled: the only kind of process a test signals.
// Forked rather than run, so the test reaps it and reads the raw wait status itself.
inline pid_t spawnSleeper()
{
    pid_t pid = fork();
    if (pid == 0) {
        for (;;)
            pause();
    }
    return pid;
}

struct Finished {
    int exitCode = -1;  // the exit status, or 128 + the signal that ended the program
    int signal = 0;     // that signal, or 0
    std::string out;
    std::string err;
};

// This process's environment without the variables named in `removed`, with `overrides`
// ("NAME=value") replacing or adding entries.
inline std::vector<std::string> environmentWith(
    const std::vector<std::string>& overrides, const std::vector<std::string_view>& removed = {})
{
    const auto nameOf = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view name = nameOf(*entry);
        bool dropped = false;
        for (std::string_view other : removed)
            dropped = dropped || name == other;
        for (const std::string& replacement : overrides)
            dropped = dropped || name == nameOf(replacement);
        if (!dropped)
            environment.emplace_back(*entry);
    }
    environment.insert(environment.end(), overrides.begin(), overrides.end());
    return environment;
}

class RunningProgram {
public:
    // A program that cannot be started fails the test; the object then acts as one that
    // ended at once with exit code -1 and nothing said.
    explicit RunningProgram(const ChildCommand& command)
    {
        ErrorOr<ChildProcess> started = ChildProcess::start(command);
        if (started)
            m_child.emplace(std::move(started.value()));
        else
            ADD_FAILURE() << started.error().message;
    }

    int pid() const { return m_child ? m_child->pid() : -1; }

    // The next line of `stream` without its newline, waiting for it; what is left when the
    // stream ends first. Lines read here are not repeated by finish().
    std::string readLine(ChildStream stream)
    {
        if (!m_child)
            return {};
        size_t& from = m_consumed[index(stream)];
        for (;;) {
            const std::string& text = m_child->output(stream);
            if (const size_t end = text.find('\n', from); end != std::string::npos) {
                std::string line = text.substr(from, end - from);
                from = end + 1;
                return line;
            }
            if (!m_child->pump(std::chrono::seconds(1))) {
                std::string rest = text.substr(from);
                from = text.size();
                return rest;
            }
        }
    }

    // False once the program has ended and been reaped.
    bool signal(int number) { return m_child && m_child->sendSignal(number).hasValue(); }

    // Waits for the program to end; the output readLine() has not taken.
    Finished finish()
    {
        Finished finished;
        if (!m_child)
            return finished;
        const ChildResult result = m_child->finish();
        finished.exitCode = result.exit.signal ? 128 + result.exit.signal : result.exit.exitCode;
        finished.signal = result.exit.signal;
        finished.out = result.out.substr(std::min(m_consumed[0], result.out.size()));
        finished.err = result.err.substr(std::min(m_consumed[1], result.err.size()));
        return finished;
    }

private:
    static size_t index(ChildStream stream) { return stream == ChildStream::out ? 0 : 1; }

    std::optional<ChildProcess> m_child;
    size_t m_consumed[2] = { 0, 0 };
};

inline Finished runProgram(const ChildCommand& command)
{
    return RunningProgram(command).finish();
}

}  // namespace lopewell::testing
