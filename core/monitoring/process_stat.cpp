#include "core/monitoring/process_stat.h"

#include <charconv>
#include <vector>

namespace lopewell {

namespace {

template <typename T>
std::optional<T> parseNumber(std::string_view text)
{
    T value {};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<ProcessStat> parseProcessStat(std::string_view text)
{
    const auto open = text.find('(');
    const auto close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;

    // Fields after the name, counted from the state letter (field 3 of proc(5)).
    std::vector<std::string_view> fields;
    std::string_view rest = text.substr(close + 1);
    while (fields.size() < 22) {
        const auto start = rest.find_first_not_of(" \n");
        if (start == std::string_view::npos)
            break;
        rest.remove_prefix(start);
        const auto end = rest.find_first_of(" \n");
        fields.push_back(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    }
    if (fields.size() < 22)
        return std::nullopt;

    auto parent = parseNumber<int32_t>(fields[1]);
    auto user = parseNumber<uint64_t>(fields[11]);
    auto system = parseNumber<uint64_t>(fields[12]);
    auto threads = parseNumber<int64_t>(fields[17]);
    auto rss = parseNumber<int64_t>(fields[21]);
    if (!parent || !user || !system || !threads || !rss)
        return std::nullopt;

    return ProcessStat {
        .parentPID = *parent,
        .name = std::string(text.substr(open + 1, close - open - 1)),
        .cpuTicks = *user + *system,
        .threadCount = *threads,
        .residentPages = *rss < 0 ? 0 : *rss,
    };
}

}  // namespace lopewell
