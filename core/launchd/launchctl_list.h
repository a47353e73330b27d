// The text `launchctl` prints, read without trusting it: the table of `launchctl list` and the
// description of a failed `bootout` or `bootstrap`.
//
//   std::map<std::string, std::optional<int32_t>> jobs = parseLaunchctlList(result.out);
//   if (auto job = jobs.find("com.example.agent"); job != jobs.end() && job->second) running(*job->second);
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace lopewell {

// Label to process identifier (absent when loaded but not running). The first line is the
// header; fields are split at runs of tabs and spaces; a line of fewer than three fields is
// skipped; a later line with the same label replaces an earlier one.
std::map<std::string, std::optional<int32_t>, std::less<>> parseLaunchctlList(std::string_view output);

// A decimal signed 32-bit number: an optional "+" or "-", at least one digit, nothing else,
// no overflow. "-" alone (a job that is not running) is absent.
std::optional<int32_t> parseLaunchctlPid(std::string_view field);

// "launchctl bootout failed (status 5): <stderr trimmed>", without the ": ..." when the trimmed
// standard error is empty.
std::string launchctlFailureDescription(std::string_view command, int32_t status, std::string_view standardError);

}  // namespace lopewell
