// Whether the tools can use a device library, decided from what its file
// exports, and the words that tell a user why not.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "pefile.h"
#include "sdkmembers.h"

namespace velsdk {

// The room the tools allocate for one library object, whose size only the
// library knows: 64 KiB, five times the largest record of the interface
// (_VEL_DEVICE_INFO, 12,484 bytes, which a library may keep a copy of) and
// 256 times the room the tools once gave. Its last kWatchedRoom bytes are
// filled with a pattern before the constructor runs and looked at after the
// destructor: an object that reached them is reported as too large, while
// its writes still fell inside the tools' own allocation.
constexpr size_t kObjectRoom = 64 * 1024;
constexpr size_t kWatchedRoom = 16 * 1024;

// The convention of the data callback that RegDataCallback takes.
enum class Callback {
    Missing, // no RegDataCallback under any of the names
    Single,  // x64: one convention
    Stdcall, // x86: the tools' own callbacks go to it as they are
    Cdecl,   // x86: the tools relay each report to their __stdcall callbacks
    Both     // x86: both forms exported; the __stdcall one is used
};

// The library's members under the names of its own architecture.
struct Inspection {
    Arch arch = Arch::Other;
    bool library = false;
    std::vector<const char*> found; // per Member: the name it exports, or nullptr
    Callback callback = Callback::Missing;
    bool gccNames = false; // exports Vel_DeviceManager under GCC's names instead

    // Every member found (whatever the architecture).
    bool Complete() const;
    // The members missing, in the interface's order.
    std::vector<Member> Missing() const;
    // Complete, a library, and of the tools' architecture.
    bool UsableBy(Arch tools) const { return library && arch == tools && Complete(); }
};

Inspection Inspect(const PeFile& file);

// velctl check-sdk's report of a file it could read.
std::string InspectionText(const std::string& path, const Inspection& inspection, Arch tools);

// velctl check-sdk's report of a file's bytes; bUsable: the tools of that
// architecture can use it.
std::string CheckFileText(const std::string& path, const uint8_t* pData, size_t nSize, Arch tools,
                          bool& bUsable);

// Why the tools cannot use the device library, as they find out before the
// first device call.
enum class Problem {
    None,
    NotFound,          // no SDK.dll in the folder
    NotALibrary,       // not a Windows library, or damaged (detail: why)
    OtherArchitecture, // of the other architecture (found: which)
    MissingMembers,    // lacks members (missing: which)
    LoadFailed,        // Windows would not load it (detail: its error)
    BadConstructor,    // its constructor did not return its object
    ObjectTooLarge     // its object used more than the room the tools give it
};

struct ProblemReport {
    Problem problem = Problem::None;
    std::string path;    // the SDK.dll looked for
    std::string folder;  // its folder, with a trailing backslash
    std::string program; // "VelApp.exe", "VelCalib.dll", "velctl.exe"
    Arch tools = kToolsArch;
    Arch found = Arch::Other;
    std::vector<Member> missing;
    std::string detail;
};

// The message for the user: what is wrong, with the file, the architecture
// or the members it concerns, and what to do.
std::string ProblemText(const ProblemReport& report);

} // namespace velsdk
