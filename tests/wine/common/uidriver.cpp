#include "uidriver.h"

#include <algorithm>
#include <cstdlib>

#include <commctrl.h>

#include "check.h"
#include "simdevice.h"

namespace ui {

Program::~Program() {
    if (hProcess != nullptr) {
        if (Running())
            Kill();
        ::CloseHandle(hProcess);
    }
}

int Program::Wait(DWORD timeoutMs) {
    if (::WaitForSingleObject(hProcess, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(hProcess, &code);
    return static_cast<int>(code);
}

bool Program::Running() const {
    return ::WaitForSingleObject(hProcess, 0) == WAIT_TIMEOUT;
}

void Program::Kill() {
    ::TerminateProcess(hProcess, 99);
    ::WaitForSingleObject(hProcess, 5000);
}

std::wstring BinDir() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

namespace {

// A full path (drive letter) is taken as it is, else the build's bin folder.
std::wstring CommandLine(const std::wstring& exeName, const std::wstring& args) {
    const bool bFullPath = exeName.size() > 1 && exeName[1] == L':';
    std::wstring commandLine = L"\"" + (bFullPath ? exeName : BinDir() + L"\\" + exeName) + L"\"";
    if (!args.empty())
        commandLine += L" " + args;
    return commandLine;
}

void Launch(Program& program, std::wstring commandLine, STARTUPINFOW& si, BOOL bInherit) {
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, bInherit, 0, nullptr, nullptr,
                          &si, &pi))
        check::Fail(__FILE__, __LINE__,
                    "cannot start " + Narrow(commandLine) + ": error " +
                        std::to_string(::GetLastError()));
    ::CloseHandle(pi.hThread);
    program.hProcess = pi.hProcess;
    program.pid = pi.dwProcessId;
}

HANDLE Inheritable(const std::wstring& path) {
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    return ::CreateFileW(path.c_str(), GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

void Start(Program& program, const std::wstring& exeName, const std::wstring& args) {
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    Launch(program, CommandLine(exeName, args), si, FALSE);
}

std::string ReadAll(const std::wstring& path) {
    std::string text;
    HANDLE hFile = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(hFile, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        text.append(buffer, got);
    ::CloseHandle(hFile);
    return text;
}

Output RunConsole(const std::wstring& exeName, const std::wstring& args, DWORD timeoutMs,
                  const std::function<void(Program&)>& during) {
    // Files of their own: an ended child's handles may still be closing.
    static int nRun = 0;
    const std::wstring stem = simdev::Home() + L"\\console." + std::to_wstring(++nRun);
    ::CreateDirectoryW(simdev::Home().c_str(), nullptr);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = Inheritable(stem + L".out");
    si.hStdError = Inheritable(stem + L".err");
    Program program;
    Launch(program, CommandLine(exeName, args), si, TRUE);
    ::CloseHandle(si.hStdOutput);
    ::CloseHandle(si.hStdError);
    if (during)
        during(program);
    Output output;
    output.exitCode = program.Wait(timeoutMs);
    output.out = ReadAll(stem + L".out");
    output.err = ReadAll(stem + L".err");
    return output;
}

namespace {

struct FindArgs {
    DWORD pid;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam) {
    FindArgs* args = reinterpret_cast<FindArgs*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != args->pid || !::IsWindowVisible(hWnd))
        return TRUE;
    wchar_t className[64] = {};
    ::GetClassNameW(hWnd, className, 64);
    if (args->className == nullptr || lstrcmpW(className, args->className) == 0)
        args->found.push_back(hWnd);
    return TRUE;
}

} // namespace

std::vector<HWND> Windows(DWORD pid, const wchar_t* className) {
    FindArgs args{pid, className, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

HWND WaitForWindow(DWORD pid, const wchar_t* className, const wchar_t* title, DWORD timeoutMs) {
    HWND hFound = nullptr;
    WaitFor(
        [&] {
            for (HWND hWnd : Windows(pid, className)) {
                if (title == nullptr || Text(hWnd) == title) {
                    hFound = hWnd;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return hFound;
}

HWND WaitForMessageBox(DWORD pid, DWORD timeoutMs, HWND except) {
    HWND hFound = nullptr;
    WaitFor(
        [&] {
            for (HWND hWnd : Windows(pid, L"#32770")) {
                if (hWnd != except && ::GetDlgItem(hWnd, 0xFFFF) != nullptr) {
                    hFound = hWnd;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return hFound;
}

std::wstring MessageBoxText(HWND hBox) {
    return ItemText(hBox, 0xFFFF);
}

void CloseMessageBox(HWND hBox) {
    ::PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hBox, IDOK)));
    WaitFor([&] { return !::IsWindow(hBox); });
}

std::wstring Text(HWND hWnd) {
    wchar_t text[512] = {};
    ::GetWindowTextW(hWnd, text, 512);
    return text;
}

std::wstring ItemText(HWND hDlg, int id) {
    HWND hItem = ::GetDlgItem(hDlg, id);
    if (hItem == nullptr)
        check::Fail(__FILE__, __LINE__, "no control " + std::to_string(id));
    return Text(hItem);
}

int SliderPos(HWND hDlg, int id) {
    return static_cast<int>(::SendDlgItemMessageW(hDlg, id, TBM_GETPOS, 0, 0));
}
int SliderMin(HWND hDlg, int id) {
    return static_cast<int>(::SendDlgItemMessageW(hDlg, id, TBM_GETRANGEMIN, 0, 0));
}
int SliderMax(HWND hDlg, int id) {
    return static_cast<int>(::SendDlgItemMessageW(hDlg, id, TBM_GETRANGEMAX, 0, 0));
}
bool Checked(HWND hDlg, int id) {
    return ::SendDlgItemMessageW(hDlg, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
bool Enabled(HWND hDlg, int id) {
    return ::IsWindowEnabled(::GetDlgItem(hDlg, id)) != FALSE;
}

void ClickButton(HWND hDlg, int id) {
    // A person cannot click a disabled button.
    if (!Enabled(hDlg, id))
        check::Fail(__FILE__, __LINE__, "button " + std::to_string(id) + " is disabled");
    ::PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, id)));
}

void ClickCheck(HWND hDlg, int id) {
    ::SendMessageW(::GetDlgItem(hDlg, id), BM_CLICK, 0, 0);
    Sync(hDlg);
}

namespace {

// Asks a control of another process for a rectangle: the answer is written
// into memory of that process and read back.
RECT RemoteRect(HWND hCtrl, UINT message) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hCtrl, &pid);
    HANDLE hProcess =
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    RECT rect = {};
    if (hProcess == nullptr)
        return rect;
    void* pRemote = ::VirtualAllocEx(hProcess, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    ::SendMessageW(hCtrl, message, 0, reinterpret_cast<LPARAM>(pRemote));
    SIZE_T nRead = 0;
    ::ReadProcessMemory(hProcess, pRemote, &rect, sizeof(rect), &nRead);
    ::VirtualFreeEx(hProcess, pRemote, 0, MEM_RELEASE);
    ::CloseHandle(hProcess);
    return rect;
}

void MouseAt(HWND hCtrl, int x, int y, DWORD flags) {
    POINT pt = {x, y};
    ::ClientToScreen(hCtrl, &pt);
    ::SetCursorPos(pt.x, pt.y);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = pt.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = pt.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    // A button press or release at the place the cursor already is: no move,
    // which a track bar in drag mode would take as a new position.
    input.mi.dwFlags = flags != 0 ? flags : MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof(input));
    ::Sleep(30);
}

} // namespace

int DragSlider(HWND hDlg, int id, int targetPos) {
    HWND hCtrl = ::GetDlgItem(hDlg, id);
    RECT thumb = RemoteRect(hCtrl, TBM_GETTHUMBRECT);
    RECT channel = RemoteRect(hCtrl, TBM_GETCHANNELRECT);
    int minimum = SliderMin(hDlg, id);
    int maximum = SliderMax(hDlg, id);
    int thumbWidth = thumb.right - thumb.left;
    int left = channel.left + thumbWidth / 2;
    int span = (channel.right - channel.left) - thumbWidth;
    int y = (thumb.top + thumb.bottom) / 2;
    int fromX = (thumb.left + thumb.right) / 2;
    int toX = left + static_cast<int>(static_cast<long long>(targetPos - minimum) * span /
                                      (maximum > minimum ? maximum - minimum : 1));
    // The ends are reached exactly by dragging past them.
    if (targetPos <= minimum)
        toX = channel.left - 10;
    else if (targetPos >= maximum)
        toX = channel.right + 10;
    MouseAt(hCtrl, fromX, y, 0);
    MouseAt(hCtrl, fromX, y, MOUSEEVENTF_LEFTDOWN);
    for (int step = 1; step <= 5; ++step)
        MouseAt(hCtrl, fromX + (toX - fromX) * step / 5, y, 0);
    MouseAt(hCtrl, toX, y, MOUSEEVENTF_LEFTUP);
    Sync(hDlg);
    return SliderPos(hDlg, id);
}

namespace {

// Types `count` presses of one key on a control.
void TypeKeys(HWND hCtrl, WORD vk, int count) {
    for (int i = 0; i < count; ++i) {
        ::PostMessageW(hCtrl, WM_KEYDOWN, vk, 1);
        ::PostMessageW(hCtrl, WM_KEYUP, vk, 0xC0000001);
    }
}

} // namespace

int KeySlider(HWND hDlg, int id, int targetPos) {
    HWND hCtrl = ::GetDlgItem(hDlg, id);
    const int line = std::max(1, static_cast<int>(::SendMessageW(hCtrl, TBM_GETLINESIZE, 0, 0)));
    const int page = std::max(1, static_cast<int>(::SendMessageW(hCtrl, TBM_GETPAGESIZE, 0, 0)));
    const int minimum = SliderMin(hDlg, id), maximum = SliderMax(hDlg, id);
    int pos = SliderPos(hDlg, id);
    // Page keys for the distance, arrows for the rest, typed at once and
    // handled in order; the thumb is where it should be when the last one
    // has been. A stretch cut short at an end of the range is done again.
    for (int round = 0; round < 10 && pos != targetPos; ++round) {
        const int distance = targetPos - pos;
        const int pages = std::abs(distance) / page;
        const int lines = (std::abs(distance) % page + line - 1) / line;
        const int sign = distance > 0 ? 1 : -1;
        TypeKeys(hCtrl, distance > 0 ? VK_NEXT : VK_PRIOR, pages);
        TypeKeys(hCtrl, distance > 0 ? VK_RIGHT : VK_LEFT, lines);
        const int expected =
            std::clamp(pos + sign * (pages * page + lines * line), minimum, maximum);
        WaitFor([&] { return SliderPos(hDlg, id) == expected; }, 10000);
        Sync(hDlg);
        const int now = SliderPos(hDlg, id);
        if (now == pos)
            break;
        pos = now;
    }
    return pos;
}

void PressKey(HWND hDlg, int id, WORD vk) {
    HWND hCtrl = ::GetDlgItem(hDlg, id);
    int before = SliderPos(hDlg, id);
    ::PostMessageW(hCtrl, WM_KEYDOWN, vk, 1);
    ::PostMessageW(hCtrl, WM_KEYUP, vk, 0xC0000001);
    // Posted input is handled after sent messages: wait for its effect.
    WaitFor([&] { return SliderPos(hDlg, id) != before; }, 1000);
    Sync(hDlg);
}

// A sent message is handled before anything posted or typed, so give posted
// messages and input a moment first, then make sure the thread answers.
void Sync(HWND hWnd) {
    DWORD_PTR result = 0;
    for (int i = 0; i < 2; ++i) {
        ::Sleep(40);
        ::SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    }
}

void Sleep(DWORD ms) {
    ::Sleep(ms);
}

namespace {
const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
} // namespace

SystemDpi::SystemDpi(DWORD dpi) {
    DWORD size = sizeof m_old;
    m_hadValue = ::RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD,
                                nullptr, &m_old, &size) == ERROR_SUCCESS;
    if (::RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &dpi,
                          sizeof dpi) != ERROR_SUCCESS)
        check::Fail(__FILE__, __LINE__, "cannot set LogPixels");
}

SystemDpi::~SystemDpi() {
    if (m_hadValue)
        ::RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &m_old,
                          sizeof m_old);
    else
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
}

std::string Narrow(const std::wstring& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& text) {
    int n = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &out[0], n);
    return out;
}

} // namespace ui
