#include "sdk_testing.h"

#include "simdevice.h"

#include <cstdio>
#include <cstring>

namespace sdktest {

namespace {

// A fault (a callback reading past its block, say) ends the test program with
// a line and exit code 3 instead of waiting for a debugger until the time-out.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* pException) {
    std::printf("crash: exception %08lx at %p\n", pException->ExceptionRecord->ExceptionCode,
                pException->ExceptionRecord->ExceptionAddress);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

const LPTOP_LEVEL_EXCEPTION_FILTER kPreviousFilter = SetUnhandledExceptionFilter(ReportCrash);

} // namespace

std::unique_ptr<_VEL_DEVICE_INFO> Enumerate() {
    std::unique_ptr<_VEL_DEVICE_INFO> info(new _VEL_DEVICE_INFO);
    std::memset(info.get(), 0, sizeof *info);
    Vel_DeviceManager::EnumDevice(info.get());
    return info;
}

std::wstring FirstPath() {
    std::unique_ptr<_VEL_DEVICE_INFO> info = Enumerate();
    return std::wstring(info->devicePath[0], wcsnlen(info->devicePath[0], VEL_MAX_PATH - 1));
}

bool OpenFirst(Vel_DeviceManager& device) {
    std::wstring path = FirstPath();
    device.OpenDevice(&path[0]);
    std::vector<std::string> lines = simdev::Journal();
    return !lines.empty() && lines.back().size() > 5 &&
           lines.back().compare(lines.back().size() - 5, 5, "-> ok") == 0;
}

HANDLE StartProgram(const std::wstring& exe, const std::wstring& args) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    dir.resize(dir.find_last_of(L'\\') + 1);
    std::wstring command = L"\"" + dir + exe + L"\" " + args;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

int WaitProgram(HANDLE process, DWORD timeoutMs) {
    if (!process)
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return static_cast<int>(code);
}

std::vector<std::string> JournalLines(const std::string& prefix) {
    std::vector<std::string> lines;
    for (const std::string& line : simdev::Journal()) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line);
    }
    return lines;
}

std::vector<uint8_t> ExpectedReport(bool contact, unsigned x, unsigned y) {
    std::vector<uint8_t> report(64, 0);
    report[11] = contact ? 7 : 0;
    report[12] = x & 0xFF;
    report[13] = x >> 8;
    report[14] = y & 0xFF;
    report[15] = y >> 8;
    report[60] = 1;
    return report;
}

void VEL_CALLBACK Recorder::Callback(const unsigned char* data, unsigned char length,
                                     void* context) {
    Recorder& self = *static_cast<Recorder*>(context);
    self.inside = true;
    MEMORY_BASIC_INFORMATION after{};
    VirtualQuery(data + length, &after, sizeof after);
    {
        std::lock_guard<std::mutex> lock(self.m_lock);
        self.m_blocks.push_back(
            Block{std::vector<uint8_t>(data, data + length), after.Protect == PAGE_NOACCESS});
    }
    if (self.onReport)
        self.onReport(self);
    ++self.m_count;
    self.inside = false;
}

std::vector<Recorder::Block> Recorder::Blocks() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_blocks;
}

bool Recorder::WaitForCount(size_t count, int timeoutMs) {
    for (DWORD start = GetTickCount(); m_count < count; Sleep(5)) {
        if (GetTickCount() - start > static_cast<DWORD>(timeoutMs))
            return false;
    }
    return true;
}

} // namespace sdktest
