#include "deliveryhost.h"

#include "desktouch.h"
#include "folder.h"
#include "journal.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace velsim {

namespace {

// Holds each block flush against an inaccessible page, so a callback that
// reads past the length it was given faults instead of reading stale bytes.
class ReportBuffer {
public:
    ReportBuffer() {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        m_page = info.dwPageSize;
        m_base = static_cast<uint8_t*>(
            VirtualAlloc(nullptr, 2 * m_page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (m_base && !VirtualProtect(m_base + m_page, m_page, PAGE_NOACCESS, &old)) {
            VirtualFree(m_base, 0, MEM_RELEASE);
            m_base = nullptr;
        }
    }
    ~ReportBuffer() {
        if (m_base)
            VirtualFree(m_base, 0, MEM_RELEASE);
    }
    ReportBuffer(const ReportBuffer&) = delete;
    ReportBuffer& operator=(const ReportBuffer&) = delete;

    const uint8_t* Place(const uint8_t* data, size_t length) {
        if (!m_base) {
            m_fallback.assign(data, data + length);
            return m_fallback.data();
        }
        uint8_t* block = m_base + m_page - length;
        std::copy(data, data + length, block);
        return block;
    }

private:
    size_t m_page = 0;
    uint8_t* m_base = nullptr;
    std::vector<uint8_t> m_fallback;
};

class SystemHost final : public DeliveryHost {
public:
    void Journal(const std::wstring& folder, const std::string& line) override {
        JournalLine(folder, line);
    }

    const uint8_t* Place(const uint8_t* data, size_t length) override {
        return m_buffer.Place(data, length);
    }

    bool TakeFile(const std::wstring& folder, const std::string& name) override {
        std::wstring path = FolderFile(folder, name);
        if (!FileExists(path))
            return false;
        DeleteFileW(path.c_str());
        return true;
    }

    void MakeFile(const std::wstring& folder, const std::string& name) override {
        CreateEmptyFile(FolderFile(folder, name));
    }

    DisplayLayout Layout() override { return CurrentLayout(); }

    bool LeftButtonAt(int* pX, int* pY) override {
        POINT cursor{};
        if ((GetAsyncKeyState(VK_LBUTTON) & 0x8000) == 0 || !GetCursorPos(&cursor))
            return false;
        *pX = cursor.x;
        *pY = cursor.y;
        return true;
    }

    bool ShownOnPanel(int panelDisplay) override {
        const PixelRect d = CurrentLayout().Display(panelDisplay);
        const POINT centre{d.left + d.width / 2, d.top + d.height / 2};
        const HWND hWnd = GetAncestor(WindowFromPoint(centre), GA_ROOT);
        DWORD process = 0;
        return hWnd != nullptr && IsWindowVisible(hWnd) &&
               GetWindowThreadProcessId(hWnd, &process) != 0 && process == GetCurrentProcessId();
    }

    void DeskTouch(const std::wstring& folder, int x, int y, int panelDisplay,
                   const PanelModel& panel, GaussianNoise& noise) override {
        velsim::DeskTouch(folder, x, y, panelDisplay, panel, noise);
    }

private:
    ReportBuffer m_buffer;
};

} // namespace

std::shared_ptr<DeliveryHost> SystemDeliveryHost() {
    return std::make_shared<SystemHost>();
}

} // namespace velsim
