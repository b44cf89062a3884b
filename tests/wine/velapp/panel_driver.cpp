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
