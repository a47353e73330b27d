#include "core/launchd/launchctl_list.h"

#include <charconv>
#include <vector>

#include "core/base/text.h"

namespace lopewell {

namespace {

std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> result;
    size_t at = 0;
    while (at < line.size()) {
        const size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos)
            break;
        size_t end = line.find_first_of(" \t", start);
        if (end == std::string_view::npos)
            end = line.size();
        result.push_back(line.substr(start, end - start));
        at = end;
    }
    return result;
}

}  // namespace

std::optional<int32_t> parseLaunchctlPid(std::string_view field)
{
    std::string_view digits = field;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty())
        return std::nullopt;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    // Parsed as 64-bit first so that "-2147483648" is accepted and one past it is not.
    int64_t magnitude = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    const int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return int32_t(value);
}

std::map<std::string, std::optional<int32_t>, std::less<>> parseLaunchctlList(std::string_view output)
{
    std::map<std::string, std::optional<int32_t>, std::less<>> jobs;
    bool header = true;
    while (!output.empty()) {
        const size_t newline = output.find('\n');
        const std::string_view line = output.substr(0, newline);
        output = newline == std::string_view::npos ? std::string_view() : output.substr(newline + 1);
        if (line.empty())
            continue;
        if (header) {
            header = false;
            continue;
        }
        const auto parts = fields(line);
        if (parts.size() < 3)
            continue;
        jobs.insert_or_assign(std::string(parts[2]), parseLaunchctlPid(parts[0]));
    }
    return jobs;
}

std::string launchctlFailureDescription(std::string_view command, int32_t status, std::string_view standardError)
{
    std::string text = "launchctl " + std::string(command) + " failed (status " + std::to_string(status) + ")";
    const std::string_view detail = trimmed(standardError, asciiSpace);
    if (!detail.empty())
        text += ": " + std::string(detail);
    return text;
}

}  // namespace lopewell
