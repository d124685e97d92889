// The numerical heart of the equaliser fit. The best gains in dB come from a
// projected Gauss-Newton (Levenberg-Marquardt) on the bands' Jacobian, each
// step a small quadratic programme that keeps the whole equaliser within its
// limits at every grid point; a descent over single and paired 0.1 dB steps
// then settles them on the device's steps. Of the fits within 1 % of the best
// error the one with the least gain is kept (a band that hardly helps stays
// flat, two bands do not fight), and a band does not stand more than 6 dB
// above or below both neighbours unless that buys real accuracy. The result
// is never worse than the bands as they stood, when those kept the limits.
#pragma once

#include <vector>

#include "FitProblem.h"

class CGainSteps;

struct FitterResult {
    std::vector<int> anIndex;  // one gain index per free band
    double dRmsBest = 0.0;     // the least error found within the limits
    double dRmsAllowed = 0.0;  // the error the fit allowed itself to save gain
};

// Among fits within this share of the best error, the least gain is taken.
inline constexpr double LEAST_GAIN_LATITUDE = 0.01;
// A band standing out further than this from both neighbours must pay for it.
inline constexpr int STAND_OUT_INDICES = 60;  // 6 dB

class CEqFitter {
public:
    explicit CEqFitter(const FitProblem& problem) : m_problem(problem) {}

    FitterResult Solve() const;

private:
    // The best gains in dB from g, with a cost of dRidge per dB squared of
    // gain and point in range; g must keep the limits.
    std::vector<double> SolveContinuous(std::vector<double> g, double dRidge, int nMaxSteps) const;
    // On the device's steps near g, by the same costs.
    CGainSteps Settle(const std::vector<double>& g, double dRidge) const;
    // Least gain within dAllowedRms: bands walked towards flat, bands that
    // stand out brought back, while the error stays within it.
    void Tidy(CGainSteps& steps, double dAllowedRms) const;
    // Gains near gBest with the largest gain cost (into dRidge) whose linear
    // error stays within dAimRms.
    std::vector<double> LeastGainNear(const std::vector<double>& gBest, double dAimRms, double& dRidge) const;
    double RmsOf(const std::vector<double>& g) const;

    const FitProblem& m_problem;
};
