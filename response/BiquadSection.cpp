#include "BiquadSection.h"

BiquadSection NormaliseSection(double a0, double a1, double a2, double b0, double b1, double b2)
{
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}
