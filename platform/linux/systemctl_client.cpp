#include "platform/systemctl_client.h"

#include "core/base/text.h"
#include "core/base/utf8.h"
#include "platform/child_process.h"

#include <cstdlib>

namespace lopewell {

namespace {

std::optional<ChildResult> runTool(const std::filesystem::path& tool, std::vector<std::string> arguments, std::chrono::milliseconds limit)
{
    ChildCommand command(tool, std::move(arguments));
    command.timeLimit = limit;
    command.outputLimit = size_t(8) << 20;
    // Plain output: no pager, no colours, no legend decorations that depend on a terminal.
    command.environment = std::vector<std::string> { "SYSTEMD_PAGER=", "SYSTEMD_COLORS=0", "LC_ALL=C" };
    for (const char* name : { "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS", "HOME", "PATH" }) {
        if (const char* value = std::getenv(name))
            command.environment->push_back(std::string(name) + "=" + value);
    }
    auto result = runChildProcess(command);
    if (!result)
        return std::nullopt;
    return std::move(result.value());
}

}  // namespace

SystemctlClient::SystemctlClient(std::filesystem::path tool, std::chrono::milliseconds timeLimit)
    : m_tool(std::move(tool))
    , m_timeLimit(timeLimit)
{
}

std::vector<std::string> SystemctlClient::arguments(Scope scope, std::vector<std::string> rest) const
{
    std::vector<std::string> all;
    if (scope == Scope::user)
        all.emplace_back("--user");
    all.insert(all.end(), std::make_move_iterator(rest.begin()), std::make_move_iterator(rest.end()));
    return all;
}

std::optional<std::vector<UnitFile>> SystemctlClient::listUnitFiles(Scope scope) const
{
    if (auto json = runTool(m_tool, arguments(scope, { "list-unit-files", "-o", "json", "--no-pager" }), m_timeLimit);
        json && json->exit.succeeded() && !json->outTruncated) {
        if (auto files = parseUnitFilesJson(json->out))
            return files;
    }
    auto text = runTool(m_tool, arguments(scope, { "list-unit-files", "--no-legend", "--no-pager" }), m_timeLimit);
    if (!text || !text->exit.succeeded())
        return std::nullopt;
    return parseUnitFilesText(text->out);
}

std::vector<UnitStatus> SystemctlClient::show(Scope scope, const std::vector<std::string>& units) const
{
    if (units.empty())
        return {};
    std::vector<std::string> rest { "show", "-p",
        "Id,Description,LoadState,ActiveState,SubState,MainPID,UnitFileState,FragmentPath,ExecStart", "--" };
    rest.insert(rest.end(), units.begin(), units.end());
    auto result = runTool(m_tool, arguments(scope, std::move(rest)), m_timeLimit);
    if (!result || !result->exit.succeeded())
        return {};
    return parseShowOutput(utf8::withReplacements(result->out));
}

ErrorOr<void> SystemctlClient::change(Scope scope, std::string_view verb, const std::string& unit) const
{
    auto result = runTool(m_tool, arguments(scope, { std::string(verb), "--", unit }), m_timeLimit);
    if (!result)
        return Error { 0, "systemctl could not be started: " + m_tool.string() };
    if (result->exit.succeeded())
        return {};
    std::string text = "systemctl " + std::string(verb) + " " + unit + " failed";
    if (result->exit.timedOut)
        text += " (it did not finish in time)";
    else if (result->exit.signal == 0)
        text += " (status " + std::to_string(result->exit.exitCode) + ")";
    const std::string detail(trimmed(utf8::withReplacements(result->err)));
    if (!detail.empty())
        text += ": " + detail;
    return Error { 0, text };
}

}  // namespace lopewell
