// Aligning the channels that play together (a woofer and a tweeter, a
// subwoofer and a satellite): each channel's delay, polarity and gain (and,
// when asked, its crossover filters) chosen in the device's own steps so that
// the sum of their complex responses is as flat as it can be over the
// crossover region, judged as the rms of the summed level about its mean.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ChannelSection.h"
#include "GridLevels.h"
#include "MeasurementPhase.h"

inline constexpr int ALIGN_MIN_CHANNELS = 2;
inline constexpr int ALIGN_MAX_CHANNELS = 4;
inline constexpr int ALIGN_GAIN_REACH = 60;  // gain words either way: 6 dB
// Measurements go onto the grid smoothed over 1/24 octave, the grid's step.
inline constexpr int ALIGN_SMOOTHING = 24;
// Fewer grid points than this say nothing about flatness.
inline constexpr int ALIGN_MIN_POINTS = 3;
// Where the sum's power lies this far below what the channels give all in
// phase (20 dB), they cancel.
inline constexpr double ALIGN_CANCEL_POWER = 1e-2;

struct AlignChannel {
    int nChannel = 0;  // 0..3, as the reports name it (one up)
    // The loudspeaker through the bands the channel has now, with the rest of
    // the chain it was measured through divided out: what the crossover and
    // the channel section then shape.
    ComplexLevels driver;
    ChannelSetting now;
    // The channels linked with it (0..3) and their settings now: its
    // measurement stands for them, and what is set on it goes to them too.
    std::vector<std::pair<int, ChannelSetting>> aLinked;
};

struct AlignRequest {
    std::vector<AlignChannel> aChannel;
    double dLowHz = 0.0;  // both 0: the octave about each crossover between the channels
    double dHighHz = 0.0;
    // May move each crossover filter between the channels within half an
    // octave and choose its alignment and slope.
    bool bMoveCrossovers = false;
};

struct AlignRange {
    std::vector<std::pair<double, double>> aPiece;  // Hz, rising, apart
    bool abIn[GRID_POINTS] = {};
    int nPoints = 0;
    bool bNoCrossover = false;  // refused: no crossover between two channels to place it about
};

struct SumFigures {
    double dFlatDb = 0.0;   // rms of the summed level about its mean over the range
    double dNotchDb = 0.0;  // the deepest point below that mean
    double dNotchHz = 0.0;
    int nCancelled = 0;  // points where the channels cancel (20 dB or more below them in phase)
};

struct AlignOutcome {
    bool bOk = false;
    std::string strError;
    AlignRange range;
    std::vector<ChannelSetting> aSetting;  // one per channel of the request, in its order
    SumFigures before;
    SumFigures after;
    std::vector<GridLevels> aAfter;  // each channel's level with its new setting
    GridLevels sumBefore;            // where every channel is measured
    GridLevels sumAfter;
};

AlignOutcome AlignChannels(const AlignRequest& request);

// The frequencies the request is judged over; false with the reason.
bool ResolveAlignRange(const AlignRequest& request, AlignRange& range, std::string& strError);
// "1414–2828 Hz"; "57–113, 354–707 and 2475–4950 Hz".
std::string FormatAlignRange(const AlignRange& range);
// Neighbours in frequency, as indices into request.aChannel (the lower
// first): the channels ordered by the middle of their passbands.
std::vector<std::pair<int, int>> ChannelsInFrequencyOrder(const AlignRequest& request);

// What a channel linked with one whose setting went from now to set gets:
// each field that changed, as it was set; the rest as it has them (memberNow).
ChannelSetting LinkedSetting(const ChannelSetting& memberNow, const ChannelSetting& now, const ChannelSetting& set);
// Every channel the outcome sets (0..3) with its setting: each of the
// request's channels, then the channels linked with it.
std::vector<std::pair<int, ChannelSetting>> SettingsToApply(const AlignRequest& request, const AlignOutcome& outcome);

// What channel gives with setting: its driver through the crossover and the
// channel section.
ComplexLevels PredictedResponse(const AlignChannel& channel, const ChannelSetting& setting);
// The level of a sum in dB, held where the channels cancel: dInPhase is what
// they give all in phase (the sum of their magnitudes).
double SumLevelDb(std::complex<double> sum, double dInPhase);
// The figures of a sum over range; adInPhase what the channels give all in phase.
SumFigures FiguresOf(const ComplexLevels& sum, const double (&adInPhase)[GRID_POINTS], const AlignRange& range);
