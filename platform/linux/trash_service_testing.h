// A seam for the trash service's tests: lets a test change the tree at the one moment a
// permanent delete is most exposed, between finding a sub-folder and entering it.
#pragma once

#include <filesystem>
#include <functional>

namespace lopewell::trash_testing {

// Called with the sub-folder's path just before the delete opens it. Not thread-safe: set it
// only while no other trash operation runs, and clear it afterwards.
extern std::function<void(const std::filesystem::path&)> beforeEnteringFolder;

}  // namespace lopewell::trash_testing
