// The Security section's pictures for `lopewell screenshots`: fixed threats, no scanners.
#pragma once

#include <vector>

#include "app/screenshots/ui/storage_screenshots.h"  // NamedScreenshot

namespace lopewell {

std::vector<NamedScreenshot> securityScreenshots();

}  // namespace lopewell
