// The Storage section's pictures for `lopewell screenshots`: fixed fixture data, no scanning.
#pragma once

#include <QImage>
#include <string>
#include <vector>

namespace lopewell {

struct NamedScreenshot {
    std::string name;  // "storage-inspector.png"
    QImage image;
};

std::vector<NamedScreenshot> storageScreenshots();

}  // namespace lopewell
