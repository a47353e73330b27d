// Known adware, unwanted programs and malware, described by the traces a family leaves: app ids,
// files, startup-job labels and profile identifiers. The lists ship as JSON data with the
// program; the security scan pairs them with what it observes on the machine (threat_matcher.h).
//
//   ErrorOr<std::vector<ThreatSignature>> list = decodeThreatSignatures(text);
//   if (!list) log(list.error().message);  // "entry 3 (\"genieo\"): missing key \"severity\""
//
// What the identifiers are on each kind of system:
//   bundleIDs    macOS: bundle identifiers. Linux: desktop-file ids without ".desktop", Flatpak
//                app ids, Snap names, Debian package names.
//   agentLabels  macOS: launchd job labels. Linux: systemd unit names with their suffix
//                ("xmrig.service") and autostart entries by their desktop-file name without
//                ".desktop" (the labels of the Startup section).
//   profileIDs   macOS: configuration-profile identifiers. Linux: browser policies, written
//                "<engine>:<policy>:<value>" where the engine is "chrome" for every browser that
//                reads Chrome's policy format (Chrome, Chromium, Brave, Edge, Vivaldi) and
//                "firefox" for policies.json:
//                  chrome:ExtensionInstallForcelist:<extension id>   (the id before any ";")
//                  chrome:HomepageLocation:<host>                   (also NewTabPageLocation,
//                  chrome:DefaultSearchProviderSearchURL:<host>      RestoreOnStartupURLs: one
//                                                                    identifier per URL)
//                  firefox:ExtensionSettings:<add-on id>            (force or normal install)
//                  firefox:Homepage:<host>
//                  firefox:SearchEngines:<host>                      (of an added engine's URLTemplate)
//                where <host> is the URL's host in lower case, without port or user.
//   pathGlobs    absolute paths, or "~" for the home folder; "*" matches any run of characters.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/base/error_or.h"
#include "core/base/raw_value.h"

namespace lopewell {

struct ThreatSignature {
    enum class Severity { adware, pup, malware };

    std::string id;  // unique within a list
    std::string family;
    Severity severity = Severity::adware;
    std::string description;  // one paragraph for users
    std::vector<std::string> bundleIDs;
    std::vector<std::string> pathGlobs;
    std::vector<std::string> agentLabels;
    std::vector<std::string> profileIDs;

    bool operator==(const ThreatSignature&) const = default;
};

template <>
struct RawValues<ThreatSignature::Severity> {
    static constexpr std::array entries {
        std::pair { ThreatSignature::Severity::adware, std::string_view("adware") },
        std::pair { ThreatSignature::Severity::pup, std::string_view("pup") },
        std::pair { ThreatSignature::Severity::malware, std::string_view("malware") },
    };
};

LOPEWELL_RAW_VALUE_JSON(ThreatSignature::Severity)

// Keys "id", "family", "severity", "description" (required strings) and "bundleIDs",
// "pathGlobs", "agentLabels", "profileIDs" (lists of strings; absent or null means empty).
// A missing key, a wrong type or an unknown severity throws nlohmann's exceptions; other keys
// are ignored.
void to_json(nlohmann::json& json, const ThreatSignature& signature);
void to_json(nlohmann::ordered_json& json, const ThreatSignature& signature);
void from_json(const nlohmann::json& json, ThreatSignature& signature);

// Bigger than any list we would ship by two orders of magnitude, small enough to parse at once.
inline constexpr std::size_t signatureListSizeLimit = 4 * 1024 * 1024;

// A JSON array of signatures. Fails on text longer than signatureListSizeLimit, on text that is
// not a JSON array, on the first entry that does not decode (named by its index, counted from 0,
// and its id when it has one) and on an id used twice.
ErrorOr<std::vector<ThreatSignature>> decodeThreatSignatures(std::string_view json);
// Compact, keys in declaration order, every list written even when empty.
std::string encodeThreatSignatures(const std::vector<ThreatSignature>& signatures);

struct ObservedArtifact {
    enum class Kind { app, launchAgent, launchDaemon, profile, file };

    Kind kind = Kind::file;
    // Bundle id or desktop-file id (app), job label or unit name (agents and daemons), profile
    // identifier (profile), absolute path (file).
    std::string identifier;
    std::optional<std::string> path;  // the bundle, the job's file or the file, as bytes; none for profiles
    bool isUserControllable = false;  // the user may move it to the Trash from the Security section

    bool operator==(const ObservedArtifact&) const = default;
};

template <>
struct RawValues<ObservedArtifact::Kind> {
    static constexpr std::array entries {
        std::pair { ObservedArtifact::Kind::app, std::string_view("app") },
        std::pair { ObservedArtifact::Kind::launchAgent, std::string_view("launchAgent") },
        std::pair { ObservedArtifact::Kind::launchDaemon, std::string_view("launchDaemon") },
        std::pair { ObservedArtifact::Kind::profile, std::string_view("profile") },
        std::pair { ObservedArtifact::Kind::file, std::string_view("file") },
    };
};

LOPEWELL_RAW_VALUE_JSON(ObservedArtifact::Kind)

// Keys "kind", "identifier", "isUserControllable" and, when there is a path, "url" as a
// "file://" URL string.
void to_json(nlohmann::json& json, const ObservedArtifact& artifact);
void to_json(nlohmann::ordered_json& json, const ObservedArtifact& artifact);
void from_json(const nlohmann::json& json, ObservedArtifact& artifact);

struct DetectedThreat {
    ThreatSignature signature;
    std::vector<ObservedArtifact> artifacts;  // never empty, in the order they were observed

    bool operator==(const DetectedThreat&) const = default;
};

// Keys "signature" and "artifacts".
void to_json(nlohmann::json& json, const DetectedThreat& threat);
void to_json(nlohmann::ordered_json& json, const DetectedThreat& threat);
void from_json(const nlohmann::json& json, DetectedThreat& threat);

}  // namespace lopewell
