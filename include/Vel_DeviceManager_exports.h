/* Names under which a device library (SDK.dll) exports the members of
 * Vel_DeviceManager: the decorated names of the platform's C++ compiler for
 * the class as Vel_DeviceManager.h declares it, on x64 and x86.
 *
 * x64 has one calling convention. On x86 the members are __thiscall (QAE),
 * EnumDevice is a static __cdecl member (SA), and the convention of the data
 * callback is part of RegDataCallback's name: P6G for a __stdcall callback,
 * P6A for a __cdecl one; a maker's header may say either.
 *
 * Plain C preprocessor text: the tools' binding, velctl's library check and
 * the simulator's export list (sdk/SDK.def.in) are all made from it. */
#ifndef VEL_DEVICEMANAGER_EXPORTS_H
#define VEL_DEVICEMANAGER_EXPORTS_H

/* One line a name: sdk/CMakeLists.txt reads them. */
/* clang-format off */
#define VEL_SDK_X64_CONSTRUCTOR "??0Vel_DeviceManager@@QEAA@XZ"
#define VEL_SDK_X64_DESTRUCTOR "??1Vel_DeviceManager@@QEAA@XZ"
#define VEL_SDK_X64_ENUMDEVICE "?EnumDevice@Vel_DeviceManager@@SAXPEAU_VEL_DEVICE_INFO@@@Z"
#define VEL_SDK_X64_OPENDEVICE "?OpenDevice@Vel_DeviceManager@@QEAAXPEA_W@Z"
#define VEL_SDK_X64_CLOSEDEVICE "?CloseDevice@Vel_DeviceManager@@QEAAXXZ"
#define VEL_SDK_X64_GETDRIVERCONFIG "?GetDriverConfig@Vel_DeviceManager@@QEAA_NPEAU_VEL_DEVICE_CONFIG@@@Z"
#define VEL_SDK_X64_SETDRIVERCONFIG "?SetDriverConfig@Vel_DeviceManager@@QEAA_NU_VEL_DEVICE_CONFIG@@@Z"
#define VEL_SDK_X64_GETOUTPUTMODE "?GetOutPutMode@Vel_DeviceManager@@QEAAEPEAE00@Z"
#define VEL_SDK_X64_CHANGEOUTPUTMODE "?ChangeOutPutMode@Vel_DeviceManager@@QEAAED@Z"
#define VEL_SDK_X64_RESETCALIBPARAM "?ResetCalibParam@Vel_DeviceManager@@QEAAHXZ"
#define VEL_SDK_X64_APPLYCALIBPARAM_HD "?ApplyCalibParam_hd@Vel_DeviceManager@@QEAAHU_VEL_CALIB_PARAM_HD@@@Z"
#define VEL_SDK_X64_APPLYCALIBPARAM "?ApplyCalibParam@Vel_DeviceManager@@QEAAHU_VEL_CALIB_PARAM@@@Z"
#define VEL_SDK_X64_STARTCALIBMODE "?StartCalibMode@Vel_DeviceManager@@QEAAXXZ"
#define VEL_SDK_X64_STOPCALIBMODE "?StopCalibMode@Vel_DeviceManager@@QEAAXXZ"
#define VEL_SDK_X64_REGDATACALLBACK "?RegDataCallback@Vel_DeviceManager@@QEAAXP6AXPEBEEPEAX@Z1@Z"
#define VEL_SDK_X64_UNREGDATACALLBACK "?UnRegDataCallback@Vel_DeviceManager@@QEAAXXZ"

#define VEL_SDK_X86_CONSTRUCTOR "??0Vel_DeviceManager@@QAE@XZ"
#define VEL_SDK_X86_DESTRUCTOR "??1Vel_DeviceManager@@QAE@XZ"
#define VEL_SDK_X86_ENUMDEVICE "?EnumDevice@Vel_DeviceManager@@SAXPAU_VEL_DEVICE_INFO@@@Z"
#define VEL_SDK_X86_OPENDEVICE "?OpenDevice@Vel_DeviceManager@@QAEXPA_W@Z"
#define VEL_SDK_X86_CLOSEDEVICE "?CloseDevice@Vel_DeviceManager@@QAEXXZ"
#define VEL_SDK_X86_GETDRIVERCONFIG "?GetDriverConfig@Vel_DeviceManager@@QAE_NPAU_VEL_DEVICE_CONFIG@@@Z"
#define VEL_SDK_X86_SETDRIVERCONFIG "?SetDriverConfig@Vel_DeviceManager@@QAE_NU_VEL_DEVICE_CONFIG@@@Z"
#define VEL_SDK_X86_GETOUTPUTMODE "?GetOutPutMode@Vel_DeviceManager@@QAEEPAE00@Z"
#define VEL_SDK_X86_CHANGEOUTPUTMODE "?ChangeOutPutMode@Vel_DeviceManager@@QAEED@Z"
#define VEL_SDK_X86_RESETCALIBPARAM "?ResetCalibParam@Vel_DeviceManager@@QAEHXZ"
#define VEL_SDK_X86_APPLYCALIBPARAM_HD "?ApplyCalibParam_hd@Vel_DeviceManager@@QAEHU_VEL_CALIB_PARAM_HD@@@Z"
#define VEL_SDK_X86_APPLYCALIBPARAM "?ApplyCalibParam@Vel_DeviceManager@@QAEHU_VEL_CALIB_PARAM@@@Z"
#define VEL_SDK_X86_STARTCALIBMODE "?StartCalibMode@Vel_DeviceManager@@QAEXXZ"
#define VEL_SDK_X86_STOPCALIBMODE "?StopCalibMode@Vel_DeviceManager@@QAEXXZ"
/* With a __stdcall callback (VEL_CALLBACK), and with a __cdecl one. */
#define VEL_SDK_X86_REGDATACALLBACK "?RegDataCallback@Vel_DeviceManager@@QAEXP6GXPBEEPAX@Z1@Z"
#define VEL_SDK_X86_REGDATACALLBACK_CDECL "?RegDataCallback@Vel_DeviceManager@@QAEXP6AXPBEEPAX@Z1@Z"
#define VEL_SDK_X86_UNREGDATACALLBACK "?UnRegDataCallback@Vel_DeviceManager@@QAEXXZ"
/* clang-format on */

/* The name of a member for the architecture being compiled. */
#if defined(_WIN64) || defined(__x86_64__)
#define VEL_SDK_NAME(member) VEL_SDK_X64_##member
#else
#define VEL_SDK_NAME(member) VEL_SDK_X86_##member
#endif

#endif
