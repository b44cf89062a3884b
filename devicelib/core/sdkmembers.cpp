#include "sdkmembers.h"

#include "Vel_DeviceManager_exports.h"

namespace velsdk {

// A member's name as a report shows it.
#define VEL_MEMBER_NAME_CTOR(name) "Vel_DeviceManager"
#define VEL_MEMBER_NAME_DTOR(name) "~Vel_DeviceManager"
#define VEL_MEMBER_NAME_STATIC(name) #name
#define VEL_MEMBER_NAME_CALL(name) #name
#define VEL_MEMBER_NAME_CALL0(name) #name
#define VEL_MEMBER_NAME_CALLBACK(name) #name
#define VEL_MEMBER_ROW(kind, name, result, params, args, x64, x86)                                 \
    {VEL_MEMBER_NAME_##kind(name), x64, x86},

const MemberNames kMembers[kMemberCount] = {VEL_DEVICE_MANAGER_MEMBERS(VEL_MEMBER_ROW)};

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

const char* SecondName(Member member, Arch arch) {
    if (member == kOpenDevice && arch == Arch::X64)
        return VEL_SDK_X64_OPENDEVICE_USHORT;
    if (member == kOpenDevice && arch == Arch::X86)
        return VEL_SDK_X86_OPENDEVICE_USHORT;
    if (member == kRegDataCallback && arch == Arch::X86)
        return VEL_SDK_X86_REGDATACALLBACK_CDECL;
    return nullptr;
}

} // namespace velsdk
