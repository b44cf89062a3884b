// One device manager of the simulated touch screen: what a caller's
// Vel_DeviceManager object stands for. exports.cpp exports its members
// under the platform compiler's names.
#pragma once

#include "Vel_DeviceManager.h"
#include "delivery.h"

#include <atomic>

namespace velsim {

class SimDevice {
public:
    SimDevice() = default;
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    static void EnumDevice(_VEL_DEVICE_INFO* pInfo);

    void OpenDevice(VEL_WCHAR* pDevicePath);
    void CloseDevice();

    bool GetDriverConfig(_VEL_DEVICE_CONFIG* pConfig);
    bool SetDriverConfig(_VEL_DEVICE_CONFIG config);

    unsigned char GetOutPutMode(unsigned char* pType, unsigned char* pMode, unsigned char* pEnable);
    unsigned char ChangeOutPutMode(char mode);

    int ResetCalibParam();
    int ApplyCalibParam_hd(_VEL_CALIB_PARAM_HD param);
    int ApplyCalibParam(_VEL_CALIB_PARAM param);

    void StartCalibMode();
    void StopCalibMode();

    void RegDataCallback(VEL_DATA_CALLBACK pCallback, void* pContext);
    void UnRegDataCallback();

private:
    void Release();

    std::atomic<bool> m_open{false};
    Delivery m_delivery;
};

} // namespace velsim
