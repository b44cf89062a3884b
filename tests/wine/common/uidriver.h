// Drives the tool set's programs through their windows, as a person would:
// start a program, find its windows, read controls, click, drag, answer
// message boxes. Works across processes (the program under test runs apart).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace ui {

// A started program.
struct Program {
    HANDLE hProcess = nullptr;
    DWORD pid = 0;
    ~Program();
    // Waits for the program to end; its exit code, or -1 on time-out.
    int Wait(DWORD timeoutMs = 10000);
    bool Running() const;
    void Kill();
};

// The folder of the running test program (where all binaries are built).
std::wstring BinDir();

// Starts a program of the build's bin folder (or one named by its full path)
// with this process's environment.
void Start(Program& program, const std::wstring& exeName, const std::wstring& args = L"");

// What a console program printed, and how it ended (-1: it did not end in
// time).
struct Output {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a console program (as Start names it) and waits for it; its output
// goes through files in the simulated screen's folder. `during` runs once the
// program has started, before the wait.
Output RunConsole(const std::wstring& exeName, const std::wstring& args, DWORD timeoutMs = 20000,
                  const std::function<void(Program&)>& during = nullptr);

// The whole file ("" when it cannot be read).
std::string ReadAll(const std::wstring& path);

// A visible top-level window of the process whose class and (if given)
// title match; nullptr when none turns up in time.
HWND WaitForWindow(DWORD pid, const wchar_t* className, const wchar_t* title = nullptr,
                   DWORD timeoutMs = 10000);

// All visible top-level windows of the process with that class.
std::vector<HWND> Windows(DWORD pid, const wchar_t* className);

// A message box of the process (a dialog with a text control 0xFFFF) other
// than `except`; nullptr when none turns up in time.
HWND WaitForMessageBox(DWORD pid, DWORD timeoutMs = 10000, HWND except = nullptr);
std::wstring MessageBoxText(HWND hBox);
// Presses the box's only button and waits until the box is gone.
void CloseMessageBox(HWND hBox);

std::wstring Text(HWND hWnd);
std::wstring ItemText(HWND hDlg, int id);
int SliderPos(HWND hDlg, int id);
int SliderMin(HWND hDlg, int id);
int SliderMax(HWND hDlg, int id);
bool Checked(HWND hDlg, int id);
bool Enabled(HWND hDlg, int id);

// Clicks an enabled push button by its notification (posted: the handler may
// block); a disabled one fails the case.
void ClickButton(HWND hDlg, int id);
// Clicks a check box or radio button the way the mouse does (toggles it).
void ClickCheck(HWND hDlg, int id);

// Drags a track bar's thumb with the mouse towards the given position and
// returns where it ended: on wide ranges one pixel covers several values, so
// only the ends of the range are reached exactly (by dragging past them).
int DragSlider(HWND hDlg, int id, int targetPos);
// Moves a track bar to the exact position with the arrow keys.
int KeySlider(HWND hDlg, int id, int targetPos);
// Presses a key on the focused control (keyboard movement of a track bar).
void PressKey(HWND hDlg, int id, WORD vk);

// Waits until the window's thread has handled everything sent before.
void Sync(HWND hWnd);
void Sleep(DWORD ms);

// Polls cond every 20 ms until it holds or the time is up.
template <class Cond> bool WaitFor(Cond cond, DWORD timeoutMs = 5000) {
    DWORD start = ::GetTickCount();
    while (!cond()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(20);
    }
    return true;
}

// The screen resolution that programs started from now on get (the user's
// "LogPixels"), put back as it was at the end of the scope.
class SystemDpi {
public:
    explicit SystemDpi(DWORD dpi);
    ~SystemDpi();
    SystemDpi(const SystemDpi&) = delete;
    SystemDpi& operator=(const SystemDpi&) = delete;

private:
    DWORD m_old = 0;
    bool m_hadValue = false;
};

std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);

} // namespace ui
