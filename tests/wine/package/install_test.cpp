// The packages as an administrator uses them. The demo installer: installed
// silently into a folder of one's choice, the control panel started from
// there against the simulated screen, then uninstalled, leaving nothing
// behind. The Windows Installer package: installed for a real screen with
// the maker's SDK.dll and a profile, upgraded, removed; what it refuses, and
// velctl's words in its log.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
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

std::string ReadAll(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Whether a Windows Installer log (ANSI or UTF-16) holds the words; if not,
// the log goes to the test's output.
bool LogHas(const std::wstring& log, const std::string& words) {
    std::string text = ReadAll(log);
    if (text.size() >= 2 && text[0] == '\xFF' && text[1] == '\xFE') {
        std::string narrow;
        for (size_t i = 2; i + 1 < text.size(); i += 2)
            narrow += text[i + 1] == 0 ? text[i] : '?';
        text = narrow;
    }
    if (text.find(words) != std::string::npos)
        return true;
    std::fprintf(stderr, "%s: no \"%s\" in:\n%s\n", ui::Narrow(log).c_str(), words.c_str(),
                 text.c_str());
    return false;
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
    wchar_t system[MAX_PATH] = {}, programFiles[MAX_PATH] = {}, self[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    // The package of this architecture goes where its programs belong.
    CHECK(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, programFiles)));
    const std::wstring msiexec = std::wstring(system) + L"\\msiexec.exe|";
    const std::wstring dir = std::wstring(programFiles) + L"\\VelTouch";
    const std::wstring log = simdev::Home() + L"\\install.log";
    // msiexec <verb> "<package or product code>" /qn <properties> /l*v <log>
    auto msi = [&](const char* verb, const std::string& package, const std::string& properties) {
        ::DeleteFileW(log.c_str());
        return RunAndWait(msiexec + ui::Widen(std::string(verb) + " \"" + package + "\" /qn " +
                                              properties + " /l*v \"" + ui::Narrow(log) + "\""),
                          120000);
    };
    auto quoted = [](const std::wstring& text) { return "\"" + ui::Narrow(text) + "\""; };
    const std::string arch = sizeof(void*) == 8 ? "(64-bit)" : "(32-bit)";
    // Leftovers of an interrupted run, by product code: every build of a
    // package has a code of its own; and the files of one that was killed.
    for (const auto& product : OurMsiProducts())
        msi("/x", product.first, "");
    CHECK(OurMsiEntries().empty());
    for (const wchar_t* file : INSTALLED_FILES)
        ::DeleteFileW((dir + L"\\" + file).c_str());
    ::RemoveDirectoryW(dir.c_str());
    simdev::Reset();
    mousereg::SetMouseText("DoubleClickSpeed", "500");

    // The maker's SDK.dll: ours, elsewhere, with bytes of its own after the
    // image, so that its copy is told from the simulated one.
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring bin = std::wstring(self).substr(0, std::wstring(self).rfind(L'\\'));
    const std::wstring maker = simdev::Home() + L"\\maker SDK.dll";
    const std::string makerBytes = ReadAll(bin + L"\\SDK.dll") + "maker's build";
    std::ofstream(maker.c_str(), std::ios::binary) << makerBytes;
    const std::wstring profile = simdev::Home() + L"\\kiosk.ini";
    std::ofstream(profile.c_str())
        << "[touch]\ntouchSmooth = 8\n[doubleClick]\ndoubleClickSpeed = 400\n";
    const std::wstring badProfile = simdev::Home() + L"\\bad.ini";
    std::ofstream(badProfile.c_str()) << "[touch]\ntouchSmooth = 8\ntouch smooth\n";

    // Refused, leaving nothing behind: at once, or by velctl after the files
    // went in (rolled back). Windows Installer's "fatal error" 1603, 1627
    // ("function failed") from Wine's.
    const struct {
        std::string properties, words;
    } refused[] = {
        {"SIMULATEDSCREEN=0 PROFILE=" + quoted(profile), "SDKDLL is not given"},
        {"SIMULATEDSCREEN=0 SDKDLL=" + quoted(maker + L".missing"), "there is no such file"},
        {"SDKDLL=maker.dll", "is not a full path"},
        {"SDKDLL=" + quoted(profile), "not usable by these tools"},
        {"SDKDLL=" + quoted(maker) + " PROFILE=" + quoted(badProfile),
         "velctl: " + ui::Narrow(badProfile) + ": line 3: "},
        {"PROFILE=" + quoted(profile + L".missing"),
         "velctl: cannot read " + ui::Narrow(profile) + ".missing"},
    };
    for (const auto& row : refused) {
        const int failed = msi("/i", pNew, row.properties);
        CHECK(failed == 1603 || failed == 1627);
        CHECK(LogHas(log, row.words));
        CHECK(!Exists(dir) && OurMsiEntries().empty());
    }

    // The older version for a real screen, the maker's SDK.dll given: it is
    // copied in before the profile is imported through it.
    CHECK_EQ(msi("/i", pOld,
                 "SIMULATEDSCREEN=0 SDKDLL=" + quoted(maker) + " PROFILE=" + quoted(profile)),
             0);
    CHECK(LogHas(log, "usable: VelApp.exe, VelCalib.dll and velctl.exe"));
    CHECK(LogHas(log, "touchSmooth = 8"));
    CHECK(Exists(dir + L"\\velctl.exe") && ReadAll(dir + L"\\SDK.dll") == makerBytes);
    CHECK_EQ(*OurMsiEntries().begin(), "VelTouch 0.9.0.0 " + arch + " 0.9.0.0");
    CHECK_EQ(simdev::Get("touchSmooth"), "8");
    CHECK_EQ(mousereg::GetMouseText("DoubleClickSpeed"), "400");

    // This version over it, with a profile and nothing else: the maker's
    // SDK.dll stays and takes the profile; the simulated one stays out.
    std::ofstream(profile.c_str()) << "[touch]\ntouchSmooth = 9\n";
    CHECK_EQ(msi("/i", pNew, "PROFILE=" + quoted(profile)), 0);
    CHECK(LogHas(log, "touchSmooth = 9"));
    for (const wchar_t* file : INSTALLED_FILES) {
        if (std::wstring(file) != L"Uninstall.exe")
            CHECK(Exists(dir + L"\\" + file));
    }
    CHECK(ReadAll(dir + L"\\SDK.dll") == makerBytes);
    CHECK(StartMenuEntryExists());
    const std::set<std::string> entries = OurMsiEntries();
    CHECK_EQ(entries.size(), size_t(1));
    CHECK_EQ(*entries.begin(), "VelTouch 1.0.0.1 " + arch + " 1.0.0.1");
    CHECK_EQ(simdev::Get("touchSmooth"), "9");
    // Removed, the copy goes with it.
    CHECK_EQ(msi("/x", pNew, ""), 0);
    CHECK(!Exists(dir) && OurMsiEntries().empty());

    // The simulated screen, into a folder of one's choice, then removed:
    // nothing of ours is left; the screen and the double-click settings keep
    // what the profiles gave.
    CHECK_EQ(msi("/i", pNew, "INSTALLDIR=" + quoted(INSTALL_DIR)), 0);
    CHECK(Exists(std::wstring(INSTALL_DIR) + L"\\SDK.dll") && !Exists(dir));
    CHECK(ReadAll(std::wstring(INSTALL_DIR) + L"\\SDK.dll") == ReadAll(bin + L"\\SDK.dll"));
    CHECK_EQ(msi("/x", pNew, ""), 0);
    CHECK(!Exists(dir) && !Exists(INSTALL_DIR));
    CHECK(!StartMenuEntryExists());
    CHECK(OurMsiEntries().empty());
    HKEY hOurs = nullptr;
    CHECK(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Vel", 0, KEY_READ, &hOurs) !=
          ERROR_SUCCESS);
    CHECK_EQ(simdev::Get("touchSmooth"), "9");
    CHECK_EQ(mousereg::GetMouseText("DoubleClickSpeed"), "400");
}
