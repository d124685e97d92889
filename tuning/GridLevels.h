// A curve on the graph's frequency grid that may be undefined at some points:
// a measurement holds nothing outside the span it was measured over, and such
// points take no part in showing, fitting or error figures.
#pragma once

#include "FreqGrid.h"

struct GridLevels {
    double adLevel[GRID_POINTS] = {};
    bool abValid[GRID_POINTS] = {};

    int CountValid() const
    {
        int n = 0;
        for (const bool b : abValid)
            n += b ? 1 : 0;
        return n;
    }
};
