// The two calibration records the tools send, built from one coefficient set
// in both precisions: the calibration's end and the orientation use it.
#pragma once

#include <cstdint>
#include <cstring>

#include "Vel_DeviceManager.h"

// Zeroes both records, then: the 16-bit record takes pMatrix, the
// single-precision one takes pMatrix_f and enable = 1.
inline void FillCalibRecords(const int16_t* pMatrix, const float* pMatrix_f,
                             _VEL_CALIB_PARAM& param, _VEL_CALIB_PARAM_HD& paramHd) {
    std::memset(&param, 0, sizeof(param));
    std::memset(&paramHd, 0, sizeof(paramHd));
    std::memcpy(param.matrix, pMatrix, sizeof(param.matrix));
    paramHd.enable = 1;
    std::memcpy(paramHd.matrix, pMatrix_f, sizeof(paramHd.matrix));
}
