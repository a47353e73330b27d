// The Startup section's pictures for `lopewell screenshots`: fixed items, no launchctl or systemctl.
#pragma once

#include <vector>

#include "app/screenshots/ui/storage_screenshots.h"  // NamedScreenshot

namespace lopewell {

std::vector<NamedScreenshot> startupScreenshots();

}  // namespace lopewell
