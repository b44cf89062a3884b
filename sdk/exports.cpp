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

SIM_THISCALL void* VelSim_Constructor(void* pObject) {
    Device(pObject) = new velsim::SimDevice;
    return pObject;
}

SIM_THISCALL void VelSim_Destructor(void* pObject) {
    delete Device(pObject);
    Device(pObject) = nullptr;
}

void VelSim_EnumDevice(_VEL_DEVICE_INFO* pInfo) {
    velsim::SimDevice::EnumDevice(pInfo);
}

// VelSim_OpenDevice ... VelSim_UnRegDataCallback: the object's member.
#define SIM_PARAMS_CALL(params) (void* pObject, VEL_SDK_UNPAREN params)
#define SIM_PARAMS_CALL0(params) (void* pObject)
#define SIM_PARAMS_CALLBACK SIM_PARAMS_CALL
#define SIM_EXPORT_CTOR(...)
#define SIM_EXPORT_DTOR(...)
#define SIM_EXPORT_STATIC(...)
#define SIM_EXPORT_CALL(kind, name, result, params, args)                                          \
    SIM_THISCALL result VelSim_##name SIM_PARAMS_##kind(params) {                                  \
        return Device(pObject)->name args;                                                         \
    }
#define SIM_EXPORT_CALL0 SIM_EXPORT_CALL
#define SIM_EXPORT_CALLBACK SIM_EXPORT_CALL
#define SIM_EXPORT(kind, name, result, params, args, x64, x86)                                     \
    SIM_EXPORT_##kind(kind, name, result, params, args)

VEL_DEVICE_MANAGER_MEMBERS(SIM_EXPORT)

} // extern "C"
