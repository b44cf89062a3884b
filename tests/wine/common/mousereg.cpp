#include "mousereg.h"

#include "check.h"

namespace mousereg {

namespace {

HKEY OpenMouseKey() {
    HKEY hKey = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Mouse", 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        check::Fail(__FILE__, __LINE__, "cannot open Control Panel\\Mouse");
    return hKey;
}

} // namespace

void SetMouseText(const char* name, const std::string& text) {
    SetMouseValue(name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void SetMouseNumber(const char* name, DWORD value) {
    SetMouseValue(name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

void SetMouseValue(const char* name, DWORD type, const std::string& bytes) {
    HKEY hKey = OpenMouseKey();
    if (type == 0)
        ::RegDeleteValueA(hKey, name);
    else
        ::RegSetValueExA(hKey, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                         static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(hKey);
}

DWORD GetMouseValue(const char* name, std::string* pBytes) {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Mouse", 0, KEY_READ, &hKey) !=
        ERROR_SUCCESS)
        return 0;
    char buffer[256] = {};
    DWORD type = 0;
    DWORD size = sizeof(buffer);
    if (::RegQueryValueExA(hKey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        type = 0;
    ::RegCloseKey(hKey);
    if (pBytes != nullptr)
        pBytes->assign(buffer, type != 0 ? size : 0);
    return type;
}

std::string GetMouseText(const char* name) {
    std::string bytes;
    return GetMouseValue(name, &bytes) == REG_SZ ? std::string(bytes.c_str()) : std::string();
}

} // namespace mousereg
