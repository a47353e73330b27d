// A stand-in for a system tool (launchctl, systemctl) under a fixture root: a small shell script
// that appends its argument vector to a log, one line per run with each argument in brackets
// ("[bootout][gui/501/com.example agent]"), then runs the body it was given.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_tree.h"

namespace lopewell::testing {

class FakeTool {
public:
    FakeTool(std::filesystem::path path, std::filesystem::path log) : m_path(std::move(path)), m_log(std::move(log)) {}

    // `body` runs after the arguments are logged, with "$@" still set.
    void script(const std::string& body) const
    {
        writeFile(m_path, "#!/bin/sh\nprintf '[%s]' \"$@\" >> '" + m_log.string() + "'\necho >> '" + m_log.string() + "'\n" + body + "\n");
        ::chmod(m_path.c_str(), 0755);
    }

    // Every run so far, one line each.
    std::string log() const { return readFile(m_log); }
    void clearLog() const { std::filesystem::remove(m_log); }

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_log;
};

}  // namespace lopewell::testing
