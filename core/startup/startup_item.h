// What starts automatically, as the Startup section lists it: launchd jobs on a macOS tree,
// autostart entries and systemd units on the Linux desktop. One item per job, grouped by the
// layer it was found in; only the layers the user owns may be switched off and on.
//
//   StartupItem item = ...;
//   if (item.isControllable()) offer(item.runState == RunState::disabled() ? "Enable" : "Disable");
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <nlohmann/json.hpp>

#include "core/base/raw_value.h"

namespace lopewell {

// The declaration order is the order of the screen's sections. The first four are the launchd
// folders of a macOS tree, the rest the places of the Linux desktop.
enum class StartupLayer {
    userAgent,
    libraryAgent,
    libraryDaemon,
    appleSystem,
    autostartUser,    // ~/.config/autostart entries of the user's own
    autostartSystem,  // /etc/xdg/autostart entries (switched off through a user override)
    userService,      // systemd user units the user wrote (~/.config/systemd/user)
    globalService,    // systemd user units shipped with the system, enabled for this user
    systemService,    // systemd system services: read-only
};

template <>
struct RawValues<StartupLayer> {
    static constexpr std::array entries {
        std::pair { StartupLayer::userAgent, std::string_view("userAgent") },
        std::pair { StartupLayer::libraryAgent, std::string_view("libraryAgent") },
        std::pair { StartupLayer::libraryDaemon, std::string_view("libraryDaemon") },
        std::pair { StartupLayer::appleSystem, std::string_view("appleSystem") },
        std::pair { StartupLayer::autostartUser, std::string_view("autostartUser") },
        std::pair { StartupLayer::autostartSystem, std::string_view("autostartSystem") },
        std::pair { StartupLayer::userService, std::string_view("userService") },
        std::pair { StartupLayer::globalService, std::string_view("globalService") },
        std::pair { StartupLayer::systemService, std::string_view("systemService") },
    };
};

LOPEWELL_RAW_VALUE_JSON(StartupLayer)

// "Login Items & Agents (You)", "System Agents", ..., "Autostart (You)", "System services".
std::string_view startupLayerTitle(StartupLayer layer);
// Whether the program may switch items of this layer off and on.
bool isControllable(StartupLayer layer);

class RunState {
public:
    enum class Kind { running, loaded, notLoaded, disabled };

    static RunState running(int32_t pid) { return RunState(Kind::running, pid); }
    static RunState loaded() { return RunState(Kind::loaded, 0); }
    static RunState notLoaded() { return RunState(Kind::notLoaded, 0); }
    static RunState disabled() { return RunState(Kind::disabled, 0); }

    Kind kind() const { return m_kind; }
    // Only meaningful for running.
    int32_t pid() const { return m_pid; }

    bool operator==(const RunState&) const = default;

private:
    RunState(Kind kind, int32_t pid) : m_kind(kind), m_pid(pid) {}

    Kind m_kind;
    int32_t m_pid;
};

// {"state":"running","pid":42}, {"state":"loaded"}, {"state":"notLoaded"}, {"state":"disabled"}.
nlohmann::ordered_json encodeRunState(const RunState& state);

struct StartupItem {
    std::string id;  // layer raw value + "|" + label, unique within one scan
    std::string label;
    StartupLayer layer = StartupLayer::userAgent;
    std::filesystem::path plistPath;  // the file that defines the job (in the holding folder when disabled)
    std::optional<std::string> programPath;
    bool runAtLoad = false;
    bool keepAlive = false;
    std::optional<std::string> owner;  // who installed it, as far as the file tells
    RunState runState = RunState::notLoaded();
    bool isOrphaned = false;  // a program is named but nothing is there
    // A remark of the Linux sources: "Not for this desktop", "May be turned on again by the application".
    std::optional<std::string> note;

    bool isControllable() const { return lopewell::isControllable(layer); }
    bool operator==(const StartupItem&) const = default;
};

std::string startupItemId(StartupLayer layer, std::string_view label);

// The item with the field names above; the path as a string.
nlohmann::ordered_json encodeStartupItem(const StartupItem& item);

}  // namespace lopewell
