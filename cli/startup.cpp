#include "cli/startup.h"

#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/startup/startup_view_model.h"
#include "cli/arguments.h"
#include "cli/terminal.h"
#include "core/concurrency/executor.h"

namespace lopewell::cli {

namespace {

constexpr OptionSpec listOptions[] = {
    { "apple", "", "also Apple's own jobs (on the Linux desktop: the system's services)" },
    { "json", "", "a JSON array instead of text" },
};
constexpr VerbSpec listVerb { "startup", "[--apple] [--json]", "Everything that starts automatically, section by section.", listOptions };
constexpr VerbSpec disableVerb { "startup disable", "ID", "Switches one of your own items off (reversibly: nothing is deleted).", {},
    true };
constexpr VerbSpec enableVerb { "startup enable", "ID", "Switches an item you switched off on again.", {}, true };

// Runs the loop of this thread until the model has nothing running.
void settle(RunLoopExecutor& loop, StartupViewModel& model, const std::function<void()>& start)
{
    bool started = false;
    bool stopped = false;
    // Changes published while `start` runs come before the work it starts.
    auto stopWhenIdle = [&] {
        if (started && !stopped && !model.isScanning() && !model.isChanging()) {
            stopped = true;
            loop.stop();
        }
    };
    auto subscription = model.observers().add(stopWhenIdle);
    loop.post([&] {
        start();
        started = true;
        stopWhenIdle();
    });
    loop.run();
}

std::vector<StartupItem> screenOrder(const StartupViewModel& model)
{
    std::vector<StartupItem> items;
    for (StartupLayer layer : model.visibleLayers()) {
        for (StartupItem& item : model.items(layer))
            items.push_back(std::move(item));
    }
    return items;
}

std::string listText(const StartupViewModel& model)
{
    std::string text;
    for (StartupLayer layer : model.visibleLayers()) {
        if (!text.empty())
            text += "\n";
        text += std::string(startupLayerTitle(layer)) + "\n";
        const auto items = model.items(layer);
        if (items.empty())
            text += "  " + std::string(startupEmptySectionText) + "\n";
        for (const StartupItem& item : items) {
            text += "  " + terminalSafe(model.rowTitle(item)) + " \u00B7 " + model.runStateText(item.runState);
            if (item.isOrphaned)
                text += " \u00B7 " + std::string(startupOrphanedTag);
            if (item.note)
                text += " \u00B7 " + terminalSafe(*item.note);
            text += "\n      " + terminalSafe(model.rowDetail(item)) + "\n";
            text += "      " + terminalSafe(item.id) + "  " + terminalSafe(item.plistPath.string()) + "\n";
        }
    }
    return text;
}

int list(std::span<const std::string_view> arguments, const HostLayout& layout, std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(listVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const ParsedOptions& options = std::get<ParsedOptions>(parsed);
    RunLoopExecutor loop;
    StartupViewModel model(StartupViewModel::systemEnvironment(loop, layout));
    settle(loop, model, [&] {
        model.setShowSystemItems(options.has("apple"));
        model.refresh();
    });
    if (options.has("json")) {
        auto json = nlohmann::ordered_json::array();
        for (const StartupItem& item : screenOrder(model))
            json.push_back(encodeStartupItem(item));
        out << json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
    } else {
        out << listText(model);
    }
    return 0;
}

int change(const VerbSpec& verb, StartupAction action, std::span<const std::string_view> arguments, const HostLayout& layout,
    std::ostream& out, std::ostream& err)
{
    const VerbArguments parsed = parseVerb(verb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    const auto& words = std::get<ParsedOptions>(parsed).words;
    if (words.empty())
        return usageError(err, verb.name, "missing ID");
    if (words.size() > 1)
        return usageError(err, verb.name, "unexpected argument '" + terminalSafe(words[1]) + "'");
    const std::string& id = words.front();

    RunLoopExecutor loop;
    StartupViewModel model(StartupViewModel::systemEnvironment(loop, layout));
    settle(loop, model, [&] {
        model.setShowSystemItems(true);
        model.refresh();
    });
    const StartupItem* found = nullptr;
    for (const StartupItem& item : model.items()) {
        if (item.id == id)
            found = &item;
    }
    if (!found) {
        err << "lopewell " << verb.name << ": no startup item has the id '" << terminalSafe(id) << "' (see lopewell startup --apple)\n";
        return 1;
    }
    const StartupItem item = *found;
    if (item.isControllable() && (item.runState == RunState::disabled()) == (action == StartupAction::enable)) {
        settle(loop, model, [&] { model.perform(action, item); });
    } else if (!item.isControllable()) {
        err << "lopewell " << verb.name << ": Only your own login items can be changed here.\n";
        return 1;
    } else {
        out << terminalSafe(model.rowTitle(item)) << " is already " << (action == StartupAction::enable ? "on" : "off") << "\n";
        return 0;
    }
    if (const auto& error = model.operationError()) {
        err << "lopewell " << verb.name << ": " << terminalSafe(*error) << "\n";
        return 1;
    }
    for (const StartupItem& now : model.items()) {
        if (now.label == item.label && now.plistPath.filename() == item.plistPath.filename())
            out << terminalSafe(model.rowTitle(now)) << ": " << model.runStateText(now.runState) << "\n";
    }
    return 0;
}

constexpr const VerbSpec* startupVerbs[] = { &listVerb, &disableVerb, &enableVerb };

}  // namespace

int runStartup(std::span<const std::string_view> arguments, const HostLayout& layout, std::ostream& out, std::ostream& err)
{
    if (!arguments.empty()) {
        const std::string_view first = arguments.front();
        if (first == "disable")
            return change(disableVerb, StartupAction::disable, arguments.subspan(1), layout, out, err);
        if (first == "enable")
            return change(enableVerb, StartupAction::enable, arguments.subspan(1), layout, out, err);
        if (isHelpRequest(first) && arguments.size() == 1) {
            out << groupHelp("startup", "Everything that starts automatically, and switching your own items off and on.", startupVerbs);
            return 0;
        }
    }
    return list(arguments, layout, out, err);
}

}  // namespace lopewell::cli
