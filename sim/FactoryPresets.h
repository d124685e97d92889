// What the virtual processor holds when it leaves the factory: six presets
// with believable settings, every value inside the device's ranges.
#pragma once

#include "SimTypes.h"

// The factory content of preset slot nSlot (0..5; throws std::out_of_range
// otherwise). Blocks come in reply form with byte 5 = nSlot. Slot 0, the
// live setting, is also what the build writes out as the demo preset.
SimPreset FactoryPreset(int nSlot);
