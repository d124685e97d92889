#include "CrossoverResponse.h"

#include <algorithm>
#include <cmath>

#include "BandResponse.h"
#include "PlotMapping.h"

namespace {
// A section whose a0 computes to exactly zero would divide by zero.
constexpr double ZERO_A0_GUARD = 1e-10;

double GuardA0(double a0)
{
    return a0 == 0.0 ? ZERO_A0_GUARD : a0;
}

const double* SectionValues(int nAlign, int nSlope, bool bHighPass)
{
    switch (nAlign) {
    case ALIGN_LINKWITZ_RILEY:
        return g_dLinkwitzRiley[nSlope];
    case ALIGN_BESSEL:
        return g_dBesselHighPass[nSlope];  // only the high-pass uses d for Bessel
    default:
        return bHighPass ? g_dButterworthHighPass[nSlope] : g_dButterworthLowPass[nSlope];
    }
}

struct Trig {
    double c, s, t;
};

Trig TrigOf(double f0)
{
    const double w0 = f0 * CENTRE_FREQ_SCALE;
    return {std::cos(w0), std::sin(w0), std::tan(w0 * 0.5)};
}
}  // namespace

CrossoverSections HighPassSections(int nFreq, int nAlign, int nSlope)
{
    nAlign = std::clamp(nAlign, 0, XOVER_ALIGNMENTS - 1);
    nSlope = std::clamp(nSlope, 0, XOVER_SLOPES - 1);
    double f0 = g_dFreqGrid[NearestGridIndex(nFreq)];
    if (nAlign == ALIGN_BESSEL)
        f0 /= g_dBesselHighPassFactor[nSlope];
    const Trig tr = TrigOf(f0);
    const double* d = SectionValues(nAlign, nSlope, true);

    CrossoverSections sections{};
    for (int k = 0; k < XOVER_SECTIONS; ++k) {
        if (d[k] == 0)
            continue;
        const double b0 = (1.0 + tr.c) * 0.5;
        sections[static_cast<std::size_t>(k)] =
            NormaliseSection(GuardA0(1.0 + tr.s * d[k]), -2.0 * tr.c, 1.0 - tr.s * d[k], b0, -2.0 * b0, b0);
    }
    if (IsOddOrderSlope(nSlope))
        sections[0] = NormaliseSection(GuardA0(d[0] * tr.t + 1.0), d[0] * tr.t - 1.0, 0.0, 1.0, -1.0, 0.0);
    return sections;
}

CrossoverSections LowPassSections(int nFreq, int nAlign, int nSlope)
{
    nAlign = std::clamp(nAlign, 0, XOVER_ALIGNMENTS - 1);
    nSlope = std::clamp(nSlope, 0, XOVER_SLOPES - 1);
    // The low-pass corner is not snapped to the grid; outside the audio range
    // (0 Hz above all) its sections would divide by zero.
    double f0 = std::clamp(static_cast<double>(nFreq), FREQ_MIN_HZ, FREQ_MAX_HZ);
    CrossoverSections sections{};

    if (nAlign == ALIGN_BESSEL) {
        f0 /= g_dBesselLowPassFactor[nSlope];
        const double t = std::tan(f0 * CENTRE_FREQ_SCALE * 0.5);
        const double t2 = t * t;
        for (int k = 0; k < XOVER_SECTIONS; ++k) {
            const BesselPair& p = g_besselLowPass[nSlope][k];
            if (p.B == 0)
                continue;
            sections[static_cast<std::size_t>(k)] =
                NormaliseSection(p.B * t + t2 + p.C, 2.0 * t2 - 2.0 * p.C, (t2 - p.B * t) + p.C, t2, 2.0 * t2, t2);
        }
        return sections;
    }

    const Trig tr = TrigOf(f0);
    const double* d = SectionValues(nAlign, nSlope, false);
    for (int k = 0; k < XOVER_SECTIONS; ++k) {
        if (d[k] == 0)
            continue;
        const double b0 = (1.0 - tr.c) * 0.5;
        sections[static_cast<std::size_t>(k)] =
            NormaliseSection(GuardA0(1.0 + tr.s * d[k]), -2.0 * tr.c, 1.0 - tr.s * d[k], b0, 2.0 * b0, b0);
    }
    if (IsOddOrderSlope(nSlope))
        sections[0] = NormaliseSection(GuardA0(tr.t + d[0]), tr.t - d[0], 0.0, tr.t, tr.t, 0.0);
    return sections;
}

int CrossoverElementSections(bool bHighPass, int nFreq, int nAlign, int nSlope, CrossoverSections& aSection)
{
    if (nFreq == (bHighPass ? HIGH_PASS_OFF_HZ : LOW_PASS_OFF_HZ))
        return 0;
    aSection = bHighPass ? HighPassSections(nFreq, nAlign, nSlope) : LowPassSections(nFreq, nAlign, nSlope);
    return XOVER_SECTIONS;
}
