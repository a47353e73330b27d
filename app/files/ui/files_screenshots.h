// The Files section's pictures for `lopewell screenshots`: fixed fixture data, no scanning.
#pragma once

#include <vector>

#include "app/storage/ui/storage_screenshots.h"

namespace lopewell {

std::vector<NamedScreenshot> filesScreenshots();

}  // namespace lopewell
