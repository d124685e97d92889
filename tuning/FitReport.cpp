#include "FitReport.h"

#include <cstdio>

#include "BandCurve.h"
#include "DbText.h"

namespace {
// A boost or cut smaller than half a step shows as none.
constexpr double SHOWN_DB = 0.05;
}  // namespace

std::string FormatFitSummary(const FitOutcome& outcome)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "rms error before %.2f dB, after %.2f dB over ", outcome.dRmsBefore,
                  outcome.dRmsAfter);
    return buf + FormatHzRange(outcome.range.dLowHz, outcome.range.dHighHz);
}

std::string FormatFitEffect(const FitOutcome& outcome)
{
    int nMax = 0, nMin = 0;
    for (int i = 0; i < GRID_POINTS; ++i) {
        nMax = outcome.adEqAfter[i] > outcome.adEqAfter[nMax] ? i : nMax;
        nMin = outcome.adEqAfter[i] < outcome.adEqAfter[nMin] ? i : nMin;
    }
    const double dMax = outcome.adEqAfter[nMax];
    const double dMin = outcome.adEqAfter[nMin];
    std::string s = dMax >= SHOWN_DB
                        ? "largest boost " + FormatDbChange(dMax) + " at " + FormatHz(g_dFreqGrid[nMax]) + " Hz"
                        : std::string("no boost");
    s += dMin <= -SHOWN_DB ? ", largest cut " + FormatDbChange(dMin) + " at " + FormatHz(g_dFreqGrid[nMin]) + " Hz"
                           : std::string(", no cut");
    s += ", " + std::to_string(outcome.nBandsChanged) + (outcome.nBandsChanged == 1 ? " band" : " bands") + " changed";
    return s;
}

std::string FormatPositions(const CChannelMeasurement& measurement, const FitRange& range)
{
    if (measurement.GetCount() < 2)
        return std::string();
    const GridLevels& low = measurement.GetLowest();
    const GridLevels& high = measurement.GetHighest();
    int nWidest = -1;
    for (int i = 0; i < GRID_POINTS; ++i) {
        const bool bShown = range.nPoints > 0 ? range.abIn[i] : low.abValid[i];
        if (bShown && low.abValid[i] &&
            (nWidest < 0 || high.adLevel[i] - low.adLevel[i] > high.adLevel[nWidest] - low.adLevel[nWidest]))
            nWidest = i;
    }
    std::string s = std::to_string(measurement.GetCount()) + " measurements averaged (" +
                    (measurement.GetSettings().eAveraging == Averaging::MeanPower ? "mean of power" : "mean in dB") +
                    ")";
    if (nWidest >= 0) {
        s += ", widest spread " + FormatDb(high.adLevel[nWidest] - low.adLevel[nWidest]) + " at " +
             FormatHz(g_dFreqGrid[nWidest]) + " Hz";
    }
    return s;
}

std::string FormatFitBands(const FitRequest& request, const FitOutcome& outcome)
{
    std::string text;
    for (int b = 0; b < EQ_BANDS; ++b) {
        const FitBand& band = request.aBand[b];
        char note[48] = "";
        if (!band.bFree)
            std::snprintf(note, sizeof note, "  (bypassed, left as it is)");
        else if (outcome.anGain[b] != band.nGainIndex)
            std::snprintf(note, sizeof note, "  (was %+.1f dB)", GainOfIndex(band.nGainIndex));
        else if (outcome.bOk && !IsBandFitted(band, outcome.range))
            std::snprintf(note, sizeof note, "  (beyond the range, left as it is)");
        char buf[128];
        std::snprintf(buf, sizeof buf, "band %2d %6d Hz %+6.1f dB%s\n", b + 1, band.nFreq,
                      GainOfIndex(outcome.anGain[b]), note);
        text += buf;
    }
    return text;
}
