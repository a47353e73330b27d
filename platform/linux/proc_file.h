// Reading the kernel's small statistics files. ProcFile keeps the descriptor open and re-reads
// from offset 0, so a sampler pays one read, not open + read + close, per tick.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/unique_fd.h"

namespace lopewell {

class ProcFile {
public:
    explicit ProcFile(std::filesystem::path path);
    ProcFile(const ProcFile&) = delete;
    ProcFile& operator=(const ProcFile&) = delete;
    ~ProcFile();

    // The whole current text, or absent when the file cannot be opened or read. The returned
    // view stays valid until the next read.
    std::optional<std::string_view> read();

private:
    std::filesystem::path m_path;
    UniqueFd m_fd;
    std::string m_buffer;
};

// One-shot read of a whole (small) file; absent on any error.
std::optional<std::string> readSmallFile(const std::filesystem::path& path);

}  // namespace lopewell
