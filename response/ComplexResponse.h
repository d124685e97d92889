// The device's filters in phase as well as level: the sections a curve is
// the product of, evaluated as complex values on the grid at 96 kHz. The
// magnitude is the graph's curve and the phase comes with it.
#pragma once

#include <array>
#include <complex>

#include "BiquadSection.h"
#include "FreqGrid.h"

class CFilter;
class CEQ;

using ComplexGrid = std::array<std::complex<double>, GRID_POINTS>;

// 1 at every grid point.
ComplexGrid UnityGrid();
// h[i] *= H(e^jw) of the section at grid point i.
void MultiplySection(const BiquadSection& section, ComplexGrid& h);
// h[i] *= the element's response: its sections, as its curve has them.
void MultiplyElement(const CFilter& filter, ComplexGrid& h);
// The product of every element of a channel's filter set.
ComplexGrid FilterSetResponse(const CEQ& eq);
// h[i] *= e^(-j 2 pi f dSeconds): a delay.
void MultiplyDelay(double dSeconds, ComplexGrid& h);
// 20 log10 |h|, the level in dB.
double LevelDb(std::complex<double> h);
