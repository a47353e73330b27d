#include "cli/commands.h"

#include <cstdlib>
#include <iostream>
#include <ostream>

#include "cli/apps.h"
#include "cli/arguments.h"
#include "cli/files.h"
#include "cli/processes.h"
#include "cli/readout.h"
#include "cli/security.h"
#include "cli/space.h"
#include "cli/startup.h"
#include "cli/status.h"
#include "cli/storage.h"
#include "cli/trash.h"
#include "cli/usage.h"

namespace lopewell::cli {

std::string usageText()
{
    return "Usage: lopewell [--system-root DIR] [--home DIR] [--flavour macos|linux] [COMMAND] [OPTIONS]\n"
           "\n"
           "Without a command, lopewell starts the tray application. Without a display (neither\n"
           "DISPLAY nor WAYLAND_DISPLAY set) it shows the live CPU and memory readout in the\n"
           "terminal instead, until interrupted with Ctrl-C.\n"
           "\n"
           "Commands:\n"
           "  status [--interval SECONDS] [--json]\n"
           "                  CPU load overall and per core, thermal state, memory and GPU,\n"
           "                  measured over the interval (default 1 second)\n"
           "  readout         the live readout in the terminal, updated every second\n"
           "  ps [--interval SECONDS] [--sort cpu|memory|pid|name|user|threads] [--filter TEXT] [--json]\n"
           "                  the process table, CPU shares measured over the interval (default 1 second)\n"
           "  kill [--force] PID\n"
           "                  ask a process to quit (SIGTERM), or force it to (SIGKILL)\n"
           "  files large DIR [--min SIZE] [--json]\n"
           "                  files of at least SIZE under DIR (default 100M), largest first\n"
           "  files old DIR [--days N] [--json]\n"
           "                  files under DIR not modified for N days (default 180)\n"
           "  files dupes DIR [--min SIZE] [--json] [--trash [--yes]]\n"
           "                  byte-identical files of at least SIZE (default 1M) under DIR, hidden\n"
           "                  files left out; --trash moves every copy but the first of each group\n"
           "                  to the Trash after asking (or at once with --yes)\n"
           "                  SIZE: bytes, or with K, M, G or T (binary: 100M = 104,857,600)\n"
           "  space DIR [--depth N] [--top N] [--json] [--png FILE [--size WxH]]\n"
           "                  the disk space under DIR: its largest entries N levels deep\n"
           "                  (default 1), the top N of each folder (default 10), files below 1 MB\n"
           "                  of a folder as one \"Small files\" entry; --json: the whole tree (or\n"
           "                  --depth levels of it); --png: the treemap of DIR drawn to FILE\n"
           "                  (default 1200x800)\n"
           "  trash [--json] PATH...\n"
           "                  move files and folders to the Trash; what already lies in a Trash is\n"
           "                  deleted for good. Exit status 1 when anything could not be moved\n"
           "  storage list [--json]\n"
           "                  the cleanable categories: id, title, section, risk, smart scan, folders\n"
           "  storage scan [ID...] [--json]\n"
           "                  scan the given categories (default: all) and update the scan cache\n"
           "  storage smart [--json]\n"
           "                  the smart scan of the default-on categories (caches, logs, Trash)\n"
           "  storage clean ID [--yes]\n"
           "                  scan a category and move everything it holds to the Trash, after asking\n"
           "  startup [--apple] [--json]\n"
           "                  everything that starts automatically, section by section, with its state;\n"
           "                  --apple adds Apple's own jobs (on the Linux desktop: the system's services)\n"
           "  startup disable ID\n"
           "  startup enable ID\n"
           "                  switch one of your own items off, reversibly, or on again (ID as listed)\n"
           "  apps [--source RAW] [--filter TEXT] [--json]\n"
           "                  the installed applications with version, size and source; RAW: apple,\n"
           "                  appStore, other (macOS) or package, flatpak, snap, appImage, local (Linux)\n"
           "  apps leftovers APP [--json]\n"
           "                  the application and every file it left behind; APP: a bundle, a\n"
           "                  desktop-file id, a .desktop file or an AppImage\n"
           "  apps uninstall APP [--yes]\n"
           "                  remove the application and its certain leftovers after asking: to the\n"
           "                  Trash, or through flatpak, snap or PackageKit when they installed it\n"
           "  security scan [--signatures FILE] [--json]\n"
           "                  known adware, unwanted programs and malware, found by signature: each\n"
           "                  family with the traces found; --signatures: another signature list\n"
           "  security remove ID [--signatures FILE] [--yes]\n"
           "                  move a detected family's removable items to the Trash after asking\n"
           "                  (ID as listed by security scan); what only the system may change stays\n"
           "  screenshots DIR render every screen offscreen to PNG files in DIR (for developers)\n"
           "\n"
           "Global options, before the command:\n"
           "  --system-root DIR  resolve system folders (/Library/...) under DIR instead of /\n"
           "  --home DIR         use DIR as the home folder, with the program's data and settings under it\n"
           "  --flavour macos|linux\n"
           "                     look at a macOS tree or at the Linux desktop (default: macos when\n"
           "                     the system root holds System/Library/CoreServices/SystemVersion.plist)\n"
           "\n"
           "Options:\n"
           "  --help          show this text\n"
           "  --version       show the version\n";
}

Environment currentEnvironment()
{
    auto isSet = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    Environment environment;
    environment.hasDisplay = isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
    return environment;
}

namespace {

constexpr VerbSpec readoutVerb { "readout", "",
    "The live readout in the terminal: the CPU load and the memory in use, updated every\n"
    "second until interrupted with Ctrl-C.",
    {}, false };
constexpr VerbSpec screenshotsVerb { "screenshots", "DIR",
    "Renders every screen offscreen to PNG files in DIR, with fixed figures (for developers).", {}, true };

int runScreenshots(std::span<const std::string_view> arguments, const Environment& environment, std::ostream& out, std::ostream& err)
{
    const auto parsed = parseFolderVerb(screenshotsVerb, arguments, out, err);
    if (const int* done = std::get_if<int>(&parsed))
        return *done;
    if (!environment.renderScreenshots) {
        err << "lopewell screenshots: this build cannot draw screens (it was built without Qt)\n";
        return 1;
    }
    return environment.renderScreenshots(std::get<FolderArguments>(parsed).folder);
}

}  // namespace

int run(std::span<const std::string_view> allArguments, const Environment& environment, std::ostream& out, std::ostream& err)
{
    auto global = parseGlobalOptions(allArguments);
    if (!global)
        return usageError(err, "", global.error().message);
    if (global.value().help) {
        out << usageText();
        return 0;
    }
    if (global.value().version) {
        out << "lopewell " << LOPEWELL_VERSION << "\n";
        return 0;
    }
    const HostLayout layout = hostLayout(global.value());
    if (global.value().home) {
        // The desktop's trash and anything else that asks the environment for the user's data
        // folders must agree with the layout, or a fixture home would trash into the real one.
        ::setenv("XDG_DATA_HOME", layout.applicationSupport().parent_path().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", layout.configFolder().c_str(), 1);
    }
    const std::vector<std::string_view> arguments(global.value().command.begin(), global.value().command.end());
    if (arguments.empty()) {
        if (!environment.hasDisplay)
            return runTerminalReadout(out, err);
        err << "lopewell: the tray application is not part of this build yet; use 'lopewell readout' for the live readout "
               "or 'lopewell status'.\n";
        return 1;
    }
    const std::string_view command = arguments.front();
    const auto rest = std::span(arguments).subspan(1);
    if (command == "help") {
        out << usageText();
        return 0;
    }
    if (command == "status")
        return runStatus(rest, out, err);
    if (command == "ps")
        return runPs(rest, out, err);
    if (command == "kill")
        return runKill(rest, out, err);
    if (command == "files")
        return runFiles(rest, std::cin, out, err);
    if (command == "space")
        return runSpace(rest, environment, out, err);
    if (command == "trash")
        return runTrash(rest, platformWords(layout.flavour()), out, err);
    if (command == "storage")
        return runStorage(rest, layout, std::cin, out, err);
    if (command == "startup")
        return runStartup(rest, layout, out, err);
    if (command == "apps")
        return runApps(rest, layout, std::cin, out, err);
    if (command == "security")
        return runSecurity(rest, layout, std::cin, out, err);
    if (command == "screenshots")
        return runScreenshots(rest, environment, out, err);
    if (command == "readout") {
        const VerbArguments parsed = parseVerb(readoutVerb, rest, out, err);
        if (const int* done = std::get_if<int>(&parsed))
            return *done;
        return runTerminalReadout(out, err);
    }
    return usageError(
        err, "", std::string("unknown ") + (command.starts_with("-") ? "option" : "command") + " '" + std::string(command) + "'");
}

}  // namespace lopewell::cli
