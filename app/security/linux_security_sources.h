// The Security section on the Linux desktop: the applications of the Apps section (by
// desktop-file id, Flatpak id or snap name, and by package name), the autostart entries and
// systemd units of the Startup section with the system's services, the managed policies of
// Chrome, Chromium and Firefox (the desktop's counterpart of configuration profiles), and the
// signatures' literal paths. Only what the user owns under the home folder is removable here:
// an AppImage or a local app, the user's own autostart entries and units, files under home.
// Packages, Flatpaks, Snaps, system entries and services and policy files are the system's.
#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "app/security/browser_policy.h"
#include "app/security/security_sources.h"

namespace lopewell {

std::shared_ptr<const SecuritySources> makeLinuxSecuritySources(const HostLayout& layout, SecuritySourceOptions options);

// The policy files the browsers read, as the system sees them: Chrome's and Chromium's
// managed/ and recommended/ folders (every *.json in them) and Firefox's policies.json.
struct BrowserPolicyLocation {
    std::string path;  // a folder of *.json files, or one file
    bool isFolder = false;
    BrowserPolicyFormat format = BrowserPolicyFormat::chrome;
};
std::vector<BrowserPolicyLocation> browserPolicyLocations();

// One `profile` artifact per identifier of every policy file under the layout's root, file by
// file (names sorted within a folder), each with its file as path; never controllable.
std::vector<ObservedArtifact> browserPolicyArtifacts(const HostLayout& layout);

}  // namespace lopewell
