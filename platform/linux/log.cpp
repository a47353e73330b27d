#include "platform/log.h"

#include "core/base/app_identity.h"

#include <sys/stat.h>
#include <sys/uio.h>
#include <syslog.h>
#include <systemd/sd-journal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <mutex>
#include <string>

namespace lopewell::log {

namespace {

std::mutex& channelMutex()
{
    static std::mutex mutex;
    return mutex;
}

Sink& testSink()
{
    static Sink sink;
    return sink;
}

int syslogPriority(Level level)
{
    switch (level) {
    case Level::error:
        return LOG_ERR;
    case Level::warning:
        return LOG_WARNING;
    case Level::info:
        return LOG_INFO;
    case Level::debug:
        return LOG_DEBUG;
    }
    return LOG_INFO;
}

// sd_journal_send succeeds even when nothing listens, so ask whether journald is there at all.
bool journalAvailable()
{
    static const bool available = [] {
        struct stat info {};
        return ::stat("/run/systemd/journal/socket", &info) == 0 && S_ISSOCK(info.st_mode);
    }();
    return available;
}

// Messages carry file names, which may hold anything: keep control characters off the terminal
// and keep one message on one line.
void appendEscaped(std::string& line, std::string_view text)
{
    static constexpr char hexDigits[] = "0123456789abcdef";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            line += "\\x";
            line += hexDigits[byte >> 4];
            line += hexDigits[byte & 0xf];
        } else {
            line += c;
        }
    }
}

void writeToStderr(Level level, std::string_view category, std::string_view message)
{
    std::string line = "lopewell[";
    appendEscaped(line, category);
    line += "] ";
    line += levelName(level);
    line += ": ";
    appendEscaped(line, message);
    line += '\n';

    std::string_view rest = line;
    while (!rest.empty()) {
        const ssize_t written = ::write(STDERR_FILENO, rest.data(), rest.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;  // nowhere left to report it
        rest.remove_prefix(static_cast<size_t>(written));
    }
}

void writeToJournal(Level level, std::string_view category, std::string_view message)
{
    // The vector form passes the message bytes exactly, embedded newlines included.
    const std::string fields[] = {
        "MESSAGE=" + std::string(message),
        "PRIORITY=" + std::to_string(syslogPriority(level)),
        "SYSLOG_IDENTIFIER=" + std::string(bundleIdentifier),
        "SUBSYSTEM=" + std::string(bundleIdentifier),
        "CATEGORY=" + std::string(category),
    };
    std::array<iovec, std::size(fields)> vector {};
    for (size_t i = 0; i < vector.size(); ++i)
        vector[i] = iovec { const_cast<char*>(fields[i].data()), fields[i].size() };
    sd_journal_sendv(vector.data(), static_cast<int>(vector.size()));
}

}  // namespace

std::string_view levelName(Level level)
{
    switch (level) {
    case Level::error:
        return "error";
    case Level::warning:
        return "warning";
    case Level::info:
        return "info";
    case Level::debug:
        return "debug";
    }
    return "info";
}

void write(Level level, std::string_view category, std::string_view message)
{
    std::lock_guard lock(channelMutex());
    if (testSink()) {
        testSink()(level, category, message);
        return;
    }
    writeToStderr(level, category, message);
    if (journalAvailable())
        writeToJournal(level, category, message);
}

void setSinkForTesting(Sink sink)
{
    std::lock_guard lock(channelMutex());
    testSink() = std::move(sink);
}

}  // namespace lopewell::log
