// The loops over the frequency grid that every curve and every drag step
// runs: section magnitudes, dB conversion, summing and pixel placement.
#pragma once

#include "BiquadSection.h"
#include "FreqGrid.h"

// Multiplies |H|^2 of the section at every grid point into ratio[]: a cascade
// is the product of its sections, converted to dB once.
void MultiplyPowerRatio(const BiquadSection& section, double (&ratio)[GRID_POINTS]);
// 10 log10 of each power ratio: the level in dB.
void PowerRatioToDb(const double (&ratio)[GRID_POINTS], double (&dB)[GRID_POINTS]);
// sum[i] += dB[i].
void AccumulateLevels(const double (&dB)[GRID_POINTS], double (&sum)[GRID_POINTS]);
// DbToY of every level.
void LevelsToPixels(const double (&dB)[GRID_POINTS], int nHeight, int (&y)[GRID_POINTS]);
