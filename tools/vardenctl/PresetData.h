// A preset as vardenctl handles it between files: the four channel records
// and the name, independent of the form (.dia or .json) it came in.
#pragma once

#include "PresetRecord.h"

using PresetData = PresetRecord;

class CTALVRoute;

// The preset's records and name as they would be saved.
PresetData PresetFromRoute(CTALVRoute& route);

// Loads data into route the way a preset file is loaded.
void LoadRouteFromPreset(const PresetData& data, CTALVRoute& route);
