#include "core/presentation/load_colors.h"

#include <cmath>

namespace lopewell {

namespace {

LoadBand band(double value, double middleFrom, double highFrom)
{
    if (std::isnan(value) || value < middleFrom)
        return LoadBand::low;
    return value < highFrom ? LoadBand::middle : LoadBand::high;
}

}  // namespace

LoadBand cpuLoadBand(double load)
{
    return band(load, 0.5, 0.8);
}

LoadBand memoryBand(double usedFraction)
{
    return band(usedFraction, 0.65, 0.82);
}

const Color& paletteColor(LoadBand band)
{
    switch (band) {
    case LoadBand::low:
        return Palette::battery;
    case LoadBand::middle:
        return Palette::gpu;
    case LoadBand::high:
        break;
    }
    return SystemColor::red;
}

const Color& systemColor(LoadBand band)
{
    switch (band) {
    case LoadBand::low:
        return SystemColor::green;
    case LoadBand::middle:
        return SystemColor::orange;
    case LoadBand::high:
        break;
    }
    return SystemColor::red;
}

}  // namespace lopewell
