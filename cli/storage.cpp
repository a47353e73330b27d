#include "cli/storage.h"

#include <algorithm>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/storage/storage_view_model.h"
#include "cli/arguments.h"
#include "cli/json_writer.h"
#include "cli/run_loop.h"
#include "cli/terminal.h"
#include "core/concurrency/executor.h"
#include "core/format/byte_count_formatter.h"
#include "core/trash/trash_failure_alert.h"

namespace lopewell::cli {

namespace {

namespace fs = std::filesystem;
using VM = StorageViewModel;

// Paths and names are bytes; what is not UTF-8 is shown as U+FFFD rather than failing.
template <typename Json>
std::string dumpJson(const Json& json)
{
    return json.dump(2, ' ', false, Json::error_handler_t::replace);
}

constexpr OptionSpec jsonOption[] = { { "json", "", "JSON instead of text" } };
constexpr VerbSpec listVerb { "storage list", "[--json]", "The cleanable categories: id, title, section, risk, smart scan, folders.",
    jsonOption };
constexpr VerbSpec scanVerb { "storage scan", "[ID...] [--json]", "Scans the given categories (default: all) and updates the scan cache.",
    jsonOption, true };
constexpr VerbSpec smartVerb { "storage smart", "[--json]", "The smart scan of the default-on categories (caches, logs, Trash).",
    jsonOption };
constexpr OptionSpec cleanOptions[] = { { "yes", "", "without asking" } };
constexpr VerbSpec cleanVerb { "storage clean", "ID [--yes]", "Scans a category and moves everything it holds to the Trash, after asking.",
    cleanOptions, true };
constexpr const VerbSpec* storageVerbs[] = { &listVerb, &scanVerb, &smartVerb, &cleanVerb };

std::string progressText(const StorageCategory& category, const VM::CategoryState& state)
{
    std::string text = "Scanning " + category.title + "…";
    if (auto scanning = std::get_if<VM::Scanning>(&state))
        text += " " + countText(uint64_t(scanning->itemsSeen), "item", "items") + " · "
            + formatByteCount(scanning->bytes, ByteCountStyle::file);
    return text;
}

// One item as encodeStorageItem gives it, keys in the order the document prints them.
void writeItem(JsonWriter& json, const StorageItem& item)
{
    json.beginObject();
    if (item.displayName) {
        json.key("displayName");
        json.string(*item.displayName);
    }
    if (item.modificationDate) {
        json.key("modificationDate");
        json.number(secondsSinceReferenceDate(*item.modificationDate));
    }
    json.key("size");
    json.number(item.size);
    json.key("url");
    json.fileURL(item.path);
    json.endObject();
}

// {"items": [...], "skipped": [...] (when any), "state": "scanned" or "missing", "totalBytes": N}
void writeCategoryResult(JsonWriter& json, const VM::CategoryState& state)
{
    const auto* scanned = std::get_if<VM::Scanned>(&state);
    json.beginObject();
    json.key("items");
    json.beginArray();
    if (scanned) {
        for (const StorageItem& item : scanned->items)
            writeItem(json, item);
    }
    json.endArray();
    if (scanned && !scanned->skipped.empty()) {
        json.key("skipped");
        json.beginArray();
        for (const std::string& reason : scanned->skipped)
            json.string(reason);
        json.endArray();
    }
    json.key("state");
    json.string(scanned ? "scanned" : "missing");
    json.key("totalBytes");
    json.number(std::uint64_t(scanned ? scanned->totalBytes : 0));
    json.endObject();
}

// {"<id>": result, ...}, ids in sorted order, written as it goes: a category of a million files
// is never copied into a document first.
void writeCategoryResults(std::ostream& out, const VM& model, std::vector<std::string> ids)
{
    std::sort(ids.begin(), ids.end());
    JsonWriter json(out, JsonWriter::Style::indented);
    json.beginObject();
    for (const std::string& id : ids) {
        json.key(id);
        writeCategoryResult(json, model.state(id));
    }
    json.endObject();
    json.finish();
}

std::string categoryResultLine(const StorageCategory& category, const VM::CategoryState& state)
{
    std::string line = terminalSafe(category.title) + " (" + category.id + "): ";
    if (auto scanned = std::get_if<VM::Scanned>(&state)) {
        line += countText(scanned->items.size(), "item", "items") + " · " + formatByteCount(scanned->totalBytes, ByteCountStyle::file);
        for (const std::string& reason : scanned->skipped)
            line += " (skipped: " + terminalSafe(reason) + ")";
        return line;
    }
    return line + "not present";
}

// Scans `ids` one after another; each ends in its state in the model.
void scanCategories(RunLoopExecutor& loop, VM& model, const std::vector<std::string>& ids, std::ostream& err)
{
    ProgressLine progress(err);
    for (const std::string& id : ids) {
        const StorageCategory& category = *model.category(id);
        runUntil(
            loop, model, [&] { model.startScan(id); }, [&] { return !std::holds_alternative<VM::Scanning>(model.state(id)); },
            [&] { progress.show(progressText(category, model.state(id))); });
    }
}

int listCategories(std::span<const std::string_view> arguments, const HostLayout& layout, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(listVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    const std::vector<StorageCategory>& catalogue = storageCatalogue(layout);
    if (options.has("json")) {
        auto json = nlohmann::ordered_json::array();
        for (const StorageCategory& category : catalogue) {
            nlohmann::ordered_json entry;
            entry["id"] = category.id;
            entry["title"] = category.title;
            entry["section"] = rawValue(category.section);
            entry["risk"] = rawValue(category.risk);
            entry["defaultEnabled"] = category.defaultEnabled;
            entry["requiresFullDiskAccess"] = category.requiresFullDiskAccess;
            entry["grouping"] = rawValue(category.grouping);
            auto paths = nlohmann::ordered_json::array();
            for (const fs::path& path : category.paths)
                paths.push_back(path.native());
            entry["paths"] = std::move(paths);
            json.push_back(std::move(entry));
        }
        out << dumpJson(json) << "\n";
        return 0;
    }
    for (StorageSection section : allCases<StorageSection>()) {
        out << storageSectionTitle(section) << " — " << storageSectionSubtitle(section) << "\n";
        for (const StorageCategory& category : catalogue) {
            if (category.section != section)
                continue;
            out << "  " << category.id << "  " << category.title << "  [" << riskBadge(category.risk).text
                << (category.defaultEnabled ? ", smart scan" : "") << (category.requiresFullDiskAccess ? ", needs Full Disk Access" : "")
                << "]\n";
            if (category.paths.empty())
                out << "      (no folders found)\n";
            for (const fs::path& path : category.paths)
                out << "      " << terminalSafe(path.native()) << "\n";
        }
    }
    return 0;
}

int scan(std::span<const std::string_view> arguments, const HostLayout& layout, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(scanVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    RunLoopExecutor loop;
    VM model(VM::systemEnvironment(loop, layout));

    std::vector<std::string> ids;
    for (const std::string& id : options.words) {
        if (!model.category(id))
            return valueError(err, scanVerb.name, "unknown category '" + terminalSafe(id) + "' (see 'lopewell storage list')");
        if (std::find(ids.begin(), ids.end(), id) == ids.end())
            ids.emplace_back(id);
    }
    if (ids.empty()) {
        for (const StorageCategory& category : model.categories())
            ids.push_back(category.id);
    }

    int status = 0;
    std::vector<std::string> scannable;
    for (const std::string& id : ids) {
        if (model.category(id)->requiresFullDiskAccess && !model.fullDiskAccessGranted()) {
            err << "lopewell storage scan: " << model.category(id)->title << " (" << id << ") requires Full Disk Access; skipped\n";
            status = 1;
            continue;
        }
        scannable.push_back(id);
    }
    scanCategories(loop, model, scannable, err);

    if (options.has("json")) {
        writeCategoryResults(out, model, scannable);
    } else {
        for (const std::string& id : scannable)
            out << categoryResultLine(*model.category(id), model.state(id)) << "\n";
    }
    return status;
}

int smart(std::span<const std::string_view> arguments, const HostLayout& layout, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(smartVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    RunLoopExecutor loop;
    VM model(VM::systemEnvironment(loop, layout));
    {
        ProgressLine progress(err);
        runUntil(
            loop, model, [&] { model.startSmartScan(); }, [&] { return !model.smartScanRunning(); },
            [&] {
                for (const StorageCategory& category : model.categories()) {
                    if (std::holds_alternative<VM::Scanning>(model.state(category.id)))
                        progress.show(progressText(category, model.state(category.id)));
                }
            });
    }

    // Every category the smart scan went through: those it completed and those found missing.
    std::vector<const StorageCategory*> covered;
    for (const StorageCategory& category : model.categories()) {
        if (category.defaultEnabled && (!category.requiresFullDiskAccess || model.fullDiskAccessGranted()))
            covered.push_back(&category);
    }
    const VM::SmartScanResult result = model.smartScanResult().value_or(VM::SmartScanResult {});
    if (options.has("json")) {
        std::vector<std::string> ids;
        ids.reserve(covered.size());
        for (const StorageCategory* category : covered)
            ids.push_back(category->id);
        writeCategoryResults(out, model, std::move(ids));
        return 0;
    }
    for (const StorageCategory* category : covered)
        out << categoryResultLine(*category, model.state(category->id)) << "\n";
    if (result.totalBytes > 0)
        out << "Reclaimable: " << formatByteCount(result.totalBytes, ByteCountStyle::file) << " across " << result.categories.size()
            << " categories\n";
    else
        out << "Nothing reclaimable\n";
    return 0;
}

int clean(std::span<const std::string_view> arguments, const HostLayout& layout, std::istream& in, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(cleanVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    if (options.words.size() != 1)
        return usageError(err, cleanVerb.name, options.words.empty() ? "missing category id" : "give one category id");
    RunLoopExecutor loop;
    VM model(VM::systemEnvironment(loop, layout));
    const std::string& id = options.words.front();
    const StorageCategory* category = model.category(id);
    if (!category)
        return valueError(err, cleanVerb.name, "unknown category '" + terminalSafe(id) + "' (see 'lopewell storage list')");
    if (category->requiresFullDiskAccess && !model.fullDiskAccessGranted()) {
        err << "lopewell storage clean: " << category->title << " requires Full Disk Access\n";
        return 1;
    }

    scanCategories(loop, model, { category->id }, err);
    // The model's own result, not a copy; only read before the removal below changes it.
    const auto* scanned = std::get_if<VM::Scanned>(&model.state(category->id));
    if (!scanned || scanned->items.empty()) {
        out << "Nothing to clean: " << category->title << (scanned ? " holds nothing." : " is not present.") << "\n";
        return 0;
    }

    // Largest first, as the review sheet lists them.
    std::vector<const StorageItem*> largest;
    for (const StorageItem& item : scanned->items)
        largest.push_back(&item);
    std::stable_sort(largest.begin(), largest.end(), [](const StorageItem* a, const StorageItem* b) { return a->size > b->size; });
    constexpr size_t itemsShown = 20;
    for (size_t i = 0; i < largest.size() && i < itemsShown; ++i)
        out << "  " << formatByteCount(largest[i]->size, ByteCountStyle::file) << "  " << terminalSafe(largest[i]->path) << "\n";
    if (largest.size() > itemsShown)
        out << "  … and " << countText(largest.size() - itemsShown, "more item", "more items") << "\n";
    const std::string count = countText(scanned->items.size(), "item", "items");
    out << "Total: " << count << " · " << formatByteCount(scanned->totalBytes, ByteCountStyle::file) << "\n" << std::flush;

    // Items already in a Trash cannot go to it again: the service deletes them for good.
    const bool permanent = isTrashCategory(*category);
    const std::string question
        = permanent ? "Delete " + count + " permanently? This can't be undone. [y/N] " : "Move " + count + " to Trash? [y/N] ";
    if (!options.has("yes") && !confirm(in, err, question)) {
        err << "Cancelled; nothing was " << (permanent ? "deleted" : "moved") << ".\n";
        return 1;
    }

    std::vector<std::string> paths;
    for (const StorageItem& item : scanned->items)
        paths.push_back(item.path);
    std::optional<TrashService::Outcome> outcome;
    loop.post([&] {
        model.clean(category->id, std::move(paths), [&](const TrashService::Outcome& result) {
            outcome = result;
            loop.stop();
        });
    });
    loop.run();

    out << (permanent ? "Deleted " : "Moved ") << countText(uint64_t(outcome->movedCount), "item", "items")
        << (permanent ? " permanently" : " to Trash") << "; " << outcome->failedCount << " failed.\n";
    if (auto alert = TrashFailureAlert::make(outcome->failedCount, outcome->error, platformWords(layout.flavour()))) {
        err << alert->title << "\n" << alert->message << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int runStorage(
    std::span<const std::string_view> arguments, const HostLayout& layout, std::istream& in, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return usageError(err, "storage", "missing subcommand (list, scan, smart or clean)");
    const std::string_view subcommand = arguments.front();
    if (isHelpRequest(subcommand)) {
        out << groupHelp("storage", "The Storage section's categories: their catalogue, scans and cleaning.", storageVerbs);
        return 0;
    }
    const auto rest = arguments.subspan(1);
    if (subcommand == "list")
        return listCategories(rest, layout, out, err);
    if (subcommand == "scan")
        return scan(rest, layout, out, err);
    if (subcommand == "smart")
        return smart(rest, layout, out, err);
    if (subcommand == "clean")
        return clean(rest, layout, in, out, err);
    return usageError(err, "storage", "unknown subcommand '" + terminalSafe(subcommand) + "'");
}

}  // namespace lopewell::cli
