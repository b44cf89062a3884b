// VelCalib.dll as a delayed import (see calibbinding.h).
//
// The program links a delay-import library of VelCalib.dll: the imports of
// StartCalibrate and StartCalibrateEx are resolved by the C runtime's
// delay-load helper at the first call of each.
// Left to itself the helper would load the library by its bare name, through
// the search path (the current folder and PATH among it); its notification
// hook below hands it the library that CalibLibraryProblem() loaded by full
// path instead, and Calib calls either only after that succeeded.
#include "calibbinding.h"

#include <windows.h>

#include <delayimp.h>

#include <vector>

#include "afxwin.h"
#include "resource.h"
#include "systemerror.h"
#include "velversion.h"

namespace {

const wchar_t kLibraryFile[] = L"VelCalib.dll";

// The library loaded from the program's folder; null until a load succeeded.
HMODULE g_hCalibLibrary = nullptr;

// The full path of this program.
std::wstring ProgramPath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size() || buffer.size() >= 32768)
            return std::wstring(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

// Why Windows would not load the library, for the message.
std::wstring LoadFailure(DWORD error, const std::wstring& strArch) {
    switch (error) {
    case ERROR_BAD_EXE_FORMAT: // not a program or library, or of the other architecture
    case ERROR_BAD_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
    case ERROR_INVALID_EXE_SIGNATURE:
        return FormatString(IDS_CALIB_NOT_A_LIBRARY, {strArch});
    default:
        break;
    }
    return FormatString(IDS_CALIB_WINDOWS_ERROR,
                        {std::to_wstring(error), velsdk::SystemErrorText(error)});
}

// The delay-load helper asks here before it loads a library itself.
FARPROC WINAPI NotifyDelayLoad(unsigned dliNotify, PDelayLoadInfo pdli) {
    if (dliNotify == dliNotePreLoadLibrary && ::lstrcmpiA(pdli->szDll, "VelCalib.dll") == 0)
        return reinterpret_cast<FARPROC>(g_hCalibLibrary);
    return nullptr;
}

} // namespace

// The C runtime's delay-load helper calls this hook.
PfnDliHook __pfnDliNotifyHook2 = NotifyDelayLoad;

std::wstring FormatString(unsigned nID, const std::vector<std::wstring>& args) {
    const wchar_t* pText = nullptr;
    // With no buffer, LoadString gives the resource's own (unterminated) text.
    const int nLength =
        ::LoadStringW(AfxGetResourceHandle(), nID, reinterpret_cast<wchar_t*>(&pText), 0);
    const std::wstring text(pText != nullptr && nLength > 0 ? pText : L"",
                            nLength > 0 ? static_cast<size_t>(nLength) : 0);
    std::wstring result;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t next = i + 1 < text.size() ? text[i + 1] : L'\0';
        if (text[i] == L'%' && next >= L'1' && next <= L'9' &&
            static_cast<size_t>(next - L'1') < args.size()) {
            result += args[static_cast<size_t>(next - L'1')];
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::wstring CalibLibraryProblem(bool bSeveralDisplays) {
    const std::wstring strProgram = ProgramPath();
    const std::wstring strFolder = strProgram.substr(0, strProgram.find_last_of(L"\\/") + 1);
    const std::wstring strPath = strFolder + kLibraryFile;
    const std::wstring strArch = sizeof(void*) == 8 ? L"x64" : L"x86";
    const std::wstring strVersion = L"" VEL_VERSION_TEXT;
    // StartCalibrateEx is asked for only where Calib calls it.
    const auto bLacksEx = [&](HMODULE hModule) {
        return bSeveralDisplays && ::GetProcAddress(hModule, "StartCalibrateEx") == nullptr;
    };
    if (g_hCalibLibrary != nullptr) {
        if (!bLacksEx(g_hCalibLibrary))
            return L"";
        return FormatString(IDS_CALIB_LIBRARY_UNUSABLE,
                            {strFolder, strProgram.substr(strFolder.size()), strPath, strArch,
                             strVersion, FormatString(IDS_CALIB_LACKS_START_EX, {})});
    }

    const DWORD attributes = ::GetFileAttributesW(strPath.c_str());
    const DWORD error = ::GetLastError();
    if (attributes == INVALID_FILE_ATTRIBUTES &&
        (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND))
        return FormatString(
            IDS_CALIB_LIBRARY_MISSING,
            {strFolder, strProgram.substr(strFolder.size()), strPath, strArch, strVersion});

    std::wstring strWhy;
    // With a full path, the library's own imports are looked for beside it first.
    const HMODULE hModule =
        ::LoadLibraryExW(strPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (hModule == nullptr) {
        strWhy = LoadFailure(::GetLastError(), strArch);
    } else if (::GetProcAddress(hModule, "StartCalibrate") == nullptr) {
        // Let go, so that the file can be replaced while the control panel runs.
        ::FreeLibrary(hModule);
        strWhy = FormatString(IDS_CALIB_LACKS_START, {});
    } else if (bLacksEx(hModule)) {
        ::FreeLibrary(hModule);
        strWhy = FormatString(IDS_CALIB_LACKS_START_EX, {});
    } else {
        g_hCalibLibrary = hModule;
        return L"";
    }
    return FormatString(IDS_CALIB_LIBRARY_UNUSABLE, {strFolder, strProgram.substr(strFolder.size()),
                                                     strPath, strArch, strVersion, strWhy});
}
