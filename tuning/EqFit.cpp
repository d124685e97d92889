#include "EqFit.h"

#include <algorithm>
#include <cmath>

#include "BandCurve.h"
#include "EqFitter.h"
#include "FreqTables.h"

namespace {
double Rms(const GridLevels& response, const GridLevels& target, const bool (&abIn)[GRID_POINTS])
{
    double s = 0.0;
    int n = 0;
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (!abIn[i])
            continue;
        const double d = response.adLevel[i] - target.adLevel[i];
        s += d * d;
        ++n;
    }
    return n > 0 ? std::sqrt(s / n) : 0.0;
}

// A band centred outside the range may cut but not boost: lifting the edge
// of the range from below the high-pass corner (or above the low-pass) would
// drive the speaker where it is meant to be rolled off.
bool BoostsInRange(const FitBand& band, const FitRange& range)
{
    return band.nFreq >= range.dLowHz && band.nFreq <= range.dHighHz;
}

bool IsGainLimit(double d)
{
    return std::isfinite(d) && d >= 0.0 && d <= GAIN_MAX_DB;
}

void BandCurveNow(const FitBand& band, int nGainIndex, double (&adCurve)[GRID_POINTS])
{
    const int nQ = std::clamp(band.nQIndex, 0, BANDWIDTH_Q_COUNT - 1);
    PeakingCurve(band.nFreq, GainOfIndex(std::clamp(nGainIndex, 0, GAIN_INDEX_MAX)), BandwidthOfQIndex(nQ), adCurve);
}
}  // namespace

bool FitGainBounds(const FitSettings& settings, int& nLowIndex, int& nHighIndex)
{
    if (!IsGainLimit(settings.dMaxBoostDb) || !IsGainLimit(settings.dMaxCutDb))
        return false;
    // Whole steps within the limits; a hair below a step still reaches it.
    constexpr double STEP_SLACK = 1e-9;
    nLowIndex = GAIN_INDEX_FLAT - static_cast<int>(std::floor(settings.dMaxCutDb / GAIN_STEP_DB + STEP_SLACK));
    nHighIndex = GAIN_INDEX_FLAT + static_cast<int>(std::floor(settings.dMaxBoostDb / GAIN_STEP_DB + STEP_SLACK));
    nLowIndex = std::clamp(nLowIndex, 0, GAIN_INDEX_FLAT);
    nHighIndex = std::clamp(nHighIndex, GAIN_INDEX_FLAT, GAIN_INDEX_MAX);
    return true;
}

FitOutcome FitFrame(const FitRequest& request)
{
    FitOutcome out;
    for (int b = 0; b < EQ_BANDS; ++b) {
        out.anGain[b] = request.aBand[b].nGainIndex;
        out.anLowIndex[b] = out.anGain[b];
        out.anHighIndex[b] = out.anGain[b];
    }
    const GridLevels shape = TargetShape(request.settings.target);
    out.range = ResolveFitRange(request.settings, request.dCornerLowHz, request.dCornerHighHz, request.dSpanLowHz,
                                request.dSpanHighHz, request.predicted, shape);
    out.target = PlaceTarget(shape, request.smoothed, out.range.abIn);
    out.after = request.predicted;
    if (out.range.nPoints == 0) {
        out.strError = out.range.strError;
        return out;
    }
    out.dRmsBefore = Rms(request.predicted, out.target, out.range.abIn);
    out.dRmsAfter = out.dRmsBefore;
    out.bOk = true;
    return out;
}

FitOutcome FitEq(const FitRequest& request)
{
    FitOutcome out = FitFrame(request);
    if (!out.bOk)
        return out;
    int nLowIndex = 0;
    int nHighIndex = 0;
    if (!FitGainBounds(request.settings, nLowIndex, nHighIndex)) {
        out.bOk = false;
        out.strError = "the largest boost and cut are 0 to 20 dB";
        return out;
    }

    // The response without the bands the fit moves, at the points in range.
    GridLevels without = request.predicted;
    std::vector<FitterBand> aFree;
    std::vector<int> anFreeBand;
    double adCurve[GRID_POINTS];
    for (int b = 0; b < EQ_BANDS; ++b) {
        const FitBand& band = request.aBand[b];
        if (!band.bFree)
            continue;
        BandCurveNow(band, band.nGainIndex, adCurve);
        for (int i = 0; i < GRID_POINTS; ++i)
            without.adLevel[i] -= adCurve[i];
        out.anLowIndex[b] = nLowIndex;
        out.anHighIndex[b] = BoostsInRange(band, out.range) ? nHighIndex : GAIN_INDEX_FLAT;
        aFree.push_back({band.nFreq, BandwidthOfQIndex(std::clamp(band.nQIndex, 0, BANDWIDTH_Q_COUNT - 1)),
                         out.anLowIndex[b], out.anHighIndex[b]});
        anFreeBand.push_back(b);
    }
    std::vector<int> anPoint;
    std::vector<double> adBase;
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (out.range.abIn[i]) {
            anPoint.push_back(i);
            adBase.push_back(without.adLevel[i] - out.target.adLevel[i]);
        }
    }

    const CEqFitter fitter(aFree, anPoint, adBase);
    const std::vector<int> anIndex = fitter.Solve();

    out.after = without;
    for (std::size_t k = 0; k < anFreeBand.size(); ++k) {
        const int b = anFreeBand[k];
        out.anGain[b] = anIndex[k];
        BandCurveNow(request.aBand[b], anIndex[k], adCurve);
        for (int i = 0; i < GRID_POINTS; ++i)
            out.after.adLevel[i] += adCurve[i];
    }
    out.dRmsAfter = Rms(out.after, out.target, out.range.abIn);
    return out;
}
