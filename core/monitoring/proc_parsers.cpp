#include "core/monitoring/proc_parsers.h"

#include <array>
#include <charconv>

namespace lopewell {

namespace {

// Splits off the next line (without its newline).
std::string_view nextLine(std::string_view& text)
{
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return line;
}

void skipSpaces(std::string_view& text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
}

std::optional<uint64_t> parseNumber(std::string_view& text)
{
    skipSpaces(text);
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc())
        return std::nullopt;
    text.remove_prefix(size_t(end - text.data()));
    return value;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<std::vector<CPUTicks>> parseProcStat(std::string_view text)
{
    std::vector<CPUTicks> ticks;
    while (!text.empty()) {
        std::string_view line = nextLine(text);
        // "cpu " is the sum over all CPUs; "cpu0", "cpu1", ... are the ones we want.
        if (line.size() < 4 || !line.starts_with("cpu") || !isDigit(line[3]))
            continue;
        line.remove_prefix(3);
        if (!parseNumber(line))
            return std::nullopt;
        // user nice system idle iowait irq softirq steal: the first four are required; older
        // kernels stop after fewer of the rest.
        std::array<uint64_t, 8> fields {};
        size_t count = 0;
        while (count < fields.size()) {
            auto value = parseNumber(line);
            if (!value)
                break;
            fields[count++] = *value;
        }
        if (count < 4)
            return std::nullopt;
        auto [user, nice, system, idle, iowait, irq, softirq, steal] = fields;
        // Truncation to 32 bits is the wrap the load arithmetic expects.
        ticks.push_back(CPUTicks {
            .user = uint32_t(user),
            .system = uint32_t(system + irq + softirq + steal),
            .idle = uint32_t(idle + iowait),
            .nice = uint32_t(nice),
        });
    }
    if (ticks.empty())
        return std::nullopt;
    return ticks;
}

namespace {

struct MeminfoField {
    std::string_view key;
    std::optional<uint64_t> bytes;
};

// Finds "Key:   123 kB" lines for the requested keys; a malformed value line makes it all fail.
bool parseKeyedKilobytes(std::string_view text, std::span<MeminfoField> fields)
{
    while (!text.empty()) {
        std::string_view line = nextLine(text);
        size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        std::string_view key = line.substr(0, colon);
        for (MeminfoField& field : fields) {
            if (field.key != key)
                continue;
            std::string_view rest = line.substr(colon + 1);
            auto value = parseNumber(rest);
            if (!value)
                return false;
            skipSpaces(rest);
            uint64_t multiplier = rest == "kB" ? 1024 : rest.empty() ? 1 : 0;
            if (multiplier == 0 || *value > UINT64_MAX / 1024)
                return false;
            field.bytes = *value * multiplier;
        }
    }
    return true;
}

}  // namespace

std::optional<MemoryStats> parseMeminfo(std::string_view text)
{
    enum {
        MemTotal,
        MemFree,
        Buffers,
        Cached,
        Shmem,
        SReclaimable,
        SUnreclaim,
        AnonPages,
        Unevictable,
        KernelStack,
        PageTables,
        Zswap,
        Count
    };
    std::array<MeminfoField, Count> fields { {
        { "MemTotal", {} },
        { "MemFree", {} },
        { "Buffers", {} },
        { "Cached", {} },
        { "Shmem", {} },
        { "SReclaimable", {} },
        { "SUnreclaim", {} },
        { "AnonPages", {} },
        { "Unevictable", {} },
        { "KernelStack", {} },
        { "PageTables", {} },
        { "Zswap", {} },
    } };
    if (!parseKeyedKilobytes(text, fields) || !fields[MemTotal].bytes || !fields[MemFree].bytes)
        return std::nullopt;
    // Fields a kernel does not report (Zswap before 5.x, say) count as zero.
    auto get = [&](size_t index) { return fields[index].bytes.value_or(0); };
    const uint64_t cache = get(Buffers) + get(Cached) + get(SReclaimable);

    MemoryStats stats;
    stats.free = get(MemFree);
    stats.active = get(AnonPages) + get(Shmem);
    stats.inactive = cache > get(Shmem) ? cache - get(Shmem) : 0;
    stats.wired = get(Unevictable) + get(SUnreclaim) + get(KernelStack) + get(PageTables);
    stats.compressed = get(Zswap);
    stats.total = get(MemTotal);
    return stats;
}

std::optional<uint64_t> parseFootprint(std::string_view statusText)
{
    std::array<MeminfoField, 2> fields { { { "VmRSS", {} }, { "VmSwap", {} } } };
    if (!parseKeyedKilobytes(statusText, fields) || !fields[0].bytes)
        return std::nullopt;
    return *fields[0].bytes + fields[1].bytes.value_or(0);
}

}  // namespace lopewell
