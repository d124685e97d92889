// How a numeric field turns its stored value (the preset's own encoding) into
// the text it shows, and typed text back into a value: per mode, the units,
// the range checks and the "Out of Range" cases. Free of any window code so
// the rules can be checked on their own; CNumEdit is the field around them.
#pragma once

#include <string>

// Conversion modes, by the numbers the window configures.
inline constexpr int NUMEDIT_DELAY_MS = 0;       // delay steps shown in milliseconds
inline constexpr int NUMEDIT_DELAY_CM = 1;       // the same delay as a distance in centimetres
inline constexpr int NUMEDIT_DELAY_INCH = 2;     // ... and in inches
inline constexpr int NUMEDIT_CENTRED = 3;        // centred on the middle of the range (band gains)
inline constexpr int NUMEDIT_INTEGER = 4;        // the value itself (frequencies)
inline constexpr int NUMEDIT_SCALED = 10;        // value x step - offset (channel gain)
inline constexpr int NUMEDIT_Q = 11;             // index into the Q table
inline constexpr int NUMEDIT_SCALED_WHOLE = 13;  // as 10, whole numbers (noise gates)

inline constexpr const char* NUMEDIT_OUT_OF_RANGE = "Out of Range";
// Temperature code the speed of sound is taken at: 25 degrees C.
inline constexpr int NUMEDIT_TEMPERATURE = 75;

// What committing the text on losing the focus does.
struct NumEditCommit {
    bool bOutOfRange = false;  // show NUMEDIT_OUT_OF_RANGE
    bool bStore = false;       // nValue is the new stored value
    int nValue = 0;
    bool bRedisplay = false;  // show the value again and notify the parent
    bool bClearModified = false;
    bool bRefused = false;  // no number typed: show the stored value again, report nothing
};

// What reading the text silently (GetValue after typing) gives.
struct NumEditSilent {
    int nValue = 0;            // the value read, or the one before
    bool bOutOfRange = false;  // the Q field still warns
};

class CNumEditFormat {
public:
    void SetMode(int nMode) { m_nMode = nMode; }
    int GetMode() const { return m_nMode; }
    // A reversed range is taken the right way round.
    void SetRange(int nMin, int nMax);
    int GetMin() const { return m_nMin; }
    int GetMax() const { return m_nMax; }
    void SetStep(double dStep) { m_dStep = dStep; }
    double GetStep() const { return m_dStep; }
    void SetOffset(double dOffset) { m_dOffset = dOffset; }
    double GetOffset() const { return m_dOffset; }

    bool InRange(long long nValue) const { return nValue >= m_nMin && nValue <= m_nMax; }

    // The text shown for a value.
    std::string Text(int nValue) const;
    // The text read back when the field loses the focus; bModified says
    // whether the user has typed since the last commit or read. Text that
    // does not start with a number is refused.
    NumEditCommit Commit(const std::string& strText, int nValue, bool bModified) const;
    // The text read back without correcting it: text outside the range, or
    // with no number at its start, leaves nValue as it is.
    NumEditSilent Silent(const std::string& strText, int nValue) const;

    // Speed of sound in metres per second at m_nTemperature.
    double SpeedOfSound() const;

private:
    // Delay steps for a time in ms below the top of the range, rounded or
    // truncated; the top itself when the time reaches it.
    int DelayFromMs(double dMs, bool bRound) const;
    // The delay in ms shown for a value: the top of the range is exactly 20.
    double DelayMs(int nValue) const;
    // A value computed in floating point, made safe to store: NaN keeps
    // nFallback, anything else lands within the range.
    int ToValue(double d, int nFallback) const;
    int Clamp(long long nValue) const;

    int m_nMode = 0;
    int m_nMax = 0;
    int m_nMin = 0;
    double m_dStep = 0.0;
    double m_dOffset = 0.0;
    int m_nTemperature = NUMEDIT_TEMPERATURE;
};
