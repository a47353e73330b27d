// systemd through its own tool, for the units that start at login: `systemctl --user` for the
// user's manager and plain `systemctl` for the system's, one argument per element (never a
// shell), under a time limit. Unit names come from systemctl's own listing and are passed after
// "--", so none is ever taken for an option.
//
//   SystemctlClient systemctl(layout.system("/usr/bin/systemctl"));
//   auto files = systemctl.listUnitFiles(SystemctlClient::Scope::user);  // absent: systemctl failed
//   auto states = systemctl.show(SystemctlClient::Scope::user, { "foo.service" });
//   if (auto done = systemctl.change(SystemctlClient::Scope::user, "mask", "foo.service"); !done) show(done.error().message);
//
// THREAD-SAFETY: no state; each call is its own child process and blocks until it ends.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/error_or.h"
#include "core/systemd/systemctl_output.h"

namespace lopewell {

class SystemctlClient {
public:
    enum class Scope { user, system };

    explicit SystemctlClient(std::filesystem::path tool, std::chrono::milliseconds timeLimit = std::chrono::seconds(20));

    // `list-unit-files -o json`, and the plain table when that fails or is not JSON. Absent
    // when neither answers.
    std::optional<std::vector<UnitFile>> listUnitFiles(Scope scope) const;
    // `show -p Id,Description,LoadState,ActiveState,SubState,MainPID,UnitFileState,FragmentPath,ExecStart -- UNIT...`.
    // Empty when the manager cannot be reached (no user bus, say).
    std::vector<UnitStatus> show(Scope scope, const std::vector<std::string>& units) const;
    // `enable`, `disable`, `mask`, `unmask` or `stop` of one unit; the error carries systemctl's own words.
    ErrorOr<void> change(Scope scope, std::string_view verb, const std::string& unit) const;

private:
    std::vector<std::string> arguments(Scope scope, std::vector<std::string> rest) const;

    std::filesystem::path m_tool;
    std::chrono::milliseconds m_timeLimit;
};

}  // namespace lopewell
