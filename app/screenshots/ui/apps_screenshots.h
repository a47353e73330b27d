// The Apps section's pictures for `lopewell screenshots`: fixed lists on both flavours, no scanning.
#pragma once

#include <vector>

#include "app/screenshots/ui/storage_screenshots.h"

namespace lopewell {

std::vector<NamedScreenshot> appsScreenshots();

}  // namespace lopewell
