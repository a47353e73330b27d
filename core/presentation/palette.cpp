#include "core/presentation/palette.h"

namespace lopewell {

// Function-local statics: built on first use, once, and thread-safe by the language.

const Color& Palette::cpu()
{
    static const Color color { 0.27, 0.55, 0.95, 1 };
    return color;
}

const Color& Palette::device()
{
    static const Color color { 0.18, 0.74, 0.78, 1 };
    return color;
}

const Color& Palette::gpu()
{
    static const Color color { 0.96, 0.55, 0.18, 1 };
    return color;
}

const Color& Palette::network()
{
    static const Color color { 0.65, 0.40, 0.95, 1 };
    return color;
}

const Color& Palette::battery()
{
    static const Color color { 0.30, 0.80, 0.45, 1 };
    return color;
}

const Color& Palette::cardBackground()
{
    static const Color color { 0.08, 0.08, 0.08, 1 };
    return color;
}

const Color& Palette::cardBorder()
{
    static const Color color { 1, 1, 1, 0.08 };
    return color;
}

const Color& SystemColor::green()
{
    static const Color color { 0.20, 0.78, 0.35, 1 };
    return color;
}

const Color& SystemColor::orange()
{
    static const Color color { 1.0, 0.58, 0.0, 1 };
    return color;
}

const Color& SystemColor::red()
{
    static const Color color { 1.0, 0.23, 0.19, 1 };
    return color;
}

}  // namespace lopewell
