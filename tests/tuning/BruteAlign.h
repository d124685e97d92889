// The plainly correct alignment of two channels to hold the search against:
// every relative delay step, both polarities, every 0.1 dB of relative gain
// the bounds allow, the crossovers as they are. Only the best flatness.
#pragma once

#include <cmath>
#include <complex>
#include <vector>

#include "ChannelAlignment.h"

namespace reference {

inline double BruteForceFlatness(const AlignRequest& request)
{
    AlignRange range;
    std::string error;
    if (request.aChannel.size() != 2 || !ResolveAlignRange(request, range, error))
        return -1.0;
    std::vector<double> adFreq;
    std::vector<std::complex<double>> a, b;
    ChannelSetting bAtZero = request.aChannel[1].now;
    bAtZero.nDelay = 0;
    ChannelSetting aAtZero = request.aChannel[0].now;
    aAtZero.nDelay = 0;
    const ComplexLevels pa0 = PredictedResponse(request.aChannel[0], aAtZero);
    const ComplexLevels pb0 = PredictedResponse(request.aChannel[1], bAtZero);
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (!range.abIn[i])
            continue;
        adFreq.push_back(g_dFreqGrid[i]);
        a.push_back(pa0.h[static_cast<std::size_t>(i)]);
        b.push_back(pb0.h[static_cast<std::size_t>(i)]);
    }
    const std::size_t n = adFreq.size();
    double dBest = 1e300;
    std::vector<std::complex<double>> shifted(n);
    for (int r = -DELAY_WORD_MAX; r <= DELAY_WORD_MAX; ++r) {
        // r > 0 delays b, r < 0 delays a: only the difference counts.
        for (std::size_t p = 0; p < n; ++p) {
            const std::complex<double> rot = std::polar(1.0, -2.0 * M_PI * adFreq[p] * DelaySeconds(std::abs(r)));
            shifted[p] = r >= 0 ? b[p] * rot : b[p] * std::conj(rot);
        }
        for (const double dSign : {1.0, -1.0}) {
            for (int g = -2 * ALIGN_GAIN_REACH; g <= 2 * ALIGN_GAIN_REACH; ++g) {
                const double dAmp = dSign * std::pow(10.0, g * CHANNEL_GAIN_STEP_DB / 20.0);
                double dMean = 0.0, dSquares = 0.0;
                for (std::size_t p = 0; p < n; ++p) {
                    const double v = 10.0 * std::log10(std::norm(a[p] + dAmp * shifted[p]) + 1e-300);
                    dMean += v;
                    dSquares += v * v;
                }
                dMean /= static_cast<double>(n);
                dBest = std::min(dBest, std::sqrt(std::max(0.0, dSquares / static_cast<double>(n) - dMean * dMean)));
            }
        }
    }
    return dBest;
}

}  // namespace reference
