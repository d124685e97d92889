// One second-order section at the device's 96 kHz rate, normalised so the
// denominator's leading coefficient is 1.
#pragma once

#include "FreqGrid.h"

struct BiquadSection {
    double B0 = 1.0, B1 = 0.0, B2 = 0.0, A1 = 0.0, A2 = 0.0;  // unity by default
    bool IsUnity() const { return B0 == 1.0 && B1 == 0.0 && B2 == 0.0 && A1 == 0.0 && A2 == 0.0; }
};

// Divides the raw coefficients by a0.
BiquadSection NormaliseSection(double a0, double a1, double a2, double b0, double b1, double b2);
