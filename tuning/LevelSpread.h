// How far levels gathered point by point stray from their mean: the one
// measure of a sum's flatness, whether the search scores a setting (in
// nepers of power) or a report gives it (in dB).
#pragma once

#include <algorithm>
#include <cmath>

// The least power a level is taken of: a null exactly on a grid point stays
// finite.
constexpr double LEAST_POWER = 1e-300;

class CLevelSpread {
public:
    void Add(double dLevel)
    {
        m_dSum += dLevel;
        m_dSquares += dLevel * dLevel;
        ++m_nPoints;
    }
    int Points() const { return m_nPoints; }
    // Both 0 with no points.
    double Mean() const { return m_nPoints > 0 ? m_dSum / m_nPoints : 0.0; }
    // About the mean; rounding may leave the difference a little below zero
    // for equal levels.
    double Rms() const
    {
        const double dMean = Mean();
        return m_nPoints > 0 ? std::sqrt(std::max(0.0, m_dSquares / m_nPoints - dMean * dMean)) : 0.0;
    }

private:
    double m_dSum = 0.0;
    double m_dSquares = 0.0;
    int m_nPoints = 0;
};
