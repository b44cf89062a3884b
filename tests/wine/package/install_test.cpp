// The demo installer as a person uses it: installed silently into a folder of
// one's choice, the control panel started from there against the simulated
// screen, then uninstalled, leaving nothing behind.
#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <string>

#include "check.h"
#include "simdevice.h"
#include "uidriver.h"

namespace {

const wchar_t INSTALL_DIR[] = L"C:\\VelTouch test install";
const wchar_t UNINSTALL_KEY[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelTouch";
const wchar_t* const INSTALLED_FILES[] = {L"VelApp.exe",   L"VelCalib.dll", L"velctl.exe",
                                          L"SDK.dll",      L"README.md",    L"LICENSE",
                                          L"CHANGELOG.md", L"Uninstall.exe"};

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The uninstall entry, in either registry view (the installer is a 32-bit program).
bool UninstallKeyExists() {
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY hKey = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_READ | view, &hKey) ==
            ERROR_SUCCESS) {
            ::RegCloseKey(hKey);
            return true;
        }
    }
    return false;
}

// The Start-menu entry of the control panel (in the folder "VelTouch <version>"),
// for all users or this one.
bool StartMenuEntryExists() {
    for (int folder : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        wchar_t programs[MAX_PATH] = {};
        if (FAILED(::SHGetFolderPathW(nullptr, folder, nullptr, 0, programs)))
            continue;
        WIN32_FIND_DATAW found = {};
        HANDLE hFind = ::FindFirstFileW((std::wstring(programs) + L"\\VelTouch*").c_str(), &found);
        if (hFind == INVALID_HANDLE_VALUE)
            continue;
        bool bFound = false;
        do {
            bFound = bFound || Exists(std::wstring(programs) + L"\\" + found.cFileName +
                                      L"\\Touch Control Panel.lnk");
        } while (::FindNextFileW(hFind, &found));
        ::FindClose(hFind);
        if (bFound)
            return true;
    }
    return false;
}

// What an earlier, interrupted run of this test left installed.
void UninstallLeftovers() {
    const std::wstring uninstaller = std::wstring(INSTALL_DIR) + L"\\Uninstall.exe";
    if (Exists(uninstaller)) {
        ui::Program program;
        ui::Start(program, uninstaller, L"/S");
        program.Wait(60000);
        ui::WaitFor([] { return !Exists(INSTALL_DIR); }, 30000);
    }
}

int RunAndWait(const std::wstring& commandLine, DWORD timeoutMs) {
    ui::Program program;
    ui::Start(program, commandLine.substr(0, commandLine.find(L'|')),
              commandLine.substr(commandLine.find(L'|') + 1));
    return program.Wait(timeoutMs);
}

} // namespace

VEL_CASE(DemoInstallerInstallsRunsAndUninstallsCleanly) {
    const char* pInstaller = std::getenv("VEL_INSTALLER");
    CHECK(pInstaller != nullptr);
    UninstallLeftovers();
    CHECK(!Exists(INSTALL_DIR));

    // NSIS wants the folder last and unquoted.
    CHECK_EQ(RunAndWait(ui::Widen(pInstaller) + L"|/S /D=" + INSTALL_DIR, 60000), 0);
    for (const wchar_t* file : INSTALLED_FILES)
        CHECK(Exists(std::wstring(INSTALL_DIR) + L"\\" + file));
    CHECK(StartMenuEntryExists());
    CHECK(UninstallKeyExists());

    // The installed control panel finds the simulated screen and opens.
    simdev::Reset();
    ui::Program panel;
    ui::Start(panel, std::wstring(INSTALL_DIR) + L"\\VelApp.exe");
    HWND hDlg = ui::WaitForWindow(panel.pid, L"#32770", L"VELTOUCH Control Panel");
    CHECK(hDlg != nullptr);
    CHECK(!simdev::Journal().empty());
    ui::ClickButton(hDlg, 1018); // Exit
    CHECK_EQ(panel.Wait(), 0);

    // The uninstaller runs from a copy of itself: wait for what it removes.
    CHECK_EQ(RunAndWait(std::wstring(INSTALL_DIR) + L"\\Uninstall.exe|/S", 60000), 0);
    ui::WaitFor(
        [] { return !Exists(INSTALL_DIR) && !StartMenuEntryExists() && !UninstallKeyExists(); },
        30000);
    CHECK(!Exists(INSTALL_DIR));
    CHECK(!StartMenuEntryExists());
    CHECK(!UninstallKeyExists());
}
