// launchd through its own tool: every question the Startup and Security sections ask launchd and
// every change they make goes through `launchctl`, run with the user's rights, one argument per
// element (never a shell), both pipes drained together, under a time limit.
//
//   LaunchctlClient launchctl(layout.launchctlPath());
//   auto jobs = launchctl.loadedJobs();                       // label -> pid, never fails
//   if (auto failed = launchctl.bootout("com.example.agent", uid)) show(failed->description());
//
// THREAD-SAFETY: no state; each call is its own child process and blocks until it ends.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/base/error_or.h"

namespace lopewell {

class LaunchctlClient {
public:
    struct RunResult {
        int32_t status = 0;  // the exit status; a child killed by a signal or the time limit reads as -1
        std::string output;  // UTF-8, each malformed byte replaced by U+FFFD
        std::string errorText;
    };

    struct LoadedJob {
        std::optional<int32_t> pid;  // absent: loaded, not running
        bool operator==(const LoadedJob&) const = default;
    };

    // A failed bootout or bootstrap: the tool could not be started, or it exited non-zero.
    struct LaunchctlError {
        std::optional<Error> startError;  // set when nothing was run
        std::string command;              // "bootout" or "bootstrap"
        int32_t status = 0;
        std::string standardError;  // as the tool wrote it

        // "launchctl bootout failed (status 5): <trimmed stderr>", or the start error's text.
        std::string description() const;
    };

    explicit LaunchctlClient(std::filesystem::path tool, std::chrono::milliseconds timeLimit = std::chrono::seconds(30));

    ErrorOr<RunResult> run(const std::vector<std::string>& arguments) const;
    // `launchctl list`; empty when the tool fails to start. The exit status is not looked at.
    std::map<std::string, LoadedJob, std::less<>> loadedJobs() const;
    // In the GUI domain gui/<uid>. Absent on success.
    std::optional<LaunchctlError> bootout(const std::string& label, uint32_t uid) const;
    std::optional<LaunchctlError> bootstrap(const std::filesystem::path& plist, uint32_t uid) const;

private:
    std::optional<LaunchctlError> change(std::string command, std::vector<std::string> arguments) const;

    std::filesystem::path m_tool;
    std::chrono::milliseconds m_timeLimit;
};

}  // namespace lopewell
