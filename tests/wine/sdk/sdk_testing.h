// Helpers shared by the simulated device's test programs.
#pragma once

#include "Vel_DeviceManager.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sdktest {

// A zero-filled record, as callers hand it to EnumDevice.
std::unique_ptr<_VEL_DEVICE_INFO> Enumerate();

// Entry 0 as a caller uses it: at most 259 characters, NUL-terminated.
std::wstring FirstPath();

// Opens entry 0 of the enumeration; true when the journal says ok.
bool OpenFirst(Vel_DeviceManager& device);

// Runs a program of the test's folder with arguments and waits for its exit
// code (-1 if it could not start or did not end within the time).
HANDLE StartProgram(const std::wstring& exe, const std::wstring& args);
int WaitProgram(HANDLE process, DWORD timeoutMs = 30000);

// The journal lines that start with `prefix`, in order.
std::vector<std::string> JournalLines(const std::string& prefix);

// The 64-byte report the panel sends for a contact or a release.
std::vector<uint8_t> ExpectedReport(bool contact, unsigned x, unsigned y);

// Collects what the device hands to the data callback.
class Recorder {
public:
    struct Block {
        std::vector<uint8_t> bytes;
        bool endsAtNoAccess; // the byte after the block cannot be read
    };

    explicit Recorder(Vel_DeviceManager* pDevice) : m_pDevice(pDevice) {}

    static void VEL_CALLBACK Callback(const unsigned char* data, unsigned char length,
                                      void* context);

    // Runs inside the callback after the block is recorded.
    std::function<void(Recorder&)> onReport;

    std::vector<Block> Blocks();
    size_t Count() const { return m_count; }
    bool WaitForCount(size_t count, int timeoutMs);
    Vel_DeviceManager* Device() const { return m_pDevice; }
    std::atomic<bool> inside{false};

private:
    Vel_DeviceManager* m_pDevice;
    std::mutex m_lock;
    std::vector<Block> m_blocks;
    std::atomic<size_t> m_count{0};
};

} // namespace sdktest
