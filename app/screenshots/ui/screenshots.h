// `lopewell screenshots DIR`: renders the program's screens offscreen to PNG files with fixed
// figures, so anyone can look at them without a desktop.
#pragma once

#include <filesystem>

namespace lopewell {

int renderScreenshots(int argc, char** argv, const std::filesystem::path& folder);

}  // namespace lopewell
