// Device-access interface of the touch screen library (SDK.dll).
//
// The control panel, the calibration library and velctl reach the touch
// screen only through Vel_DeviceManager. The records below cross the DLL
// boundary by pointer or by value, so their layouts are fixed to the byte and
// checked at compile time on every toolchain.
//
// The touch screen's SDK.dll is built with the platform's own compiler and
// exports the class's members under that compiler's decorated names
// (Vel_DeviceManager_exports.h). The class declared here is the tools' side
// of it: its members, implemented in devicelib/, load SDK.dll from the
// folder of the module that calls them and call the library's members by
// those names, so code above reads as ever (new, OpenDevice, ..., delete).
#pragma once

#include <cstddef>
#include <cstdint>

#include "Vel_DeviceManager_exports.h"

#if defined(_WIN32)
#define VEL_CALLBACK __stdcall
// Device paths are UTF-16 on Windows, where wchar_t is 16 bits.
typedef wchar_t VEL_WCHAR;
#else
// Native builds only compile the interface (layout checks, windowless core).
#define VEL_CALLBACK
typedef char16_t VEL_WCHAR;
#endif

#define VEL_MAX_DEVICES 24
#define VEL_MAX_PATH 260

#pragma pack(push, 1)

// Result of EnumDevice: up to 24 NUL-terminated device paths and their count.
typedef struct _VEL_DEVICE_INFO {
    VEL_WCHAR devicePath[VEL_MAX_DEVICES][VEL_MAX_PATH];
    int32_t deviceCount;
} VEL_DEVICE_INFO;

// Touch driver parameters as the device stores them (54 bytes, little-endian).
typedef struct _VEL_DEVICE_CONFIG {
    uint8_t touchEnable;      // 0: 1 touch on, 0 off
    uint8_t touchMode;        // 1: 0 down click, 1 up click, 2 auto, 3 multi
    uint8_t rightClickEnable; // 2: 1 emulated right click on
    uint8_t reserved3;        // 3: not interpreted, sent back as read
    uint8_t reserved4;        // 4: not interpreted, sent back as read
    uint8_t touchSmooth;      // 5: smoothing level
    int32_t rightClickTime;   // 6: hold time before a right click, ms
    int32_t rightClickArea;   // 10: right-click tolerance, 1/32767 of the screen
    int32_t touchDelay;       // 14: touch delay, ms
    int32_t touchJitter;      // 18: jitter tolerance, 1/32767 of the screen
    uint16_t touchHeight;     // 22: touch height level
    uint8_t reserved24[30];   // 24: not interpreted, sent back as read
} VEL_DEVICE_CONFIG;

// Calibration coefficients m0..m7 in 16-bit fixed point.
typedef struct _VEL_CALIB_PARAM {
    int16_t matrix[8];
} VEL_CALIB_PARAM;

// The same coefficients in single precision; enable is always 1.
typedef struct _VEL_CALIB_PARAM_HD {
    int32_t enable;
    float matrix[8];
} VEL_CALIB_PARAM_HD;

#pragma pack(pop)

static_assert(sizeof(VEL_WCHAR) == 2, "device paths are UTF-16");
static_assert(sizeof(_VEL_DEVICE_INFO) == 12484, "_VEL_DEVICE_INFO is 12484 bytes");
static_assert(offsetof(_VEL_DEVICE_INFO, deviceCount) == 12480, "deviceCount at 12480");
static_assert(sizeof(_VEL_DEVICE_CONFIG) == 54, "_VEL_DEVICE_CONFIG is 54 bytes");
static_assert(offsetof(_VEL_DEVICE_CONFIG, touchEnable) == 0, "touchEnable at 0");
static_assert(offsetof(_VEL_DEVICE_CONFIG, touchMode) == 1, "touchMode at 1");
static_assert(offsetof(_VEL_DEVICE_CONFIG, rightClickEnable) == 2, "rightClickEnable at 2");
static_assert(offsetof(_VEL_DEVICE_CONFIG, reserved3) == 3, "reserved3 at 3");
static_assert(offsetof(_VEL_DEVICE_CONFIG, reserved4) == 4, "reserved4 at 4");
static_assert(offsetof(_VEL_DEVICE_CONFIG, touchSmooth) == 5, "touchSmooth at 5");
static_assert(offsetof(_VEL_DEVICE_CONFIG, rightClickTime) == 6, "rightClickTime at 6");
static_assert(offsetof(_VEL_DEVICE_CONFIG, rightClickArea) == 10, "rightClickArea at 10");
static_assert(offsetof(_VEL_DEVICE_CONFIG, touchDelay) == 14, "touchDelay at 14");
static_assert(offsetof(_VEL_DEVICE_CONFIG, touchJitter) == 18, "touchJitter at 18");
static_assert(offsetof(_VEL_DEVICE_CONFIG, touchHeight) == 22, "touchHeight at 22");
static_assert(offsetof(_VEL_DEVICE_CONFIG, reserved24) == 24, "reserved24 at 24");
static_assert(sizeof(_VEL_CALIB_PARAM) == 16, "_VEL_CALIB_PARAM is 16 bytes");
static_assert(sizeof(_VEL_CALIB_PARAM_HD) == 36, "_VEL_CALIB_PARAM_HD is 36 bytes");
static_assert(offsetof(_VEL_CALIB_PARAM_HD, matrix) == 4, "HD matrix at 4");

// Receives each raw touch report while calibration mode is on. The result
// type is void: callers of the device library never look at a result.
typedef void(VEL_CALLBACK* VEL_DATA_CALLBACK)(const unsigned char* data, unsigned char length,
                                              void* context);

// One object handles one open device. Every operation is safe to call with no
// device open: it then fails by its result (false or 0). Without a usable
// SDK.dll (velsdk::LibraryProblem() says why) every operation fails so, and
// EnumDevice leaves the record as the caller filled it.
class Vel_DeviceManager {
public:
    Vel_DeviceManager();
    ~Vel_DeviceManager();

    // The members listed in Vel_DeviceManager_exports.h. Of what they
    // promise: EnumDevice fills a zeroed record with the count and paths of
    // the touch screens; the caller of GetOutPutMode presets *pMode to 0xFE,
    // and another value afterwards means the device has an output mode; no
    // report is delivered after UnRegDataCallback returns, also when it is
    // called from inside the callback itself.
    VEL_SDK_DECLARE_MEMBERS

private:
    Vel_DeviceManager(const Vel_DeviceManager&) = delete;
    Vel_DeviceManager& operator=(const Vel_DeviceManager&) = delete;
    friend struct VelDeviceBinding;

    // The library's object, in room the size of velsdk::kObjectRoom; null
    // without a usable library. Its bytes are the library's alone.
    void* m_pObject;
    // Registered callback and context, for a library whose callbacks are
    // __cdecl (x86): it calls a relay, which calls these.
    VEL_DATA_CALLBACK m_pCallback;
    void* m_pContext;
};
