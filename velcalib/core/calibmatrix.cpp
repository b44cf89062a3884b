#include "calibmatrix.h"

#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Working storage of one call: obtained without throwing, released on return.
template <typename T> std::unique_ptr<T[]> Obtain(std::size_t nCount) {
    return std::unique_ptr<T[]>(new (std::nothrow) T[nCount]());
}

const int COEF_COUNT = 8;

} // namespace

bool CalcCalibMatrix(const CalibPoint* pScrPoints, const CalibPoint* pTagPoints,
                     unsigned char nPointCount, int16_t* pMatrix, float* pMatrix_f) {
    assert(pScrPoints != NULL);
    assert(pTagPoints != NULL);
    assert(nPointCount != 0);
    assert(pMatrix != NULL);

    // Outputs are zero whenever the result is false, including refusals below.
    if (pMatrix != NULL) {
        std::memset(pMatrix, 0, COEF_COUNT * sizeof(int16_t));
    }
    if (pMatrix_f != NULL) {
        std::memset(pMatrix_f, 0, COEF_COUNT * sizeof(float));
    }
    if (pScrPoints == NULL || pTagPoints == NULL || pMatrix == NULL || pMatrix_f == NULL) {
        return false;
    }

    const std::size_t nCount = nPointCount;
    std::unique_ptr<CalibPoint16[]> scr = Obtain<CalibPoint16>(nCount == 0 ? 1 : nCount);
    std::unique_ptr<CalibPoint16[]> tag = Obtain<CalibPoint16>(nCount == 0 ? 1 : nCount);
    if (!scr || !tag) {
        return false;
    }
    for (std::size_t k = 0; k < nCount; ++k) {
        scr[k].x = static_cast<uint16_t>(pScrPoints[k].x);
        scr[k].y = static_cast<uint16_t>(pScrPoints[k].y);
        tag[k].x = static_cast<uint16_t>(pTagPoints[k].x);
        tag[k].y = static_cast<uint16_t>(pTagPoints[k].y);
    }
    return MakeCalibMatrix(scr.get(), tag.get(), nPointCount, pMatrix, pMatrix_f);
}

CoefficientSet SetOf(const float* pMatrix_f) {
    CoefficientSet set;
    for (int k = 0; k < COEF_COUNT; ++k) {
        set.m[k] = pMatrix_f[k];
    }
    return set;
}

CoefficientSet SetOf(const int16_t* pMatrix) {
    CoefficientSet set;
    for (int k = 0; k < COEF_COUNT; ++k) {
        set.m[k] = pMatrix[k];
    }
    return set;
}

double MapWeight(const CoefficientSet& set, double x, double y) {
    return set.m[6] / 1000.0 * x + set.m[7] / 1000.0 * y + 1.0;
}

void MapRaw(const CoefficientSet& set, double x, double y, double& X, double& Y) {
    const double* m = set.m;
    const double w = MapWeight(set, x, y);
    X = (m[0] / 1000.0 * x + m[1] / 1000.0 * y + 10.0 * m[2]) / w;
    Y = (m[3] / 1000.0 * x + m[4] / 1000.0 * y + 10.0 * m[5]) / w;
}

bool IsPlausibleCalibration(const CalibPoint* pScrPoints, const CalibPoint* pTagPoints,
                            unsigned char nPointCount, const float* pMatrix_f) {
    if (pScrPoints == NULL || pTagPoints == NULL || pMatrix_f == NULL || nPointCount == 0) {
        return false;
    }
    // The map as the device applies it.
    const CoefficientSet set = SetOf(pMatrix_f);
    double minX = 65535.0, maxX = 0.0, minY = 65535.0, maxY = 0.0;
    for (int k = 0; k < nPointCount; ++k) {
        const double x = static_cast<uint16_t>(pTagPoints[k].x);
        const double y = static_cast<uint16_t>(pTagPoints[k].y);
        double X = 0.0, Y = 0.0;
        MapRaw(set, x, y, X, Y);
        // Written so that a NaN fails too.
        if (!(std::fabs(X - static_cast<uint16_t>(pScrPoints[k].x)) <= CALIB_MAP_BACK_TOLERANCE &&
              std::fabs(Y - static_cast<uint16_t>(pScrPoints[k].y)) <= CALIB_MAP_BACK_TOLERANCE)) {
            return false;
        }
        minX = std::fmin(minX, x);
        maxX = std::fmax(maxX, x);
        minY = std::fmin(minY, y);
        maxY = std::fmax(maxY, y);
    }
    // w is affine: its extremes over the box lie at the corners.
    const double padX = (maxX - minX) / 4.0, padY = (maxY - minY) / 4.0;
    const double xs[2] = {minX - padX, maxX + padX};
    const double ys[2] = {minY - padY, maxY + padY};
    for (double x : xs) {
        for (double y : ys) {
            const double w = MapWeight(set, x, y);
            if (!(w >= 0.5 && w <= 2.0)) {
                return false;
            }
        }
    }
    return true;
}

bool MakeCalibMatrix(const CalibPoint16* pScrPoints, const CalibPoint16* pTagPoints,
                     int nPointCount, int16_t* pMatrix, float* pMatrix_f) {
    // h0…h8 and one spare slot.
    double arry[10] = {0.0};
    if (!FitProjective(pScrPoints, pTagPoints, nPointCount, arry)) {
        return false;
    }

    // Gains and denominator terms in thousandths, offsets in tens.
    arry[0] *= 1000.0;
    arry[1] *= 1000.0;
    arry[2] /= 10.0;
    arry[3] *= 1000.0;
    arry[4] *= 1000.0;
    arry[5] /= 10.0;
    arry[6] *= 1000.0;
    arry[7] *= 1000.0;

    return EncodeCalibMatrix(arry, pMatrix, pMatrix_f);
}

bool EncodeCalibMatrix(const double* pCoef, int16_t* pMatrix, float* pMatrix_f) {
    // A wrapped 16-bit value or a NaN float would corrupt the device's
    // calibration, so the whole set is refused before anything is written.
    for (int k = 0; k < COEF_COUNT; ++k) {
        const double v = pCoef[k];
        if (!std::isfinite(v) || v >= 32768.0 || v < -32768.0) {
            return false;
        }
    }
    for (int k = 0; k < COEF_COUNT; ++k) {
        // Truncation toward zero, not rounding: the device format is defined so.
        pMatrix[k] = static_cast<int16_t>(static_cast<int32_t>(pCoef[k]));
        pMatrix_f[k] = static_cast<float>(pCoef[k]);
    }
    return true;
}

// Rows 2k and 2k+1 of A·h = b for pair k (s = screen point, t = touch point):
//   [tx, ty, 1, 0, 0, 0, −tx·sx, −ty·sx] · h = sx
//   [0, 0, 0, tx, ty, 1, −tx·sy, −ty·sy] · h = sy
// which is X·(h6·x + h7·y + 1) = h0·x + h1·y + h2 and likewise for Y.
bool FitProjective(const CalibPoint16* pScrPoints, const CalibPoint16* pTagPoints, int nPointCount,
                   double* pH) {
    if (nPointCount < 4) {
        return false;
    }
    const int m = 2 * nPointCount;
    const int n = COEF_COUNT;
    std::unique_ptr<double[]> a = Obtain<double>(static_cast<std::size_t>(m) * n);
    std::unique_ptr<double[]> b = Obtain<double>(static_cast<std::size_t>(m));
    if (!a || !b) {
        return false;
    }

    for (int k = 0; k < nPointCount; ++k) {
        const CalibPoint16& s = pScrPoints[k];
        const CalibPoint16& t = pTagPoints[k];
        // The products of two 16-bit values are formed in 64 bits: equal to a
        // 32-bit product wherever that one fits, and never overflowing.
        const double txsx = static_cast<double>(int64_t(t.x) * s.x);
        const double tysx = static_cast<double>(int64_t(t.y) * s.x);
        const double txsy = static_cast<double>(int64_t(t.x) * s.y);
        const double tysy = static_cast<double>(int64_t(t.y) * s.y);

        double* r0 = &a[static_cast<std::size_t>(2 * k) * n];
        double* r1 = r0 + n;
        r0[0] = t.x;
        r0[1] = t.y;
        r0[2] = 1.0;
        r0[3] = 0.0;
        r0[4] = 0.0;
        r0[5] = 0.0;
        r0[6] = -txsx;
        r0[7] = -tysx;
        b[2 * k] = s.x;

        r1[0] = 0.0;
        r1[1] = 0.0;
        r1[2] = 0.0;
        r1[3] = t.x;
        r1[4] = t.y;
        r1[5] = 1.0;
        r1[6] = -txsy;
        r1[7] = -tysy;
        b[2 * k + 1] = s.y;
    }

    if (!SolveLeastSquares(a.get(), m, n, b.get())) {
        return false;
    }
    for (int i = 0; i < n; ++i) {
        pH[i] = b[i];
    }
    pH[8] = 1.0;
    return true;
}

// x = R⁻¹·(Qᵀ·b)[0…n−1], R the upper triangle of the first n rows of A after
// the factorisation. The diagonal of R is not tested here: HouseholderQR has
// already refused vanishing columns, and the square case leaves its last
// diagonal element unchecked on purpose (a zero shows as a non-finite result).
bool SolveLeastSquares(double* pA, int m, int n, double* pB) {
    if (n < 1 || m < n) {
        return false;
    }
    std::unique_ptr<double[]> q = Obtain<double>(static_cast<std::size_t>(m) * m);
    std::unique_ptr<double[]> c = Obtain<double>(static_cast<std::size_t>(n));
    if (!q || !c) {
        return false;
    }
    if (!HouseholderQR(pA, m, n, q.get())) {
        return false;
    }

    // c = Qᵀ·b, first n entries.
    for (int i = 0; i < n; ++i) {
        double sum = 0.0;
        for (int j = 0; j < m; ++j) {
            sum += q[static_cast<std::size_t>(j) * m + i] * pB[j];
        }
        c[i] = sum;
    }

    const std::size_t w = static_cast<std::size_t>(n);
    pB[n - 1] = c[n - 1] / pA[(n - 1) * w + (n - 1)];
    for (int i = n - 2; i >= 0; --i) {
        double sum = c[i];
        for (int j = i + 1; j < n; ++j) {
            sum -= pA[i * w + j] * pB[j];
        }
        pB[i] = sum / pA[i * w + i];
    }
    return true;
}

// Column i is reduced by the reflection H = I − 2·v·vᵀ with
//   α = −sign(A[i][i])·‖A[i…m−1][i]‖,  f = √(2·α·(α − A[i][i])),
//   v = (A[i…m−1][i] − α·e_i) / f   (unit length),
// so that H maps the column onto α·e_i. Q accumulates H_L…H_1 and is
// transposed at the end, giving A_original = Q·R.
bool HouseholderQR(double* pA, int m, int n, double* pQ) {
    if (n < 0 || m < n) {
        return false;
    }
    const std::size_t mm = static_cast<std::size_t>(m);
    const std::size_t nn = static_cast<std::size_t>(n);
    for (std::size_t r = 0; r < mm; ++r) {
        for (std::size_t c = 0; c < mm; ++c) {
            pQ[r * mm + c] = (r == c) ? 1.0 : 0.0;
        }
    }

    // A square matrix leaves its last column unreflected.
    const int nColumns = (m == n) ? m - 1 : n;
    for (int i = 0; i < nColumns; ++i) {
        const std::size_t ii = static_cast<std::size_t>(i);
        double* const aii = &pA[ii * nn + ii];

        double scale = 0.0;
        for (std::size_t j = ii; j < mm; ++j) {
            const double v = std::fabs(pA[j * nn + ii]);
            if (v > scale) {
                scale = v;
            }
        }
        double s = 0.0;
        for (std::size_t j = ii; j < mm; ++j) {
            const double v = pA[j * nn + ii] / scale;
            s += v * v;
        }
        double alpha = std::sqrt(s) * scale;
        if (*aii > 0.0) {
            alpha = -alpha;
        }
        // Absolute tolerance, not relative to the column's size.
        if (std::fabs(alpha) + 1.0 == 1.0) {
            return false;
        }
        const double f = std::sqrt(2.0 * alpha * (alpha - *aii));
        if (f + 1.0 == 1.0) {
            continue;
        }

        // v in place in column i, rows i…m−1.
        *aii = (*aii - alpha) / f;
        for (std::size_t j = ii + 1; j < mm; ++j) {
            pA[j * nn + ii] /= f;
        }

        for (std::size_t j = 0; j < mm; ++j) {
            double t = 0.0;
            for (std::size_t k = ii; k < mm; ++k) {
                t += pA[k * nn + ii] * pQ[k * mm + j];
            }
            for (std::size_t k = ii; k < mm; ++k) {
                pQ[k * mm + j] -= 2.0 * t * pA[k * nn + ii];
            }
        }
        for (std::size_t j = ii + 1; j < nn; ++j) {
            double t = 0.0;
            for (std::size_t k = ii; k < mm; ++k) {
                t += pA[k * nn + ii] * pA[k * nn + j];
            }
            for (std::size_t k = ii; k < mm; ++k) {
                pA[k * nn + j] -= 2.0 * t * pA[k * nn + ii];
            }
        }

        *aii = alpha;
        for (std::size_t j = ii + 1; j < mm; ++j) {
            pA[j * nn + ii] = 0.0;
        }
    }

    for (std::size_t r = 0; r < mm; ++r) {
        for (std::size_t c = r + 1; c < mm; ++c) {
            const double t = pQ[r * mm + c];
            pQ[r * mm + c] = pQ[c * mm + r];
            pQ[c * mm + r] = t;
        }
    }
    return true;
}
