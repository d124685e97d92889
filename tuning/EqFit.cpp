#include "EqFit.h"

#include <algorithm>
#include <cmath>

#include "BandCurve.h"
#include "EqFitter.h"
#include "FreqTables.h"

namespace {
// A band this far (in octaves) outside the range keeps its gain.
constexpr double FITTED_REACH_OCTAVES = 1.0;

bool IsGainLimit(double d)
{
    return std::isfinite(d) && d >= 0.0 && d <= GAIN_MAX_DB;
}

double BandwidthOf(const FitBand& band)
{
    return BandwidthOfQIndex(std::clamp(band.nQIndex, 0, BANDWIDTH_Q_COUNT - 1));
}

void BandCurveNow(const FitBand& band, int nGainIndex, double (&adCurve)[GRID_POINTS])
{
    PeakingCurve(band.nFreq, GainOfIndex(std::clamp(nGainIndex, 0, GAIN_INDEX_MAX)), BandwidthOf(band), adCurve);
}

FitOutcome NothingToFit(FitOutcome out, const std::string& strWhy)
{
    out.bOk = false;
    out.bNothingToFit = true;
    out.strError = "nothing to fit: " + strWhy;
    out.strNothingWhy = strWhy;
    return out;
}
}  // namespace

double RmsDifference(const GridLevels& response, const GridLevels& target, const bool (&abIn)[GRID_POINTS])
{
    double s = 0.0;
    int n = 0;
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (!abIn[i] || !response.abValid[i] || !target.abValid[i])
            continue;
        const double d = response.adLevel[i] - target.adLevel[i];
        s += d * d;
        ++n;
    }
    return n > 0 ? std::sqrt(s / n) : 0.0;
}

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

bool IsBandFitted(const FitBand& band, const FitRange& range)
{
    const double dReach = std::exp2(FITTED_REACH_OCTAVES);
    return band.bFree && band.nFreq >= range.dLowHz / dReach && band.nFreq <= range.dHighHz * dReach;
}

FitOutcome FitFrame(const FitRequest& request)
{
    FitOutcome out;
    double adCurve[GRID_POINTS];
    for (int b = 0; b < EQ_BANDS; ++b) {
        out.anGain[b] = request.aBand[b].nGainIndex;
        out.anLowIndex[b] = out.anGain[b];
        out.anHighIndex[b] = out.anGain[b];
        BandCurveNow(request.aBand[b], out.anGain[b], adCurve);
        for (int i = 0; i < GRID_POINTS; ++i)
            out.adEqBefore[i] += adCurve[i];
    }
    std::copy(std::begin(out.adEqBefore), std::end(out.adEqBefore), std::begin(out.adEqAfter));
    const GridLevels shape = TargetShape(request.settings.target, request.settings.nSmoothing);
    out.range = ResolveFitRange(request.settings, request.dCornerLowHz, request.dCornerHighHz, request.dSpanLowHz,
                                request.dSpanHighHz, request.predicted, shape);
    out.target = PlaceTarget(shape, request.smoothed, out.range.abIn);
    out.after = request.predicted;
    if (out.range.nPoints == 0) {
        out.strError = out.range.strError;
        return out;
    }
    out.dRmsBefore = RmsDifference(request.predicted, out.target, out.range.abIn);
    out.dRmsAfter = out.dRmsBefore;
    out.dRmsBest = out.dRmsBefore;
    out.dRmsAllowed = out.dRmsBefore;
    out.bOk = true;
    return out;
}

bool MakeFitProblem(const FitRequest& request, FitOutcome& out, FitProblem& problem)
{
    int nLowIndex = 0;
    int nHighIndex = 0;
    if (!FitGainBounds(request.settings, nLowIndex, nHighIndex)) {
        out.bOk = false;
        out.strError = "the largest boost and cut are 0 to 20 dB";
        return false;
    }
    const std::string strRange = FormatHzRange(out.range.dLowHz, out.range.dHighHz);
    if (out.range.nPoints < MIN_FIT_POINTS) {
        out = NothingToFit(out, "only " + std::to_string(out.range.nPoints) + " point" +
                                    (out.range.nPoints == 1 ? "" : "s") + " of the graph's grid in " + strRange);
        return false;
    }
    if (out.dRmsBefore < NOTHING_TO_FIT_RMS_DB) {
        out = NothingToFit(out, "the response already lies on the target over " + strRange);
        return false;
    }

    // The bands the fit moves, and what the others add up to. The limits of
    // the whole equaliser are the bounds on whole steps, so no sum of bands
    // passes what one band may not.
    problem = FitProblem();
    GridLevels without = request.predicted;  // the response with the moved bands flat
    double adCurve[GRID_POINTS];
    for (int b = 0; b < EQ_BANDS; ++b) {
        const FitBand& band = request.aBand[b];
        problem.anStartIndex[b] = band.nGainIndex;
        problem.anFree[b] = -1;
        BandCurveNow(band, band.nGainIndex, adCurve);
        if (!IsBandFitted(band, out.range)) {
            for (int i = 0; i < GRID_POINTS; ++i)
                problem.adFixed[i] += adCurve[i];
            continue;
        }
        for (int i = 0; i < GRID_POINTS; ++i)
            without.adLevel[i] -= adCurve[i];
        out.anLowIndex[b] = nLowIndex;
        out.anHighIndex[b] = nHighIndex;
        problem.anFree[b] = static_cast<int>(problem.aBand.size());
        problem.aBand.push_back({b, band.nFreq, BandwidthOf(band), nLowIndex, nHighIndex, band.nGainIndex});
    }
    if (problem.aBand.empty()) {
        out = NothingToFit(out, "no band the fit may change lies within an octave of " + strRange);
        return false;
    }
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (out.range.abIn[i]) {
            problem.anPoint.push_back(i);
            problem.adBase.push_back(without.adLevel[i] - out.target.adLevel[i]);
        }
    }
    problem.limits = ResolveFitLimits(out.range, out.target, request.guide, request.predicted, out.adEqBefore,
                                      problem.adFixed, GainOfIndex(nHighIndex) - GainOfIndex(GAIN_INDEX_FLAT),
                                      GainOfIndex(GAIN_INDEX_FLAT) - GainOfIndex(nLowIndex));
    out.limits = problem.limits;
    return true;
}

FitOutcome FitEq(const FitRequest& request)
{
    FitOutcome out = FitFrame(request);
    FitProblem problem;
    if (!out.bOk || !MakeFitProblem(request, out, problem))
        return out;

    const FitterResult result = CEqFitter(problem).Solve();
    out.dRmsBest = result.dRmsBest;
    out.dRmsAllowed = result.dRmsAllowed;
    double adBefore[GRID_POINTS], adCurve[GRID_POINTS];
    for (std::size_t k = 0; k < problem.aBand.size(); ++k) {
        const int b = problem.aBand[k].nBand;
        out.anGain[b] = result.anIndex[k];
        if (out.anGain[b] == request.aBand[b].nGainIndex)
            continue;
        ++out.nBandsChanged;
        BandCurveNow(request.aBand[b], request.aBand[b].nGainIndex, adBefore);
        BandCurveNow(request.aBand[b], out.anGain[b], adCurve);
        for (int i = 0; i < GRID_POINTS; ++i) {
            out.after.adLevel[i] += adCurve[i] - adBefore[i];
            out.adEqAfter[i] += adCurve[i] - adBefore[i];
        }
    }
    out.dRmsAfter = RmsDifference(out.after, out.target, out.range.abIn);
    return out;
}
