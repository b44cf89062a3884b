// A host bound to VelCalib.dll at load time through its import library.
//
//   velcalib_host         calls the three exports while idle; exit code 0 when
//                         they behave (the import library works for callers)
//   velcalib_host run     runs a calibration of the first touch screen, e.g.
//                         of the simulated one by mouse
//   velcalib_host start   calls StartCalibrate without looking for a screen
//                         (what VelCalib.dll says of an unusable SDK.dll)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "Vel_DeviceManager.h"
#include "velcalib.h"

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "run") == 0) {
        std::unique_ptr<_VEL_DEVICE_INFO> info(new _VEL_DEVICE_INFO());
        Vel_DeviceManager::EnumDevice(info.get());
        if (info->deviceCount < 1) {
            std::printf("no touch screen\n");
            return 1;
        }
        StartCalibrate(nullptr, info->devicePath[0]);
        return IsCalibrate() ? 1 : 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "start") == 0) {
        wchar_t path[] = L"\\\\?\\hid#any";
        StartCalibrate(nullptr, path);
        return IsCalibrate() ? 1 : 0;
    }
    if (IsCalibrate())
        return 1;
    StopCalibrate();
    return IsCalibrate() ? 1 : 0;
}
