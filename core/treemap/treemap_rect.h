// A rectangle of the disk map, in the drawing surface's points: origin top-left, y downwards.
#pragma once

namespace lopewell {

struct TreemapRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    bool operator==(const TreemapRect&) const = default;
};

}  // namespace lopewell
