#include "orientation.h"

#include <cstring>
#include <cwchar>

#include "velcalibrecords.h"

namespace panel {

const OrientationStep kOrientationCycle[6] = {
    {L"旋转90度", {0, -1000, 3277, 1000, 0, 0, 0, 0}, L"旋转180度"},
    {L"旋转180度", {-1000, 0, 3277, 0, -1000, 3277, 0, 0}, L"旋转270度"},
    {L"旋转270度", {0, 1000, 0, -1000, 0, 3277, 0, 0}, L"X镜像"},
    {L"X镜像", {-1000, 0, 3277, 0, 1000, 0, 0, 0}, L"Y镜像"},
    {L"Y镜像", {1000, 0, 0, 0, -1000, 3277, 0, 0}, L"旋转0度"},
    {L"旋转0度", {1000, 0, 0, 0, 1000, 0, 0, 0}, L"旋转90度"},
};

const OrientationStep& OrientationForCaption(const wchar_t* pCaption) {
    const size_t nLast = sizeof(kOrientationCycle) / sizeof(kOrientationCycle[0]) - 1;
    for (size_t i = 0; i < nLast && pCaption != nullptr; ++i) {
        if (std::wcscmp(pCaption, kOrientationCycle[i].caption) == 0)
            return kOrientationCycle[i];
    }
    return kOrientationCycle[nLast];
}

void FillOrientationRecords(const OrientationStep& step, _VEL_CALIB_PARAM& param,
                            _VEL_CALIB_PARAM_HD& paramHd) {
    float matrix_f[8];
    for (int i = 0; i < 8; ++i)
        matrix_f[i] = static_cast<float>(step.matrix[i]);
    FillCalibRecords(step.matrix, matrix_f, param, paramHd);
}

} // namespace panel
