#include "cli/files.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <iostream>
#include <limits>
#include <map>
#include <vector>

#include "app/files/duplicate_scanner.h"
#include "app/files/files_scanner.h"
#include "cli/arguments.h"
#include "cli/json_writer.h"
#include "cli/terminal.h"
#include "core/base/file_url.h"
#include "core/format/byte_count_formatter.h"
#include "core/format/decimal_text.h"
#include "platform/trash_service.h"

namespace lopewell::cli {

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t defaultLargeThreshold = 104'857'600;
constexpr int defaultAgeDays = 180;
constexpr std::uint64_t defaultDuplicateMinimum = 1'048'576;
constexpr std::string_view unreadableFolder = "Couldn't read that folder — check permissions.";

std::string bytesText(std::uint64_t bytes)
{
    return formatByteCount(bytes, ByteCountStyle::file);
}

// {"url": ..., "size": N, "modificationDate": seconds since 2001, "displayName": ...}, the last
// two when present.
void writeItem(JsonWriter& json, const StorageItem& item)
{
    json.beginObject();
    json.key("url");
    json.fileURL(item.path);
    json.key("size");
    json.number(item.size);
    if (item.modificationDate) {
        json.key("modificationDate");
        json.number(secondsSinceReferenceDate(*item.modificationDate));
    }
    if (item.displayName) {
        json.key("displayName");
        json.string(*item.displayName);
    }
    json.endObject();
}

std::string dateText(const std::optional<Date>& date)
{
    if (!date)
        return "          ";
    const std::time_t seconds = std::chrono::system_clock::to_time_t(*date);
    std::tm local {};
    char text[16] = "";
    if (::localtime_r(&seconds, &local))
        std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

std::string rightAligned(std::string text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

constexpr OptionSpec largeOptions[] = {
    { "min", "SIZE", "at least SIZE: bytes, or with K, M, G or T (binary: 100M = 104,857,600); default 100M" },
    { "json", "", "{\"items\":[...],\"totalBytes\":N} instead of text" },
};
constexpr VerbSpec largeVerb { "files large", "DIR [--min SIZE] [--json]", "Files of at least SIZE under DIR, largest first.", largeOptions,
    true };

constexpr OptionSpec oldOptions[] = {
    { "days", "N", "not modified for N days (default 180)" },
    { "json", "", "{\"items\":[...],\"totalBytes\":N} instead of text" },
};
constexpr VerbSpec oldVerb { "files old", "DIR [--days N] [--json]", "Files under DIR not modified for N days.", oldOptions, true };

constexpr OptionSpec dupesOptions[] = {
    { "min", "SIZE", "at least SIZE: bytes, or with K, M, G or T (binary: 100M = 104,857,600); default 1M" },
    { "json", "", "{\"groups\":[...],\"reclaimableBytes\":N} instead of text" },
    { "trash", "", "move every copy but the first of each group to the Trash, after asking" },
    { "yes", "", "with --trash: without asking" },
};
constexpr VerbSpec dupesVerb { "files dupes", "DIR [--min SIZE] [--json] [--trash [--yes]]",
    "Byte-identical files of at least SIZE under DIR, hidden files left out.", dupesOptions, true };

constexpr const VerbSpec* filesVerbs[] = { &largeVerb, &oldVerb, &dupesVerb };

// --min SIZE, or `fallback` without it.
ErrorOr<std::uint64_t> minimumSize(const ParsedOptions& options, std::uint64_t fallback)
{
    const auto it = options.values.find("min");
    if (it == options.values.end())
        return fallback;
    ErrorOr<std::uint64_t> size = parseByteSize(it->second);
    if (!size)
        return Error { 0, "--min " + size.error().message };
    return size;
}

int runFileList(const VerbSpec& verb, std::span<const std::string_view> arguments, std::ostream& out, std::ostream& err)
{
    const bool old = &verb == &oldVerb;
    const auto parsed = parseFolderVerb(verb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<FolderArguments>(parsed).options;
    const fs::path& root = std::get<FolderArguments>(parsed).folder;
    const auto& values = options.values;
    FilesScanner::Mode mode = FilesScanner::LargerThan { defaultLargeThreshold };
    if (old) {
        int days = defaultAgeDays;
        if (auto it = values.find("days"); it != values.end()) {
            const std::string& text = it->second;
            auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), days);
            if (text.empty() || error != std::errc() || end != text.data() + text.size() || days < 0 || days > 36'500)
                return valueError(err, verb.name, "--days must be a whole number of days from 0 to 36500, not '" + text + "'");
        }
        mode = FilesScanner::OlderThan { calendarDaysBefore(std::chrono::system_clock::now(), days) };
    } else {
        const ErrorOr<std::uint64_t> size = minimumSize(options, defaultLargeThreshold);
        if (!size)
            return valueError(err, verb.name, size.error().message);
        mode = FilesScanner::LargerThan { size.value() };
    }

    // The user is waiting for this one: no lowered priority, unlike the screen's scans.
    Stream<StorageScanProgress> stream = Stream<StorageScanProgress>::start(
        [&root, mode](StreamProducer<StorageScanProgress>& producer) { FilesScanner::run(root, mode, producer); });
    std::optional<StorageScanComplete> result;
    {
        ProgressLine progress(err);
        std::int64_t examined = 0;
        while (std::optional<StorageScanProgress> value = stream.next()) {
            if (const auto* scanning = std::get_if<StorageScanning>(value.operator->())) {
                examined += FilesScanner::progressInterval;
                progress.show("Examined " + countText(std::uint64_t(examined), "file", "files") + " · "
                    + countText(std::uint64_t(scanning->itemsSeen), "match", "matches") + " · " + bytesText(scanning->bytes));
            } else if (auto* complete = std::get_if<StorageScanComplete>(value.operator->())) {
                result = std::move(*complete);
            }
        }
    }
    if (!result) {
        err << "lopewell " << verb.name << ": " << terminalSafe(root.string()) << ": " << unreadableFolder << "\n";
        return 1;
    }

    if (options.has("json")) {
        JsonWriter json(out, JsonWriter::Style::compact);
        json.beginObject();
        json.key("items");
        json.beginArray();
        for (const StorageItem& item : result->items)
            writeItem(json, item);
        json.endArray();
        json.key("totalBytes");
        json.number(result->totalBytes);
        json.endObject();
        json.finish();
        return 0;
    }
    std::vector<StorageItem>& items = result->items;
    std::stable_sort(items.begin(), items.end(), [](const StorageItem& a, const StorageItem& b) { return a.size > b.size; });
    for (const StorageItem& item : items) {
        out << rightAligned(bytesText(item.size), 10) << "  ";
        if (old)
            out << dateText(item.modificationDate) << "  ";
        out << terminalSafe(item.path) << "\n";
    }
    out << countText(items.size(), "file", "files") << " · " << bytesText(result->totalBytes) << "\n";
    return 0;
}

// Moves every copy but the canonical first of each group to the Trash, after asking on the
// terminal unless `confirmed`. Reports what went; fails (1) if anything stayed or the user said no.
int trashCopies(const DuplicateScanComplete& result, bool confirmed, std::istream& in, std::ostream& report, std::ostream& err)
{
    std::vector<std::string> copies;
    std::map<std::string, std::uint64_t> sizes;
    for (const DuplicateGroup& group : result.groups) {
        for (std::size_t i = 1; i < group.files.size(); ++i) {
            copies.push_back(group.files[i]);
            sizes[group.files[i]] = group.size;
        }
    }
    if (copies.empty()) {
        report << "Nothing to move to the Trash.\n";
        return 0;
    }
    const std::string what = countText(copies.size(), "copy", "copies") + " (" + bytesText(result.reclaimableBytes) + ")";
    if (!confirmed && !confirm(in, err, "Move " + what + " to the Trash, keeping the first file of each group? [y/N] ")) {
        err << "Nothing was moved.\n";
        return 1;
    }
    const TrashService::Outcome outcome = TrashService::moveToTrash(copies);
    std::uint64_t freed = 0;
    for (const std::string& moved : outcome.movedPaths)
        freed += sizes[moved];
    report << "Moved " << countText(std::uint64_t(outcome.movedCount), "file", "files") << " to the Trash · " << bytesText(freed)
           << " freed\n";
    if (outcome.failedCount > 0) {
        err << "Could not move " << countText(std::uint64_t(outcome.failedCount), "file", "files");
        if (outcome.error)
            err << ": " << terminalSafe(*outcome.error);
        err << "\n";
        for (const std::string& copy : copies) {
            if (!outcome.movedPaths.contains(copy))
                err << "  still there: " << terminalSafe(copy) << "\n";
        }
        return 1;
    }
    return 0;
}

int runDupes(std::span<const std::string_view> arguments, std::istream& in, std::ostream& out, std::ostream& err)
{
    const auto parsed = parseFolderVerb(dupesVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<FolderArguments>(parsed).options;
    const fs::path& root = std::get<FolderArguments>(parsed).folder;
    const bool trash = options.has("trash");
    if (options.has("yes") && !trash)
        return usageError(err, dupesVerb.name, "--yes only goes with --trash");
    const ErrorOr<std::uint64_t> minimum = minimumSize(options, defaultDuplicateMinimum);
    if (!minimum)
        return valueError(err, dupesVerb.name, minimum.error().message);
    const std::uint64_t minSize = minimum.value();

    Stream<DuplicateScanProgress> stream = Stream<DuplicateScanProgress>::start(
        [&root, minSize](StreamProducer<DuplicateScanProgress>& producer) { DuplicateScanner().run(root, minSize, producer); });
    std::optional<DuplicateScanComplete> result;
    {
        ProgressLine progress(err);
        while (std::optional<DuplicateScanProgress> value = stream.next()) {
            if (const auto* scanning = std::get_if<DuplicateScanning>(value.operator->())) {
                progress.show(countText(std::uint64_t(scanning->filesSeen), "candidate file", "candidate files") + " · "
                    + countText(std::uint64_t(scanning->groupsSoFar), "group", "groups") + " · " + bytesText(scanning->reclaimableBytes)
                    + " to reclaim");
            } else if (auto* complete = std::get_if<DuplicateScanComplete>(value.operator->())) {
                result = std::move(*complete);
            }
        }
    }
    if (!result) {
        err << "lopewell files dupes: " << terminalSafe(root.string()) << ": " << unreadableFolder << "\n";
        return 1;
    }

    if (options.has("json")) {
        JsonWriter json(out, JsonWriter::Style::compact);
        json.beginObject();
        json.key("groups");
        json.beginArray();
        for (const DuplicateGroup& group : result->groups) {
            json.beginObject();
            json.key("id");
            json.string(group.id);
            json.key("size");
            json.number(group.size);
            json.key("files");
            json.beginArray();
            for (const std::string& file : group.files)
                json.fileURL(file);
            json.endArray();
            json.endObject();
        }
        json.endArray();
        json.key("reclaimableBytes");
        json.number(result->reclaimableBytes);
        json.endObject();
        json.finish();
        // The listing stays pure JSON; what the Trash did goes to stderr.
        return trash ? trashCopies(*result, options.has("yes"), in, err, err) : 0;
    }
    std::uint64_t fileCount = 0;
    for (const DuplicateGroup& group : result->groups) {
        out << "[" << group.id.substr(0, 6) << "] " << group.files.size() << " copies of " << bytesText(group.size) << " · "
            << bytesText(group.reclaimableBytes()) << " reclaimable\n";
        for (std::size_t i = 0; i < group.files.size(); ++i)
            out << (i == 0 ? "  keep  " : "        ") << terminalSafe(group.files[i]) << "\n";
        fileCount += group.files.size();
    }
    out << countText(result->groups.size(), "group", "groups") << " · " << countText(fileCount) << " files · "
        << bytesText(result->reclaimableBytes) << " reclaimable\n";
    return trash ? trashCopies(*result, options.has("yes"), in, out, err) : 0;
}

}  // namespace

ErrorOr<std::uint64_t> parseByteSize(std::string_view text)
{
    const auto invalid = [&] {
        return Error { 0, "must be a size in bytes, optionally with K, M, G, T or P (binary units), not '" + std::string(text) + "'" };
    };
    std::size_t digitsEnd = 0;
    while (digitsEnd < text.size() && text[digitsEnd] >= '0' && text[digitsEnd] <= '9')
        ++digitsEnd;
    std::string_view whole = text.substr(0, digitsEnd);
    std::string_view fraction;
    std::size_t at = digitsEnd;
    if (at < text.size() && text[at] == '.') {
        std::size_t end = at + 1;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        fraction = text.substr(at + 1, end - at - 1);
        at = end;
        if (fraction.empty())
            return invalid();
    }
    if (whole.empty())
        return invalid();

    std::string_view suffix = text.substr(at);
    int power = 0;
    if (!suffix.empty()) {
        static constexpr std::string_view units = "KMGTP";
        const char unit = char(suffix[0] >= 'a' && suffix[0] <= 'z' ? suffix[0] - 'a' + 'A' : suffix[0]);
        const std::size_t index = units.find(unit);
        if (index == std::string_view::npos)
            return invalid();
        power = int(index) + 1;
        suffix.remove_prefix(1);
        if (!(suffix.empty() || suffix == "B" || suffix == "b" || suffix == "iB" || suffix == "ib"))
            return invalid();
    }
    if (!fraction.empty() && power == 0)
        return invalid();  // a fraction of a byte

    const std::uint64_t multiplier = std::uint64_t(1) << (10 * power);
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(whole.data(), whole.data() + whole.size(), value);
    if (error != std::errc() || end != whole.data() + whole.size()
        || (value != 0 && multiplier > std::numeric_limits<std::uint64_t>::max() / value))
        return Error { 0, "is too large: '" + std::string(text) + "'" };
    value *= multiplier;
    // The fraction, exactly and rounded down: 18 digits are more than any byte count can show.
    fraction = fraction.substr(0, 18);
    std::uint64_t numerator = 0;
    std::uint64_t denominator = 1;
    for (char digit : fraction) {
        numerator = numerator * 10 + std::uint64_t(digit - '0');
        denominator *= 10;
    }
    __extension__ using Wide = unsigned __int128;
    const std::uint64_t part = std::uint64_t(Wide(multiplier) * numerator / denominator);
    if (part > std::numeric_limits<std::uint64_t>::max() - value)
        return Error { 0, "is too large: '" + std::string(text) + "'" };
    return value + part;
}

int runFiles(std::span<const std::string_view> arguments, std::istream& in, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return usageError(err, "files", "missing scan: large, old or dupes");
    const std::string_view verb = arguments.front();
    if (isHelpRequest(verb)) {
        out << groupHelp("files", "The Files section's three scans of a folder.", filesVerbs);
        return 0;
    }
    const auto rest = arguments.subspan(1);
    if (verb == "large")
        return runFileList(largeVerb, rest, out, err);
    if (verb == "old")
        return runFileList(oldVerb, rest, out, err);
    if (verb == "dupes")
        return runDupes(rest, in, out, err);
    return usageError(err, "files", "unknown scan '" + terminalSafe(verb) + "': use large, old or dupes");
}

}  // namespace lopewell::cli
