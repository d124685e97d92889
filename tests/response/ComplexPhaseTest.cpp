// The phase of the device's filters and of the channel section, held against
// H(z) = (b0 + b1 z^-1 + b2 z^-2) / (a0 + a1 z^-1 + a2 z^-2) written out from
// the design formulas and evaluated on the unit circle with complex
// exponentials, and against what a delay and a polarity are.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "ChannelSection.h"
#include "ComplexResponse.h"
#include "Filter.h"
#include "LiteralResponse.h"

namespace {
using Complex = std::complex<double>;

struct Raw {
    double a0, a1, a2, b0, b1, b2;
};

Complex HOf(const std::vector<Raw>& sections, int i)
{
    const double w = 6.2831852 * g_dFreqGrid[i] / 96000.0;
    const Complex z1 = std::polar(1.0, -w);
    Complex h = 1.0;
    for (const Raw& r : sections)
        h *= (r.b0 + r.b1 * z1 + r.b2 * z1 * z1) / (r.a0 + r.a1 * z1 + r.a2 * z1 * z1);
    return h;
}

constexpr double SCALE = 6.544985e-05;  // radians per sample per hertz at 96 kHz

Raw Peaking(int nFreq, double dGain, double dBandwidth)
{
    const double w0 = g_dFreqGrid[literal::NearestIndex(nFreq)] * SCALE;
    const double A = std::pow(10.0, dGain / 40.0);
    const double alpha = std::sinh(0.69314718 * dBandwidth * w0 / std::sin(w0)) * std::sin(w0);
    return {1 + alpha / A, -2 * std::cos(w0), 1 - alpha / A, 1 + alpha * A, -2 * std::cos(w0), 1 - alpha * A};
}

// Second-order high- or low-pass with alpha = d sin w0; first-order ones.
Raw SecondOrder(bool bHigh, double w0, double d)
{
    const double c = std::cos(w0), s = std::sin(w0);
    const double b = bHigh ? (1 + c) / 2 : (1 - c) / 2;
    return {1 + s * d, -2 * c, 1 - s * d, b, bHigh ? -2 * b : 2 * b, b};
}
Raw FirstOrderHigh(double w0, double d)
{
    const double t = std::tan(w0 / 2);
    return {d * t + 1, d * t - 1, 0, 1, -1, 0};
}
Raw FirstOrderLow(double w0, double d)
{
    const double t = std::tan(w0 / 2);
    return {t + d, t - d, 0, t, t, 0};
}
}  // namespace

TEST(ComplexPhase, EveryKindOfElementMatchesItsTransferFunctionWrittenOut)
{
    struct Case {
        const char* pszWhat;
        int nType, nFreq, nAlign, nSlope;
        double dGain = 0.0;
        int nQIndex = 0;
    };
    const Case cases[] = {
        {"peaking +9 dB", 0, 1000, 0, 0, 9.0, 25},         {"peaking -12 dB wide", 0, 63, 0, 0, -12.0, 50},
        {"peaking +3.5 dB narrow", 0, 8000, 0, 0, 3.5, 0}, {"Butterworth 12 high-pass", 3, 1000, 2, 0},
        {"Butterworth 18 high-pass", 3, 80, 2, 1},         {"Linkwitz-Riley 24 low-pass", 4, 2000, 0, 2},
        {"Butterworth 30 low-pass", 4, 5000, 2, 3},        {"Bessel 12 low-pass", 4, 700, 1, 0},
    };
    for (const Case& c : cases) {
        CFilter filter;
        filter.SetType(c.nType);
        filter.SetAlignment(c.nAlign);
        filter.SetSlope(c.nSlope);
        filter.SetQIndex(c.nQIndex);
        filter.SetGainIndex(static_cast<int>(std::lround(c.dGain * 10)) + 200);
        filter.SetFrequency(c.nFreq);
        std::vector<Raw> sections;
        const double w0High = g_dFreqGrid[literal::NearestIndex(c.nFreq)] * SCALE;  // snapped
        const double w0Low = c.nFreq * SCALE;                                       // not snapped
        if (c.nType == 0)
            sections = {Peaking(c.nFreq, c.dGain, 0.05 + 0.01 * c.nQIndex)};
        else if (c.nType == 3 && c.nSlope == 0)
            sections = {SecondOrder(true, w0High, 0.70422535)};
        else if (c.nType == 3)
            sections = {FirstOrderHigh(w0High, 1.0), SecondOrder(true, w0High, 0.5)};
        else if (c.nSlope == 2)
            sections = {SecondOrder(false, w0Low, 0.70422535211), SecondOrder(false, w0Low, 0.70422535211)};
        else if (c.nSlope == 3)
            sections = {FirstOrderLow(w0Low, 1.0), SecondOrder(false, w0Low, 0.8064616129),
                        SecondOrder(false, w0Low, 0.3086417953)};
        else {
            // 1 / (C s^2 + B s + 1) through the bilinear transform, the
            // corner moved by the Bessel factor.
            const double t = std::tan(c.nFreq / 1.3616541287 * SCALE / 2), t2 = t * t;
            const double B = 1.0, C = 0.3333333333;
            sections = {{B * t + t2 + C, 2 * t2 - 2 * C, t2 - B * t + C, t2, 2 * t2, t2}};
        }
        ComplexGrid h = UnityGrid();
        MultiplyElement(filter, h);
        for (int i = 0; i < GRID_POINTS; ++i) {
            const Complex ratio = h[static_cast<std::size_t>(i)] / HOf(sections, i);
            ASSERT_NEAR(std::arg(ratio), 0.0, 1e-7) << c.pszWhat << " at " << g_dFreqGrid[i] << " Hz";
            ASSERT_NEAR(std::abs(ratio), 1.0, 1e-7) << c.pszWhat << " at " << g_dFreqGrid[i] << " Hz";
        }
    }
}

// n samples of delay at 48 kHz turn the phase by -2 pi f n / 48000; an
// inverted channel adds half a turn; the gain word scales by 10^(dB/20).
TEST(ComplexPhase, DelayPolarityAndGainOfTheChannelSection)
{
    const struct {
        int nDelay;
        bool bInverted;
        int nGain;
        double dGainDb;
    } cases[] = {{0, false, 600, 0.0},   {1, false, 600, 0.0},   {7, true, 600, 0.0},
                 {48, false, 570, -3.0}, {480, true, 800, 20.0}, {960, false, 0, -60.0}};
    for (const auto& c : cases) {
        ChannelSetting setting;
        setting.nDelay = c.nDelay;
        setting.bInverted = c.bInverted;
        setting.nGain = c.nGain;
        ComplexGrid h = UnityGrid();
        MultiplyChannelSection(setting, h);
        for (int i = 0; i < GRID_POINTS; ++i) {
            const double dPhase =
                -2.0 * std::numbers::pi * g_dFreqGrid[i] * c.nDelay / 48000.0 + (c.bInverted ? std::numbers::pi : 0.0);
            const Complex ratio = h[static_cast<std::size_t>(i)] / std::polar(std::pow(10.0, c.dGainDb / 20.0), dPhase);
            ASSERT_NEAR(std::arg(ratio), 0.0, 1e-9) << c.nDelay << " samples at " << g_dFreqGrid[i] << " Hz";
            ASSERT_NEAR(std::abs(ratio), 1.0, 1e-9) << "gain word " << c.nGain;
        }
    }
}
