#include "cli/security.h"

#include <algorithm>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/security/security_view_model.h"
#include "app/security/signature_file.h"
#include "cli/arguments.h"
#include "cli/run_loop.h"
#include "cli/terminal.h"
#include "core/base/file_url.h"
#include "core/concurrency/executor.h"
#include "platform/app_resources.h"

namespace lopewell::cli {

namespace {

namespace fs = std::filesystem;

constexpr OptionSpec scanOptions[] = {
    { "signatures", "FILE", "match against the signature list in FILE instead of the shipped one" },
    { "json", "", "JSON instead of text" },
};
constexpr VerbSpec scanVerb { "security scan", "[--signatures FILE] [--json]",
    "Looks for the traces of known adware, unwanted programs and malware, by signature.", scanOptions };
constexpr OptionSpec removeOptions[] = {
    { "signatures", "FILE", "match against the signature list in FILE instead of the shipped one" },
    { "yes", "", "without asking" },
};
constexpr VerbSpec removeVerb { "security remove", "ID [--signatures FILE] [--yes]",
    "Moves the removable items of a detected threat (ID as listed by security scan) to the Trash, after asking.", removeOptions, true };
constexpr const VerbSpec* securityVerbs[] = { &scanVerb, &removeVerb };

// The list to load, or the exit status when the one named cannot be used.
std::variant<std::optional<fs::path>, int> signatureFile(
    const VerbSpec& verb, const ParsedOptions& options, const HostLayout& layout, std::ostream& err)
{
    if (auto named = options.values.find("signatures"); named != options.values.end()) {
        const fs::path path = named->second;
        if (ErrorOr<std::vector<ThreatSignature>> list = readSignatureFile(path); !list) {
            err << "lopewell " << verb.name << ": " << terminalSafe(path.string()) << ": " << terminalSafe(list.error().message) << "\n";
            return 1;
        }
        return std::optional(path);
    }
    // An installation without its list scans with none, as the screen does; a broken one is
    // worth a word here.
    std::optional<fs::path> shipped = appResourcePath(signatureResourceName(layout.flavour()));
    if (shipped) {
        if (ErrorOr<std::vector<ThreatSignature>> list = readSignatureFile(*shipped); !list)
            err << "lopewell " << verb.name << ": the shipped signature list cannot be used (" << terminalSafe(list.error().message)
                << "); scanning without signatures\n";
    }
    return shipped;
}

void scanNow(RunLoopExecutor& loop, SecurityViewModel& model, std::ostream& err)
{
    ProgressLine progress(err);
    progress.show(std::string(securityScanningText));
    runUntil(loop, model, [&] { model.scan(); }, [&] { return model.threats() && !model.isScanning(); });
}

nlohmann::ordered_json artifactJson(const ObservedArtifact& artifact)
{
    return nlohmann::ordered_json {
        { "kind", rawValue(artifact.kind) },
        { "identifier", artifact.identifier },
        { "url", artifact.path ? nlohmann::ordered_json(fileURLString(*artifact.path)) : nlohmann::ordered_json(nullptr) },
        { "isUserControllable", artifact.isUserControllable },
    };
}

nlohmann::ordered_json threatJson(const DetectedThreat& threat)
{
    auto artifacts = nlohmann::ordered_json::array();
    for (const ObservedArtifact& artifact : threat.artifacts)
        artifacts.push_back(artifactJson(artifact));
    return nlohmann::ordered_json {
        { "id", threat.signature.id },
        { "family", threat.signature.family },
        { "severity", rawValue(threat.signature.severity) },
        { "description", threat.signature.description },
        { "artifacts", std::move(artifacts) },
    };
}

// "  launchDaemon  com.example.daemon · manual" and, when the file is not the identifier, its path.
std::string artifactText(const ObservedArtifact& artifact, std::string_view indent)
{
    std::string text = std::string(indent) + std::string(rawValue(artifact.kind)) + "  " + terminalSafe(artifact.identifier);
    if (!artifact.isUserControllable)
        text += " \u00B7 " + std::string(securityManualTag);
    text += "\n";
    if (artifact.path && *artifact.path != artifact.identifier)
        text += std::string(indent) + "    " + terminalSafe(*artifact.path) + "\n";
    return text;
}

std::string threatText(const DetectedThreat& threat)
{
    std::string text = terminalSafe(threat.signature.family) + " \u00B7 " + std::string(rawValue(threat.signature.severity)) + " \u00B7 "
        + terminalSafe(threat.signature.id) + "\n";
    if (!threat.signature.description.empty())
        text += "  " + terminalSafe(threat.signature.description) + "\n";
    for (const ObservedArtifact& artifact : threat.artifacts)
        text += artifactText(artifact, "  ");
    return text;
}

int scan(std::span<const std::string_view> arguments, const HostLayout& layout, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(scanVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    auto file = signatureFile(scanVerb, options, layout, err);
    if (const int* done = std::get_if<int>(&file))
        return *done;
    RunLoopExecutor loop;
    SecurityViewModel model(SecurityViewModel::systemEnvironment(loop, layout, std::get<std::optional<fs::path>>(file)));
    scanNow(loop, model, err);
    const std::vector<DetectedThreat>& threats = *model.threats();
    if (options.has("json")) {
        auto list = nlohmann::ordered_json::array();
        for (const DetectedThreat& threat : threats)
            list.push_back(threatJson(threat));
        const nlohmann::ordered_json json { { "families", model.signatureCount() }, { "threats", std::move(list) } };
        out << json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
        return 0;
    }
    if (threats.empty()) {
        out << model.emptyText() << "\n";
        return 0;
    }
    for (const DetectedThreat& threat : threats)
        out << threatText(threat) << "\n";
    out << "Found " << countText(threats.size(), "known threat", "known threats") << " — checked against "
        << countText(model.signatureCount(), "family", "families") << ".\n";
    return 0;
}

const DetectedThreat* detected(const SecurityViewModel& model, std::string_view id)
{
    const auto& threats = *model.threats();
    auto found = std::find_if(threats.begin(), threats.end(), [&](const DetectedThreat& threat) { return threat.signature.id == id; });
    return found == threats.end() ? nullptr : &*found;
}

int remove(std::span<const std::string_view> arguments, const HostLayout& layout, std::istream& in, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(removeVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    if (options.words.size() != 1)
        return usageError(err, removeVerb.name, options.words.empty() ? "missing ID" : "give one ID");
    const std::string& id = options.words.front();
    auto file = signatureFile(removeVerb, options, layout, err);
    if (const int* done = std::get_if<int>(&file))
        return *done;
    RunLoopExecutor loop;
    SecurityViewModel model(SecurityViewModel::systemEnvironment(loop, layout, std::get<std::optional<fs::path>>(file)));
    const auto& signatures = model.signatures();
    if (std::none_of(signatures.begin(), signatures.end(), [&](const ThreatSignature& signature) { return signature.id == id; })) {
        err << "lopewell " << removeVerb.name << ": no signature has the id '" << terminalSafe(id) << "' (see lopewell security scan)\n";
        return 1;
    }
    scanNow(loop, model, err);
    const DetectedThreat* found = detected(model, id);
    if (!found) {
        err << "lopewell " << removeVerb.name << ": '" << terminalSafe(id) << "' was not found on this system; nothing to remove\n";
        return 1;
    }
    const DetectedThreat threat = *found;
    out << SecurityViewModel::confirmationTitle(threat) << "\n" << model.confirmationMessage() << "\n";
    std::string moving;
    std::string staying;
    for (const ObservedArtifact& artifact : threat.artifacts)
        (artifact.isUserControllable && artifact.path ? moving : staying) += artifactText(artifact, "    ");
    if (!moving.empty())
        out << "  To the Trash:\n" << moving;
    if (!staying.empty())
        out << "  Stays (" << securityManualTag << "):\n" << staying;
    const size_t count = ThreatRemover::trashPaths(threat).size();
    if (count == 0) {
        err << "lopewell " << removeVerb.name << ": nothing of " << terminalSafe(threat.signature.family)
            << " can be moved to the Trash here; remove the items marked manual yourself\n";
        return 1;
    }
    out << std::flush;
    const std::string question = "Move " + countText(count, "item", "items") + " to the Trash? [y/N] ";
    if (!options.has("yes") && !confirm(in, err, question)) {
        err << "Cancelled; nothing was removed.\n";
        return 1;
    }
    {
        ProgressLine progress(err);
        progress.show(std::string(securityScanningText));
        // Done once the removal has answered and the scan after it has too.
        runUntil(
            loop, model,
            [&] {
                model.requestRemoval(threat);
                model.confirmRemoval();
            },
            [&] { return model.lastRemoval() && !model.isRemoving() && !model.isScanning(); });
    }
    const TrashService::Outcome& outcome = *model.lastRemoval();
    out << "Moved " << countText(uint64_t(outcome.movedCount), "item", "items") << " to the Trash.\n";
    bool failed = false;
    if (const auto& alert = model.trashFailure()) {
        err << alert->title << "\n" << terminalSafe(alert->message) << "\n";
        failed = true;
    }
    // What the scan afterwards still finds is what stayed.
    if (const DetectedThreat* left = detected(model, id)) {
        std::string stayed;
        for (const ObservedArtifact& artifact : left->artifacts) {
            if (artifact.isUserControllable)
                stayed += artifactText(artifact, "  ");
        }
        if (!stayed.empty()) {
            out << "Still there:\n" << stayed;
            failed = true;
        }
    }
    return failed ? 1 : 0;
}

}  // namespace

int runSecurity(
    std::span<const std::string_view> arguments, const HostLayout& layout, std::istream& in, std::ostream& out, std::ostream& err)
{
    if (arguments.empty())
        return usageError(err, "security", "missing command (scan or remove)");
    const std::string_view first = arguments.front();
    if (isHelpRequest(first)) {
        out << groupHelp("security", "Known adware, unwanted programs and malware, found by signature, and removing them.", securityVerbs);
        return 0;
    }
    if (first == "scan")
        return scan(arguments.subspan(1), layout, out, err);
    if (first == "remove")
        return remove(arguments.subspan(1), layout, in, out, err);
    return usageError(err, "security", "unknown command '" + terminalSafe(first) + "' (scan or remove)");
}

}  // namespace lopewell::cli
