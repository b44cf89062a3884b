// Vel_DeviceManager as the tools see it, over the library's own class.
//
// SDK.dll is resolved at run time rather than imported: a program that
// imports a missing or foreign library never starts (the loader shows its
// own box), and on x86 the data callback's convention is part of one
// member's name, of which a library exports only one form. At run time the
// tools name the file, the architecture or the member that is wrong, and
// take either form.
#include "devicelib.h"

#include <windows.h>

#include <atomic>
#include <cstring>
#include <cwchar>
#include <new>
#include <vector>

#include "Vel_DeviceManager.h"
#include "pefile.h"
#include "sdkcheck.h"
#include "systemerror.h"
#include "utf8.h"
#include "sdkmembers.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

using velsdk::Member;
using velsdk::Problem;
using velsdk::SystemErrorText;
using velsdk::Utf8;
using velsdk::Wide;

// The conventions of the platform's compiler: on x86 members are __thiscall
// (this in ECX, the callee removes the arguments), static members and the
// second form of the data callback __cdecl; x64 has one convention, which
// passes `this` first. Records go by value as the C++ declarations say, and
// the constructor returns its object.
#if defined(__i386__)
#define VEL_THISCALL __attribute__((thiscall))
#define VEL_CDECL __attribute__((cdecl))
#else
#define VEL_THISCALL
#define VEL_CDECL
#endif

struct VelDeviceBinding {
    typedef void*(VEL_THISCALL* Construct)(void*);
    typedef void(VEL_THISCALL* Destruct)(void*);
    typedef void(VEL_CDECL* EnumDevice)(_VEL_DEVICE_INFO*);
    typedef void(VEL_THISCALL* RegDataCallback)(void*, VEL_DATA_CALLBACK, void*);
    typedef void(VEL_CDECL* CdeclCallback)(const unsigned char*, unsigned char, void*);
    typedef void(VEL_THISCALL* RegCdeclCallback)(void*, CdeclCallback, void*);

    // A __cdecl library's reports, to the caller's __stdcall callback.
    static void VEL_CDECL Relay(const unsigned char* data, unsigned char length, void* context) {
        const Vel_DeviceManager* pDevice = static_cast<const Vel_DeviceManager*>(context);
        if (pDevice->m_pCallback != nullptr)
            pDevice->m_pCallback(data, length, pDevice->m_pContext);
    }
};

namespace {

// What the room's watched end is filled with before a constructor runs.
const unsigned char kRoomPattern = 0xA5;

// "Windows error 126: The specified module could not be found."
std::string ErrorText(DWORD error) {
    const std::wstring text = SystemErrorText(error);
    return "Windows error " + std::to_string(error) + (text.empty() ? "" : ": " + Utf8(text));
}

// The full path of the module this code is linked into.
std::wstring ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), buffer.data(),
                                             static_cast<DWORD>(buffer.size()));
        if (n < buffer.size())
            return std::wstring(buffer.data(), n);
        if (buffer.size() >= 32768)
            return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

// The first bytes of a file: enough for its headers.
bool ReadHead(const std::wstring& path, std::vector<uint8_t>& bytes, DWORD& error) {
    HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return false;
    }
    bytes.resize(64 * 1024);
    DWORD read = 0;
    const BOOL bRead =
        ::ReadFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    error = ::GetLastError();
    ::CloseHandle(hFile);
    bytes.resize(bRead ? read : 0);
    return bRead != FALSE;
}

struct Library {
    velsdk::ProblemReport report;
    HMODULE hModule = nullptr;
    void* members[velsdk::kMemberCount] = {};
    bool cdeclCallback = false; // x86: RegDataCallback takes a __cdecl callback
};

// The SDK.dll this module uses: the one in its own folder.
std::wstring SdkPath(const std::wstring& module) {
    const size_t slash = module.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? L"" : module.substr(0, slash + 1)) + L"SDK.dll";
}

// Finds, checks and loads SDK.dll beside this module; the report says what
// stood in the way.
void Load(Library& lib) {
    velsdk::ProblemReport& report = lib.report;
    const std::wstring module = ModulePath();
    const std::wstring path = SdkPath(module);
    const std::wstring folder = path.substr(0, path.size() - std::wcslen(L"SDK.dll"));
    report.path = Utf8(path);
    report.folder = Utf8(folder);
    report.program = Utf8(module.substr(folder.size()));

    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        report.problem = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                             ? Problem::NotFound
                             : Problem::LoadFailed;
        report.detail = ErrorText(error);
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        report.problem = Problem::NotALibrary;
        report.detail = "it is a folder";
        return;
    }
    std::vector<uint8_t> head;
    DWORD error = 0;
    if (!ReadHead(path, head, error)) {
        report.problem = Problem::LoadFailed;
        report.detail = ErrorText(error);
        return;
    }
    velsdk::PeFile file;
    const std::string why = velsdk::ReadPeFile(head.data(), head.size(), file, true);
    if (!why.empty() || !file.library) {
        report.problem = Problem::NotALibrary;
        report.detail = why.empty() ? "it is a program, not a library" : why;
        return;
    }
    report.found = velsdk::MachineArch(file.machine);
    if (report.found != velsdk::kToolsArch) {
        report.problem = Problem::OtherArchitecture;
        return;
    }

    // With a full path, the library's own dependencies are looked for in its
    // folder first.
    lib.hModule = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (lib.hModule == nullptr) {
        report.problem = Problem::LoadFailed;
        report.detail = ErrorText(::GetLastError());
        return;
    }
    for (int m = 0; m < velsdk::kMemberCount; ++m) {
        const Member member = static_cast<Member>(m);
        lib.members[m] = reinterpret_cast<void*>(
            ::GetProcAddress(lib.hModule, velsdk::ExportName(member, velsdk::kToolsArch)));
        // The second name is the same call, but for RegDataCallback on x86,
        // whose callback is then __cdecl.
        const char* second = velsdk::SecondName(member, velsdk::kToolsArch);
        if (lib.members[m] == nullptr && second != nullptr) {
            lib.members[m] = reinterpret_cast<void*>(::GetProcAddress(lib.hModule, second));
            lib.cdeclCallback = lib.cdeclCallback ||
                                (member == velsdk::kRegDataCallback && lib.members[m] != nullptr);
        }
        if (lib.members[m] == nullptr)
            report.missing.push_back(member);
    }
    if (!report.missing.empty()) {
        report.problem = Problem::MissingMembers;
        ::FreeLibrary(lib.hModule);
        lib.hModule = nullptr;
    }
}

const Library& TheLibrary() {
    static const Library lib = [] {
        Library loaded;
        Load(loaded);
        if (loaded.report.problem != Problem::None)
            ::OutputDebugStringW(Wide(velsdk::ProblemText(loaded.report) + "\n").c_str());
        return loaded;
    }();
    return lib;
}

// A fault that shows only once an object lived: the tools stop using the
// library from then on.
std::atomic<Problem> g_lateProblem{Problem::None};

void MarkLate(Problem problem) {
    Problem none = Problem::None;
    if (g_lateProblem.compare_exchange_strong(none, problem)) {
        velsdk::ProblemReport report = TheLibrary().report;
        report.problem = problem;
        ::OutputDebugStringW(Wide(velsdk::ProblemText(report) + "\n").c_str());
    }
}

bool Usable() {
    return TheLibrary().report.problem == Problem::None && g_lateProblem.load() == Problem::None;
}

// An object of a library still in use.
bool Ready(const void* pObject) {
    return pObject != nullptr && Usable();
}

template <class F> F Fn(Member member) {
    return reinterpret_cast<F>(TheLibrary().members[member]);
}

} // namespace

namespace velsdk {

std::wstring LibraryPath() {
    return SdkPath(ModulePath());
}

std::wstring LateProblem() {
    return g_lateProblem.load() == Problem::None ? std::wstring() : LibraryProblem();
}

std::wstring LibraryProblem() {
    ProblemReport report = TheLibrary().report;
    if (report.problem == Problem::None)
        report.problem = g_lateProblem.load();
    return Wide(ProblemText(report));
}

} // namespace velsdk

using B = VelDeviceBinding;

Vel_DeviceManager::Vel_DeviceManager()
    : m_pObject(nullptr), m_pCallback(nullptr), m_pContext(nullptr) {
    if (!Usable())
        return;
    void* pRoom = ::operator new(velsdk::kObjectRoom, std::nothrow);
    if (pRoom == nullptr)
        return;
    std::memset(static_cast<unsigned char*>(pRoom) + velsdk::kObjectRoom - velsdk::kWatchedRoom,
                kRoomPattern, velsdk::kWatchedRoom);
    void* pObject = Fn<B::Construct>(velsdk::kConstructor)(pRoom);
    m_pObject = pRoom;
    if (pObject != pRoom)
        MarkLate(Problem::BadConstructor);
}

// The object is destroyed as it was made, also after a late fault.
Vel_DeviceManager::~Vel_DeviceManager() {
    if (m_pObject == nullptr)
        return;
    Fn<B::Destruct>(velsdk::kDestructor)(m_pObject);
    const unsigned char* pWatched =
        static_cast<const unsigned char*>(m_pObject) + velsdk::kObjectRoom - velsdk::kWatchedRoom;
    for (size_t i = 0; i < velsdk::kWatchedRoom; ++i) {
        if (pWatched[i] != kRoomPattern) {
            MarkLate(Problem::ObjectTooLarge);
            break;
        }
    }
    ::operator delete(m_pObject);
}

void Vel_DeviceManager::EnumDevice(_VEL_DEVICE_INFO* pInfo) {
    if (Usable())
        Fn<B::EnumDevice>(velsdk::kEnumDevice)(pInfo);
}

// The members with arguments and without: the library's, on an object of a
// library still in use; else they fail by their result (false, 0).
#define VEL_THIS_PARAMS_CALL(params) (void* pThis, VEL_SDK_UNPAREN params)
#define VEL_THIS_PARAMS_CALL0(params) (void* pThis)
#define VEL_THIS_ARGS_CALL(args) (m_pObject, VEL_SDK_UNPAREN args)
#define VEL_THIS_ARGS_CALL0(args) (m_pObject)
#define VEL_BIND_CTOR(...)
#define VEL_BIND_DTOR(...)
#define VEL_BIND_STATIC(...)
#define VEL_BIND_CALLBACK(...)
#define VEL_BIND_CALL(kind, name, result, params, args)                                            \
    result Vel_DeviceManager::name params {                                                        \
        typedef result Result;                                                                     \
        typedef Result(VEL_THISCALL* MemberFn) VEL_THIS_PARAMS_##kind(params);                     \
        return Ready(m_pObject) ? Fn<MemberFn>(velsdk::k##name) VEL_THIS_ARGS_##kind(args)         \
                                : Result();                                                        \
    }
#define VEL_BIND_CALL0 VEL_BIND_CALL
#define VEL_BIND(kind, name, result, params, args, x64, x86)                                       \
    VEL_BIND_##kind(kind, name, result, params, args)

VEL_DEVICE_MANAGER_MEMBERS(VEL_BIND)

// The caller's callback and context are in place before the library can
// deliver a report of this registration.
void Vel_DeviceManager::RegDataCallback(VEL_DATA_CALLBACK pCallback, void* pContext) {
    if (!Ready(m_pObject))
        return;
    if (TheLibrary().cdeclCallback) {
        m_pCallback = pCallback;
        m_pContext = pContext;
        Fn<B::RegCdeclCallback>(velsdk::kRegDataCallback)(
            m_pObject, pCallback != nullptr ? &B::Relay : nullptr, this);
        return;
    }
    Fn<B::RegDataCallback>(velsdk::kRegDataCallback)(m_pObject, pCallback, pContext);
}
