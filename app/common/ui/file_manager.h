// Showing a file in the desktop's file manager, selected in its folder.
#pragma once

#include <string>
#include <vector>

namespace lopewell {

// The FileManager1 D-Bus service selects the item in its folder; without one (or when it does
// not answer within three seconds) the folder itself is opened.
void revealInFileManager(const std::string& path);
// Several items at once, each selected in its folder; without the service, the first one's
// folder is opened. Nothing for an empty list.
void revealInFileManager(const std::vector<std::string>& paths);

}  // namespace lopewell
