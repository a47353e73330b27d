// A Linux desktop under a fixture root: desktop entries of every source, dpkg's file lists,
// AppImages, and small scripts standing in for dpkg-query, flatpak, snap, pkcon and apt-get
// (each records its arguments, one a line, in <root>/calls/<tool>).
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/host_layout.h"
#include "tests/support/temp_tree.h"

namespace lopewell::testing {

inline std::string desktopEntry(const std::string& keys)
{
    return "[Desktop Entry]\nType=Application\n" + keys;
}

inline std::string appImageBytes(size_t size = 6000)
{
    std::string bytes("\x7f"
                      "ELF\x02\x01\x01\x00"
                      "AI\x02",
        11);
    bytes.resize(size, 'z');
    return bytes;
}

class DesktopFixture {
public:
    TempDir dir;
    std::filesystem::path root = dir / "root";
    std::filesystem::path home = root / "home/ann";
    std::filesystem::path data = home / ".local/share";
    std::filesystem::path config = home / ".config";
    HostLayout layout = HostLayout::forTesting(root, home, 1000, "ann", HostFlavour::linuxDesktop);

    // A script at /usr/bin/<tool> that logs its arguments and then runs `body` (sh).
    void tool(const std::string& name, const std::string& body)
    {
        const std::filesystem::path path = root / "usr/bin" / name;
        std::filesystem::create_directories(root / "calls");
        writeFile(path,
            "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" + (root / "calls" / name).string() + "'\n" + body + "\n");
        ::chmod(path.c_str(), 0755);
    }
    std::string calls(const std::string& name) const { return readFile(root / "calls" / name); }

    void package(const std::string& listName, const std::string& desktopPath)
    {
        writeFile(root / "var/lib/dpkg/info" / (listName + ".list"),
            "/.\n/usr\n/usr/share\n/usr/share/applications\n" + desktopPath + "\n/usr/bin/x\n");
    }

    // Every source once, and the entries that must not be listed.
    void populate()
    {
        const auto entry = [&](const std::filesystem::path& path, const std::string& keys) { writeFile(path, desktopEntry(keys)); };
        entry(root / "usr/share/applications/org.gnome.Maps.desktop", "Name=Maps\nExec=gnome-maps %U\n");
        package("gnome-maps", "/usr/share/applications/org.gnome.Maps.desktop");
        entry(root / "usr/share/applications/gimp.desktop", "Name=GIMP\nExec=gimp-2.10 %U\nStartupWMClass=gimp\n");
        package("gimp:amd64", "/usr/share/applications/gimp.desktop");
        entry(data / "applications/gimp.desktop", "Name=GIMP\nHidden=true\n");
        entry(root / "usr/share/applications/kde4/dolphin.desktop", "Name=Dolphin\nExec=dolphin %u\n");
        package("dolphin", "/usr/share/applications/kde4/dolphin.desktop");
        entry(root / "usr/share/applications/helper.desktop", "Name=Helper\nNoDisplay=true\nExec=helper\n");
        entry(root / "usr/share/applications/gone.desktop", "Name=Gone\nTryExec=/usr/bin/gone-tool\nExec=gone-tool\n");
        entry(root / "usr/share/applications/tool.desktop", "Name=Tool\nTryExec=tool\nExec=\"/usr/bin/tool\" --go\n");
        writeFile(root / "usr/bin/tool", "#!/bin/sh\n");
        writeFile(root / "usr/share/applications/link.desktop", "[Desktop Entry]\nType=Link\nName=Web\nURL=https://example.org\n");
        writeFile(root / "usr/share/applications/broken.desktop", "Name=No group\nExec=x\n");
        writeFile(root / "usr/share/applications/garbled.desktop",
            desktopEntry("Name=Gar\xff"
                         "bled\nName=Garbled\nExec=garbled\n"));

        entry(data / "flatpak/exports/share/applications/org.example.Paint.desktop",
            "Name=Paint\nExec=/usr/bin/flatpak run --branch=stable --arch=x86_64 --command=paint "
            "org.example.Paint\nX-Flatpak=org.example.Paint\n");
        entry(data / "flatpak/exports/share/applications/org.kde.dolphin.desktop",
            "Name=Dolphin (Flatpak)\nExec=/usr/bin/flatpak run org.kde.dolphin\nX-Flatpak=org.kde.dolphin\n");
        entry(root / "var/lib/flatpak/exports/share/applications/com.example.Chat.desktop", "Name=Chat\nX-Flatpak=com.example.Chat\n");
        entry(root / "var/lib/snapd/desktop/applications/notepad_notepad.desktop",
            "Name=Notepad\nExec=/snap/bin/notepad\nX-SnapInstanceName=notepad\n");
        writeFile(root / "var/lib/snapd/snaps/notepad_42.snap", std::string(5000, 's'));

        writeFile(home / "Applications/Zed-0.9.AppImage", appImageBytes());
        entry(data / "applications/appimagekit_0123abcd-Zed.desktop",
            "Name=Zed\nExec=/home/ann/Applications/Zed-0.9.AppImage "
            "%F\nTryExec=/home/ann/Applications/Zed-0.9.AppImage\nX-AppImage-Version=0.9\n");
        writeFile(home / "Downloads/Obsidian-1.4.16-x86_64.AppImage", appImageBytes(9000));
        writeFile(home / "Downloads/notes.AppImage", "just text");
        std::filesystem::create_symlink(home / "Downloads/Obsidian-1.4.16-x86_64.AppImage", home / "Downloads/Linked.AppImage");

        entry(data / "applications/mytool.desktop", "Name=mytool\nExec=/home/ann/opt/mytool/run.sh\n");
        writeFile(home / "opt/mytool/run.sh", std::string(3000, 'r'));
        writeFile(home / "opt/mytool/lib/data", std::string(8000, 'd'));

        tool("dpkg-query",
            "printf 'gnome-maps\\t43.0-1\\t5120\\tinstall ok installed\\n'\n"
            "printf 'gimp:amd64\\t2.10.34-1\\t20000\\tinstall ok installed\\n'\n"
            "printf 'dolphin\\t22.12\\t100\\tdeinstall ok config-files\\n'\n"
            "printf 'garbage line\\n'");
        tool("flatpak",
            "case \"$*\" in\n"
            "'list --app --user '*) printf 'org.example.Paint\\t2.1\\tstable\\tx86_64\\norg.kde.dolphin\\t23.08\\tstable\\tx86_64\\n' ;;\n"
            "'list --app --system '*) printf 'com.example.Chat\\t\\tstable\\tx86_64\\n' ;;\n"
            "'info --user --show-size app/org.example.Paint/x86_64/stable') echo 123456789 ;;\n"
            "'info --system --show-size app/com.example.Chat/x86_64/stable') echo 4444 ;;\n"
            "*) exit 1 ;;\n"
            "esac");
        tool("snap",
            "[ \"$1\" = list ] && printf 'Name     Version  Rev  Tracking       Publisher  Notes\\nnotepad  1.2      42   latest/stable  "
            "someone    -\\n'");
    }
};

}  // namespace lopewell::testing
