// CalcCalibMatrix with arbitrary point sets: an accepted set carries finite
// coefficients within the 16-bit range whose two encodings agree; a refused
// one leaves both outputs zero.
//
// Input: the pair count, then per pair a target and a raw point (four
// little-endian 32-bit numbers); most inputs keep the points small so that
// duplicates, lines and exact fits are common.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "calibmatrix.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    FuzzInput in(pData, nSize);
    const unsigned char mode = in.Byte();
    const int count = 1 + in.Byte() % 32;
    std::vector<CalibPoint> scr(count), raw(count);
    for (int k = 0; k < count; ++k) {
        CalibPoint* points[] = {&scr[k], &raw[k]};
        for (CalibPoint* p : points) {
            if (mode & 1) { // full 32-bit values
                p->x = in.Int32();
                p->y = in.Int32();
            } else { // small steps within the 16-bit working range
                p->x = in.Byte() * 257;
                p->y = in.Byte() * 257;
            }
        }
    }
    int16_t m[8];
    float f[8];
    std::memset(m, 0x55, sizeof m);
    std::memset(f, 0x55, sizeof f);
    if (CalcCalibMatrix(scr.data(), raw.data(), static_cast<unsigned char>(count), m, f)) {
        FUZZ_CHECK(count >= 4);
        for (int k = 0; k < 8; ++k) {
            FUZZ_CHECK(std::isfinite(f[k]));
            FUZZ_CHECK(f[k] >= -32768.0f && f[k] <= 32768.0f);
            // m is the coefficient truncated, f the coefficient rounded to float.
            FUZZ_CHECK(std::fabs(static_cast<double>(m[k]) - f[k]) <= 1.0);
        }
    } else {
        for (int k = 0; k < 8; ++k)
            FUZZ_CHECK(m[k] == 0 && f[k] == 0.0f);
    }
    return 0;
}
