// The members of Vel_DeviceManager that the tools call, and the names under
// which a device library built with the platform's compiler exports them.
#pragma once

#include <cstddef>

#include "Vel_DeviceManager_exports.h"

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

// Indexes into kMembers, in the order of the interface: kConstructor,
// kDestructor, kEnumDevice, kOpenDevice, ..., kUnRegDataCallback.
enum Member {
#define VEL_MEMBER_INDEX(kind, name, result, params, args, x64, x86) k##name,
    VEL_DEVICE_MANAGER_MEMBERS(VEL_MEMBER_INDEX)
#undef VEL_MEMBER_INDEX
        kMemberCount
};

struct MemberNames {
    const char* name; // "GetDriverConfig", "~Vel_DeviceManager"
    const char* x64;
    const char* x86; // RegDataCallback: with a __stdcall callback
};

extern const MemberNames kMembers[kMemberCount];

// The member's name for an architecture (nullptr for Arch::Other); on x86
// RegDataCallback's __stdcall form.
const char* ExportName(Member member, Arch arch);

// The second name a library may export the member under for the same call
// (nullptr: none): on x86 RegDataCallback with a __cdecl callback, and
// OpenDevice from a library whose wchar_t is unsigned short.
const char* SecondName(Member member, Arch arch);

} // namespace velsdk
