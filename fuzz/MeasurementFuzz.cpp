// The measurement reader and what follows it: any text is either refused
// with a message naming the file, or gives rows with rising positive
// frequencies and finite levels. Smoothed onto the grid every measured point
// lies within the levels measured, a fit of them keeps its gains within the
// bounds and the whole equaliser within its limits, with finite error
// figures never worse than the flat channel it started from, and with phase
// an alignment keeps to the device's steps.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "ChannelAlignment.h"
#include "EqFit.h"
#include "FreqTables.h"
#include "FuzzCheck.h"
#include "MeasurementReader.h"
#include "MeasurementSmoothing.h"
#include "PlotMapping.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string_view text(reinterpret_cast<const char*>(pData), nSize);
    MeasurementData data;
    std::string error;
    if (!ParseMeasurement(text, "fuzz", data, error)) {
        FuzzCheck(error.rfind("fuzz: ", 0) == 0, "a refusal names the file");
        FuzzCheck(data.IsEmpty(), "a refused file leaves nothing behind");
        return 0;
    }
    FuzzCheck(data.adFreq.size() >= 2 && data.adFreq.size() == data.adLevel.size(), "two rows or more");
    double dMin = data.adLevel[0], dMax = data.adLevel[0];
    for (std::size_t k = 0; k < data.adFreq.size(); ++k) {
        FuzzCheck(std::isfinite(data.adFreq[k]) && data.adFreq[k] > 0.0, "frequencies are positive");
        FuzzCheck(k == 0 || data.adFreq[k] > data.adFreq[k - 1], "frequencies rise");
        FuzzCheck(std::fabs(data.adLevel[k]) <= MEASUREMENT_MAX_LEVEL_DB, "levels are levels");
        dMin = std::min(dMin, data.adLevel[k]);
        dMax = std::max(dMax, data.adLevel[k]);
    }

    const double dSlack = 1e-9 * (1.0 + std::max(std::fabs(dMin), std::fabs(dMax)));
    for (const int n : SMOOTHING_CHOICES) {
        const GridLevels grid = MeasurementOnGrid(data, n);
        for (int i = 0; i < GRID_POINTS; ++i) {
            const bool bInSpan = g_dFreqGrid[i] >= data.GetLowHz() && g_dFreqGrid[i] <= data.GetHighHz();
            FuzzCheck(grid.abValid[i] == bInSpan, "measured exactly within the span");
            if (grid.abValid[i])
                FuzzCheck(grid.adLevel[i] >= dMin - dSlack && grid.adLevel[i] <= dMax + dSlack,
                          "a smoothed level lies within the measured levels");
        }
    }

    // With its phase, the response on the grid is finite where measured, and
    // the alignment of two channels measured alike (one in eight inputs)
    // keeps to the device's steps with finite figures.
    ComplexLevels onGrid;
    if (ComplexOnGrid(data, ALIGN_SMOOTHING, "fuzz", onGrid, error)) {
        FuzzCheck(data.HasPhase(), "only a measurement with phase goes onto the grid as complex values");
        for (int i = 0; i < GRID_POINTS; ++i)
            FuzzCheck(!onGrid.abValid[i] || std::isfinite(std::abs(onGrid.h[static_cast<std::size_t>(i)])),
                      "finite where measured");
        if (nSize % 8 == 1) {
            AlignRequest request;
            request.dLowHz = FREQ_MIN_HZ;
            request.dHighHz = FREQ_MAX_HZ;
            for (const int k : {0, 1})
                request.aChannel.push_back({k, onGrid, ChannelSetting{}, {}});
            const AlignOutcome outcome = AlignChannels(request);
            for (const ChannelSetting& setting : outcome.aSetting)
                FuzzCheck(setting.nDelay >= 0 && setting.nDelay <= DELAY_WORD_MAX &&
                              std::abs(setting.nGain - CHANNEL_GAIN_WORD_0DB) <= ALIGN_GAIN_REACH,
                          "aligned settings keep to the device's steps");
            FuzzCheck(!outcome.bOk || (std::isfinite(outcome.before.dFlatDb) && std::isfinite(outcome.after.dFlatDb)),
                      "finite flatness");
        }
    } else {
        FuzzCheck(!data.HasPhase(), "a measurement with phase goes onto the grid");
    }

    // The fit, on bands whose Q and boost follow the input's size. It costs a
    // hundred times the reading, so one input in sixteen takes it.
    if (nSize % 16 != 0)
        return 0;
    FitRequest request;
    request.smoothed = MeasurementOnGrid(data, DEFAULT_SMOOTHING);
    request.predicted = request.smoothed;
    request.guide = MeasurementOnGrid(data, BOOST_GUIDE_SMOOTHING);
    request.dSpanLowHz = data.GetLowHz();
    request.dSpanHighHz = data.GetHighHz();
    request.settings.dMaxBoostDb = static_cast<double>(nSize % 21);
    for (int b = 0; b < EQ_BANDS; ++b)
        request.aBand[b] = {g_nGraphicEqFreq[b], static_cast<int>((nSize + b) % BANDWIDTH_Q_COUNT), GAIN_INDEX_FLAT,
                            b % 7 != 3};
    const FitOutcome outcome = FitEq(request);
    if (!outcome.bOk) {
        for (int b = 0; b < EQ_BANDS; ++b)
            FuzzCheck(outcome.anGain[b] == GAIN_INDEX_FLAT, "with nothing to fit nothing changes");
        return 0;
    }
    int nLow = 0, nHigh = 0;
    FitGainBounds(request.settings, nLow, nHigh);
    for (int b = 0; b < EQ_BANDS; ++b)
        FuzzCheck(request.aBand[b].bFree ? outcome.anGain[b] >= nLow && outcome.anGain[b] <= nHigh &&
                                               outcome.anGain[b] <= outcome.anHighIndex[b]
                                         : outcome.anGain[b] == GAIN_INDEX_FLAT,
                  "fitted gains keep to the bounds, bands left alone keep theirs");
    FuzzCheck(std::isfinite(outcome.dRmsBefore) && std::isfinite(outcome.dRmsAfter), "finite error figures");
    FuzzCheck(outcome.dRmsAfter <= outcome.dRmsBefore + 1e-9, "the fit never makes a flat channel worse");
    for (int i = 0; i < GRID_POINTS; ++i)
        FuzzCheck(outcome.adEqAfter[i] <= outcome.limits.adHigh[i] + 1e-6 &&
                      outcome.adEqAfter[i] >= outcome.limits.adLow[i] - 1e-6,
                  "the whole equaliser keeps its limits");
    return 0;
}
