#include "ComplexResponse.h"

#include <cmath>
#include <numbers>

#include "EQ.h"
#include "Filter.h"

ComplexGrid UnityGrid()
{
    ComplexGrid h;
    h.fill(1.0);
    return h;
}

void MultiplySection(const BiquadSection& q, ComplexGrid& h)
{
    // The terms of the magnitude kernel, both multiplied by e^jw: their
    // quotient is H(e^jw) itself, and its magnitude is the curve's.
    const GridTrig& trig = GetGridTrig();
    for (int i = 0; i < GRID_POINTS; ++i) {
        const double c = trig.c[i];
        const double s = trig.s[i];
        const std::complex<double> den((c + q.A1) + c * q.A2, s - s * q.A2);
        const std::complex<double> num((c * q.B0 + q.B1) + c * q.B2, s * q.B0 - s * q.B2);
        h[static_cast<std::size_t>(i)] *= num / den;
    }
}

void MultiplyElement(const CFilter& filter, ComplexGrid& h)
{
    CrossoverSections sections;
    const int n = filter.GetSections(sections);
    for (int k = 0; k < n; ++k)
        MultiplySection(sections[static_cast<std::size_t>(k)], h);
}

ComplexGrid FilterSetResponse(const CEQ& eq)
{
    ComplexGrid h = UnityGrid();
    for (int e = 0; e < eq.GetSize(); ++e)
        MultiplyElement(eq.GetAt(e), h);
    return h;
}

void MultiplyDelay(double dSeconds, ComplexGrid& h)
{
    for (int i = 0; i < GRID_POINTS; ++i)
        h[static_cast<std::size_t>(i)] *= std::polar(1.0, -2.0 * std::numbers::pi * g_dFreqGrid[i] * dSeconds);
}

double LevelDb(std::complex<double> h)
{
    return 10.0 * std::log10(std::norm(h));
}
