#include "NumEditFormat.h"

#include <algorithm>
#include <cmath>

#include "DbText.h"
#include "FreqTables.h"
#include "NumEditParse.h"

namespace {

constexpr double DELAY_STEP_MS = 1.0 / 48.0;  // one sample at 48 kHz
constexpr double DELAY_MAX_MS = 20.0;
// Times below 20 ms show to three decimals, so a shown time may fall short of
// its step by up to half the last digit (3 steps show as 0.062MS, which is
// 2.976 steps). Typed times that close below a step are read as that step
// rather than truncated to the one below, so a field keeps the value it shows.
constexpr double DELAY_SHOWN_HALF_DIGIT_MS = 0.0005 + 1e-12;
constexpr double CM_PER_METRE = 100.0;
constexpr double MS_PER_SECOND = 1000.0;
constexpr double FEET_PER_METRE = 3.28;
constexpr double INCHES_PER_FOOT = 12.0;
// The speed of sound is 331 m/s at temperature code 50 (0 degrees C) and
// rises 0.6 m/s per step.
constexpr double SOUND_AT_ZERO = 331.0;
constexpr double SOUND_PER_STEP = 0.6;
constexpr int TEMPERATURE_ZERO = 50;

constexpr int Q_LAST = BANDWIDTH_Q_COUNT - 1;

// A quotient such as 0.3 / 0.1 comes out as 2.9999999999999996; counted as
// the whole number it misses by rounding only, so that every text a field
// shows reads back as the value it was made from.
double TruncateNearWhole(double d)
{
    const double dWhole = std::round(d);
    if (std::fabs(d - dWhole) <= 1e-9 * std::max(1.0, std::fabs(d)))
        return dWhole;
    return std::trunc(d);
}

}  // namespace

void CNumEditFormat::SetRange(int nMin, int nMax)
{
    m_nMin = std::min(nMin, nMax);
    m_nMax = std::max(nMin, nMax);
}

double CNumEditFormat::SpeedOfSound() const
{
    return SOUND_AT_ZERO + SOUND_PER_STEP * (m_nTemperature - TEMPERATURE_ZERO);
}

int CNumEditFormat::Clamp(long long nValue) const
{
    return static_cast<int>(std::clamp<long long>(nValue, m_nMin, m_nMax));
}

int CNumEditFormat::ToValue(double d, int nFallback) const
{
    if (std::isnan(d))
        return nFallback;
    // Clamped while still a double: converting an out-of-range double to int
    // is undefined.
    return Clamp(static_cast<long long>(std::clamp(d, static_cast<double>(m_nMin), static_cast<double>(m_nMax))));
}

double CNumEditFormat::DelayMs(int nValue) const
{
    return nValue == m_nMax ? DELAY_MAX_MS : nValue * DELAY_STEP_MS;
}

int CNumEditFormat::DelayFromMs(double dMs, bool bRound) const
{
    if (dMs >= DELAY_MAX_MS)
        return m_nMax;
    const double dSteps = dMs / DELAY_STEP_MS;
    if (bRound)
        return ToValue(TruncateNearWhole(dSteps + 0.5), m_nMin);
    const double dNext = std::ceil(dSteps);
    if (dNext * DELAY_STEP_MS - dMs <= DELAY_SHOWN_HALF_DIGIT_MS)
        return ToValue(dNext, m_nMin);
    return ToValue(TruncateNearWhole(dSteps), m_nMin);
}

std::string CNumEditFormat::Text(int nValue) const
{
    const double dMs = DelayMs(nValue);
    const double dMetres = SpeedOfSound() / MS_PER_SECOND * dMs;
    switch (m_nMode) {
    case NUMEDIT_DELAY_MS:
        return FormatFixed(dMs, dMs >= DELAY_MAX_MS ? 1 : 3) + "MS";
    case NUMEDIT_DELAY_CM:
        return FormatFixed(dMetres * CM_PER_METRE, 1) + "CM";
    case NUMEDIT_DELAY_INCH:
        return FormatFixed(dMetres * FEET_PER_METRE * INCHES_PER_FOOT, nValue == m_nMax ? 3 : 1) + "INCH";
    case NUMEDIT_CENTRED:
        return FormatFixed(static_cast<double>(static_cast<long long>(nValue) - m_nMax / 2) * m_dStep, 1);
    case NUMEDIT_SCALED:
        return FormatFixed(nValue * m_dStep - m_dOffset, m_dStep != 1.0 ? 1 : 0);
    case NUMEDIT_SCALED_WHOLE:
        return FormatFixed(nValue * m_dStep - m_dOffset, 0);
    case NUMEDIT_Q: {
        // The range may say otherwise; the table has 60 entries.
        const int nIndex = std::clamp(nValue, 0, Q_LAST);
        return FormatFixed(g_dBandwidthQ[nIndex], nIndex > 9 ? 2 : 1);
    }
    case NUMEDIT_INTEGER:
    default:
        return std::to_string(nValue);
    }
}

NumEditCommit CNumEditFormat::Commit(const std::string& strText, int nValue, bool bModified) const
{
    NumEditCommit result;
    result.nValue = nValue;
    // Letters, a symbol or an empty field are no value: reading them as 0
    // would send 0 dB, or the lowest frequency, to the device unasked.
    if (!HasLeadingNumber(strText)) {
        result.bRefused = true;
        result.bClearModified = true;
        return result;
    }
    const double dNumber = ParseLeadingDouble(strText);
    const double dSound = SpeedOfSound();
    // Stores nNew and asks for the value to be shown and reported.
    auto store = [&result](int nNew) {
        result.bStore = true;
        result.nValue = nNew;
        result.bRedisplay = true;
    };

    switch (m_nMode) {
    case NUMEDIT_DELAY_MS: {
        if (!bModified)
            break;
        int nNew;
        if (!(dNumber >= 0.0)) {
            result.bOutOfRange = true;
            nNew = m_nMin;
        } else {
            nNew = DelayFromMs(dNumber, false);
        }
        store(nNew);
        break;
    }
    case NUMEDIT_DELAY_CM:
    case NUMEDIT_DELAY_INCH: {
        if (!bModified)
            break;
        result.bClearModified = true;
        // Distances above the longest delay are taken as it without a word;
        // only negative ones are an error.
        const bool bInch = m_nMode == NUMEDIT_DELAY_INCH;
        const double dMaxMetres = dSound / MS_PER_SECOND * DELAY_MAX_MS;
        const double dMax = bInch ? dMaxMetres * FEET_PER_METRE : dMaxMetres;
        double dDistance = bInch ? dNumber / INCHES_PER_FOOT : dNumber / CM_PER_METRE;
        if (dDistance > dMax) {
            dDistance = dMax;
        } else if (!(dDistance >= 0.0)) {
            result.bOutOfRange = true;
            dDistance = 0.0;
        }
        const double dMetres = bInch ? dDistance / FEET_PER_METRE : dDistance;
        store(DelayFromMs(dMetres * MS_PER_SECOND / dSound, true));
        break;
    }
    case NUMEDIT_CENTRED: {
        const int nHalf = m_nMax / 2;
        const double dTop = nHalf * m_dStep;
        double x = dNumber;
        if (x > dTop) {
            x = dTop;
            result.bOutOfRange = true;
        } else if (x < -dTop) {
            x = (static_cast<double>(m_nMin) - nHalf) * m_dStep;
            result.bOutOfRange = true;
        }
        if (bModified)
            store(ToValue(TruncateNearWhole(nHalf + x / m_dStep), nValue));
        break;
    }
    case NUMEDIT_INTEGER: {
        long long n = ParseLeadingInt(strText);
        if (n > m_nMax) {
            result.bOutOfRange = true;
            n = m_nMax;
        } else if (n < m_nMin) {
            result.bOutOfRange = true;
            n = m_nMin;
        }
        // The value is taken even when nothing was typed; it is then what the
        // field already shows.
        result.bStore = true;
        result.nValue = Clamp(n);
        result.bRedisplay = bModified;
        break;
    }
    case NUMEDIT_SCALED:
    case NUMEDIT_SCALED_WHOLE: {
        const double dTop = m_nMax * m_dStep - m_dOffset;
        const double dBottom = m_nMin * m_dStep - m_dOffset;
        double x = dNumber;
        if (x > dTop) {
            x = dTop;
            result.bOutOfRange = true;
        } else if (x < dBottom) {
            x = dBottom;
            result.bOutOfRange = true;
        }
        // Scaled by ten on both sides, so a step of 0.1 divides as 1.
        if (bModified)
            store(ToValue(TruncateNearWhole((x + m_dOffset) * 10.0 / (m_dStep * 10.0)), nValue));
        break;
    }
    case NUMEDIT_Q: {
        double q = dNumber;
        if (q > g_dBandwidthQ[0]) {
            q = g_dBandwidthQ[0];
            result.bOutOfRange = true;
        } else if (q < g_dBandwidthQ[Q_LAST]) {
            q = g_dBandwidthQ[Q_LAST];
            result.bOutOfRange = true;
        }
        if (bModified)
            store(Clamp(QIndexFromQ(q)));
        break;
    }
    default:
        break;
    }
    return result;
}

NumEditSilent CNumEditFormat::Silent(const std::string& strText, int nValue) const
{
    NumEditSilent result;
    result.nValue = nValue;
    if (!HasLeadingNumber(strText))
        return result;
    const double dNumber = ParseLeadingDouble(strText);
    const double dSound = SpeedOfSound();

    switch (m_nMode) {
    case NUMEDIT_DELAY_MS:
        if (dNumber >= 0.0 && dNumber <= DELAY_MAX_MS)
            result.nValue = DelayFromMs(dNumber, true);
        break;
    case NUMEDIT_DELAY_CM:
    case NUMEDIT_DELAY_INCH: {
        const bool bInch = m_nMode == NUMEDIT_DELAY_INCH;
        const double dMaxMetres = dSound / MS_PER_SECOND * DELAY_MAX_MS;
        const double dMax = bInch ? dMaxMetres * FEET_PER_METRE : dMaxMetres;
        const double dDistance = bInch ? dNumber / INCHES_PER_FOOT : dNumber / CM_PER_METRE;
        if (dDistance >= 0.0 && dDistance <= dMax) {
            const double dMetres = bInch ? dDistance / FEET_PER_METRE : dDistance;
            result.nValue = DelayFromMs(dMetres * MS_PER_SECOND / dSound, true);
        }
        break;
    }
    case NUMEDIT_CENTRED: {
        const int nHalf = m_nMax / 2;
        const double dTop = nHalf * m_dStep;
        if (dNumber >= -dTop && dNumber <= dTop)
            result.nValue = ToValue(TruncateNearWhole(nHalf + dNumber / m_dStep), nValue);
        break;
    }
    case NUMEDIT_INTEGER: {
        const long long n = ParseLeadingInt(strText);
        if (InRange(n))
            result.nValue = static_cast<int>(n);
        break;
    }
    case NUMEDIT_SCALED:
    case NUMEDIT_SCALED_WHOLE: {
        const double dTop = m_nMax * m_dStep - m_dOffset;
        const double dBottom = m_nMin * m_dStep - m_dOffset;
        if (dNumber >= dBottom && dNumber <= dTop)
            result.nValue = ToValue(TruncateNearWhole((dNumber + m_dOffset) * 10.0 / (m_dStep * 10.0)), nValue);
        break;
    }
    case NUMEDIT_Q:
        if (dNumber < g_dBandwidthQ[Q_LAST] || dNumber > g_dBandwidthQ[0])
            result.bOutOfRange = true;
        else
            result.nValue = Clamp(QIndexFromQ(dNumber));
        break;
    default:
        break;
    }
    return result;
}
