#include "cli/space.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <vector>

#include "app/space/disk_scanner.h"
#include "app/space/space_view_model.h"
#include "cli/arguments.h"
#include "cli/terminal.h"
#include "core/base/file_url.h"

namespace lopewell::cli {

namespace {

namespace fs = std::filesystem;

constexpr int64_t defaultTop = 10;
constexpr int maximumImageSide = 16'384;

ErrorOr<int64_t> parseCount(const ParsedOptions& options, std::string_view name, int64_t fallback, int64_t smallest)
{
    auto it = options.values.find(name);
    if (it == options.values.end())
        return fallback;
    int64_t value = 0;
    const std::string& text = it->second;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < smallest)
        return Error { 0,
            "--" + std::string(name) + " must be a whole number of at least " + std::to_string(smallest) + " (got '" + text + "')" };
    return value;
}

struct ImageSize {
    int width = 1200;
    int height = 800;
};

ErrorOr<ImageSize> parseImageSize(const ParsedOptions& options)
{
    auto it = options.values.find("size");
    if (it == options.values.end())
        return ImageSize {};
    const std::string& text = it->second;
    const size_t x = text.find('x');
    ImageSize size;
    auto parse = [](std::string_view part, int& value) {
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
        return !part.empty() && error == std::errc() && end == part.data() + part.size() && value >= 1 && value <= maximumImageSide;
    };
    if (x == std::string::npos || !parse(std::string_view(text).substr(0, x), size.width)
        || !parse(std::string_view(text).substr(x + 1), size.height))
        return Error { 0, "--size must be WIDTHxHEIGHT in pixels, each from 1 to 16384 (got '" + text + "')" };
    return size;
}

std::string rightAligned(std::string text, size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// The largest entries of each folder, `top` per folder, `depth` levels below the root.
void writeText(std::ostream& out, const DiskScanComplete& result, int64_t depth, int64_t top)
{
    struct Frame {
        std::vector<const DiskNode*> shown;
        size_t next = 0;
        int64_t hidden = 0;
        uint64_t hiddenBytes = 0;
    };
    auto frameFor = [top](const DiskNode& node) {
        Frame frame;
        for (const DiskNode& child : node.children())
            frame.shown.push_back(&child);
        std::stable_sort(
            frame.shown.begin(), frame.shown.end(), [](const DiskNode* a, const DiskNode* b) { return a->size() > b->size(); });
        if (int64_t(frame.shown.size()) > top) {
            for (size_t i = size_t(top); i < frame.shown.size(); ++i) {
                ++frame.hidden;
                frame.hiddenBytes += frame.shown[i]->size();
            }
            frame.shown.resize(size_t(top));
        }
        return frame;
    };
    constexpr size_t sizeWidth = 11;
    out << rightAligned(spaceSizeText(result.root.size()), sizeWidth) << "  " << terminalSafe(result.root.path()) << "\n";
    std::vector<Frame> stack;
    if (depth > 0)
        stack.push_back(frameFor(result.root));
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const std::string indent(stack.size() * 2, ' ');
        if (frame.next == frame.shown.size()) {
            if (frame.hidden > 0)
                out << rightAligned(spaceSizeText(frame.hiddenBytes), sizeWidth) << "  " << indent << "… "
                    << countText(uint64_t(frame.hidden)) << " more\n";
            stack.pop_back();
            continue;
        }
        const DiskNode& node = *frame.shown[frame.next++];
        out << rightAligned(spaceSizeText(node.size()), sizeWidth) << "  " << indent << terminalSafe(node.name())
            << (node.isDirectory() ? "/" : "") << (node.isMountPoint() ? "  (" + std::string(mountPointLabel) + ")" : "") << "\n";
        if (node.isDirectory() && !node.children().empty() && int64_t(stack.size()) < depth)
            stack.push_back(frameFor(node));
    }
    out << "Unreadable folders: " << result.unreadableCount << "\n";
    if (!result.mountPoints.empty()) {
        out << "Mounted volumes not scanned (--cross-mounts enters them):";
        for (const std::string& path : result.mountPoints)
            out << " " << terminalSafe(path);
        out << "\n";
    }
}

std::string jsonString(const std::string& text)
{
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// Written as it is walked: a tree of a million files must not be copied into a JSON document
// first. `depth` < 0: every level.
void writeJson(std::ostream& out, const DiskScanComplete& result, int64_t depth)
{
    struct Frame {
        const DiskNode* node;
        size_t next = 0;
    };
    auto open = [&out](const DiskNode& node) {
        out << "{\"url\":" << jsonString(fileURLString(node.path())) << ",\"name\":" << jsonString(node.name())
            << ",\"size\":" << node.size() << ",\"isDirectory\":" << (node.isDirectory() ? "true" : "false")
            << ",\"isAggregate\":" << (node.isAggregate() ? "true" : "false") << ",\"aggregateCount\":" << node.aggregateCount()
            << (node.isMountPoint() ? ",\"mountPoint\":true" : "") << ",\"children\":[";
    };
    out << "{\"root\":";
    open(result.root);
    std::vector<Frame> stack { { &result.root } };
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const bool descend = depth < 0 || int64_t(stack.size()) <= depth;
        if (!descend || frame.next == frame.node->children().size()) {
            out << "]}";
            stack.pop_back();
            continue;
        }
        const DiskNode& child = frame.node->children()[frame.next];
        if (frame.next++ > 0)
            out << ",";
        open(child);
        stack.push_back({ &child });
    }
    out << ",\"unreadableCount\":" << result.unreadableCount << ",\"mountPoints\":[";
    for (size_t i = 0; i < result.mountPoints.size(); ++i)
        out << (i ? "," : "") << jsonString(fileURLString(result.mountPoints[i]));
    out << "]}\n";
}

}  // namespace

namespace {

constexpr OptionSpec spaceOptions[] = {
    { "depth", "N", "list the largest entries N levels deep (default 1)" },
    { "top", "N", "the top N entries of each folder (default 10)" },
    { "json", "", "the whole tree as JSON, or --depth levels of it" },
    { "png", "FILE", "draw the treemap of DIR to FILE" },
    { "size", "WxH", "the treemap's size in pixels (default 1200x800)" },
    { "cross-mounts", "", "enter other file systems mounted below DIR too" },
};
constexpr VerbSpec spaceVerb { "space", "DIR [--depth N] [--top N] [--json] [--png FILE [--size WxH]]",
    "The disk space under DIR: its largest entries, folder by folder, with the files below 1 MB\n"
    "of a folder as one \"Small files\" entry. Other file systems mounted below DIR are listed as\n"
    "mount points (\"mountPoint\": true in JSON) and not entered, unless --cross-mounts.",
    spaceOptions, true };

}  // namespace

int runSpace(std::span<const std::string_view> arguments, const Environment& environment, std::ostream& out, std::ostream& err)
{
    const auto parsed = parseFolderVerb(spaceVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<FolderArguments>(parsed).options;
    const bool json = options.has("json");
    const bool depthGiven = options.values.contains("depth");
    ErrorOr<int64_t> depth = parseCount(options, "depth", json ? -1 : 1, 0);
    ErrorOr<int64_t> top = parseCount(options, "top", defaultTop, 1);
    ErrorOr<ImageSize> imageSize = parseImageSize(options);
    for (const Error* error :
        { depth ? nullptr : &depth.error(), top ? nullptr : &top.error(), imageSize ? nullptr : &imageSize.error() }) {
        if (error)
            return valueError(err, spaceVerb.name, error->message);
    }
    if (options.values.contains("size") && !options.values.contains("png"))
        return valueError(err, spaceVerb.name, "--size goes with --png");
    const auto png = options.values.find("png");
    if (png != options.values.end() && !environment.drawTreemap) {
        err << "lopewell space: this build cannot draw PNG files (it was built without Qt)\n";
        return 1;
    }

    const std::string root = std::get<FolderArguments>(parsed).folder.string();
    std::optional<DiskScanProgress> scanned;
    {
        ProgressLine progress(err);
        const auto mounts = options.has("cross-mounts") ? DiskScanner::Mounts::cross : DiskScanner::Mounts::stayOnFileSystem;
        const DiskScanner scanner(DiskScanner::screenThreshold, DiskScanner::defaultThreadCount(), mounts);
        scanned = scanner.measure(root, {}, [&progress](const DiskScanScanning& scanning) {
            progress.show("Scanning… " + countText(uint64_t(scanning.files), "file", "files") + " · " + spaceSizeText(scanning.bytes));
        });
    }
    if (!scanned || std::holds_alternative<DiskScanMissing>(*scanned)) {
        err << "lopewell space: no folder at " << terminalSafe(root) << "\n";
        return 1;
    }
    const DiskScanComplete& result = std::get<DiskScanComplete>(*scanned);

    if (png != options.values.end()) {
        ErrorOr<void> drawn = environment.drawTreemap(result.root, png->second, imageSize.value().width, imageSize.value().height);
        if (!drawn) {
            err << "lopewell space: " << drawn.error().message << "\n";
            return 1;
        }
    }
    if (json)
        writeJson(out, result, depthGiven || !json ? depth.value() : -1);
    else
        writeText(out, result, depth.value(), top.value());
    return out.good() ? 0 : 1;
}

}  // namespace lopewell::cli
