// The shared colours of the screens: the palette tokens and the three system colours of the
// menu bar readout. All sRGB, components 0 to 1. Constants: built at compile time, so there is
// nothing to create lazily or to guard between threads.
#pragma once

namespace lopewell {

struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double opacity = 1;

    bool operator==(const Color&) const = default;
};

namespace Palette {
inline constexpr Color cpu { 0.27, 0.55, 0.95, 1 };             // blue
inline constexpr Color device { 0.18, 0.74, 0.78, 1 };          // teal
inline constexpr Color gpu { 0.96, 0.55, 0.18, 1 };             // amber; the middle band of the load scale
inline constexpr Color network { 0.65, 0.40, 0.95, 1 };         // purple
inline constexpr Color battery { 0.30, 0.80, 0.45, 1 };         // green; the low band of the load scale
inline constexpr Color cardBackground { 0.08, 0.08, 0.08, 1 };  // grey of white level 0.08
inline constexpr Color cardBorder { 1, 1, 1, 0.08 };            // white at opacity 0.08
}  // namespace Palette

namespace SystemColor {
inline constexpr Color green { 0.20, 0.78, 0.35, 1 };
inline constexpr Color orange { 1.0, 0.58, 0.0, 1 };
inline constexpr Color red { 1.0, 0.23, 0.19, 1 };
}  // namespace SystemColor

}  // namespace lopewell
