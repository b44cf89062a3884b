// One call's hold on the simulated device's folder: its lock, the state read
// afresh, and the call's journal lines.
#pragma once

#include "devicestate.h"
#include "folder.h"

#include <string>

namespace velsim {

class DeviceCall {
public:
    // The folder VEL_SDK_HOME names now, or a given one.
    DeviceCall();
    explicit DeviceCall(const std::wstring& folder);
    DeviceCall(const DeviceCall&) = delete;
    DeviceCall& operator=(const DeviceCall&) = delete;

    DeviceState& State() { return m_state; }
    const std::wstring& Folder() const { return m_folder; }

    // Puts the state the call changed on disk. False, with a journal line
    // saying why, when it could not: the call then reports failure. A state
    // file that exists but could not be read is never replaced.
    bool Store();

    // The call's line, after any bad values it read.
    void Journal(const std::string& line);
    // The bad values read so far, for a line the caller writes later.
    void JournalBadValues();

private:
    std::wstring StatePath() const { return FolderFile(m_folder, L"device.ini"); }
    void Line(const std::string& line);

    std::wstring m_folder;
    FolderLock m_lock;
    DeviceState m_state;
    bool m_unreadable = false;
    bool m_written = false;
};

} // namespace velsim
