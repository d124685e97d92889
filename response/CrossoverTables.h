// Design tables of the crossover filters: per alignment and slope code, the
// value d (1/2Q) of each of the up to four second-order sections, the
// low-pass Bessel polynomials, and the factors that move the Bessel corners.
#pragma once

inline constexpr int XOVER_SECTIONS = 4;
inline constexpr int XOVER_SLOPES = 7;  // 12, 18, ... 48 dB per octave
inline constexpr int XOVER_ALIGNMENTS = 3;

inline constexpr int ALIGN_LINKWITZ_RILEY = 0;
inline constexpr int ALIGN_BESSEL = 1;
inline constexpr int ALIGN_BUTTERWORTH = 2;

// The names the device's lists give the alignments and slopes.
extern const char* const g_pszAlignmentName[XOVER_ALIGNMENTS];  // "Link_Ril", "Bessel", "BTWorth"
extern const char* const g_pszSlopeName[XOVER_SLOPES];          // "12dB/Oct" .. "48dB/Oct"

struct BesselPair {
    double B, C;  // 1 / (C s^2 + B s + 1); B = 0 is a unity section
};

extern const double g_dLinkwitzRiley[XOVER_SLOPES][XOVER_SECTIONS];
extern const double g_dButterworthLowPass[XOVER_SLOPES][XOVER_SECTIONS];
extern const double g_dButterworthHighPass[XOVER_SLOPES][XOVER_SECTIONS];
extern const double g_dBesselHighPass[XOVER_SLOPES][XOVER_SECTIONS];
extern const double g_dBesselHighPassFactor[XOVER_SLOPES];
extern const BesselPair g_besselLowPass[XOVER_SLOPES][XOVER_SECTIONS];
extern const double g_dBesselLowPassFactor[XOVER_SLOPES];

// Slope codes 1, 3 and 5 are odd orders: their first section is first-order.
inline constexpr bool IsOddOrderSlope(int nSlope)
{
    return nSlope == 1 || nSlope == 3 || nSlope == 5;
}
