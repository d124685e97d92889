#include "FitReport.h"

#include <cstdio>

#include "BandCurve.h"

std::string FormatFitSummary(const FitOutcome& outcome)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "rms error before %.2f dB, after %.2f dB over ", outcome.dRmsBefore,
                  outcome.dRmsAfter);
    return buf + FormatHzRange(outcome.range.dLowHz, outcome.range.dHighHz);
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
        char buf[128];
        std::snprintf(buf, sizeof buf, "band %2d %6d Hz %+6.1f dB%s\n", b + 1, band.nFreq,
                      GainOfIndex(outcome.anGain[b]), note);
        text += buf;
    }
    return text;
}
