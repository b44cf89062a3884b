// SDK.dll's exports: the members of Vel_DeviceManager as the platform's
// compiler makes them, under its names (SDK.def.in binds each name to its
// function here). On x86 the members are __thiscall and EnumDevice is
// __cdecl; records come by value; the constructor returns its object. The
// caller's object, whatever room it has, holds one pointer: the SimDevice.
#include "devicemanager.h"

#include <new>

#if defined(__i386__)
#define SIM_THISCALL __attribute__((thiscall))
#else
#define SIM_THISCALL
#endif

namespace {

velsim::SimDevice*& Device(void* pObject) {
    return *static_cast<velsim::SimDevice**>(pObject);
}

} // namespace

extern "C" {

SIM_THISCALL void* VelSim_Construct(void* pObject) {
    Device(pObject) = new velsim::SimDevice;
    return pObject;
}

SIM_THISCALL void VelSim_Destruct(void* pObject) {
    delete Device(pObject);
    Device(pObject) = nullptr;
}

void VelSim_EnumDevice(_VEL_DEVICE_INFO* pInfo) {
    velsim::SimDevice::EnumDevice(pInfo);
}

SIM_THISCALL void VelSim_OpenDevice(void* pObject, VEL_WCHAR* pDevicePath) {
    Device(pObject)->OpenDevice(pDevicePath);
}

SIM_THISCALL void VelSim_CloseDevice(void* pObject) {
    Device(pObject)->CloseDevice();
}

SIM_THISCALL bool VelSim_GetDriverConfig(void* pObject, _VEL_DEVICE_CONFIG* pConfig) {
    return Device(pObject)->GetDriverConfig(pConfig);
}

SIM_THISCALL bool VelSim_SetDriverConfig(void* pObject, _VEL_DEVICE_CONFIG config) {
    return Device(pObject)->SetDriverConfig(config);
}

SIM_THISCALL unsigned char VelSim_GetOutPutMode(void* pObject, unsigned char* pType,
                                                unsigned char* pMode, unsigned char* pEnable) {
    return Device(pObject)->GetOutPutMode(pType, pMode, pEnable);
}

SIM_THISCALL unsigned char VelSim_ChangeOutPutMode(void* pObject, char mode) {
    return Device(pObject)->ChangeOutPutMode(mode);
}

SIM_THISCALL int VelSim_ResetCalibParam(void* pObject) {
    return Device(pObject)->ResetCalibParam();
}

SIM_THISCALL int VelSim_ApplyCalibParam_hd(void* pObject, _VEL_CALIB_PARAM_HD param) {
    return Device(pObject)->ApplyCalibParam_hd(param);
}

SIM_THISCALL int VelSim_ApplyCalibParam(void* pObject, _VEL_CALIB_PARAM param) {
    return Device(pObject)->ApplyCalibParam(param);
}

SIM_THISCALL void VelSim_StartCalibMode(void* pObject) {
    Device(pObject)->StartCalibMode();
}

SIM_THISCALL void VelSim_StopCalibMode(void* pObject) {
    Device(pObject)->StopCalibMode();
}

SIM_THISCALL void VelSim_RegDataCallback(void* pObject, VEL_DATA_CALLBACK pCallback,
                                         void* pContext) {
    Device(pObject)->RegDataCallback(pCallback, pContext);
}

SIM_THISCALL void VelSim_UnRegDataCallback(void* pObject) {
    Device(pObject)->UnRegDataCallback();
}

} // extern "C"
