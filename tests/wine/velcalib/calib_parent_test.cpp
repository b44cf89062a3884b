// What a host passes StartCalibrate as its parent: parenthost.exe, a program in
// the platform compiler's ABI, passes a window object of the platform's dialog
// framework, its window handle, or memory that holds no window of its own.
#include <string>

#include "calibhost.h"
#include "check.h"
#include "simdevice.h"
#include "uidriver.h"

namespace {

// A folder with the host and VelCalib.dll but no SDK.dll.
std::wstring WithoutDeviceLibrary() {
    const std::wstring dir = simdev::Home() + L"\\no-sdk";
    ::CreateDirectoryW(simdev::Home().c_str(), nullptr);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    for (const wchar_t* name : {L"parenthost.exe", L"VelCalib.dll"})
        CHECK(::CopyFileW((ui::BinDir() + L"\\" + name).c_str(), (dir + L"\\" + name).c_str(),
                          FALSE));
    return dir;
}

} // namespace

// The calibration window (or, without a device library, the library's message)
// is owned by the host's window when the host named it in a way the library
// knows, and by nothing otherwise; the run ends normally either way and only
// the owner is disabled while it lasts.
VEL_CASE(HostsParentIsFoundWhateverItPasses) {
    const struct {
        const wchar_t* passes;
        bool bOwned;
        bool bLibrary; // false: SDK.dll missing, the library shows its message
    } rows[] = {
        {L"framework", true, true},
#if !defined(_WIN64)
        {L"framework-old", true, true},
#endif
        {L"handle", true, true},
        {L"garbage", false, true},
        {L"foreign", false, true},
        {L"straddle", false, true},
        {L"unmapped", false, true},
        {L"null", false, true},
        {L"framework", true, false},
        {L"unmapped", false, false},
    };
    const HWND hDesktop = ::GetDesktopWindow();
    for (const auto& row : rows) {
        check::Note(ui::Narrow(row.passes) + (row.bLibrary ? "" : ", no SDK.dll"));
        simdev::Reset();
        const std::wstring dir = row.bLibrary ? ui::BinDir() : WithoutDeviceLibrary();
        HWND hHost = nullptr, hShown = nullptr, hOwner = nullptr;
        bool bHostEnabled = false, bDesktopEnabled = false;
        const ui::Output output =
            ui::RunConsole(dir + L"\\parenthost.exe", row.passes, 20000, [&](ui::Program& host) {
                hHost = ui::WaitForWindow(host.pid, L"VelParentHost");
                if (row.bLibrary) {
                    ui::WaitFor([&] {
                        const std::vector<HWND> shown = calibhost::CalibrationWindows(host.pid);
                        hShown = shown.empty() ? nullptr : shown.front();
                        return hShown != nullptr;
                    });
                } else {
                    hShown = ui::WaitForMessageBox(host.pid, 5000);
                }
                if (hShown == nullptr)
                    return;
                hOwner = ::GetWindow(hShown, GW_OWNER);
                bHostEnabled = ::IsWindowEnabled(hHost) != FALSE;
                bDesktopEnabled = ::IsWindowEnabled(hDesktop) != FALSE;
                if (row.bLibrary)
                    ::PostMessageW(hShown, WM_CLOSE, 0, 0);
                else
                    ui::CloseMessageBox(hShown);
            });
        CHECK(hHost != nullptr);
        CHECK(hShown != nullptr);
        CHECK_EQ(hOwner, row.bOwned ? hHost : nullptr);
        CHECK_EQ(bHostEnabled, !row.bOwned);
        CHECK(bDesktopEnabled);
        CHECK_EQ(output.out, std::string("exit 0\n"));
        CHECK_EQ(output.exitCode, 0);
        if (row.bLibrary)
            calibhost::CheckRunsReleasedOnce(1);
        else
            CHECK(simdev::Journal().empty());
    }
}
