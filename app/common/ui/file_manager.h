// Showing a file in the desktop's file manager, selected in its folder.
#pragma once

#include <string>

namespace lopewell {

// The FileManager1 D-Bus service selects the item in its folder; without one (or when it does
// not answer within three seconds) the folder itself is opened.
void revealInFileManager(const std::string& path);

}  // namespace lopewell
