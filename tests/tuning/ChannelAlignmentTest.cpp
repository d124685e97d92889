// Aligning channels on generated drivers with phase, held against the
// brute-force search over the device's own steps.
#include <gtest/gtest.h>

#include <random>

#include "AlignReport.h"
#include "BruteAlign.h"
#include "CrossoverMoves.h"
#include "SyntheticDrivers.h"

TEST(ChannelAlignment, ComesWithinFivePercentOfTheBruteForceBestInTheDevicesSteps)
{
    for (const synthetic::AlignCase& c : synthetic::AlignCases()) {
        const AlignOutcome outcome = AlignChannels(c.request);
        ASSERT_TRUE(outcome.bOk) << c.pszName << ": " << outcome.strError;
        const double dBest = reference::BruteForceFlatness(c.request);
        EXPECT_LE(outcome.after.dFlatDb, dBest * 1.05 + 0.1) << c.pszName << ", brute force " << dBest;
        EXPECT_LT(outcome.after.dFlatDb, outcome.before.dFlatDb / 5) << c.pszName;
        int nLeast = DELAY_WORD_MAX;
        for (std::size_t n = 0; n < outcome.aSetting.size(); ++n) {
            const ChannelSetting& now = c.request.aChannel[n].now;
            const ChannelSetting& set = outcome.aSetting[n];
            EXPECT_GE(set.nDelay, 0);
            EXPECT_LE(set.nDelay, DELAY_WORD_MAX);
            EXPECT_LE(std::abs(set.nGain - now.nGain), ALIGN_GAIN_REACH) << c.pszName;
            EXPECT_EQ(set.hpf, now.hpf);  // the crossovers stay unless asked
            EXPECT_EQ(set.lpf, now.lpf);
            nLeast = std::min(nLeast, set.nDelay);
        }
        EXPECT_EQ(nLeast, 0) << c.pszName;  // no delay both channels carry
    }
    // The tweeter wired reversed is the channel turned back; the woofer stays.
    const AlignOutcome reversed = AlignChannels(synthetic::AlignCases()[1].request);
    EXPECT_FALSE(reversed.aSetting[0].bInverted);
    EXPECT_TRUE(reversed.aSetting[1].bInverted);
}

namespace {
// The rms of the summed level about its mean over the points abIn, written out.
double SumFlatnessAt(const AlignRequest& request, const std::vector<ChannelSetting>& aSetting,
                     const bool (&abIn)[GRID_POINTS])
{
    std::vector<ComplexLevels> responses;
    for (std::size_t n = 0; n < aSetting.size(); ++n)
        responses.push_back(PredictedResponse(request.aChannel[n], aSetting[n]));
    double dSum = 0.0, dSquares = 0.0;
    int nPoints = 0;
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (!abIn[i])
            continue;
        std::complex<double> sum;
        for (const ComplexLevels& r : responses)
            sum += r.h[static_cast<std::size_t>(i)];
        const double dB = 20.0 * std::log10(std::abs(sum));
        dSum += dB;
        dSquares += dB * dB;
        ++nPoints;
    }
    const double dMean = dSum / nPoints;
    return std::sqrt(std::max(0.0, dSquares / nPoints - dMean * dMean));
}

// The same over lo..hi Hz.
double SumFlatness(const AlignRequest& request, const std::vector<ChannelSetting>& aSetting, double dLowHz,
                   double dHighHz)
{
    bool abIn[GRID_POINTS];
    for (int i = 0; i < GRID_POINTS; ++i)
        abIn[i] = g_dFreqGrid[i] >= dLowHz && g_dFreqGrid[i] <= dHighHz;
    return SumFlatnessAt(request, aSetting, abIn);
}
}  // namespace

TEST(ChannelAlignment, ChangesASettingOnlyWhereItMakesTheSumMeasurablyFlatterAndRaisesNoGain)
{
    struct Case {
        synthetic::AlignCase c;
        double dLowHz, dHighHz;
        bool bNothingToGain;
    };
    std::vector<Case> cases;
    for (const synthetic::AlignCase& c : synthetic::AlignCases()) {
        cases.push_back({c, 1000.0, 4000.0, false});
        // As set up already: the tweeter 3 dB down and 12 samples late.
        synthetic::AlignCase set = c;
        set.request.aChannel[1].now.nGain -= 30;
        set.request.aChannel[1].now.nDelay = 12;
        cases.push_back({set, 50.0, 6000.0, false});
        // Far below the crossover only the woofer plays: nothing to gain.
        cases.push_back({set, 100.0, 400.0, c.request.aChannel[0].now.lpf.nFreq == 2000});
    }
    for (const Case& k : cases) {
        AlignRequest request = k.c.request;
        request.dLowHz = k.dLowHz;
        request.dHighHz = k.dHighHz;
        const AlignOutcome outcome = AlignChannels(request);
        ASSERT_TRUE(outcome.bOk) << outcome.strError;
        std::vector<ChannelSetting> aNow;
        for (const AlignChannel& channel : request.aChannel)
            aNow.push_back(channel.now);
        const std::string strCase = std::string(k.c.pszName) + " over " + std::to_string(k.dLowHz);
        if (k.bNothingToGain) {
            EXPECT_EQ(outcome.aSetting, aNow) << strCase;
        }
        const double dFlat = SumFlatness(request, outcome.aSetting, k.dLowHz, k.dHighHz);
        if (outcome.aSetting != aNow) {
            EXPECT_GE(SumFlatness(request, aNow, k.dLowHz, k.dHighHz) - dFlat, 0.05) << strCase;
        }
        for (std::size_t n = 0; n < aNow.size(); ++n) {
            EXPECT_LE(outcome.aSetting[n].nGain, aNow[n].nGain) << strCase << ", channel " << n;
            // Each change taken back alone costs a measurable step.
            for (int f = 0; f < 3; ++f) {
                std::vector<ChannelSetting> back = outcome.aSetting;
                back[n].nDelay = f == 0 ? aNow[n].nDelay : back[n].nDelay;
                back[n].nGain = f == 1 ? aNow[n].nGain : back[n].nGain;
                back[n].bInverted = f == 2 ? aNow[n].bInverted : back[n].bInverted;
                if (back != outcome.aSetting) {
                    EXPECT_GE(SumFlatness(request, back, k.dLowHz, k.dHighHz) - dFlat, 0.05 - 1e-9)
                        << strCase << ", channel " << n << ", field " << f;
                }
            }
        }
    }
}

TEST(ChannelAlignment, ASumThatCancelsIsTheWorstResultAndTheCrossoversMoveHalfAnOctaveInAll)
{
    // Two identical drivers on a 2 kHz low-pass each, as they are and with
    // the second reversed (their sum nothing at all).
    const synthetic::Driver woofer = synthetic::Woofer();
    for (const bool bInverted : {false, true}) {
        ChannelSetting setting = synthetic::WooferSetting();
        AlignRequest request = synthetic::TwoChannels(woofer, setting, woofer, setting);
        request.aChannel[1].now.bInverted = bInverted;
        request.dLowHz = 1414;
        request.dHighHz = 2828;
        const AlignOutcome outcome = AlignChannels(request);
        ASSERT_TRUE(outcome.bOk) << outcome.strError;
        const std::string strSummary = FormatAlignSummary(outcome);
        EXPECT_EQ(strSummary.find("nan"), std::string::npos) << strSummary;
        const std::string strAll = std::to_string(outcome.range.nPoints);
        EXPECT_EQ(
            strSummary.find("the channels cancel at " + strAll + " of " + strAll + " points") != std::string::npos,
            bInverted)
            << strSummary;
        const ComplexLevels a = PredictedResponse(request.aChannel[0], outcome.aSetting[0]);
        const ComplexLevels b = PredictedResponse(request.aChannel[1], outcome.aSetting[1]);
        for (int i = 0; i < GRID_POINTS; ++i) {
            const auto p = static_cast<std::size_t>(i);
            if (outcome.range.abIn[i]) {
                EXPECT_GT(std::abs(a.h[p] + b.h[p]), 0.1 * (std::abs(a.h[p]) + std::abs(b.h[p]))) << g_dFreqGrid[i];
            }
        }
    }

    // Drivers whose own roll-offs pull the crossover far from where it is set.
    for (const auto& [dWooferHz, dTweeterHz] : {std::pair{900.0, 2500.0}, {1200.0, 400.0}, {700.0, 2500.0}}) {
        AlignRequest request = synthetic::TwoChannels(
            synthetic::DriverOf(88, 45, 0.7, dWooferHz, 0.7, 3.3), synthetic::WooferSetting(),
            synthetic::DriverOf(90.5, dTweeterHz, 0.9, 20000, 0.7, 3.0), synthetic::TweeterSetting());
        request.bMoveCrossovers = true;
        request.dLowHz = 1000;
        request.dHighHz = 4000;
        const AlignOutcome outcome = AlignChannels(request);
        ASSERT_TRUE(outcome.bOk) << outcome.strError;
        for (std::size_t n = 0; n < 2; ++n)
            for (const bool bHigh : {false, true}) {
                const int nWas = bHigh ? request.aChannel[n].now.hpf.nFreq : request.aChannel[n].now.lpf.nFreq;
                const int nNow = bHigh ? outcome.aSetting[n].hpf.nFreq : outcome.aSetting[n].lpf.nFreq;
                EXPECT_LE(std::fabs(std::log2(static_cast<double>(nNow) / nWas)), 0.5 + 1e-9)
                    << dWooferHz << "/" << dTweeterHz << ": channel " << n << (bHigh ? " HPF " : " LPF ") << nWas
                    << " -> " << nNow;
            }
    }
}

TEST(ChannelAlignment, FourWaysComeInTimeAsTheirDistancesSay)
{
    // Woofer, midrange and tweeter 3.4, 3.2 and 3.0 ms from the microphone,
    // all wired alike: in time, each is later than the one below it by the
    // difference (0.2 ms, 9.6 samples), within a quarter period of their
    // crossover (500 Hz and 3.5 kHz: 24 and 3.4 samples; a Linkwitz-Riley
    // low-pass meeting a Butterworth high-pass asks a few samples of its
    // own), and none of the three reversed. The subwoofer may be: reversed,
    // it meets the woofer about as flat with the three some 220 samples
    // (4.6 ms) less late, and the least delay wins among near-equal sums.
    const AlignRequest request = synthetic::FourChannels();
    const AlignOutcome outcome = AlignChannels(request);
    ASSERT_TRUE(outcome.bOk) << outcome.strError;
    const double adQuarterPeriod[] = {0.0, 48000.0 / 500 / 4, 48000.0 / 3500 / 4};
    for (std::size_t n = 1; n + 1 < outcome.aSetting.size(); ++n)
        EXPECT_NEAR(outcome.aSetting[n + 1].nDelay - outcome.aSetting[n].nDelay, 9.6, adQuarterPeriod[n]) << n;
    for (std::size_t n = 1; n < outcome.aSetting.size(); ++n)
        EXPECT_FALSE(outcome.aSetting[n].bInverted) << n;
}

TEST(ChannelAlignment, CrossoversFreeMoveAPairTogetherWithinHalfAnOctaveOnlyWhereItWinsAMeasurableStep)
{
    // Two- and three-ways of made-up drivers: crossovers anywhere from 150 Hz
    // to 13 kHz, any alignment and slope, drivers at their own distances and
    // levels, rolling off on their own up to an octave inside the crossover
    // or well outside it, some wired reversed, some set off by a few
    // samples; and the four-way.
    std::mt19937 rng(30);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    int nMoved = 0;
    for (int nCase = 0; nCase < 10; ++nCase) {
        const int nWays = nCase % 3 == 2 ? 3 : 2;
        const double adCrossover[] = {150.0 + 1500.0 * u(rng), 0.0};
        const double dSecond = adCrossover[0] * (4.0 + 4.0 * u(rng));
        AlignRequest request;
        for (int k = 0; k < nWays; ++k) {
            const double dHighPass = k == 0 ? 20.0 : k == 1 ? adCrossover[0] : dSecond;
            const double dLowPass = k + 1 == nWays ? 20000.0 : k == 0 ? adCrossover[0] : dSecond;
            // Drawn one by one: the order in which a call's arguments are
            // evaluated differs between compilers.
            const int nSlope = static_cast<int>(u(rng) * 3);
            const int nAlign = static_cast<int>(u(rng) * XOVER_ALIGNMENTS);
            ChannelSetting setting =
                synthetic::CrossoverSetting(static_cast<int>(dHighPass), static_cast<int>(dLowPass), nAlign, nSlope);
            setting.nDelay = static_cast<int>(u(rng) * 30);
            setting.nGain = 570 + static_cast<int>(u(rng) * 30);
            const double dFlightMs = 2.5 + 2.0 * u(rng);
            const double dLowQ = 0.6 + 0.3 * u(rng);
            const double dLowRoll = std::min(30000.0, dLowPass * (0.5 + 2.5 * u(rng)));
            const double dHighQ = 0.6 + 0.3 * u(rng);
            const double dHighRoll = std::max(20.0, dHighPass / (0.5 + 2.5 * u(rng)));
            const double dLevel = 86.0 + 6.0 * u(rng);
            synthetic::Driver driver = synthetic::DriverOf(dLevel, dHighRoll, dHighQ, dLowRoll, dLowQ, dFlightMs);
            driver.bReversed = u(rng) < 0.2;
            request.aChannel.push_back(synthetic::ChannelOf(k, synthetic::Measure(driver, setting), setting));
        }
        if (nCase == 9)
            request = synthetic::FourChannels();
        const std::string strCase = "case " + std::to_string(nCase);
        std::vector<ChannelSetting> aNow;
        for (const AlignChannel& channel : request.aChannel)
            aNow.push_back(channel.now);

        // A pair's options move both filters by the same grid steps with one
        // alignment and slope; every option stays within half an octave.
        for (const std::vector<FilterRef>& group : CrossoverGroups(request)) {
            const std::vector<std::vector<CrossoverFilter>> options = GroupOptions(request, aNow, group);
            EXPECT_FALSE(options.empty()) << strCase;
            for (const std::vector<CrossoverFilter>& option : options) {
                ASSERT_EQ(option.size(), group.size()) << strCase;
                for (std::size_t i = 0; i < group.size(); ++i) {
                    const ChannelSetting& now = aNow[static_cast<std::size_t>(group[i].n)];
                    const CrossoverFilter& was = group[i].bHighPass ? now.hpf : now.lpf;
                    EXPECT_LE(std::fabs(std::log2(static_cast<double>(option[i].nFreq) / was.nFreq)), 0.5 + 1e-9)
                        << strCase << ": " << was.nFreq << " -> " << option[i].nFreq;
                    EXPECT_EQ(option[i].nAlign, option[0].nAlign) << strCase;
                    EXPECT_EQ(option[i].nSlope, option[0].nSlope) << strCase;
                    EXPECT_EQ(
                        NearestGridIndex(option[i].nFreq) - NearestGridIndex(was.nFreq),
                        NearestGridIndex(option[0].nFreq) -
                            NearestGridIndex(group[0].bHighPass ? aNow[static_cast<std::size_t>(group[0].n)].hpf.nFreq
                                                                : aNow[static_cast<std::size_t>(group[0].n)].lpf.nFreq))
                        << strCase;
                }
            }
        }

        AlignRequest fixed = request;
        request.bMoveCrossovers = true;
        const AlignOutcome moved = AlignChannels(request);
        const AlignOutcome kept = AlignChannels(fixed);
        ASSERT_TRUE(moved.bOk && kept.bOk) << strCase << ": " << moved.strError;
        const bool(&abIn)[GRID_POINTS] = moved.range.abIn;
        const double dMoved = SumFlatnessAt(request, moved.aSetting, abIn);
        // What a change must win: a measurable step, or whatever keeps the
        // whole measurably flatter than the setting now.
        const double dMeasurable = std::min(0.05, SumFlatnessAt(request, aNow, abIn) - 0.05 - dMoved);
        for (std::size_t n = 0; n < aNow.size(); ++n) {
            for (const bool bHigh : {true, false}) {
                const CrossoverFilter& was = bHigh ? aNow[n].hpf : aNow[n].lpf;
                const CrossoverFilter& set = bHigh ? moved.aSetting[n].hpf : moved.aSetting[n].lpf;
                EXPECT_LE(std::fabs(std::log2(static_cast<double>(set.nFreq) / was.nFreq)), 0.5 + 1e-9)
                    << strCase << ", channel " << n;
                if (set == was)
                    continue;
                ++nMoved;
                // Each filter put back as it was, the rest as the result has
                // it, loses a measurable step: a move is kept only where it wins one.
                std::vector<ChannelSetting> back = moved.aSetting;
                (bHigh ? back[n].hpf : back[n].lpf) = was;
                EXPECT_GE(SumFlatnessAt(request, back, abIn) - dMoved, dMeasurable - 1e-9)
                    << strCase << ", channel " << n;
            }
            EXPECT_LE(moved.aSetting[n].hpf.nFreq, moved.aSetting[n].lpf.nFreq) << strCase;
        }
        // Free to move, the sum comes out no measurably worse than with the crossovers held.
        EXPECT_LE(dMoved, SumFlatnessAt(fixed, kept.aSetting, abIn) + 0.05) << strCase;
    }
    EXPECT_GE(nMoved, 3);  // the cases do move filters
}
