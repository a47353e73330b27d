#include "core/startup/startup_item.h"

namespace lopewell {

std::string_view startupLayerTitle(StartupLayer layer)
{
    switch (layer) {
    case StartupLayer::userAgent:
        return "Login Items & Agents (You)";
    case StartupLayer::libraryAgent:
        return "System Agents";
    case StartupLayer::libraryDaemon:
        return "System Daemons";
    case StartupLayer::appleSystem:
        return "Apple System";
    case StartupLayer::autostartUser:
        return "Autostart (You)";
    case StartupLayer::autostartSystem:
        return "Autostart (System)";
    case StartupLayer::userService:
        return "Your services";
    case StartupLayer::globalService:
        return "Services for all users";
    case StartupLayer::systemService:
        return "System services";
    }
    return {};
}

bool isControllable(StartupLayer layer)
{
    switch (layer) {
    case StartupLayer::userAgent:
    case StartupLayer::autostartUser:
    case StartupLayer::autostartSystem:
    case StartupLayer::userService:
    case StartupLayer::globalService:
        return true;
    case StartupLayer::libraryAgent:
    case StartupLayer::libraryDaemon:
    case StartupLayer::appleSystem:
    case StartupLayer::systemService:
        return false;
    }
    return false;
}

nlohmann::ordered_json encodeRunState(const RunState& state)
{
    nlohmann::ordered_json json;
    switch (state.kind()) {
    case RunState::Kind::running:
        json["state"] = "running";
        json["pid"] = state.pid();
        break;
    case RunState::Kind::loaded:
        json["state"] = "loaded";
        break;
    case RunState::Kind::notLoaded:
        json["state"] = "notLoaded";
        break;
    case RunState::Kind::disabled:
        json["state"] = "disabled";
        break;
    }
    return json;
}

std::string startupItemId(StartupLayer layer, std::string_view label)
{
    std::string id(rawValue(layer));
    id += '|';
    id += label;
    return id;
}

nlohmann::ordered_json encodeStartupItem(const StartupItem& item)
{
    auto optional
        = [](const std::optional<std::string>& value) { return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr); };
    nlohmann::ordered_json json;
    json["id"] = item.id;
    json["label"] = item.label;
    json["layer"] = rawValue(item.layer);
    json["plistPath"] = item.plistPath.string();
    json["programPath"] = optional(item.programPath);
    json["runAtLoad"] = item.runAtLoad;
    json["keepAlive"] = item.keepAlive;
    json["owner"] = optional(item.owner);
    json["runState"] = encodeRunState(item.runState);
    json["isOrphaned"] = item.isOrphaned;
    json["note"] = optional(item.note);
    json["isControllable"] = item.isControllable();
    return json;
}

}  // namespace lopewell
