// Calibration transform: fits the projective map from raw touch coordinates to
// logical screen coordinates (0…32767 on both axes, 32768 = full extent) and
// encodes it as the coefficient set m0…m7 of the two calibration records.
//
//   X = (h0·x + h1·y + h2) / (h6·x + h7·y + 1)
//   Y = (h3·x + h4·y + h5) / (h6·x + h7·y + 1)
//
// m0, m1, m3, m4, m6, m7 = h·1000 (thousandths); m2, m5 = h/10 (units of 10
// logical units). The identity is {1000, 0, 0, 0, 1000, 0, 0, 0}.
//
// The module keeps no state; all working storage belongs to one call.
#pragma once

#include <cstdint>

// A point as the collector keeps it: targets in logical screen space,
// measurements in raw touch space.
struct CalibPoint {
    int32_t x;
    int32_t y;
};

// Working form of the fit: the low 16 bits of each coordinate, unsigned.
struct CalibPoint16 {
    uint16_t x;
    uint16_t y;
    uint16_t reserved; // always 0
};

// Pairs pScrPoints[k] (target, logical screen space) with pTagPoints[k] (raw
// touch point) and writes the 16-bit set to pMatrix[0…7] and the
// single-precision set to pMatrix_f[0…7]. Both outputs are zeroed first and stay
// zero when the result is false. Null pointers and a zero count are the
// caller's fault: asserted (pMatrix_f is not), and refused with false when
// assertions are compiled out.
bool CalcCalibMatrix(const CalibPoint* pScrPoints, const CalibPoint* pTagPoints,
                     unsigned char nPointCount, int16_t* pMatrix, float* pMatrix_f);

// Whether a single-precision set that CalcCalibMatrix made from these pairs
// can describe a real panel. An exact fit exists for almost any four points,
// also for measurements no panel can give (two targets touched at the same
// place, targets a few raw units apart); written to the device, such a set
// sends the touches of whole screen areas elsewhere. A set is refused when
//  - a measured point does not map back within CALIB_MAP_BACK_TOLERANCE of
//    its target (the fit had to give up a pair), or
//  - the denominator w = 1 + m6/1000·x + m7/1000·y leaves [1/2, 2] anywhere
//    in the measured points' raw bounding box widened by a quarter of its
//    size on every side (the screen edges lie beyond the targets): near a
//    zero of w the map magnifies without bound and flips beyond it, and a
//    real panel's keystone changes w by a few per cent.
// The coordinates are taken as the fit takes them (low 16 bits, unsigned).
// A coefficient set m0…m7 as the device applies it, from either record.
struct CoefficientSet {
    double m[8];
};
CoefficientSet SetOf(const float* pMatrix_f);
CoefficientSet SetOf(const int16_t* pMatrix);

// The denominator the set gives a raw point: m6/1000·x + m7/1000·y + 1.
double MapWeight(const CoefficientSet& set, double x, double y);

// The logical point the set makes of a raw one:
//   X = (m0/1000·x + m1/1000·y + 10·m2) / (m6/1000·x + m7/1000·y + 1)
// and Y with m3, m4, m5.
void MapRaw(const CoefficientSet& set, double x, double y, double& X, double& Y);

bool IsPlausibleCalibration(const CalibPoint* pScrPoints, const CalibPoint* pTagPoints,
                            unsigned char nPointCount, const float* pMatrix_f);

// Logical units (1/128 of the screen) within which a measured point must map
// back onto its target.
const double CALIB_MAP_BACK_TOLERANCE = 256.0;

// Fit, scale, range check and encode. Writes nothing when it returns false.
bool MakeCalibMatrix(const CalibPoint16* pScrPoints, const CalibPoint16* pTagPoints,
                     int nPointCount, int16_t* pMatrix, float* pMatrix_f);

// Range check and encoding of eight already scaled coefficients: a coefficient
// that is not finite or lies outside [-32768, 32768) refuses the whole set and
// nothing is written. Otherwise pMatrix[k] is the coefficient truncated toward
// zero and pMatrix_f[k] the coefficient rounded to single precision.
bool EncodeCalibMatrix(const double* pCoef, int16_t* pMatrix, float* pMatrix_f);

// Solves the linearised model for h0…h7 (screen points are the outputs, touch
// points the inputs) into pH[0…7] and sets pH[8] = 1. pH holds at least 9
// doubles. Needs at least four pairs; exact for four, least squares for more.
bool FitProjective(const CalibPoint16* pScrPoints, const CalibPoint16* pTagPoints, int nPointCount,
                   double* pH);

// Least-squares solution of A·x ≈ b (A: m × n row-major, m ≥ n) by Householder
// QR and back substitution. b[0…n−1] receives x; A is destroyed (holds R).
bool SolveLeastSquares(double* pA, int m, int n, double* pB);

// Householder QR of A (m × n row-major) with the orthogonal factor formed
// explicitly: A becomes R (upper triangular in its first n rows) and pQ
// (m × m row-major) receives Q with A_original = Q·R. Refuses m < n and a
// column whose norm is not zero but vanishes in absolute terms
// (|α| + 1.0 == 1.0). An exactly zero column is not refused: scaling it by its
// largest entry forms 0/0, and the result is true with NaN in A and Q;
// CalcCalibMatrix refuses such a fit later, as the encoding rejects values
// that are not finite.
bool HouseholderQR(double* pA, int m, int n, double* pQ);
