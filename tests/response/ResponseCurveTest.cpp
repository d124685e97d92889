#include <gtest/gtest.h>

#include <cmath>

#include "BandResponse.h"
#include "Filter.h"
#include "GridKernels.h"
#include "LiteralResponse.h"

namespace {
constexpr double AGREE_DB = 1e-9;

CFilter Crossover(int nType, int nAlign, int nSlope, int nFreq)
{
    CFilter f;
    f.SetType(nType);
    f.SetBandHandle(0);
    f.SetAlignment(nAlign);
    f.SetSlope(nSlope);
    f.SetFrequency(nFreq);
    return f;
}

CFilter Band(int nType, int nFreq, int nGainIndex, int nQIndex = 25, int nShelfSlope = 0)
{
    CFilter f;
    f.SetType(nType);
    f.SetSlope(nShelfSlope);
    f.SetQIndex(nQIndex);
    f.SetGainIndex(nGainIndex);
    f.SetFrequency(nFreq);
    return f;
}

void ExpectAllZero(const CFilter& f)
{
    for (int i = 0; i < GRID_POINTS; ++i)
        ASSERT_EQ(f.m_dCurve[i], 0.0) << "point " << i;
}
}  // namespace

// The once-per-curve sections on cached trigonometry give the literal
// per-point formulas' levels at every grid point.
TEST(ResponseCurve, AgreesWithLiteralFormulas)
{
    const int freqs[] = {20, 25, 63, 1000, 1010, 1020, 4999, 15000, 20000};
    for (int nFreq : freqs) {
        for (int nGainIndex : {0, 1, 199, 201, 260, 320, 400}) {
            const double dGain = nGainIndex * 0.1 - 20.0;
            for (int nQ : {0, 24, 59}) {
                const CFilter f = Band(0, nFreq, nGainIndex, nQ);
                for (int i = 0; i < GRID_POINTS; ++i)
                    ASSERT_NEAR(f.m_dCurve[i], literal::PeakingAt(i, nFreq, dGain, nQ * 0.01 + 0.05), AGREE_DB)
                        << "peaking " << nFreq << " Hz gain " << dGain << " Q " << nQ << " point " << i;
            }
            for (int nType : {1, 2})
                for (int nSlope : {0, 1}) {
                    const CFilter f = Band(nType, nFreq, nGainIndex, 25, nSlope);
                    for (int i = 0; i < GRID_POINTS; ++i)
                        ASSERT_NEAR(f.m_dCurve[i], literal::ShelfAt(i, nType, nFreq, dGain, nSlope), AGREE_DB)
                            << "shelf " << nType << "/" << nSlope << " " << nFreq << " Hz point " << i;
                }
        }
    }
    for (int nFreq : {21, 100, 1000, 1015, 5000, 19999}) {
        for (int nAlign = 0; nAlign < 3; ++nAlign)
            for (int nSlope = 0; nSlope < 7; ++nSlope) {
                const CFilter hp = Crossover(3, nAlign, nSlope, nFreq);
                const CFilter lp = Crossover(4, nAlign, nSlope, nFreq);
                for (int i = 0; i < GRID_POINTS; ++i) {
                    ASSERT_NEAR(hp.m_dCurve[i], literal::HighPassAt(i, nFreq, nAlign, nSlope), AGREE_DB)
                        << "high-pass " << nAlign << "/" << nSlope << " " << nFreq << " Hz point " << i;
                    ASSERT_NEAR(lp.m_dCurve[i], literal::LowPassAt(i, nFreq, nAlign, nSlope), AGREE_DB)
                        << "low-pass " << nAlign << "/" << nSlope << " " << nFreq << " Hz point " << i;
                }
            }
    }
}

TEST(ResponseCurve, BandsPeakWhereTheyShouldAndSnapToTheGrid)
{
    // 0 dB is flat, whether the flag says so or the section is computed.
    ExpectAllZero(Band(0, 1000, 200));
    double ratio[GRID_POINTS];
    std::fill(std::begin(ratio), std::end(ratio), 1.0);
    MultiplyPowerRatio(PeakingSection(1000, 0.0, 0.3), ratio);
    for (double r : ratio)
        ASSERT_NEAR(r, 1.0, 1e-12);

    const CFilter peak = Band(0, 1000, 320, 25);  // +12 dB, bandwidth 0.3
    int nMax = 0;
    for (int i = 0; i < GRID_POINTS; ++i)
        if (peak.m_dCurve[i] > peak.m_dCurve[nMax])
            nMax = i;
    EXPECT_EQ(nMax, 136);
    EXPECT_NEAR(peak.m_dCurve[136], 12.0, 0.03);

    const CFilter at1010 = Band(0, 1010, 320, 25);
    const CFilter at1020 = Band(0, 1020, 320, 25);
    const CFilter at1030 = Band(0, 1030, 320, 25);
    for (int i = 0; i < GRID_POINTS; ++i) {
        EXPECT_EQ(at1010.m_dCurve[i], peak.m_dCurve[i]);
        EXPECT_EQ(at1020.m_dCurve[i], at1030.m_dCurve[i]);
    }
}

TEST(ResponseCurve, ShelvesReachTheirGainAtTheirEnd)
{
    for (int nSlope : {0, 1}) {
        const CFilter low = Band(1, 1000, 260, 25, nSlope);  // +6 dB
        EXPECT_NEAR(low.m_dCurve[0], 6.0, 0.05) << nSlope;
        EXPECT_NEAR(low.m_dCurve[240], 0.0, 0.05) << nSlope;
        const CFilter high = Band(2, 1000, 260, 25, nSlope);
        EXPECT_NEAR(high.m_dCurve[0], 0.0, 0.05) << nSlope;
        EXPECT_NEAR(high.m_dCurve[240], 6.0, 0.05) << nSlope;
        ExpectAllZero(Band(1, 1000, 200, 25, nSlope));
        ExpectAllZero(Band(2, 1000, 200, 25, nSlope));
    }
    // A 0 dB shelf computed from its section (flag not set) is flat too.
    EXPECT_TRUE(ShelfSection(1, 1000, 0.0, 0).IsUnity());
}

TEST(ResponseCurve, CrossoverCornersAndSlopes)
{
    const CFilter lr24 = Crossover(3, 0, 2, 1000);
    EXPECT_NEAR(lr24.m_dCurve[136], -5.95, 0.01);  // 1000 Hz
    EXPECT_NEAR(lr24.m_dCurve[112], -24.6, 0.05);  // 500 Hz
    EXPECT_NEAR(lr24.m_dCurve[88], -48.2, 0.05);   // 250 Hz
    EXPECT_NEAR(Crossover(3, 2, 2, 1000).m_dCurve[136], -3.0, 0.02);
    for (int nSlope = 0; nSlope < 7; ++nSlope) {
        EXPECT_NEAR(Crossover(3, 2, nSlope, 1000).m_dCurve[136], -3.0, 0.1) << nSlope;
        EXPECT_NEAR(Crossover(4, 2, nSlope, 1000).m_dCurve[136], -3.0, 0.1) << nSlope;
        EXPECT_NEAR(Crossover(4, 1, nSlope, 1000).m_dCurve[136], -3.0, 0.05) << "Bessel " << nSlope;
    }
    // Steeper slopes cut deeper an octave below a high-pass.
    for (int nAlign = 0; nAlign < 3; ++nAlign)
        for (int nSlope = 1; nSlope < 7; ++nSlope)
            EXPECT_LT(Crossover(3, nAlign, nSlope, 1000).m_dCurve[88],
                      Crossover(3, nAlign, nSlope - 1, 1000).m_dCurve[88])
                << nAlign << "/" << nSlope;
    // Off at the ends of the range.
    ExpectAllZero(Crossover(3, 0, 6, 20));
    ExpectAllZero(Crossover(4, 1, 6, 20000));
}

// Codes outside their tables never index outside them: crossover codes take
// the nearest valid code, shelf slopes the nearer of the two, unknown types
// draw flat; every level stays finite.
TEST(ResponseCurve, CodesOutsideTheirTables)
{
    const CFilter steepest = Crossover(3, 2, 6, 1000);
    const CFilter gentlest = Crossover(4, 0, 0, 1000);
    const CFilter tooSteep = Crossover(3, 2, 99, 1000);
    const CFilter negative = Crossover(4, 0, -4, 1000);
    const CFilter badAlign = Crossover(3, 17, 6, 1000);
    for (int i = 0; i < GRID_POINTS; ++i) {
        EXPECT_EQ(tooSteep.m_dCurve[i], steepest.m_dCurve[i]);
        EXPECT_EQ(negative.m_dCurve[i], gentlest.m_dCurve[i]);
        EXPECT_EQ(badAlign.m_dCurve[i], steepest.m_dCurve[i]);
    }
    const CFilter shelf12 = Band(1, 1000, 260, 25, 1);
    const CFilter shelfBad = Band(1, 1000, 260, 25, 7);
    for (int i = 0; i < GRID_POINTS; ++i)
        EXPECT_EQ(shelfBad.m_dCurve[i], shelf12.m_dCurve[i]);
    ExpectAllZero(Band(9, 1000, 300));
    ExpectAllZero(Band(-1, 1000, 300));

    // Frequencies outside 20..20000 snap to the grid's ends (bands, high-pass)
    // or stay finite (the low-pass is not snapped).
    for (int nFreq : {-100, 0, 1, 19, 20001, 1000000}) {
        for (const CFilter& f : {Band(0, nFreq, 320), Band(2, nFreq, 320), Crossover(3, 1, 6, nFreq),
                                 Crossover(4, 1, 6, nFreq), Crossover(4, 2, 3, nFreq)})
            for (int i = 0; i < GRID_POINTS; ++i) {
                ASSERT_FALSE(std::isnan(f.m_dCurve[i])) << nFreq << " Hz point " << i;
                ASSERT_LT(std::abs(f.m_ptPolygon[i + 1].y), 2000000);
            }
    }
}
