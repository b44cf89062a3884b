#include "folder.h"

#include <shlobj.h>

#include <cwctype>

namespace velsim {

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty())
        return std::wstring();
    int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string utf8(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], size,
                        nullptr, nullptr);
    return utf8;
}

namespace {

std::wstring Environment(const wchar_t* name) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0)
        return std::wstring();
    std::wstring value(size, L'\0');
    size = GetEnvironmentVariableW(name, &value[0], size);
    value.resize(size);
    return value;
}

std::wstring FullPath(const std::wstring& path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::wstring full(size, L'\0');
    size = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
    full.resize(size);
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/'))
        full.pop_back();
    return full;
}

// Mutex names may not contain backslashes: name it by a hash (FNV-1a) of the
// folder's full path, case folded as the file system folds it.
std::wstring MutexName(const std::wstring& folder) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (wchar_t c : folder) {
        hash ^= static_cast<uint16_t>(std::towupper(c == L'/' ? L'\\' : c));
        hash *= 0x100000001b3ull;
    }
    wchar_t name[64];
    wsprintfW(name, L"Local\\VelSimFolder-%08x%08x", static_cast<unsigned>(hash >> 32),
              static_cast<unsigned>(hash));
    return name;
}

} // namespace

std::wstring HomeFolder() {
    std::wstring folder = Environment(L"VEL_SDK_HOME");
    if (folder.empty()) {
        std::wstring base = Environment(L"LOCALAPPDATA");
        if (base.empty()) {
            wchar_t path[MAX_PATH] = {};
            if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path)))
                base = path;
        }
        folder = base + L"\\VelSim";
    }
    folder = FullPath(folder);
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return folder;
}

std::wstring FolderFile(const std::wstring& folder, const wchar_t* name) {
    return folder + L"\\" + name;
}

std::wstring FolderFile(const std::wstring& folder, const std::string& name) {
    return folder + L"\\" + Utf8ToWide(name);
}

FolderLock::FolderLock(const std::wstring& folder)
    : m_mutex(CreateMutexW(nullptr, FALSE, MutexName(folder).c_str())) {
    if (m_mutex)
        WaitForSingleObject(m_mutex, INFINITE);
}

FolderLock::~FolderLock() {
    if (m_mutex) {
        ReleaseMutex(m_mutex);
        CloseHandle(m_mutex);
    }
}

bool ReadWholeFile(const std::wstring& path, std::string* pText) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr) != FALSE) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    if (ok)
        pText->swap(text);
    return ok;
}

bool WriteFileAtomic(const std::wstring& path, const std::string& text, std::string* pWhy) {
    auto fail = [pWhy](const char* step) {
        if (pWhy)
            *pWhy = std::string(step) + " failed, error " + std::to_string(GetLastError());
        return false;
    };
    wchar_t suffix[48];
    wsprintfW(suffix, L".%lu.%lu.tmp", GetCurrentProcessId(), GetCurrentThreadId());
    std::wstring temp = path + suffix;
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return fail("creating the temporary file");
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size() && FlushFileBuffers(file);
    if (!ok)
        fail("writing the temporary file");
    CloseHandle(file);
    // A reader that opened the target without sharing delete blocks the
    // replace for a moment; give it a little while.
    for (int attempt = 0; ok; ++attempt) {
        if (MoveFileExW(temp.c_str(), path.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            break;
        if (attempt == 100) {
            ok = fail("replacing the file");
        } else {
            Sleep(10);
        }
    }
    if (!ok)
        DeleteFileW(temp.c_str());
    return ok;
}

bool AppendToFile(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    CloseHandle(file);
    return ok;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CreateEmptyFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

} // namespace velsim
