#include "fitlabels.h"

#include <string>
#include <vector>

#include "labelfit.h"

namespace {

panel::Box BoxOf(HWND hDlg, HWND hCtl) {
    RECT rect = {};
    ::GetWindowRect(hCtl, &rect);
    ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right, rect.bottom};
}

bool IsClass(HWND hWnd, const wchar_t* name) {
    wchar_t cls[32] = {};
    ::GetClassNameW(hWnd, cls, 32);
    return lstrcmpiW(cls, name) == 0;
}

// The caption of a static measured as the control draws it: in its font,
// tabs expanded, '&' as the control takes it, and wrapped at word breaks
// unless it keeps one line. Measured on the one screen-compatible DC the
// fitting shares (a window's own DC costs more to get, and draws the same).
class Caption {
public:
    Caption(HDC hdc, HWND hCtl, LONG style) : m_hdc(hdc) {
        wchar_t text[256] = {};
        ::GetWindowTextW(hCtl, text, 256);
        m_text = text;
        HFONT hFont = reinterpret_cast<HFONT>(::SendMessageW(hCtl, WM_GETFONT, 0, 0));
        m_hOld = ::SelectObject(m_hdc, hFont ? hFont : ::GetStockObject(SYSTEM_FONT));
        m_format = DT_CALCRECT | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
    }
    ~Caption() { ::SelectObject(m_hdc, m_hOld); }
    Caption(const Caption&) = delete;
    Caption& operator=(const Caption&) = delete;

    bool Empty() const { return m_text.empty(); }
    panel::TextSize OneLine() const { return Measure(0, DT_SINGLELINE); }
    panel::TextSize Wrapped(int width) const { return Measure(width, DT_WORDBREAK); }

private:
    panel::TextSize Measure(int width, UINT format) const {
        RECT rect = {0, 0, width, 0};
        ::DrawTextW(m_hdc, m_text.c_str(), -1, &rect, m_format | format);
        return {rect.right - rect.left, rect.bottom - rect.top};
    }

    HDC m_hdc;
    HGDIOBJ m_hOld;
    UINT m_format;
    std::wstring m_text;
};

// Room inside a group box's frame: below its caption, within its edges.
panel::Box InsideOf(HDC hdc, HWND hGroup, const panel::Box& box) {
    HFONT hFont = reinterpret_cast<HFONT>(::SendMessageW(hGroup, WM_GETFONT, 0, 0));
    HGDIOBJ hOld = ::SelectObject(hdc, hFont ? hFont : ::GetStockObject(SYSTEM_FONT));
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(hdc, &metrics);
    ::SelectObject(hdc, hOld);
    const int cx = ::GetSystemMetrics(SM_CXEDGE), cy = ::GetSystemMetrics(SM_CYEDGE);
    return {box.left + cx, box.top + metrics.tmHeight, box.right - cx, box.bottom - cy};
}

} // namespace

void FitLabelsToCaptions(HWND hDlg) {
    HDC hdc = ::CreateCompatibleDC(nullptr);
    if (hdc == nullptr)
        return;
    std::vector<HWND> controls;
    std::vector<panel::Neighbour> boxes;
    for (HWND hCtl = ::GetWindow(hDlg, GW_CHILD); hCtl != nullptr;
         hCtl = ::GetWindow(hCtl, GW_HWNDNEXT)) {
        panel::Neighbour neighbour;
        neighbour.box = BoxOf(hDlg, hCtl);
        neighbour.groupBox = IsClass(hCtl, L"Button") &&
                             (::GetWindowLongW(hCtl, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
        if (neighbour.groupBox)
            neighbour.inside = InsideOf(hdc, hCtl, neighbour.box);
        controls.push_back(hCtl);
        boxes.push_back(neighbour);
    }
    RECT client = {};
    ::GetClientRect(hDlg, &client);

    for (size_t i = 0; i < controls.size(); ++i) {
        const LONG style = ::GetWindowLongW(controls[i], GWL_STYLE);
        const LONG type = style & SS_TYPEMASK;
        if (!IsClass(controls[i], L"Static") ||
            (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_SIMPLE &&
             type != SS_LEFTNOWORDWRAP))
            continue;
        const Caption caption(hdc, controls[i], style);
        if (caption.Empty())
            continue;
        panel::Label label;
        label.box = boxes[i].box;
        label.align = type == SS_RIGHT    ? panel::TextAlign::Right
                      : type == SS_CENTER ? panel::TextAlign::Centre
                                          : panel::TextAlign::Left;
        label.oneLine = caption.OneLine();
        // As the control draws them: these wrap, unless centred vertically.
        if ((type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) && !(style & SS_CENTERIMAGE))
            label.wrapped = [&caption](int width) { return caption.Wrapped(width); };

        std::vector<panel::Neighbour> others = boxes;
        others.erase(others.begin() + static_cast<std::ptrdiff_t>(i));
        const panel::Box fitted =
            panel::FitLabel(label, others, {client.left, client.top, client.right, client.bottom});
        if (fitted == label.box)
            continue;
        ::SetWindowPos(controls[i], nullptr, fitted.left, fitted.top, fitted.Width(),
                       fitted.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        boxes[i].box = fitted;
    }
    ::DeleteDC(hdc);
}
