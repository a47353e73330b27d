#include "platform/login_item.h"

#include "core/base/app_identity.h"
#include "core/base/utf8.h"
#include "core/xdg/desktop_entry.h"
#include "platform/file_read.h"
#include "platform/file_replace.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <optional>
#include <vector>

namespace lopewell {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view markerKey = "X-Lopewell-LoginItem";
// An autostart entry is a few lines; a bigger file is not one the session would honour either.
constexpr size_t maxEntrySize = size_t(64) * 1024;

constexpr std::string_view mainGroup = "Desktop Entry";

// GLib accepts 1 and 0 besides true and false, and the session reads these keys through it.
bool isTrue(std::optional<std::string_view> value)
{
    return value && (*value == "true" || *value == "1");
}
bool isFalse(std::optional<std::string_view> value)
{
    return value && (*value == "false" || *value == "0");
}

// One argument of an Exec line: always quoted, the quoting escapes applied first and the
// string-value escape of the backslash after them, so "\" ends up as four backslashes.
std::string quotedExecArgument(std::string_view argument)
{
    std::string quoted = "\"";
    for (char c : argument) {
        switch (c) {
        case '"':
        case '`':
        case '$':
            quoted += "\\\\";  // the quoting backslash, itself escaped for the string value
            quoted += c;
            break;
        case '\\':
            quoted += "\\\\\\\\";
            break;
        case '%':
            quoted += "%%";  // a literal percent sign, not a field code
            break;
        default:
            quoted += c;
        }
    }
    quoted += '"';
    return quoted;
}

struct EntryFile {
    std::string text;
    FileId id;
};

// The entry's contents, without following a symbolic link in its place; absent when the path
// is not a readable regular file.
std::optional<EntryFile> readEntry(const fs::path& path)
{
    EntryFile entry;
    auto read = readRegularFile(path, maxEntrySize, SymlinkPolicy::refuse, &entry.id);
    auto* text = std::get_if<std::string>(&read);
    if (!text)
        return std::nullopt;
    entry.text = std::move(*text);
    return entry;
}

// Refuses to touch anything in the entry's place that is not a regular file of ours.
ErrorOr<void> checkReplaceable(const fs::path& entry)
{
    struct stat info {};
    if (::lstat(entry.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return {};
        return Error::fromErrno(errno, "Cannot examine " + entry.string());
    }
    if (!S_ISREG(info.st_mode))
        return Error { EEXIST, entry.string() + " is not a regular file; Lopewell leaves it alone. Remove it to continue" };
    std::optional<EntryFile> existing = readEntry(entry);
    if (!existing)
        return Error { EACCES, "Cannot read " + entry.string() };
    if (!desktopEntryIsOurs(existing->text))
        return Error { EEXIST, entry.string() + " was not written by Lopewell; Lopewell leaves it alone. Remove it to continue" };
    return {};
}

}  // namespace

// Faults in the file are read past, as the session reads past them.
bool desktopEntryStartsAtLogin(std::string_view text)
{
    const DesktopEntryFile entry = DesktopEntryFile::parse(text);
    return !isTrue(entry.rawValue(mainGroup, "Hidden")) && !isFalse(entry.rawValue(mainGroup, "X-GNOME-Autostart-enabled"));
}

bool desktopEntryIsOurs(std::string_view text)
{
    return isTrue(DesktopEntryFile::parse(text).rawValue(mainGroup, markerKey));
}

ErrorOr<std::string> loginItemDesktopEntry(std::string_view executable)
{
    if (executable.empty() || executable.front() != '/')
        return Error { EINVAL, "The program's location \"" + std::string(executable) + "\" is not an absolute path" };
    if (!utf8::isValid(executable))
        return Error { EILSEQ, "The program's location is not valid UTF-8, which an autostart entry cannot hold" };
    for (char c : executable) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return Error { EINVAL, "The program's location contains a control character, which an autostart entry cannot hold" };
    }
    std::string text = "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=" + std::string(applicationName) + "\n";
    text += "Exec=" + quotedExecArgument(executable) + "\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    text += std::string(markerKey) + "=true\n";
    return text;
}

LoginItemService::LoginItemService(const HostLayout& layout) : LoginItemService(layout, {}) {}

LoginItemService::LoginItemService(const HostLayout& layout, fs::path executable)
    : m_entry(layout.configFolder() / "autostart" / (std::string(bundleIdentifier) + ".desktop"))
    , m_executable(std::move(executable))
{
}

LoginItemStatus LoginItemService::status() const
{
    struct stat info {};
    if (::lstat(m_entry.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? LoginItemStatus::notRegistered : LoginItemStatus::disabled;
    std::optional<EntryFile> entry = readEntry(m_entry);
    if (!entry || !desktopEntryStartsAtLogin(entry->text))
        return LoginItemStatus::disabled;
    return LoginItemStatus::enabled;
}

ErrorOr<std::string> LoginItemService::executablePath() const
{
    if (!m_executable.empty())
        return m_executable.string();
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0)
        return Error::fromErrno(errno, "Cannot find the running program");
    if (static_cast<size_t>(length) >= buffer.size())
        return Error { ENAMETOOLONG, "Cannot find the running program: its path is too long" };
    std::string path(buffer.data(), static_cast<size_t>(length));
    // The program was replaced on disk while running (an upgrade); the new copy is what
    // should start at the next login.
    constexpr std::string_view deletedSuffix = " (deleted)";
    if (path.ends_with(deletedSuffix)) {
        path.resize(path.size() - deletedSuffix.size());
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return Error { ENOENT, "The running program was removed from " + path };
    }
    return path;
}

ErrorOr<void> LoginItemService::registerItem()
{
    ErrorOr<std::string> executable = executablePath();
    if (!executable)
        return executable.error();
    ErrorOr<std::string> text = loginItemDesktopEntry(executable.value());
    if (!text)
        return text.error();

    const fs::path folder = m_entry.parent_path();
    if (auto created = createFolders(folder, 0755); !created)
        return created;
    if (auto replaceable = checkReplaceable(m_entry); !replaceable)
        return replaceable;
    return replaceFileContents(m_entry, text.value(), 0644);
}

ErrorOr<void> LoginItemService::unregisterItem()
{
    struct stat info {};
    if (::lstat(m_entry.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        return Error::fromErrno(errno, "Cannot examine " + m_entry.string());
    }
    if (!S_ISREG(info.st_mode))
        return Error { EEXIST, m_entry.string() + " is not a regular file; Lopewell leaves it alone" };
    std::optional<EntryFile> entry = readEntry(m_entry);
    if (!entry)
        return Error { EACCES, "Cannot read " + m_entry.string() };
    if (!desktopEntryIsOurs(entry->text))
        return Error { EEXIST, m_entry.string() + " was not written by Lopewell; Lopewell leaves it alone" };
    // The file read must still be the one at the path: never remove something swapped in.
    if (::lstat(m_entry.c_str(), &info) != 0 || !S_ISREG(info.st_mode)
        || FileId { std::uint64_t(info.st_dev), std::uint64_t(info.st_ino) } != entry->id)
        return Error { EAGAIN, m_entry.string() + " changed while Lopewell was removing it; try again" };
    if (::unlink(m_entry.c_str()) != 0 && errno != ENOENT)
        return Error::fromErrno(errno, "Cannot remove " + m_entry.string());
    return {};
}

}  // namespace lopewell
