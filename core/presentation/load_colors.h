// The traffic-light scale shared by the menu bar, the popover and the dashboard: which band a
// CPU load or a memory used fraction falls in, and the colour of each band.
//
//   label.setColor(systemColor(cpuLoadBand(sample.overallLoad)));  // menu bar text
//   bar.setColor(paletteColor(memoryBand(used / total)));          // popover, dashboard
#pragma once

#include "core/presentation/palette.h"

namespace lopewell {

enum class LoadBand { low, middle, high };

// Below 0.5 low, below 0.8 middle, else high. NaN (a broken sample) is low: a failed read must
// not raise an alarm colour.
LoadBand cpuLoadBand(double load);

// Below 0.65 low, below 0.82 middle, else high. Callers pass 0 when the total is 0; NaN is low.
LoadBand memoryBand(double usedFraction);

// Palette green, palette amber, system red: the popover and dashboard scale.
const Color& paletteColor(LoadBand band);

// System green, orange, red: the menu bar text.
const Color& systemColor(LoadBand band);

}  // namespace lopewell
