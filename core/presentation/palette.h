// The shared colours of the screens: the palette tokens and the three system colours of the
// menu bar readout. All sRGB, components 0 to 1. Each token is created once, on first use.
#pragma once

namespace lopewell {

struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double opacity = 1;

    bool operator==(const Color&) const = default;
};

class Palette {
public:
    Palette() = delete;

    static const Color& cpu();             // blue
    static const Color& device();          // teal
    static const Color& gpu();             // amber; the middle band of the load scale
    static const Color& network();         // purple
    static const Color& battery();         // green; the low band of the load scale
    static const Color& cardBackground();  // near-black grey
    static const Color& cardBorder();      // faint white
};

class SystemColor {
public:
    SystemColor() = delete;

    static const Color& green();
    static const Color& orange();
    static const Color& red();
};

}  // namespace lopewell
