// One use of the touch screen as the tools make it: a fresh manager,
// OpenDevice, the calls, CloseDevice and delete, in that order. The control
// panel, velctl and their orientation and reset each hold one for the calls
// of one action.
#pragma once

#include "Vel_DeviceManager.h"

namespace velsdk {

// What GetOutPutMode leaves in its mode when the device has no output mode.
const unsigned char kNoOutputMode = 0xFE;

class DeviceSession {
public:
    explicit DeviceSession(VEL_WCHAR* pPath) : m_pDevice(new Vel_DeviceManager) {
        m_pDevice->OpenDevice(pPath);
    }
    ~DeviceSession() {
        m_pDevice->CloseDevice();
        delete m_pDevice;
    }
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    Vel_DeviceManager* operator->() const { return m_pDevice; }

    // The output mode GetOutPutMode reports; kNoOutputMode when it has none.
    unsigned char OutputMode() const {
        unsigned char type = 0;
        unsigned char mode = kNoOutputMode;
        unsigned char enable = 0;
        m_pDevice->GetOutPutMode(&type, &mode, &enable);
        return mode;
    }

private:
    Vel_DeviceManager* m_pDevice;
};

} // namespace velsdk
