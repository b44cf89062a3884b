#include "simdevice.h"

#include "devicestate.h"

namespace simdev {

namespace {

std::wstring Widen(const std::string& text) {
    if (text.empty())
        return std::wstring();
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &wide[0], size);
    return wide;
}

std::wstring PathOf(const std::string& name) {
    return Home() + L"\\" + Widen(name);
}

// Opened with full sharing, so the library can replace or append meanwhile.
std::string ReadText(const std::string& name) {
    HANDLE file = ::CreateFileW(PathOf(name).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

void WriteText(const std::string& name, const std::string& text) {
    CreateDirectoryW(Home().c_str(), nullptr);
    std::wstring temp = PathOf(name + ".test.tmp");
    HANDLE file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr);
    CloseHandle(file);
    MoveFileExW(temp.c_str(), PathOf(name).c_str(), MOVEFILE_REPLACE_EXISTING);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

std::string Trim(const std::string& s) {
    size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Key of a "key = value" line; empty for comments and other lines.
std::string KeyOf(const std::string& line) {
    std::string body = Trim(line);
    size_t eq = body.find('=');
    if (body.empty() || body[0] == '#' || eq == std::string::npos)
        return std::string();
    return Trim(body.substr(0, eq));
}

} // namespace

std::wstring Home() {
    wchar_t value[1024];
    DWORD size = GetEnvironmentVariableW(L"VEL_SDK_HOME", value, 1024);
    if (size > 0 && size < 1024)
        return value;
    size = GetEnvironmentVariableW(L"LOCALAPPDATA", value, 1024);
    return std::wstring(size > 0 && size < 1024 ? value : L"") + L"\\VelSim";
}

void Set(const std::string& key, const std::string& value) {
    std::vector<std::string> lines = Lines(ReadText("device.ini"));
    bool found = false;
    for (std::string& line : lines) {
        if (!found && KeyOf(line) == key) {
            line = key + " = " + value;
            found = true;
        }
    }
    if (!found)
        lines.push_back(key + " = " + value);
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    WriteText("device.ini", text);
}

std::string Get(const std::string& key) {
    for (const std::string& line : Lines(ReadText("device.ini"))) {
        if (KeyOf(line) == key)
            return Trim(line.substr(line.find('=') + 1));
    }
    return velsim::FactoryValue(key);
}

std::vector<std::string> Journal() {
    std::vector<std::string> lines;
    for (const std::string& line : Lines(ReadText("journal.txt"))) {
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

void ClearJournal() {
    DeleteFileW(PathOf("journal.txt").c_str());
}

size_t CountJournal(const std::string& prefix) {
    size_t count = 0;
    for (const std::string& line : Journal())
        count += line.compare(0, prefix.size(), prefix) == 0;
    return count;
}

bool WaitForJournal(const std::string& prefix, size_t count, int timeoutMs) {
    for (DWORD start = GetTickCount(); CountJournal(prefix) < count; Sleep(10)) {
        if (GetTickCount() - start > (DWORD)timeoutMs)
            return false;
    }
    return true;
}

void WriteScript(const std::string& text) {
    WriteText("script.txt", text);
}

void RemoveScript() {
    DeleteFileW(PathOf("script.txt").c_str());
}

bool FileExists(const std::string& name) {
    return GetFileAttributesW(PathOf(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitForFile(const std::string& name, int timeoutMs) {
    for (DWORD start = GetTickCount(); !FileExists(name); Sleep(10)) {
        if (GetTickCount() - start > (DWORD)timeoutMs)
            return false;
    }
    return true;
}

void CreateFile(const std::string& name) {
    CreateDirectoryW(Home().c_str(), nullptr);
    HANDLE file = ::CreateFileW(PathOf(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

void Reset() {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((Home() + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileW((Home() + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

} // namespace simdev
