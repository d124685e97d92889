#include "InequalityQp.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {
// Factors A (k x k, symmetric) as L L' in place, L in the lower triangle;
// false when A is not positive definite.
bool Cholesky(std::vector<double>& A, std::size_t k)
{
    for (std::size_t j = 0; j < k; ++j) {
        double d = A[j * k + j];
        for (std::size_t p = 0; p < j; ++p)
            d -= A[j * k + p] * A[j * k + p];
        if (!(d > 0.0))
            return false;
        const double l = std::sqrt(d);
        A[j * k + j] = l;
        for (std::size_t i = j + 1; i < k; ++i) {
            double s = A[i * k + j];
            for (std::size_t p = 0; p < j; ++p)
                s -= A[i * k + p] * A[j * k + p];
            A[i * k + j] = s / l;
        }
    }
    return true;
}

// y = L^-1 y.
void Forward(const std::vector<double>& L, std::size_t k, std::vector<double>& y)
{
    for (std::size_t i = 0; i < k; ++i) {
        double s = y[i];
        for (std::size_t p = 0; p < i; ++p)
            s -= L[i * k + p] * y[p];
        y[i] = s / L[i * k + i];
    }
}

// y = L'^-1 y.
void Backward(const std::vector<double>& L, std::size_t k, std::vector<double>& y)
{
    for (std::size_t i = k; i-- > 0;) {
        double s = y[i];
        for (std::size_t p = i + 1; p < k; ++p)
            s -= L[p * k + i] * y[p];
        y[i] = s / L[i * k + i];
    }
}

double Dot(const double* a, const double* b, std::size_t n)
{
    double s = 0.0;
    for (std::size_t i = 0; i < n; ++i)
        s += a[i] * b[i];
    return s;
}

// The minimum of the objective with the working rows held as equalities:
// x = -H^-1 (c + A_W' lambda), with lambda from (A_W H^-1 A_W') lambda =
// -A_W H^-1 c - b_W. In terms of v_j = L^-1 a_j and w = L^-1 c.
bool SolveWorking(const std::vector<double>& L, std::size_t n, const std::vector<std::vector<double>>& v,
                  const std::vector<double>& w, const std::vector<double>& bW, std::vector<double>& x,
                  std::vector<double>& lambda)
{
    const std::size_t k = v.size();
    lambda.assign(k, 0.0);
    if (k > 0) {
        std::vector<double> M(k * k);
        for (std::size_t a = 0; a < k; ++a)
            for (std::size_t b = 0; b <= a; ++b)
                M[a * k + b] = M[b * k + a] = Dot(v[a].data(), v[b].data(), n);
        for (std::size_t a = 0; a < k; ++a)
            lambda[a] = -Dot(v[a].data(), w.data(), n) - bW[a];
        if (!Cholesky(M, k))
            return false;
        Forward(M, k, lambda);
        Backward(M, k, lambda);
    }
    x = w;
    for (std::size_t a = 0; a < k; ++a)
        for (std::size_t i = 0; i < n; ++i)
            x[i] += lambda[a] * v[a][i];
    Backward(L, n, x);
    for (double& d : x)
        d = -d;
    return true;
}
}  // namespace

void QpRows::Clear(std::size_t nNewColumns, std::size_t nRowsExpected)
{
    nColumns = nNewColumns;
    adA.clear();
    adB.clear();
    adA.reserve(nColumns * nRowsExpected);
    adB.reserve(nRowsExpected);
}

void QpRows::Add(const double* pRow, double dBound)
{
    adA.insert(adA.end(), pRow, pRow + nColumns);
    adB.push_back(dBound);
}

std::vector<double> SolveInequalityQp(const std::vector<double>& H, const std::vector<double>& c, const QpRows& rows)
{
    const std::size_t n = c.size();
    std::vector<double> x(n, 0.0);
    std::vector<double> L = H;
    if (n == 0 || !Cholesky(L, n))
        return x;
    std::vector<double> w = c;
    Forward(L, n, w);

    const std::size_t m = rows.Count();
    std::vector<double> b(m);
    for (std::size_t j = 0; j < m; ++j)
        b[j] = std::max(rows.adB[j], 0.0);
    std::vector<std::size_t> working;
    std::vector<std::vector<double>> v;  // L^-1 a_j of the working rows
    std::vector<double> bW;
    std::vector<char> abWorking(m, 0);
    std::vector<double> xW, lambda, p(n);
    // Each row's value at x, kept up to date, and its length.
    std::vector<double> ax(m, 0.0), ap(m), norm(m);
    for (std::size_t j = 0; j < m; ++j)
        norm[j] = std::sqrt(Dot(rows.Row(j), rows.Row(j), n));

    const std::size_t nMaxPasses = 4 * (n + m) + 50;
    for (std::size_t nPass = 0; nPass < nMaxPasses; ++nPass) {
        if (!SolveWorking(L, n, v, w, bW, xW, lambda))
            break;
        double dStep2 = 0.0, dX2 = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            p[i] = xW[i] - x[i];
            dStep2 += p[i] * p[i];
            dX2 += x[i] * x[i];
        }
        if (dStep2 <= 1e-24 * (1.0 + dX2)) {
            // At the minimum on the working rows: done when every row held
            // pushes the right way, else let go of the one that pulls most.
            std::size_t nDrop = working.size();
            double dMost = -1e-12;
            for (std::size_t a = 0; a < working.size(); ++a) {
                if (lambda[a] < dMost) {
                    dMost = lambda[a];
                    nDrop = a;
                }
            }
            if (nDrop == working.size())
                break;
            abWorking[working[nDrop]] = 0;
            working.erase(working.begin() + static_cast<std::ptrdiff_t>(nDrop));
            v.erase(v.begin() + static_cast<std::ptrdiff_t>(nDrop));
            bW.erase(bW.begin() + static_cast<std::ptrdiff_t>(nDrop));
            continue;
        }
        // As far towards it as the rows not held allow.
        double dAlpha = 1.0;
        std::size_t nBlocking = m;
        const double dStepNorm = std::sqrt(dStep2);
        for (std::size_t j = 0; j < m; ++j) {
            ap[j] = Dot(rows.Row(j), p.data(), n);
            if (abWorking[j] || !(ap[j] > 1e-12 * dStepNorm * norm[j]))
                continue;
            const double t = std::max(b[j] - ax[j], 0.0) / ap[j];
            if (t < dAlpha) {
                dAlpha = t;
                nBlocking = j;
            }
        }
        for (std::size_t i = 0; i < n; ++i)
            x[i] += dAlpha * p[i];
        for (std::size_t j = 0; j < m; ++j)
            ax[j] += dAlpha * ap[j];
        if (nBlocking == m)
            continue;
        std::vector<double> vj(rows.Row(nBlocking), rows.Row(nBlocking) + n);
        Forward(L, n, vj);
        working.push_back(nBlocking);
        v.push_back(std::move(vj));
        bW.push_back(b[nBlocking]);
        abWorking[nBlocking] = 1;
    }
    return x;
}
