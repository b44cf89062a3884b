/* The members of Vel_DeviceManager, once: their kind, name, result,
 * parameters, and the names under which a device library built with the
 * platform's own C++ compiler exports them, on x64 and on x86.
 *
 * x64 has one calling convention. On x86 the members are __thiscall (QAE),
 * EnumDevice is a static __cdecl member (SA), and the convention of the data
 * callback is part of RegDataCallback's name: P6G for a __stdcall callback
 * (below), P6A for a __cdecl one (VEL_SDK_X86_REGDATACALLBACK_CDECL); a
 * maker's header may say either.
 *
 * Plain C preprocessor text. Everything that lists the members is made from
 * it: the class in Vel_DeviceManager.h, the tools' binding and library check
 * (devicelib/), and the simulator's class, exports and export list (sdk/,
 * whose CMakeLists.txt also reads the quoted names of each row).
 *
 * A row: X(KIND, Name, Result, (parameters), (arguments), x64 name, x86 name)
 *   CTOR, DTOR  the constructor (which returns its object) and destructor
 *   STATIC      a static member
 *   CALL        a member with arguments; CALL0 one without
 *   CALLBACK    RegDataCallback, whose x86 form depends on the callback */
#ifndef VEL_DEVICEMANAGER_EXPORTS_H
#define VEL_DEVICEMANAGER_EXPORTS_H

/* clang-format off */
#define VEL_DEVICE_MANAGER_MEMBERS(X) \
  X(CTOR, Constructor, void*, (), (), \
    "??0Vel_DeviceManager@@QEAA@XZ", "??0Vel_DeviceManager@@QAE@XZ") \
  X(DTOR, Destructor, void, (), (), \
    "??1Vel_DeviceManager@@QEAA@XZ", "??1Vel_DeviceManager@@QAE@XZ") \
  X(STATIC, EnumDevice, void, (_VEL_DEVICE_INFO* pInfo), (pInfo), \
    "?EnumDevice@Vel_DeviceManager@@SAXPEAU_VEL_DEVICE_INFO@@@Z", "?EnumDevice@Vel_DeviceManager@@SAXPAU_VEL_DEVICE_INFO@@@Z") \
  X(CALL, OpenDevice, void, (VEL_WCHAR* pDevicePath), (pDevicePath), \
    "?OpenDevice@Vel_DeviceManager@@QEAAXPEA_W@Z", "?OpenDevice@Vel_DeviceManager@@QAEXPA_W@Z") \
  X(CALL0, CloseDevice, void, (), (), \
    "?CloseDevice@Vel_DeviceManager@@QEAAXXZ", "?CloseDevice@Vel_DeviceManager@@QAEXXZ") \
  X(CALL, GetDriverConfig, bool, (_VEL_DEVICE_CONFIG* pConfig), (pConfig), \
    "?GetDriverConfig@Vel_DeviceManager@@QEAA_NPEAU_VEL_DEVICE_CONFIG@@@Z", "?GetDriverConfig@Vel_DeviceManager@@QAE_NPAU_VEL_DEVICE_CONFIG@@@Z") \
  X(CALL, SetDriverConfig, bool, (_VEL_DEVICE_CONFIG config), (config), \
    "?SetDriverConfig@Vel_DeviceManager@@QEAA_NU_VEL_DEVICE_CONFIG@@@Z", "?SetDriverConfig@Vel_DeviceManager@@QAE_NU_VEL_DEVICE_CONFIG@@@Z") \
  X(CALL, GetOutPutMode, unsigned char, (unsigned char* pType, unsigned char* pMode, unsigned char* pEnable), (pType, pMode, pEnable), \
    "?GetOutPutMode@Vel_DeviceManager@@QEAAEPEAE00@Z", "?GetOutPutMode@Vel_DeviceManager@@QAEEPAE00@Z") \
  X(CALL, ChangeOutPutMode, unsigned char, (char mode), (mode), \
    "?ChangeOutPutMode@Vel_DeviceManager@@QEAAED@Z", "?ChangeOutPutMode@Vel_DeviceManager@@QAEED@Z") \
  X(CALL0, ResetCalibParam, int, (), (), \
    "?ResetCalibParam@Vel_DeviceManager@@QEAAHXZ", "?ResetCalibParam@Vel_DeviceManager@@QAEHXZ") \
  X(CALL, ApplyCalibParam_hd, int, (_VEL_CALIB_PARAM_HD param), (param), \
    "?ApplyCalibParam_hd@Vel_DeviceManager@@QEAAHU_VEL_CALIB_PARAM_HD@@@Z", "?ApplyCalibParam_hd@Vel_DeviceManager@@QAEHU_VEL_CALIB_PARAM_HD@@@Z") \
  X(CALL, ApplyCalibParam, int, (_VEL_CALIB_PARAM param), (param), \
    "?ApplyCalibParam@Vel_DeviceManager@@QEAAHU_VEL_CALIB_PARAM@@@Z", "?ApplyCalibParam@Vel_DeviceManager@@QAEHU_VEL_CALIB_PARAM@@@Z") \
  X(CALL0, StartCalibMode, void, (), (), \
    "?StartCalibMode@Vel_DeviceManager@@QEAAXXZ", "?StartCalibMode@Vel_DeviceManager@@QAEXXZ") \
  X(CALL0, StopCalibMode, void, (), (), \
    "?StopCalibMode@Vel_DeviceManager@@QEAAXXZ", "?StopCalibMode@Vel_DeviceManager@@QAEXXZ") \
  X(CALLBACK, RegDataCallback, void, (VEL_DATA_CALLBACK pCallback, void* pContext), (pCallback, pContext), \
    "?RegDataCallback@Vel_DeviceManager@@QEAAXP6AXPEBEEPEAX@Z1@Z", "?RegDataCallback@Vel_DeviceManager@@QAEXP6GXPBEEPAX@Z1@Z") \
  X(CALL0, UnRegDataCallback, void, (), (), \
    "?UnRegDataCallback@Vel_DeviceManager@@QEAAXXZ", "?UnRegDataCallback@Vel_DeviceManager@@QAEXXZ")

/* Second names a library may export a member under, for the same call:
 * RegDataCallback with a __cdecl callback (x86), and OpenDevice from a
 * library built with wchar_t as unsigned short. */
#define VEL_SDK_X86_REGDATACALLBACK_CDECL "?RegDataCallback@Vel_DeviceManager@@QAEXP6AXPBEEPAX@Z1@Z"
#define VEL_SDK_X64_OPENDEVICE_USHORT "?OpenDevice@Vel_DeviceManager@@QEAAXPEAG@Z"
#define VEL_SDK_X86_OPENDEVICE_USHORT "?OpenDevice@Vel_DeviceManager@@QAEXPAG@Z"
/* clang-format on */

/* Of a row's two names, the one for the architecture being compiled. */
#if defined(_WIN64) || defined(__x86_64__)
#define VEL_SDK_ARCH_NAME(x64, x86) x64
#else
#define VEL_SDK_ARCH_NAME(x64, x86) x86
#endif

/* Helpers for expanding rows: a parameter or argument list without its
 * parentheses, and the kinds that declare a member of the class. */
#define VEL_SDK_UNPAREN(...) __VA_ARGS__
#define VEL_SDK_IF_MEMBER_CTOR(...)
#define VEL_SDK_IF_MEMBER_DTOR(...)
#define VEL_SDK_IF_MEMBER_STATIC(...) static __VA_ARGS__
#define VEL_SDK_IF_MEMBER_CALL(...) __VA_ARGS__
#define VEL_SDK_IF_MEMBER_CALL0(...) __VA_ARGS__
#define VEL_SDK_IF_MEMBER_CALLBACK(...) __VA_ARGS__

/* Declares the class's members (all but constructor and destructor) inside
 * a class definition. */
#define VEL_SDK_DECLARE_MEMBER(kind, name, result, params, args, x64, x86)                         \
    VEL_SDK_IF_MEMBER_##kind(result name params;)
#define VEL_SDK_DECLARE_MEMBERS VEL_DEVICE_MANAGER_MEMBERS(VEL_SDK_DECLARE_MEMBER)

#endif
