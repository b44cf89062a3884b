// The packages as an administrator uses them. The demo installer: installed
// silently into a folder of one's choice, the control panel started from
// there against the simulated screen, then uninstalled, leaving nothing
// behind. The Windows Installer package: installed silently over an older
// version with a profile to import, then removed.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "check.h"
#include "mousereg.h"
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

// The registry view of this architecture's programs, and whether there is
// another one (not on a 32-bit Windows).
REGSAM OwnView() {
    return sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

REGSAM OtherView() {
    return sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

bool HasOtherView() {
    BOOL bWow64 = FALSE;
    return sizeof(void*) == 8 || (::IsWow64Process(::GetCurrentProcess(), &bWow64) && bWow64);
}

bool UninstallKeyExists(REGSAM view) {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_READ | view, &hKey) !=
        ERROR_SUCCESS)
        return false;
    ::RegCloseKey(hKey);
    return true;
}

bool UninstallKeyExists() {
    return UninstallKeyExists(KEY_WOW64_32KEY) || UninstallKeyExists(KEY_WOW64_64KEY);
}

// The machine a program is built for (its PE header), 0 if it is none.
WORD Machine(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    IMAGE_DOS_HEADER dos = {};
    DWORD signature = 0;
    IMAGE_FILE_HEADER header = {};
    if (!file.read(reinterpret_cast<char*>(&dos), sizeof dos) ||
        dos.e_magic != IMAGE_DOS_SIGNATURE || !file.seekg(dos.e_lfanew) ||
        !file.read(reinterpret_cast<char*>(&signature), sizeof signature) ||
        signature != IMAGE_NT_SIGNATURE ||
        !file.read(reinterpret_cast<char*>(&header), sizeof header))
        return 0;
    return header.Machine;
}

const WORD OWN_MACHINE = sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;

// The Start-menu entry of the control panel (in the folder "VelTouch <version>"),
// for all users or this one: its path, or empty.
std::wstring StartMenuEntry() {
    for (int folder : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        wchar_t programs[MAX_PATH] = {};
        if (FAILED(::SHGetFolderPathW(nullptr, folder, nullptr, 0, programs)))
            continue;
        WIN32_FIND_DATAW found = {};
        HANDLE hFind = ::FindFirstFileW((std::wstring(programs) + L"\\VelTouch*").c_str(), &found);
        if (hFind == INVALID_HANDLE_VALUE)
            continue;
        std::wstring entry;
        do {
            const std::wstring link =
                std::wstring(programs) + L"\\" + found.cFileName + L"\\Touch Control Panel.lnk";
            if (entry.empty() && Exists(link))
                entry = link;
        } while (::FindNextFileW(hFind, &found));
        ::FindClose(hFind);
        if (!entry.empty())
            return entry;
    }
    return L"";
}

bool StartMenuEntryExists() {
    return !StartMenuEntry().empty();
}

// The program a shortcut starts, or empty.
std::wstring ShortcutTarget(const std::wstring& link) {
    std::wstring target;
    IShellLinkW* pLink = nullptr;
    IPersistFile* pFile = nullptr;
    wchar_t path[MAX_PATH] = {};
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IShellLinkW, reinterpret_cast<void**>(&pLink))) &&
        SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile))) &&
        SUCCEEDED(pFile->Load(link.c_str(), STGM_READ)) &&
        SUCCEEDED(pLink->GetPath(path, MAX_PATH, nullptr, 0)))
        target = path;
    if (pFile)
        pFile->Release();
    if (pLink)
        pLink->Release();
    return target;
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

// DisplayName and DisplayVersion of our Windows Installer entries in Apps &
// features, in either registry view, with their publisher checked.
std::map<std::string, std::string> OurMsiProducts() {
    const wchar_t root[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    std::map<std::string, std::string> found;
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        HKEY hRoot = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, root, 0, KEY_READ | view, &hRoot) != ERROR_SUCCESS)
            continue;
        wchar_t name[256];
        for (DWORD i = 0, n = 256; ::RegEnumKeyExW(hRoot, i, name, &n, nullptr, nullptr, nullptr,
                                                   nullptr) == ERROR_SUCCESS;
             ++i, n = 256) {
            auto value = [&](const wchar_t* what) {
                wchar_t text[256] = {};
                DWORD size = sizeof text - sizeof(wchar_t);
                ::RegGetValueW(hRoot, name, what, RRF_RT_REG_SZ | view, nullptr, text, &size);
                return ui::Narrow(text);
            };
            if (name[0] == L'{' && value(L"DisplayName").rfind("VelTouch ", 0) == 0) {
                CHECK_EQ(value(L"Publisher"), "Vel");
                found[ui::Narrow(name)] = value(L"DisplayName") + " " + value(L"DisplayVersion");
            }
        }
        ::RegCloseKey(hRoot);
    }
    return found;
}

std::set<std::string> OurMsiEntries() {
    std::set<std::string> entries;
    for (const auto& product : OurMsiProducts())
        entries.insert(product.second);
    return entries;
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

    // The installer and its uninstaller are programs of this architecture,
    // which keep to its registry view. NSIS wants the folder last and unquoted.
    CHECK_EQ(Machine(ui::Widen(pInstaller)), OWN_MACHINE);
    CHECK_EQ(RunAndWait(ui::Widen(pInstaller) + L"|/S /D=" + INSTALL_DIR, 60000), 0);
    for (const wchar_t* file : INSTALLED_FILES)
        CHECK(Exists(std::wstring(INSTALL_DIR) + L"\\" + file));
    CHECK_EQ(Machine(std::wstring(INSTALL_DIR) + L"\\Uninstall.exe"), OWN_MACHINE);
    CHECK(UninstallKeyExists(OwnView()));
    CHECK(!HasOtherView() || !UninstallKeyExists(OtherView()));
    // The Start-menu entry starts the installed control panel.
    CHECK(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    CHECK_EQ(ui::Narrow(ShortcutTarget(StartMenuEntry())),
             ui::Narrow(std::wstring(INSTALL_DIR) + L"\\VelApp.exe"));
    ::CoUninitialize();

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

VEL_CASE(WindowsInstallerPackageInstallsUpgradesAndRemovesCleanly) {
    const char* pNew = std::getenv("VEL_MSI");
    const char* pOld = std::getenv("VEL_MSI_OLD");
    CHECK(pNew != nullptr && pOld != nullptr);
    wchar_t system[MAX_PATH] = {}, programFiles[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    // The package of this architecture goes where its programs belong.
    CHECK(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, programFiles)));
    const std::wstring msiexec = std::wstring(system) + L"\\msiexec.exe|";
    const std::wstring dir = std::wstring(programFiles) + L"\\VelTouch";
    // msiexec <verb> "<package or product code>" /qn <properties>
    auto msi = [&](const char* verb, const std::string& package, const std::string& properties) {
        return RunAndWait(
            msiexec + ui::Widen(std::string(verb) + " \"" + package + "\" /qn " + properties),
            120000);
    };
    auto quoted = [](const std::wstring& text) { return "\"" + ui::Narrow(text) + "\""; };
    const std::string arch = sizeof(void*) == 8 ? "(64-bit)" : "(32-bit)";
    // Leftovers of an interrupted run, by product code: every build of a
    // package has a code of its own.
    for (const auto& product : OurMsiProducts())
        msi("/x", product.first, "");
    CHECK(OurMsiEntries().empty());

    simdev::Reset();
    mousereg::SetMouseText("DoubleClickSpeed", "500");
    // The older version, for a real screen: no simulated SDK.dll.
    CHECK_EQ(msi("/i", pOld, "SIMULATEDSCREEN=0"), 0);
    CHECK(Exists(dir + L"\\velctl.exe") && !Exists(dir + L"\\SDK.dll"));
    CHECK_EQ(*OurMsiEntries().begin(), "VelTouch 0.9.0.0 " + arch + " 0.9.0.0");

    // This version over it, importing a profile.
    const std::wstring profile = simdev::Home() + L"\\kiosk.ini";
    std::ofstream(profile.c_str())
        << "[touch]\ntouchSmooth = 8\n[doubleClick]\ndoubleClickSpeed = 400\n";
    CHECK_EQ(msi("/i", pNew, "PROFILE=" + quoted(profile)), 0);
    for (const wchar_t* file : INSTALLED_FILES) {
        if (std::wstring(file) != L"Uninstall.exe")
            CHECK(Exists(dir + L"\\" + file));
    }
    CHECK(StartMenuEntryExists());
    const std::set<std::string> entries = OurMsiEntries();
    CHECK_EQ(entries.size(), size_t(1));
    CHECK_EQ(*entries.begin(), "VelTouch 1.0.0.1 " + arch + " 1.0.0.1");
    CHECK_EQ(simdev::Get("touchSmooth"), "8");
    CHECK_EQ(mousereg::GetMouseText("DoubleClickSpeed"), "400");

    // A profile that cannot be imported fails the installation, which then
    // leaves nothing behind: Windows Installer's "fatal error" 1603, 1627
    // ("function failed") from Wine's.
    CHECK_EQ(msi("/x", pNew, ""), 0);
    const int failed = msi("/i", pNew, "PROFILE=" + quoted(profile + L".missing"));
    CHECK(failed == 1603 || failed == 1627);
    CHECK(!Exists(dir) && OurMsiEntries().empty());

    // Into a folder of one's choice, then removed: nothing of ours is left;
    // the screen and the double-click settings keep what the profile gave.
    CHECK_EQ(msi("/i", pNew, "INSTALLDIR=" + quoted(INSTALL_DIR)), 0);
    CHECK(Exists(std::wstring(INSTALL_DIR) + L"\\VelApp.exe") && !Exists(dir));
    CHECK_EQ(msi("/x", pNew, ""), 0);
    CHECK(!Exists(dir) && !Exists(INSTALL_DIR));
    CHECK(!StartMenuEntryExists());
    CHECK(OurMsiEntries().empty());
    HKEY hOurs = nullptr;
    CHECK(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Vel", 0, KEY_READ, &hOurs) !=
          ERROR_SUCCESS);
    CHECK_EQ(simdev::Get("touchSmooth"), "8");
    CHECK_EQ(mousereg::GetMouseText("DoubleClickSpeed"), "400");
}
