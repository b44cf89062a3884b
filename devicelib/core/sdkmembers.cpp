#include "sdkmembers.h"

#include "Vel_DeviceManager_exports.h"

namespace velsdk {

// A row: the member's name, its declaration, its x64 and x86 names.
#define VEL_MEMBER(id, name, declaration)                                                          \
    { name, declaration, VEL_SDK_X64_##id, VEL_SDK_X86_##id, nullptr }

const MemberNames kMembers[kMemberCount] = {
    VEL_MEMBER(CONSTRUCTOR, "Vel_DeviceManager", "Vel_DeviceManager()"),
    VEL_MEMBER(DESTRUCTOR, "~Vel_DeviceManager", "~Vel_DeviceManager()"),
    VEL_MEMBER(ENUMDEVICE, "EnumDevice", "static void EnumDevice(_VEL_DEVICE_INFO*)"),
    VEL_MEMBER(OPENDEVICE, "OpenDevice", "void OpenDevice(wchar_t*)"),
    VEL_MEMBER(CLOSEDEVICE, "CloseDevice", "void CloseDevice()"),
    VEL_MEMBER(GETDRIVERCONFIG, "GetDriverConfig", "bool GetDriverConfig(_VEL_DEVICE_CONFIG*)"),
    VEL_MEMBER(SETDRIVERCONFIG, "SetDriverConfig", "bool SetDriverConfig(_VEL_DEVICE_CONFIG)"),
    VEL_MEMBER(GETOUTPUTMODE, "GetOutPutMode",
               "unsigned char GetOutPutMode(unsigned char*, unsigned char*, unsigned char*)"),
    VEL_MEMBER(CHANGEOUTPUTMODE, "ChangeOutPutMode", "unsigned char ChangeOutPutMode(char)"),
    VEL_MEMBER(RESETCALIBPARAM, "ResetCalibParam", "int ResetCalibParam()"),
    VEL_MEMBER(APPLYCALIBPARAM_HD, "ApplyCalibParam_hd",
               "int ApplyCalibParam_hd(_VEL_CALIB_PARAM_HD)"),
    VEL_MEMBER(APPLYCALIBPARAM, "ApplyCalibParam", "int ApplyCalibParam(_VEL_CALIB_PARAM)"),
    VEL_MEMBER(STARTCALIBMODE, "StartCalibMode", "void StartCalibMode()"),
    VEL_MEMBER(STOPCALIBMODE, "StopCalibMode", "void StopCalibMode()"),
    {"RegDataCallback",
     "void RegDataCallback(void (*)(const unsigned char*, unsigned char, void*), void*)",
     VEL_SDK_X64_REGDATACALLBACK, VEL_SDK_X86_REGDATACALLBACK, VEL_SDK_X86_REGDATACALLBACK_CDECL},
    VEL_MEMBER(UNREGDATACALLBACK, "UnRegDataCallback", "void UnRegDataCallback()"),
};

#undef VEL_MEMBER

const char* ArchName(Arch arch) {
    switch (arch) {
    case Arch::X64:
        return "64-bit (x64)";
    case Arch::X86:
        return "32-bit (x86)";
    case Arch::Other:
        break;
    }
    return "of another architecture";
}

const char* ExportName(Member member, Arch arch) {
    switch (arch) {
    case Arch::X64:
        return kMembers[member].x64;
    case Arch::X86:
        return kMembers[member].x86;
    case Arch::Other:
        break;
    }
    return nullptr;
}

} // namespace velsdk
