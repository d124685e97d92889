// What a fader's position stands for in the window, so that accessibility
// tools read and set the value a user reads (dB, Hz, Q, ms) and not a
// position: the numeric field that shows the same value, whose format holds
// the units, and how the fader's position becomes that field's value.
#pragma once

class CNumEditFormat;

struct CFaderScale {
    // None: the position itself is the value.
    const CNumEditFormat* pFormat = nullptr;
    // The field holds the fader's frequency; otherwise its inverted position.
    bool bFrequency = false;
    // The value's text, with %1 for the field's text ("%1 dB").
    const char* pszText = "%1";
    // A frequency fader: the frequency the window holds. The low end of the
    // scale is coarse (20, 40 and 60 Hz share positions), so while the thumb
    // stands where this frequency puts it, this is the value, not what the
    // position reads back as.
    int nHeldFrequency = 0;
};
