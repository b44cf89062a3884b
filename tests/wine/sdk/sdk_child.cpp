// A second process for the simulated device's tests: makes a few calls on the
// same device folder (inherited VEL_SDK_HOME) and exits with 0 on success.
//   sdk_child get          open the first screen and read its configuration
//   sdk_child height <n>   store touchHeight n through SetDriverConfig
//   sdk_child enum <n>     n enumerations (journal lines from another process)
#include "Vel_DeviceManager.h"

#include <cstdlib>
#include <cstring>

static bool OpenFirst(Vel_DeviceManager& device) {
    static _VEL_DEVICE_INFO info;
    std::memset(&info, 0, sizeof info);
    Vel_DeviceManager::EnumDevice(&info);
    wchar_t path[VEL_MAX_PATH] = {};
    std::memcpy(path, info.devicePath[0], (VEL_MAX_PATH - 1) * sizeof(wchar_t));
    device.OpenDevice(path);
    _VEL_DEVICE_CONFIG probe{};
    return device.GetDriverConfig(&probe);
}

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    if (std::strcmp(argv[1], "enum") == 0 && argc == 3) {
        static _VEL_DEVICE_INFO info;
        for (int i = 0; i < std::atoi(argv[2]); ++i)
            Vel_DeviceManager::EnumDevice(&info);
        return 0;
    }
    Vel_DeviceManager device;
    if (!OpenFirst(device))
        return 1;
    int result = 0;
    if (std::strcmp(argv[1], "height") == 0 && argc == 3) {
        _VEL_DEVICE_CONFIG config{};
        device.GetDriverConfig(&config);
        config.touchHeight = static_cast<uint16_t>(std::atoi(argv[2]));
        result = device.SetDriverConfig(config) ? 0 : 1;
    } else if (std::strcmp(argv[1], "get") != 0) {
        result = 2;
    }
    device.CloseDevice();
    return result;
}
