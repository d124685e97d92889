// A curve of levels on the frequency grid drawn into the response graph:
// one polyline per run of points it holds, at the pixels of the channel's
// curve, dOffset below its levels, nLines pixels thick.
#pragma once

#include "GridLevels.h"

class CAudio_OutData;
class QPainter;

void DrawGridLevels(QPainter& dc, const GridLevels& levels, double dOffset, const CAudio_OutData& display,
                    int nLines = 1);
