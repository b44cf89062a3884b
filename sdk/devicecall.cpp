#include "devicecall.h"

#include "journal.h"

namespace velsim {

DeviceCall::DeviceCall() : DeviceCall(HomeFolder()) {}

DeviceCall::DeviceCall(const std::wstring& folder) : m_folder(folder), m_lock(m_folder) {
    std::string text;
    if (ReadWholeFile(StatePath(), &text))
        m_state = DeviceState(text);
    else
        m_unreadable = FileExists(StatePath());
}

bool DeviceCall::Store() {
    if (!m_state.Changed() || m_written)
        return true;
    std::string why = "device.ini exists but cannot be read";
    if (!m_unreadable)
        m_written = WriteFileAtomic(StatePath(), m_state.Text(), &why);
    if (!m_written)
        Line("StateNotStored " + why);
    return m_written;
}

void DeviceCall::Journal(const std::string& line) {
    JournalBadValues();
    Line(line);
}

void DeviceCall::JournalBadValues() {
    for (const std::string& bad : m_state.TakeBadValues())
        Line("BadValue " + bad);
}

void DeviceCall::Line(const std::string& line) {
    JournalLine(m_folder, line);
}

} // namespace velsim
