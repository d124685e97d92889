// One second-order section at the device's 96 kHz rate, normalised so the
// denominator's leading coefficient is 1.
#pragma once

#include "FreqGrid.h"

// <termios.h> names a baud rate B0; the coefficients keep the names the
// response formulas give them wherever this is included.
#pragma push_macro("B0")
#undef B0
struct BiquadSection {
    double B0 = 1.0, B1 = 0.0, B2 = 0.0, A1 = 0.0, A2 = 0.0;  // unity by default
    bool IsUnity() const { return B0 == 1.0 && B1 == 0.0 && B2 == 0.0 && A1 == 0.0 && A2 == 0.0; }
};
#pragma pop_macro("B0")

// Divides the raw coefficients by a0.
BiquadSection NormaliseSection(double a0, double a1, double a2, double b0, double b1, double b2);
