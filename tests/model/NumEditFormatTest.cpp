#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "NumEditFormat.h"
#include "NumEditParse.h"

namespace {

// The fields as the window configures them.
CNumEditFormat Field(int nMode, int nMin, int nMax, double dStep = 0.0, double dOffset = 0.0)
{
    CNumEditFormat f;
    f.SetMode(nMode);
    f.SetRange(nMin, nMax);
    f.SetStep(dStep);
    f.SetOffset(dOffset);
    return f;
}
CNumEditFormat Delay(int nMode)
{
    return Field(nMode, 0, 960);
}
CNumEditFormat BandGain()
{
    return Field(NUMEDIT_CENTRED, 0, 400, 0.1);
}
CNumEditFormat BandQ()
{
    return Field(NUMEDIT_Q, 0, 59);
}
CNumEditFormat Frequency()
{
    return Field(NUMEDIT_INTEGER, 20, 20000);
}
CNumEditFormat ChannelGain()
{
    return Field(NUMEDIT_SCALED, 0, 800, 0.1, 60);
}
CNumEditFormat Gate()
{
    return Field(NUMEDIT_SCALED_WHOLE, 10, 40, 1.0, 120);
}

// A commit of typed text that stores nValue and asks for a redisplay.
void ExpectStored(const CNumEditFormat& f, const std::string& strText, int nBefore, int nValue, bool bMessage)
{
    const NumEditCommit c = f.Commit(strText, nBefore, true);
    EXPECT_TRUE(c.bStore) << strText;
    EXPECT_EQ(c.nValue, nValue) << strText;
    EXPECT_TRUE(c.bRedisplay) << strText;
    EXPECT_EQ(c.bOutOfRange, bMessage) << strText;
}

}  // namespace

TEST(NumEditParse, ReadsTheLeadingNumberLikeTheCLibrary)
{
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("12.5dB"), 12.5);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("  -3"), -3.0);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("+4"), 4.0);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("2e1MS"), 20.0);
    EXPECT_EQ(ParseLeadingDouble("abc"), 0.0);
    EXPECT_EQ(ParseLeadingDouble(""), 0.0);
    EXPECT_EQ(ParseLeadingDouble("--5"), 0.0);
    EXPECT_EQ(ParseLeadingDouble("-"), 0.0);
    // No NaN ever leaves the parser; huge numbers are infinities, tiny ones 0.
    EXPECT_EQ(ParseLeadingDouble("nan"), 0.0);
    EXPECT_EQ(ParseLeadingDouble("-nan(1)"), 0.0);
    EXPECT_EQ(ParseLeadingDouble("1e999"), INFINITY);
    EXPECT_EQ(ParseLeadingDouble("-1e999"), -INFINITY);
    EXPECT_EQ(ParseLeadingDouble("123456789e305"), INFINITY);
    EXPECT_EQ(ParseLeadingDouble("1e-999"), 0.0);
    EXPECT_EQ(ParseLeadingDouble("0.00001e-320"), 0.0);
    EXPECT_EQ(ParseLeadingDouble("inf"), INFINITY);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble("0.001e310"), 1e307);

    EXPECT_EQ(ParseLeadingInt("12.7"), 12);
    EXPECT_EQ(ParseLeadingInt(" -40Hz"), -40);
    EXPECT_EQ(ParseLeadingInt("OFF"), 0);
    EXPECT_EQ(ParseLeadingInt(""), 0);
    EXPECT_EQ(ParseLeadingInt("99999999999999999999999999"), NUMEDIT_INT_LIMIT);
    EXPECT_EQ(ParseLeadingInt("-99999999999999999999999999"), -NUMEDIT_INT_LIMIT);
}

TEST(NumEditFormat, ShowsEachModeInItsUnits)
{
    const int anDelay[] = {0, 1, 10, 240, 480, 959, 960};
    const char* aszMs[] = {"0.000MS", "0.021MS", "0.208MS", "5.000MS", "10.000MS", "19.979MS", "20.0MS"};
    const char* aszCm[] = {"0.0CM", "0.7CM", "7.2CM", "173.0CM", "346.0CM", "691.3CM", "692.0CM"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(Delay(NUMEDIT_DELAY_MS).Text(anDelay[i]), aszMs[i]);
        EXPECT_EQ(Delay(NUMEDIT_DELAY_CM).Text(anDelay[i]), aszCm[i]);
    }
    EXPECT_EQ(Delay(NUMEDIT_DELAY_INCH).Text(960), "272.371INCH");
    EXPECT_EQ(Delay(NUMEDIT_DELAY_INCH).Text(480), "136.2INCH");
    EXPECT_DOUBLE_EQ(Delay(NUMEDIT_DELAY_CM).SpeedOfSound(), 346.0);

    EXPECT_EQ(BandGain().Text(0), "-20.0");
    EXPECT_EQ(BandGain().Text(199), "-0.1");
    EXPECT_EQ(BandGain().Text(200), "0.0");
    EXPECT_EQ(BandGain().Text(260), "6.0");
    EXPECT_EQ(BandGain().Text(400), "20.0");

    EXPECT_EQ(ChannelGain().Text(0), "-60.0");
    EXPECT_EQ(ChannelGain().Text(600), "0.0");
    EXPECT_EQ(ChannelGain().Text(599), "-0.1");
    EXPECT_EQ(ChannelGain().Text(800), "20.0");
    EXPECT_EQ(Field(NUMEDIT_SCALED, 0, 10, 1.0, 5).Text(2), "-3");  // whole step: no decimals
    EXPECT_EQ(Gate().Text(10), "-110");
    EXPECT_EQ(Gate().Text(40), "-80");

    EXPECT_EQ(BandQ().Text(0), "28.9");
    EXPECT_EQ(BandQ().Text(9), "10.3");
    EXPECT_EQ(BandQ().Text(10), "9.61");
    EXPECT_EQ(BandQ().Text(19), "6.00");
    EXPECT_EQ(BandQ().Text(24), "4.97");
    EXPECT_EQ(BandQ().Text(59), "2.24");
    // A Q field given a wider range still reads inside the table.
    EXPECT_EQ(Field(NUMEDIT_Q, 0, 400).Text(400), "2.24");
    EXPECT_EQ(Field(NUMEDIT_Q, -5, 59).Text(-5), "28.9");

    EXPECT_EQ(Frequency().Text(1000), "1000");
    EXPECT_EQ(Field(77, 0, 10).Text(7), "7");  // an unknown mode shows the number
}

TEST(NumEditFormat, DelayCommitsClampAndTruncateOrRound)
{
    const CNumEditFormat ms = Delay(NUMEDIT_DELAY_MS);
    ExpectStored(ms, "25", 100, 960, false);
    ExpectStored(ms, "-1", 100, 0, true);
    ExpectStored(ms, "0.03", 100, 1, false);  // 1.44 steps, truncated
    ExpectStored(ms, "0.04", 100, 1, false);
    ExpectStored(ms, "0.062", 100, 3, false);  // what 3 steps show: not truncated to 2
    ExpectStored(ms, "5", 0, 240, false);
    ExpectStored(ms, "20", 0, 960, false);
    ExpectStored(ms, "1e999", 0, 960, false);
    ExpectStored(ms, "-1e999", 5, 0, true);
    EXPECT_FALSE(ms.Commit("25", 100, true).bClearModified);
    const NumEditCommit untouched = ms.Commit("25", 100, false);
    EXPECT_FALSE(untouched.bStore || untouched.bRedisplay || untouched.bOutOfRange);

    const CNumEditFormat cm = Delay(NUMEDIT_DELAY_CM);
    ExpectStored(cm, "800", 0, 960, false);  // beyond the longest delay: no message
    ExpectStored(cm, "1e999", 0, 960, false);
    ExpectStored(cm, "346", 0, 480, false);
    ExpectStored(cm, "0.7", 0, 1, false);  // 0.97 steps, rounded
    ExpectStored(cm, "-5", 100, 0, true);
    EXPECT_TRUE(cm.Commit("346", 0, true).bClearModified);
    EXPECT_FALSE(cm.Commit("346", 0, false).bStore);

    const CNumEditFormat inch = Delay(NUMEDIT_DELAY_INCH);
    ExpectStored(inch, "272.371", 0, 960, false);
    ExpectStored(inch, "5000", 0, 960, false);
    ExpectStored(inch, "136.2", 0, 480, false);
    ExpectStored(inch, "-1", 100, 0, true);
}

TEST(NumEditFormat, LevelAndQCommitsClampToTheNearestLimit)
{
    const CNumEditFormat gain = BandGain();
    ExpectStored(gain, "25", 200, 400, true);
    ExpectStored(gain, "-25", 200, 0, true);
    ExpectStored(gain, "1e999", 200, 400, true);
    ExpectStored(gain, "-1e999", 200, 0, true);
    ExpectStored(gain, "0.3", 200, 203, false);  // 0.3 / 0.1 is 2.9999999999999996 in binary
    ExpectStored(gain, "-0.7", 200, 193, false);
    ExpectStored(gain, "6.05", 200, 260, false);
    // Not typed: out-of-range text still warns, but nothing is stored.
    const NumEditCommit untouched = gain.Commit("25", 200, false);
    EXPECT_TRUE(untouched.bOutOfRange);
    EXPECT_FALSE(untouched.bStore || untouched.bRedisplay);
    EXPECT_FALSE(gain.Commit("20.0", 400, false).bOutOfRange);

    const CNumEditFormat channel = ChannelGain();
    ExpectStored(channel, "-60", 600, 0, false);
    ExpectStored(channel, "0", 0, 600, false);
    ExpectStored(channel, "-59.7", 0, 3, false);
    ExpectStored(channel, "30", 0, 800, true);
    ExpectStored(channel, "-61", 600, 0, true);

    const CNumEditFormat gate = Gate();
    ExpectStored(gate, "-110", 40, 10, false);
    ExpectStored(gate, "-100", 40, 20, false);
    ExpectStored(gate, "-50", 10, 40, true);
    ExpectStored(gate, "-200", 40, 10, true);

    const CNumEditFormat q = BandQ();
    ExpectStored(q, "5", 0, 24, false);
    ExpectStored(q, "4.8", 0, 25, false);
    ExpectStored(q, "30", 24, 0, true);
    ExpectStored(q, "1", 24, 59, true);
}

TEST(NumEditFormat, TextWithoutANumberAtItsStartIsRefusedInEveryMode)
{
    // Read as 0 it would send 0 dB or the lowest frequency unasked.
    for (const CNumEditFormat& f : {Delay(NUMEDIT_DELAY_MS), Delay(NUMEDIT_DELAY_INCH), BandGain(), BandQ(),
                                    Frequency(), ChannelGain(), Gate()}) {
        for (const char* psz : {"abc", "", " ", "-", "#5", "OFF", "inf", "nan", "--3", "e5", "."}) {
            const NumEditCommit c = f.Commit(psz, 7, true);
            EXPECT_TRUE(c.bRefused && c.bClearModified) << f.GetMode() << " '" << psz << "'";
            EXPECT_FALSE(c.bStore || c.bRedisplay || c.bOutOfRange) << f.GetMode() << " '" << psz << "'";
            EXPECT_EQ(f.Silent(psz, 7).nValue, 7);
            EXPECT_FALSE(f.Silent(psz, 7).bOutOfRange);
        }
        // A number at the start is read as before, whatever follows it.
        EXPECT_FALSE(f.Commit(" -.5x", 7, true).bRefused) << f.GetMode();
    }
    ExpectStored(BandGain(), "6dB", 200, 260, false);
}

TEST(NumEditFormat, FrequencyCommitTakesTheValueEvenUntyped)
{
    const CNumEditFormat f = Frequency();
    ExpectStored(f, "1000", 80, 1000, false);
    ExpectStored(f, "1250.9Hz", 80, 1250, false);
    ExpectStored(f, "50000", 80, 20000, true);
    ExpectStored(f, "5", 80, 20, true);
    ExpectStored(f, "-99999999999999999999999", 80, 20, true);
    const NumEditCommit untyped = f.Commit("440", 80, false);
    EXPECT_TRUE(untyped.bStore);
    EXPECT_EQ(untyped.nValue, 440);
    EXPECT_FALSE(untyped.bRedisplay);
}

TEST(NumEditFormat, SilentReadKeepsTheValueForTextOutsideTheRange)
{
    EXPECT_EQ(Delay(NUMEDIT_DELAY_MS).Silent("20", 5).nValue, 960);
    EXPECT_EQ(Delay(NUMEDIT_DELAY_MS).Silent("0.03", 5).nValue, 1);  // rounded here
    EXPECT_EQ(Delay(NUMEDIT_DELAY_MS).Silent("25", 5).nValue, 5);
    EXPECT_EQ(Delay(NUMEDIT_DELAY_MS).Silent("-1", 5).nValue, 5);
    EXPECT_EQ(Delay(NUMEDIT_DELAY_CM).Silent("800", 5).nValue, 5);
    EXPECT_EQ(Delay(NUMEDIT_DELAY_CM).Silent("692", 5).nValue, 960);
    EXPECT_EQ(Delay(NUMEDIT_DELAY_INCH).Silent("-3", 5).nValue, 5);
    EXPECT_EQ(BandGain().Silent("25", 200).nValue, 200);
    EXPECT_EQ(BandGain().Silent("-0.3", 200).nValue, 197);
    EXPECT_EQ(Frequency().Silent("50000", 80).nValue, 80);
    EXPECT_EQ(Frequency().Silent("OFF", 80).nValue, 80);
    EXPECT_EQ(ChannelGain().Silent("21", 600).nValue, 600);
    EXPECT_EQ(Gate().Silent("-90", 10).nValue, 30);
    for (const CNumEditFormat& f : {Delay(0), BandGain(), Frequency(), ChannelGain(), Gate()})
        EXPECT_FALSE(f.Silent("1e999", 1).bOutOfRange);

    const NumEditSilent q = BandQ().Silent("30", 24);
    EXPECT_TRUE(q.bOutOfRange);  // the Q field warns even here
    EXPECT_EQ(q.nValue, 24);
    EXPECT_EQ(BandQ().Silent("5", 0).nValue, 24);
    EXPECT_FALSE(BandQ().Silent("5", 0).bOutOfRange);
}

// Each field reads back every value it can show, silently and on commit:
// committing without a change must not nudge the value.
TEST(NumEditFormat, EveryShownValueReadsBackAsItself)
{
    for (const CNumEditFormat& f : {Delay(NUMEDIT_DELAY_MS), Delay(NUMEDIT_DELAY_CM), Delay(NUMEDIT_DELAY_INCH),
                                    BandGain(), BandQ(), Frequency(), ChannelGain(), Gate()}) {
        for (int v = f.GetMin(); v <= f.GetMax(); ++v) {
            const std::string strText = f.Text(v);
            ASSERT_EQ(f.Silent(strText, -1).nValue, v) << "mode " << f.GetMode() << " " << strText;
            const NumEditCommit c = f.Commit(strText, -1, true);
            ASSERT_EQ(c.nValue, v) << "mode " << f.GetMode() << " " << strText;
            ASSERT_FALSE(c.bOutOfRange) << "mode " << f.GetMode() << " " << strText;
        }
    }
}

TEST(NumEditFormat, ZeroStepsAndOddRangesGiveSaneValues)
{
    // No step: nothing to divide by, so the value stays.
    for (int nMode : {NUMEDIT_CENTRED, NUMEDIT_SCALED, NUMEDIT_SCALED_WHOLE}) {
        const CNumEditFormat f = Field(nMode, 0, 400);
        for (const char* szText : {"0", "5", "-5", "1e999", "nan"}) {
            const NumEditCommit c = f.Commit(szText, 123, true);
            EXPECT_GE(c.nValue, 0) << nMode << szText;
            EXPECT_LE(c.nValue, 400) << nMode << szText;
            const int nSilent = f.Silent(szText, 123).nValue;
            EXPECT_GE(nSilent, 0);
            EXPECT_LE(nSilent, 400);
        }
        EXPECT_EQ(f.Commit("0", 123, true).nValue, 123);
        EXPECT_FALSE(f.Text(123).empty());
    }

    // A reversed range is taken the right way round; an empty one holds its
    // single value.
    const CNumEditFormat reversed = Field(NUMEDIT_INTEGER, 20000, 20);
    EXPECT_EQ(reversed.GetMin(), 20);
    EXPECT_EQ(reversed.GetMax(), 20000);
    const CNumEditFormat single = Field(NUMEDIT_INTEGER, 5, 5);
    ExpectStored(single, "7", 5, 5, true);
    ExpectStored(single, "5", 5, 5, false);
    const CNumEditFormat singleGain = Field(NUMEDIT_CENTRED, 0, 0, 0.1);
    ExpectStored(singleGain, "3", 0, 0, true);
    EXPECT_EQ(singleGain.Text(0), "0.0");

    // A delay field whose range ends short of 20 ms still stores in range.
    const CNumEditFormat shortDelay = Field(NUMEDIT_DELAY_MS, 0, 100);
    ExpectStored(shortDelay, "10", 0, 100, false);
    const CNumEditFormat wide = Field(NUMEDIT_CENTRED, INT_MIN, INT_MAX, 1e300);
    EXPECT_FALSE(wide.Text(INT_MIN).empty());
    EXPECT_GE(wide.Commit("1e999", 0, true).nValue, INT_MIN);
}
