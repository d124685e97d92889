#include "ChannelAlignment.h"

#include <algorithm>
#include <cmath>

#include "ChannelAligner.h"
#include "CrossoverResponse.h"
#include "FitRange.h"
#include "LevelSpread.h"

namespace {
// Half an octave either side of a crossover.
const double HALF_OCTAVE = std::sqrt(2.0);
// A low-pass and a high-pass further apart than this do not hand over to
// each other: one of them only guards its driver (a subsonic filter).
constexpr double MOST_OCTAVES_APART = 1.0;
// A sum is held 120 dB below the channels in phase, so that nothing is
// infinite.
constexpr double FLOOR_POWER = 1e-12;

bool IsOn(const CrossoverFilter& filter, bool bHighPass)
{
    return filter.nFreq != (bHighPass ? HIGH_PASS_OFF_HZ : LOW_PASS_OFF_HZ);
}

std::string ChannelName(const AlignChannel& channel)
{
    return std::to_string(channel.nChannel + 1);
}

// The octave about each crossover between neighbours in frequency.
bool CrossoverPieces(const AlignRequest& request, AlignRange& range, std::string& strError)
{
    for (const auto& [nLow, nHigh] : ChannelsInFrequencyOrder(request)) {
        const ChannelSetting& lo = request.aChannel[static_cast<std::size_t>(nLow)].now;
        const ChannelSetting& hi = request.aChannel[static_cast<std::size_t>(nHigh)].now;
        // The lower channel's low-pass where the higher one plays on, and the
        // higher one's high-pass where the lower one plays below it.
        const bool bLowPass = IsOn(lo.lpf, false) && hi.lpf.nFreq > lo.lpf.nFreq;
        const bool bHighPass = IsOn(hi.hpf, true) && lo.hpf.nFreq < hi.hpf.nFreq;
        const bool bApart = bLowPass && bHighPass &&
                            std::fabs(std::log2(static_cast<double>(lo.lpf.nFreq) / hi.hpf.nFreq)) > MOST_OCTAVES_APART;
        if ((!bLowPass && !bHighPass) || bApart) {
            strError = "channels " + ChannelName(request.aChannel[static_cast<std::size_t>(nLow)]) + " and " +
                       ChannelName(request.aChannel[static_cast<std::size_t>(nHigh)]) +
                       " have no crossover between them to align about; give the range to align over";
            range.bNoCrossover = true;
            return false;
        }
        double dProduct = 1.0;
        int nCorners = 0;
        if (bLowPass) {
            dProduct *= lo.lpf.nFreq;
            ++nCorners;
        }
        if (bHighPass) {
            dProduct *= hi.hpf.nFreq;
            ++nCorners;
        }
        const double dCrossover = std::pow(dProduct, 1.0 / nCorners);
        // In whole hertz, as the reports show it.
        range.aPiece.emplace_back(std::round(dCrossover / HALF_OCTAVE), std::round(dCrossover * HALF_OCTAVE));
    }
    std::sort(range.aPiece.begin(), range.aPiece.end());
    std::vector<std::pair<double, double>> merged;
    for (const auto& piece : range.aPiece) {
        if (!merged.empty() && piece.first <= merged.back().second)
            merged.back().second = std::max(merged.back().second, piece.second);
        else
            merged.push_back(piece);
    }
    range.aPiece = std::move(merged);
    return true;
}

double PassbandMiddle(const ChannelSetting& setting)
{
    return std::sqrt(static_cast<double>(IsOn(setting.hpf, true) ? setting.hpf.nFreq : HIGH_PASS_OFF_HZ) *
                     (IsOn(setting.lpf, false) ? setting.lpf.nFreq : LOW_PASS_OFF_HZ));
}
}  // namespace

std::vector<std::pair<int, int>> ChannelsInFrequencyOrder(const AlignRequest& request)
{
    std::vector<int> anOrder(request.aChannel.size());
    for (std::size_t n = 0; n < anOrder.size(); ++n)
        anOrder[n] = static_cast<int>(n);
    std::stable_sort(anOrder.begin(), anOrder.end(), [&](int a, int b) {
        return PassbandMiddle(request.aChannel[static_cast<std::size_t>(a)].now) <
               PassbandMiddle(request.aChannel[static_cast<std::size_t>(b)].now);
    });
    std::vector<std::pair<int, int>> pairs;
    for (std::size_t n = 1; n < anOrder.size(); ++n)
        pairs.emplace_back(anOrder[n - 1], anOrder[n]);
    return pairs;
}

bool ResolveAlignRange(const AlignRequest& request, AlignRange& range, std::string& strError)
{
    range = {};
    if (request.dLowHz > 0.0 || request.dHighHz > 0.0) {
        if (!(request.dLowHz < request.dHighHz)) {
            strError = "the range " + FormatHzRange(request.dLowHz, request.dHighHz) + " holds no frequencies";
            return false;
        }
        range.aPiece.emplace_back(request.dLowHz, request.dHighHz);
    } else if (!CrossoverPieces(request, range, strError)) {
        return false;
    }
    for (int i = 0; i < GRID_POINTS; ++i) {
        const double f = g_dFreqGrid[i];
        bool bIn = std::any_of(range.aPiece.begin(), range.aPiece.end(),
                               [f](const auto& piece) { return f >= piece.first && f <= piece.second; });
        for (const AlignChannel& channel : request.aChannel)
            bIn = bIn && channel.driver.abValid[i];
        range.abIn[i] = bIn;
        range.nPoints += bIn ? 1 : 0;
    }
    if (range.nPoints < ALIGN_MIN_POINTS) {
        strError = "the measurements reach " + std::to_string(range.nPoints) + " of the graph's grid points in " +
                   FormatAlignRange(range) + "; aligning needs " + std::to_string(ALIGN_MIN_POINTS) + " or more";
        return false;
    }
    return true;
}

std::string FormatAlignRange(const AlignRange& range)
{
    // "57–113, 354–707 and 2475–4950 Hz": the unit once, at the end.
    std::string text;
    for (std::size_t k = 0; k < range.aPiece.size(); ++k) {
        const auto& [dLowHz, dHighHz] = range.aPiece[k];
        if (k + 1 < range.aPiece.size())
            text += (k == 0 ? "" : ", ") + FormatHzSpan(dLowHz, dHighHz);
        else
            text += (k == 0 ? "" : " and ") + FormatHzRange(dLowHz, dHighHz);
    }
    return text;
}

ChannelSetting LinkedSetting(const ChannelSetting& memberNow, const ChannelSetting& now, const ChannelSetting& set)
{
    ChannelSetting member = memberNow;
    if (set.nDelay != now.nDelay)
        member.nDelay = set.nDelay;
    if (set.bInverted != now.bInverted)
        member.bInverted = set.bInverted;
    if (set.nGain != now.nGain)
        member.nGain = set.nGain;
    if (!(set.hpf == now.hpf))
        member.hpf = set.hpf;
    if (!(set.lpf == now.lpf))
        member.lpf = set.lpf;
    return member;
}

std::vector<std::pair<int, ChannelSetting>> SettingsToApply(const AlignRequest& request, const AlignOutcome& outcome)
{
    std::vector<std::pair<int, ChannelSetting>> out;
    for (std::size_t n = 0; n < request.aChannel.size() && n < outcome.aSetting.size(); ++n) {
        const AlignChannel& channel = request.aChannel[n];
        out.emplace_back(channel.nChannel, outcome.aSetting[n]);
        for (const auto& [nMember, memberNow] : channel.aLinked)
            out.emplace_back(nMember, LinkedSetting(memberNow, channel.now, outcome.aSetting[n]));
    }
    return out;
}

ComplexLevels PredictedResponse(const AlignChannel& channel, const ChannelSetting& setting)
{
    ComplexLevels out = channel.driver;
    MultiplyCrossover(setting, out.h);
    MultiplyChannelSection(setting, out.h);
    return out;
}

double SumLevelDb(std::complex<double> sum, double dInPhase)
{
    return 10.0 * std::log10(std::max({std::norm(sum), dInPhase * dInPhase * FLOOR_POWER, LEAST_POWER}));
}

SumFigures FiguresOf(const ComplexLevels& sum, const double (&adInPhase)[GRID_POINTS], const AlignRange& range)
{
    CLevelSpread spread;
    SumFigures figures;
    double dLowest = 0.0;
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (!range.abIn[i])
            continue;
        const auto p = static_cast<std::size_t>(i);
        figures.nCancelled += std::norm(sum.h[p]) < adInPhase[i] * adInPhase[i] * ALIGN_CANCEL_POWER;
        const double dB = SumLevelDb(sum.h[p], adInPhase[i]);
        if (spread.Points() == 0 || dB < dLowest) {
            dLowest = dB;
            figures.dNotchHz = g_dFreqGrid[i];
        }
        spread.Add(dB);
    }
    figures.dFlatDb = spread.Rms();
    figures.dNotchDb = dLowest - spread.Mean();
    return figures;
}

AlignOutcome AlignChannels(const AlignRequest& request)
{
    AlignOutcome outcome;
    const auto nChannels = static_cast<int>(request.aChannel.size());
    if (nChannels < ALIGN_MIN_CHANNELS || nChannels > ALIGN_MAX_CHANNELS) {
        outcome.strError = "aligning takes two to four channels";
        return outcome;
    }
    if (!ResolveAlignRange(request, outcome.range, outcome.strError))
        return outcome;

    CChannelAligner aligner(request, outcome.range);
    outcome.aSetting = aligner.Solve();

    // The sums are known where every channel is measured.
    ComplexLevels before{};
    ComplexLevels after{};
    double adInPhaseBefore[GRID_POINTS] = {};
    double adInPhaseAfter[GRID_POINTS] = {};
    bool abAll[GRID_POINTS];
    std::fill(std::begin(abAll), std::end(abAll), true);
    for (int n = 0; n < nChannels; ++n) {
        const AlignChannel& channel = request.aChannel[static_cast<std::size_t>(n)];
        const ComplexLevels was = PredictedResponse(channel, channel.now);
        const ComplexLevels will = PredictedResponse(channel, outcome.aSetting[static_cast<std::size_t>(n)]);
        GridLevels levels;
        for (int i = 0; i < GRID_POINTS; ++i) {
            const auto p = static_cast<std::size_t>(i);
            before.h[p] += was.h[p];
            after.h[p] += will.h[p];
            adInPhaseBefore[i] += std::abs(was.h[p]);
            adInPhaseAfter[i] += std::abs(will.h[p]);
            abAll[i] = abAll[i] && channel.driver.abValid[i];
            levels.abValid[i] = channel.driver.abValid[i];
            levels.adLevel[i] = levels.abValid[i] ? LevelDb(will.h[p]) : 0.0;
        }
        outcome.aAfter.push_back(levels);
    }
    for (int i = 0; i < GRID_POINTS; ++i) {
        const auto p = static_cast<std::size_t>(i);
        outcome.sumBefore.abValid[i] = outcome.sumAfter.abValid[i] = abAll[i];
        outcome.sumBefore.adLevel[i] = abAll[i] ? SumLevelDb(before.h[p], adInPhaseBefore[i]) : 0.0;
        outcome.sumAfter.adLevel[i] = abAll[i] ? SumLevelDb(after.h[p], adInPhaseAfter[i]) : 0.0;
    }
    outcome.before = FiguresOf(before, adInPhaseBefore, outcome.range);
    outcome.after = FiguresOf(after, adInPhaseAfter, outcome.range);
    outcome.bOk = true;
    return outcome;
}
