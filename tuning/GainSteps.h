// The free bands of a fit on the device's 0.1 dB steps, with what follows
// from them kept up to date: the error at every point in range and the whole
// equaliser at every grid point. A move of one or two bands is taken only
// when the equaliser stays within its limits and the caller's test of the
// new error and gains passes, so the steps never leave the limits once
// inside them.
#pragma once

#include <functional>

#include "FitProblem.h"

class CGainSteps {
public:
    struct Move {
        std::size_t nBand;  // in the problem's free bands
        int nTo;            // gain index
    };
    // Whether to take a move: the sums of squares of the error and of the
    // gains (dB) before and after, and the change in the number of bands
    // that are not flat.
    struct Change {
        double dErrorBefore, dErrorAfter;
        double dGainBefore, dGainAfter;
        int nActiveChange;
    };
    using Accept = std::function<bool(const Change&)>;

    CGainSteps(const FitProblem& problem, std::vector<int> anIndex);

    const std::vector<int>& Indices() const { return m_anIndex; }
    double ErrorSquares() const { return m_dErrorSquares; }
    double GainSquares() const;
    double Rms() const;
    // The worst excess over the limits at any grid point (0: within them).
    double Excess() const;
    const double (&Equaliser() const)[GRID_POINTS] { return m_adEq; }

    bool TryMove(const Move* pMoves, std::size_t nMoves, const Accept& accept);
    bool TryMove(std::size_t nBand, int nTo, const Accept& accept);

    // Steps bands towards the limits until the equaliser lies within them;
    // false when it cannot (it then stays as near as it came).
    bool Repair();

private:
    void Curve(std::size_t b, int nIndex, double (&adCurve)[GRID_POINTS]) const;

    const FitProblem* m_pProblem;
    std::vector<int> m_anIndex;
    std::vector<GridCurve> m_aCurve;
    std::vector<double> m_adError;  // at the problem's points
    double m_dErrorSquares = 0.0;
    double m_adEq[GRID_POINTS];
};
