// The fit's error and equaliser linearised about a set of band gains (dB):
// the Jacobian of every band's curve at every grid point, the normal
// equations over the points in range, and the small quadratic programme of
// one step that keeps the linearised equaliser within its limits. The
// Gauss-Newton steps of the fit and its search for the gain cost both stand
// on it.
#pragma once

#include <vector>

#include "FitProblem.h"
#include "InequalityQp.h"

class CGainModel {
public:
    explicit CGainModel(const FitProblem& problem);

    // The error at the points in range and the equaliser at every grid point
    // for gains g; returns the sum of squares of the error.
    double Evaluate(const std::vector<double>& g, std::vector<double>& e, double (&eq)[GRID_POINTS]) const;
    // The model about g, whose error and equaliser Evaluate gave.
    void Linearize(const std::vector<double>& g, const std::vector<double>& e, const double (&eq)[GRID_POINTS]);

    // The step from g that minimises the linear error plus dRidge per dB
    // squared of gain and point, held back by dDamping (relative to each
    // band's curvature), within the bands' bounds and the limits.
    std::vector<double> Step(double dRidge, double dDamping);
    // What the model expects the step to take off the error plus gain cost.
    double ExpectedFall(const std::vector<double>& d, double dRidge) const;
    // The linear model's sum of squares of the error after the step.
    double ExpectedErrorSquares(const std::vector<double>& d) const;

private:
    const FitProblem& m_problem;
    std::size_t m_nBands;
    std::size_t m_nPoints;
    std::vector<double> m_g;
    std::vector<double> m_e;
    double m_adEq[GRID_POINTS] = {};
    std::vector<GridCurve> m_J;   // per band, at every grid point
    std::vector<double> m_adJin;  // per band, at the points in range, contiguous
    std::vector<double> m_adJtJ;  // m x m
    std::vector<double> m_adJte;  // m
    std::vector<double> m_adLow, m_adHigh;
    std::vector<double> m_adH;  // scratch for Step
    QpRows m_rows;
};
