// A small quadratic programme with linear inequalities: minimise
// 1/2 x'Hx + c'x subject to A x <= b, for the few dozen unknowns of one
// Gauss-Newton step of the fit and the few hundred limits on its curve.
#pragma once

#include <vector>

struct QpRows {
    std::size_t nColumns = 0;
    std::vector<double> adA;  // row-major, nColumns per row
    std::vector<double> adB;

    std::size_t Count() const { return adB.size(); }
    const double* Row(std::size_t j) const { return adA.data() + j * nColumns; }
    // Empties the rows, keeping the room they had.
    void Clear(std::size_t nNewColumns, std::size_t nRowsExpected);
    void Add(const double* pRow, double dBound);
};

// H is n x n row-major, symmetric positive definite; x = 0 must satisfy the
// rows (b >= 0; a bound a hair below 0 is taken as 0). A primal active-set
// method: every iterate stays feasible, so stopping early (a bounded number
// of passes, or rows too nearly parallel to tell apart) still gives a
// feasible x that is no worse than 0.
std::vector<double> SolveInequalityQp(const std::vector<double>& H, const std::vector<double>& c, const QpRows& rows);
