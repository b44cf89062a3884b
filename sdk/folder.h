// The simulated device's folder: where it is, its lock, and its files.
//
// The folder is VEL_SDK_HOME when that is set, else %LOCALAPPDATA%\VelSim.
// Every process that uses the same folder serialises its reads and writes of
// the folder's files with one named mutex derived from the folder's path.
#pragma once

#include <windows.h>

#include <string>

namespace velsim {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

// Resolves the folder and creates it when missing.
std::wstring HomeFolder();
std::wstring FolderFile(const std::wstring& folder, const wchar_t* name);
std::wstring FolderFile(const std::wstring& folder, const std::string& name);

// Holds the folder's mutex for its lifetime. The mutex is recursive within a
// thread; one abandoned by a crashed process counts as acquired.
class FolderLock {
public:
    explicit FolderLock(const std::wstring& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    HANDLE m_mutex;
};

// False when the file does not exist or cannot be read.
bool ReadWholeFile(const std::wstring& path, std::string* pText);
// Writes a temporary file beside the target and moves it over the target, so
// a reader sees the old text or the new one, never a part. On failure,
// *pWhy (when given) says which step failed and the system's error code.
bool WriteFileAtomic(const std::wstring& path, const std::string& text,
                     std::string* pWhy = nullptr);
bool AppendToFile(const std::wstring& path, const std::string& text);
bool FileExists(const std::wstring& path);
bool CreateEmptyFile(const std::wstring& path);

} // namespace velsim
