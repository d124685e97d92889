// The response formulas evaluated literally: every grid point snaps the
// frequency, designs the sections and converts to dB on its own, exactly in
// the order the formulas are written. The fast curves must agree with it;
// the benchmark measures against it.
#pragma once

#include <cmath>

#include "CrossoverTables.h"
#include "FreqGrid.h"

namespace literal {

struct Raw {
    double a0 = 1, a1 = 0, a2 = 0, b0 = 1, b1 = 0, b2 = 0;
};

// The grid point nearest to f, by the scan from the bottom as written.
inline int NearestIndex(double f)
{
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (g_dFreqGrid[i] >= f) {
            if (i == 0)
                return 0;
            return f - g_dFreqGrid[i - 1] < g_dFreqGrid[i] - f ? i - 1 : i;
        }
    }
    return GRID_POINTS - 1;
}

inline double EvaluateAt(int i, double B0, double B1, double B2, double A1, double A2)
{
    const double w = 6.2831852 * g_dFreqGrid[i] / 96000.0;
    const double c = std::cos(w);
    const double s = std::sin(w);
    const double Dr = (c + A1) + c * A2;
    const double Di = s - s * A2;
    const double Nr = (c * B0 + B1) + c * B2;
    const double Ni = s * B0 - s * B2;
    return 20.0 * std::log10(std::sqrt((Nr * Nr + Ni * Ni) / (Dr * Dr + Di * Di)));
}

inline double EvaluateRaw(int i, const Raw& r)
{
    return EvaluateAt(i, r.b0 / r.a0, r.b1 / r.a0, r.b2 / r.a0, r.a1 / r.a0, r.a2 / r.a0);
}

inline double PeakingAt(int i, int nFreq, double dGain, double dBandwidth)
{
    const double f0 = g_dFreqGrid[NearestIndex(nFreq)];
    const double w0 = f0 * 6.544985e-05;
    const double A = std::pow(10, dGain / 40.0);
    const double sn = std::sin(w0);
    const double alpha = std::sinh(0.69314718 * dBandwidth * w0 / sn) * sn;
    const double a0 = alpha / A + 1;
    return EvaluateAt(i, (alpha * A + 1) / a0, (-2 * std::cos(w0)) / a0, (1 - alpha * A) / a0, (-2 * std::cos(w0)) / a0,
                      (1 - alpha / A) / a0);
}

inline double ShelfAt(int i, int nType, int nFreq, double dGain, int nShelfSlope)
{
    double w0 = g_dFreqGrid[NearestIndex(nFreq)] * 6.544985e-05;
    double S;
    if (nType == 2) {
        w0 *= nShelfSlope == 0 ? 0.4545454546 : 0.76923076923;
        S = nShelfSlope == 0 ? 0.5 : 1.05;
    } else {
        w0 *= nShelfSlope == 0 ? 2.0 : 1.2727272727;
        S = nShelfSlope == 0 ? 0.5 : 1.05;
    }
    const double A = std::pow(10, dGain / 40.0);
    const double c0 = std::cos(w0);
    const double alpha = std::sqrt((1 / A + A) * (1 / S - 1) + 2) * (std::sin(w0) / 2);
    const double beta = 2 * std::sqrt(A) * alpha;
    if (dGain == 0.0)
        return EvaluateAt(i, 1, 0, 0, 0, 0);
    if (nType == 1) {
        const double a0 = (A + 1) + (A - 1) * c0 + beta;
        return EvaluateAt(i, ((A + 1) - (A - 1) * c0 + beta) * A / a0, 2 * A * ((A - 1) - (A + 1) * c0) / a0,
                          ((A + 1) - (A - 1) * c0 - beta) * A / a0, ((A - 1) + (A + 1) * c0) * (-2) / a0,
                          ((A + 1) + (A - 1) * c0 - beta) / a0);
    }
    const double a0 = (A + 1) - (A - 1) * c0 + beta;
    return EvaluateAt(i, ((A + 1) + (A - 1) * c0 + beta) * A / a0, -2 * A * ((A - 1) + (A + 1) * c0) / a0,
                      ((A + 1) + (A - 1) * c0 - beta) * A / a0, 2 * ((A - 1) - (A + 1) * c0) / a0,
                      ((A + 1) - (A - 1) * c0 - beta) / a0);
}

inline double Guard(double a0)
{
    return a0 == 0.0 ? 1e-10 : a0;
}

inline bool IsOdd(int nSlope)
{
    return nSlope == 1 || nSlope == 3 || nSlope == 5;
}

inline double HighPassAt(int i, int nFreq, int nAlign, int nSlope)
{
    double f0 = g_dFreqGrid[NearestIndex(nFreq)];
    const double* d = nAlign == 0   ? g_dLinkwitzRiley[nSlope]
                      : nAlign == 1 ? g_dBesselHighPass[nSlope]
                                    : g_dButterworthHighPass[nSlope];
    if (nAlign == 1)
        f0 /= g_dBesselHighPassFactor[nSlope];
    const double w0 = f0 * 6.544985e-05;
    const double c = std::cos(w0), s = std::sin(w0), t = std::tan(w0 * 0.5);
    Raw sec[4];
    for (int k = 0; k < 4; ++k) {
        if (d[k] == 0)
            continue;
        sec[k].a0 = Guard(1 + s * d[k]);
        sec[k].a1 = -2 * c;
        sec[k].a2 = 1 - s * d[k];
        sec[k].b0 = (1 + c) * 0.5;
        sec[k].b1 = -2 * sec[k].b0;
        sec[k].b2 = sec[k].b0;
    }
    if (IsOdd(nSlope))
        sec[0] = {Guard(d[0] * t + 1), d[0] * t - 1, 0, 1, -1, 0};
    double level = 0;
    for (const Raw& r : sec)
        level += EvaluateRaw(i, r);
    return level;
}

inline double LowPassAt(int i, int nFreq, int nAlign, int nSlope)
{
    double f0 = nFreq;
    Raw sec[4];
    if (nAlign == 1) {
        f0 /= g_dBesselLowPassFactor[nSlope];
        const double w0 = f0 * 6.544985e-05;
        const double t = std::tan(w0 * 0.5), t2 = t * t;
        for (int k = 0; k < 4; ++k) {
            const double B = g_besselLowPass[nSlope][k].B, C = g_besselLowPass[nSlope][k].C;
            if (B == 0)
                continue;
            sec[k] = {B * t + t2 + C, 2 * t2 - 2 * C, (t2 - B * t) + C, t2, 2 * t2, t2};
        }
    } else {
        const double* d = nAlign == 0 ? g_dLinkwitzRiley[nSlope] : g_dButterworthLowPass[nSlope];
        const double w0 = f0 * 6.544985e-05;
        const double c = std::cos(w0), s = std::sin(w0), t = std::tan(w0 * 0.5);
        for (int k = 0; k < 4; ++k) {
            if (d[k] == 0)
                continue;
            const double b0 = (1 - c) * 0.5;
            sec[k] = {Guard(1 + s * d[k]), -2 * c, 1 - s * d[k], b0, 2 * b0, b0};
        }
        if (IsOdd(nSlope))
            sec[0] = {Guard(t + d[0]), t - d[0], 0, t, t, 0};
    }
    double level = 0;
    for (const Raw& r : sec)
        level += EvaluateRaw(i, r);
    return level;
}

}  // namespace literal
