// The members of Vel_DeviceManager that the tools call, and the names under
// which a device library built with the platform's compiler exports them.
#pragma once

#include <cstddef>

namespace velsdk {

// An architecture of Windows programs and libraries.
enum class Arch { X64, X86, Other };

// "64-bit (x64)", "32-bit (x86)" or "of another architecture".
const char* ArchName(Arch arch);

// The architecture this code is compiled for.
#if defined(_WIN64) || defined(__x86_64__)
constexpr Arch kToolsArch = Arch::X64;
#else
constexpr Arch kToolsArch = Arch::X86;
#endif

// Indexes into kMembers, in the order of the interface.
enum Member {
    kConstructor,
    kDestructor,
    kEnumDevice,
    kOpenDevice,
    kCloseDevice,
    kGetDriverConfig,
    kSetDriverConfig,
    kGetOutPutMode,
    kChangeOutPutMode,
    kResetCalibParam,
    kApplyCalibParamHd,
    kApplyCalibParam,
    kStartCalibMode,
    kStopCalibMode,
    kRegDataCallback,
    kUnRegDataCallback,
    kMemberCount
};

struct MemberNames {
    const char* name;        // "GetDriverConfig"
    const char* declaration; // as the interface declares it
    const char* x64;
    const char* x86; // RegDataCallback: with a __stdcall callback
    // RegDataCallback only: the x86 name with a __cdecl callback; else nullptr.
    const char* x86Cdecl;
};

extern const MemberNames kMembers[kMemberCount];

// The member's name for an architecture (nullptr for Arch::Other); on x86
// RegDataCallback's __stdcall form.
const char* ExportName(Member member, Arch arch);

} // namespace velsdk
