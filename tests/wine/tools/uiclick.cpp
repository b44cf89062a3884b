// Clicks a button of a program's window from a script, as a person would
// (run.sh's demonstrations).
//
//   uiclick <window title> <control id>   waits up to 10 s for a visible
//                                         top-level window with that title,
//                                         then clicks the control
// Exit code 0 when clicked, 1 when the window or control was not found.
#include <windows.h>

#include <cstdlib>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: uiclick <window title> <control id>\n");
        return 2;
    }
    const int id = std::wcstol(argv[2], nullptr, 10);
    for (int i = 0; i < 100; ++i) {
        HWND hWnd = ::FindWindowW(nullptr, argv[1]);
        HWND hItem = hWnd != nullptr && ::IsWindowVisible(hWnd) ? ::GetDlgItem(hWnd, id) : nullptr;
        if (hItem != nullptr) {
            // Posted: the click's handler may block (a message box, a calibration).
            ::PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                           reinterpret_cast<LPARAM>(hItem));
            return 0;
        }
        ::Sleep(100);
    }
    return 1;
}
