#include "platform/launchctl_client.h"

#include "core/base/utf8.h"
#include "core/launchd/launchctl_list.h"
#include "platform/child_process.h"

namespace lopewell {

LaunchctlClient::LaunchctlClient(std::filesystem::path tool, std::chrono::milliseconds timeLimit)
    : m_tool(std::move(tool))
    , m_timeLimit(timeLimit)
{
}

std::string LaunchctlClient::LaunchctlError::description() const
{
    if (startError)
        return startError->message;
    return launchctlFailureDescription(command, status, standardError);
}

ErrorOr<LaunchctlClient::RunResult> LaunchctlClient::run(const std::vector<std::string>& arguments) const
{
    ChildCommand command(m_tool, arguments);
    command.timeLimit = m_timeLimit;
    command.outputLimit = size_t(4) << 20;
    auto result = runChildProcess(command);
    if (!result)
        return result.error();
    const ChildResult& finished = result.value();
    return RunResult {
        finished.exit.signal == 0 && !finished.exit.timedOut ? int32_t(finished.exit.exitCode) : -1,
        utf8::withReplacements(finished.out),
        utf8::withReplacements(finished.err),
    };
}

std::map<std::string, LaunchctlClient::LoadedJob, std::less<>> LaunchctlClient::loadedJobs() const
{
    std::map<std::string, LoadedJob, std::less<>> jobs;
    auto result = run({ "list" });
    if (!result)
        return jobs;
    for (auto& [label, pid] : parseLaunchctlList(result.value().output))
        jobs.emplace(label, LoadedJob { pid });
    return jobs;
}

std::optional<LaunchctlClient::LaunchctlError> LaunchctlClient::change(std::string command, std::vector<std::string> arguments) const
{
    auto result = run(arguments);
    if (!result)
        return LaunchctlError { result.error(), std::move(command), 0, {} };
    if (result.value().status == 0)
        return std::nullopt;
    return LaunchctlError { std::nullopt, std::move(command), result.value().status, std::move(result.value().errorText) };
}

std::optional<LaunchctlClient::LaunchctlError> LaunchctlClient::bootout(const std::string& label, uint32_t uid) const
{
    return change("bootout", { "bootout", "gui/" + std::to_string(uid) + "/" + label });
}

std::optional<LaunchctlClient::LaunchctlError> LaunchctlClient::bootstrap(const std::filesystem::path& plist, uint32_t uid) const
{
    return change("bootstrap", { "bootstrap", "gui/" + std::to_string(uid), plist.string() });
}

}  // namespace lopewell
