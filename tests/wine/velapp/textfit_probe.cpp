// A message hook that a test sets on the control panel's thread. Asked by the
// registered message "VelTextFitReport" (wParam: a global atom naming the
// report file), it measures, inside the control panel and in each control's
// own font, the text of every control of the dialog against the room the
// control draws it in, and writes one line per control:
//   dialog <dpi> <base x> <base y> <window width> <window height>
//   control <id> <kind> <text width> <text height> <room width> <room height> <text>
// Kinds: static, button, check, radio, group. The room is the client area
// less what the control draws around its text: nothing for a static, the
// edges of a push button, the box and its gap for a check box or radio
// button, the frame's indent for a group box. A static's text is measured as
// the static draws it: wrapped at its width, unless its style keeps one line.
// Every control, with a text or without, also gets a line with its place in
// the dialog's client area (group: 1 for a group box):
//   box <id> <group> <left> <top> <right> <bottom>
#include <windows.h>

#include <cstdio>
#include <string>

#include "utf8.h"

namespace {

const char* KindOf(HWND hWnd, LONG style) {
    wchar_t cls[32] = {};
    ::GetClassNameW(hWnd, cls, 32);
    if (lstrcmpiW(cls, L"Static") == 0)
        return "static";
    if (lstrcmpiW(cls, L"Button") != 0)
        return nullptr;
    switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
        return "check";
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return "radio";
    case BS_GROUPBOX:
        return "group";
    default:
        return "button";
    }
}

// Written under another name first and renamed when complete, so that the
// test never reads half a report.
void WriteReport(HWND hDlg, const wchar_t* path) {
    const std::wstring part = std::wstring(path) + L".part";
    FILE* file = _wfopen(part.c_str(), L"wb");
    if (file == nullptr)
        return;
    HDC hScreen = ::GetDC(nullptr);
    int dpi = ::GetDeviceCaps(hScreen, LOGPIXELSY);
    ::ReleaseDC(nullptr, hScreen);
    RECT units = {0, 0, 4, 8};
    ::MapDialogRect(hDlg, &units);
    RECT window = {};
    ::GetWindowRect(hDlg, &window);
    std::fprintf(file, "dialog %d %ld %ld %ld %ld\n", dpi, units.right, units.bottom,
                 window.right - window.left, window.bottom - window.top);
    for (HWND hCtl = ::GetWindow(hDlg, GW_CHILD); hCtl != nullptr;
         hCtl = ::GetWindow(hCtl, GW_HWNDNEXT)) {
        LONG style = ::GetWindowLongW(hCtl, GWL_STYLE);
        const char* kind = KindOf(hCtl, style);
        RECT box = {};
        ::GetWindowRect(hCtl, &box);
        ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&box), 2);
        std::fprintf(file, "box %d %d %ld %ld %ld %ld\n", ::GetDlgCtrlID(hCtl),
                     kind != nullptr && std::string(kind) == "group", box.left, box.top, box.right,
                     box.bottom);
        wchar_t text[256] = {};
        ::GetWindowTextW(hCtl, text, 256);
        if (kind == nullptr || text[0] == 0)
            continue;
        const std::string k = kind;
        HFONT hFont = reinterpret_cast<HFONT>(::SendMessageW(hCtl, WM_GETFONT, 0, 0));
        HDC hdc = ::GetDC(hCtl);
        HGDIOBJ hOld = ::SelectObject(hdc, hFont ? hFont : ::GetStockObject(SYSTEM_FONT));
        RECT client = {};
        ::GetClientRect(hCtl, &client);
        RECT extent = {};
        UINT format = DT_CALCRECT | DT_SINGLELINE;
        if (k == "static") {
            const LONG type = style & SS_TYPEMASK;
            format = DT_CALCRECT | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
            if ((type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) &&
                !(style & SS_CENTERIMAGE)) {
                format |= DT_WORDBREAK;
                extent.right = client.right;
            } else if (type != SS_LEFTNOWORDWRAP) {
                format |= DT_SINGLELINE;
            }
        }
        ::DrawTextW(hdc, text, -1, &extent, format);
        INT zero = 0;
        ::GetCharWidth32W(hdc, L'0', L'0', &zero);
        ::SelectObject(hdc, hOld);
        ::ReleaseDC(hCtl, hdc);

        int roomW = client.right, roomH = client.bottom;
        if (k == "button") {
            roomW -= 2 * ::GetSystemMetrics(SM_CXEDGE);
            roomH -= 2 * ::GetSystemMetrics(SM_CYEDGE);
        } else if (k == "check" || k == "radio") {
            roomW -= 12 * dpi / 96 + 1 + zero / 2;
        } else if (k == "group") {
            roomW -= 2 * zero;
        }
        std::fprintf(file, "control %d %s %ld %ld %d %d %s\n", ::GetDlgCtrlID(hCtl), kind,
                     extent.right - extent.left, extent.bottom - extent.top, roomW, roomH,
                     velsdk::Utf8(text).c_str());
    }
    std::fclose(file);
    ::MoveFileExW(part.c_str(), path, MOVEFILE_REPLACE_EXISTING);
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    TextFitHook(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT kReport = ::RegisterWindowMessageW(L"VelTextFitReport");
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == kReport) {
        wchar_t path[MAX_PATH] = {};
        if (::GlobalGetAtomNameW(static_cast<ATOM>(msg->wParam), path, MAX_PATH) != 0)
            WriteReport(msg->hwnd, path);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
