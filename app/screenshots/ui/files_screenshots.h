// The Files section's pictures for `lopewell screenshots`: fixed fixture data, no scanning.
#pragma once

#include <vector>

#include "app/screenshots/ui/storage_screenshots.h"

namespace lopewell {

std::vector<NamedScreenshot> filesScreenshots();

}  // namespace lopewell
