// The orientation button's cycle: each caption names the orientation its
// next click applies, as a complete fixed coefficient set.
#pragma once

#include <cstdint>

#include "Vel_DeviceManager.h"

namespace panel {

struct OrientationStep {
    const wchar_t* caption; // the button's caption when clicked
    int16_t matrix[8];      // m0..m7: gains in thousandths, offsets in tens
    const wchar_t* next;    // the caption afterwards
};

// Rotation by 90, 180 and 270 degrees, mirror in X, mirror in Y, no change.
extern const OrientationStep kOrientationCycle[6];

// The step whose caption equals this text exactly; the last (no change) for
// any other text.
const OrientationStep& OrientationForCaption(const wchar_t* pCaption);

// Both calibration records of a step: the 16-bit set as it stands and the
// same values as floats, with enable = 1.
void FillOrientationRecords(const OrientationStep& step, _VEL_CALIB_PARAM& param,
                            _VEL_CALIB_PARAM_HD& paramHd);

} // namespace panel
