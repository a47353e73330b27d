// The Space section's pictures for `lopewell screenshots`: a fixed fixture tree, no scanning.
#pragma once

#include <vector>

#include "app/screenshots/ui/storage_screenshots.h"

namespace lopewell {

// Before any scan; the home folder's map; one level down with a cell selected.
std::vector<NamedScreenshot> spaceScreenshots();

}  // namespace lopewell
