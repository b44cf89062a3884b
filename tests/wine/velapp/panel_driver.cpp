#include "panel_driver.h"

#include <cstdio>
#include <fstream>

#include "check.h"
#include "simdevice.h"

namespace panel_test {

void Open(Panel& panel) {
    ui::Start(panel.program, L"VelApp.exe");
    panel.hDlg = ui::WaitForWindow(panel.program.pid, L"#32770");
    CHECK(panel.hDlg != nullptr);
    // The dialog is shown only after its initialisation; give its first
    // messages time to settle.
    ui::Sync(panel.hDlg);
}

std::vector<std::string> Calls() {
    std::vector<std::string> calls;
    for (const std::string& line : simdev::Journal()) {
        if (line.rfind("Report ", 0) != 0 && !line.empty())
            calls.push_back(line);
    }
    return calls;
}

std::vector<std::string> CallNames() {
    std::vector<std::string> names;
    for (const std::string& line : Calls())
        names.push_back(line.substr(0, line.find(' ')));
    return names;
}

std::vector<unsigned char> LastRecord(const std::string& op) {
    std::vector<unsigned char> bytes;
    for (const std::string& line : Calls()) {
        if (line.rfind(op + " ", 0) != 0)
            continue;
        size_t at = line.find("bytes=");
        if (at == std::string::npos)
            continue;
        bytes.clear();
        for (size_t i = at + 6; i + 1 < line.size() && line[i] != ' '; i += 2)
            bytes.push_back(static_cast<unsigned char>(std::stoi(line.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

namespace {

HKEY OpenMouseKey() {
    HKEY hKey = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Mouse", 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        check::Fail(__FILE__, __LINE__, "cannot open Control Panel\\Mouse");
    return hKey;
}

} // namespace

void SetMouseText(const char* name, const std::string& text) {
    SetMouseValue(name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void SetMouseNumber(const char* name, DWORD value) {
    SetMouseValue(name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

void SetMouseValue(const char* name, DWORD type, const std::string& bytes) {
    HKEY hKey = OpenMouseKey();
    if (type == 0)
        ::RegDeleteValueA(hKey, name);
    else
        ::RegSetValueExA(hKey, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(hKey);
}

DWORD GetMouseValue(const char* name, std::string* pBytes) {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Mouse", 0, KEY_READ, &hKey) !=
        ERROR_SUCCESS)
        return 0;
    char buffer[256] = {};
    DWORD type = 0;
    DWORD size = sizeof(buffer);
    if (::RegQueryValueExA(hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        type = 0;
    ::RegCloseKey(hKey);
    if (pBytes != nullptr)
        pBytes->assign(buffer, type != 0 ? size : 0);
    return type;
}

MouseKeyRemoved::MouseKeyRemoved() {
    GetMouseValue("DoubleClickWidth", &m_width);
    GetMouseValue("DoubleClickHeight", &m_height);
    GetMouseValue("DoubleClickSpeed", &m_speed);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Control Panel\\Mouse");
}

MouseKeyRemoved::~MouseKeyRemoved() {
    auto restore = [](const char* name, const std::string& bytes) {
        std::string text = bytes.c_str();
        SetMouseText(name, text.empty() ? "4" : text);
    };
    restore("DoubleClickWidth", m_width);
    restore("DoubleClickHeight", m_height);
    if (m_speed.empty())
        SetMouseText("DoubleClickSpeed", "500");
    else
        restore("DoubleClickSpeed", m_speed);
}

std::vector<int> SystemDoubleClick() {
    std::wstring out = simdev::Home() + L"\\dblclk.txt";
    ::DeleteFileW(out.c_str());
    ui::Program probe;
    ui::Start(probe, L"dblclk_probe.exe", L"\"" + out + L"\"");
    CHECK_EQ(probe.Wait(), 0);
    std::ifstream in(ui::Narrow(out).c_str());
    std::vector<int> values(3, -1);
    in >> values[0] >> values[1] >> values[2];
    return values;
}

std::string Join(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ",") + item;
    return text;
}

} // namespace panel_test
