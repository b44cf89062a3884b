#include "calibstore.h"

#include <windows.h>

#include <cstdio>

#include "utf8.h"

namespace {

std::wstring Environment(const wchar_t* pName) {
    wchar_t value[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableW(pName, value, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(value, n) : std::wstring();
}

std::wstring Folder() {
    const std::wstring tools = Environment(L"VEL_TOOLS_HOME");
    if (!tools.empty())
        return tools;
    const std::wstring local = Environment(L"LOCALAPPDATA");
    return local.empty() ? local : local + L"\\VelTouch";
}

bool ReadFile(const std::wstring& path, std::string& text) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    bool bOk = ::GetFileSizeEx(file, &size) && size.QuadPart < (1 << 22);
    if (bOk) {
        text.resize(static_cast<size_t>(size.QuadPart));
        DWORD nRead = 0;
        bOk = text.empty() ||
              (::ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &nRead, nullptr) &&
               nRead == text.size());
    }
    ::CloseHandle(file);
    return bOk;
}

} // namespace

std::wstring MemoryFilePath() {
    const std::wstring folder = Folder();
    return folder.empty() ? folder : folder + L"\\calibrations.ini";
}

std::vector<RememberedCalibration> LoadMemory() {
    std::string text;
    const std::wstring path = MemoryFilePath();
    if (path.empty() || !ReadFile(path, text))
        return {};
    return ParseMemory(text);
}

bool SaveRemembered(const RememberedCalibration& entry) {
    const std::wstring folder = Folder();
    if (folder.empty())
        return false;
    ::CreateDirectoryW(folder.c_str(), nullptr);
    // Several programs may calibrate in turn: one writer at a time.
    HANDLE hMutex = ::CreateMutexW(nullptr, FALSE, L"Local\\VelTouchCalibrationMemory");
    if (hMutex != nullptr)
        ::WaitForSingleObject(hMutex, 5000);
    std::vector<RememberedCalibration> memory = LoadMemory();
    Remember(memory, entry);
    const std::string text = FormatMemory(memory);
    const std::wstring path = MemoryFilePath();
    const std::wstring temporary = path + L".new";
    bool bOk = false;
    HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD nWritten = 0;
        bOk = ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &nWritten, nullptr) &&
              nWritten == text.size() && ::FlushFileBuffers(file);
        ::CloseHandle(file);
        bOk = bOk && ::MoveFileExW(temporary.c_str(), path.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!bOk)
            ::DeleteFileW(temporary.c_str());
    }
    if (hMutex != nullptr) {
        ::ReleaseMutex(hMutex);
        ::CloseHandle(hMutex);
    }
    return bOk;
}

std::string UtcNow() {
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    return text;
}
