// A small quadratic programme with box bounds: minimise 1/2 x'Hx + c'x with
// lo <= x <= hi, for the few dozen unknowns of one Gauss-Newton step.
#pragma once

#include <vector>

// H is n x n row-major, symmetric positive definite; lo[j] <= 0 <= hi[j].
// Returns x. A primal active-set method: exact for such H, and never more
// than a bounded number of small Cholesky solves.
std::vector<double> SolveBoxQp(const std::vector<double>& H, const std::vector<double>& c,
                               const std::vector<double>& lo, const std::vector<double>& hi);
