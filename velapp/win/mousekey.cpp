#include "mousekey.h"

#include <string>

#include "panelcore.h"

namespace mousekey {

const wchar_t kPath[] = L"Control Panel\\Mouse";

Key::Key(REGSAM access) {
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kPath, 0, access, &m_hKey) != ERROR_SUCCESS)
        m_hKey = nullptr;
}

Key::~Key() {
    if (m_hKey != nullptr)
        ::RegCloseKey(m_hKey);
}

LONG QueryNumber(HKEY hKey, const char* pszName, bool* pbNumber, int* pValue) {
    char buffer[24];
    DWORD type = 0;
    DWORD size = sizeof(buffer);
    LONG status =
        ::RegQueryValueExA(hKey, pszName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    *pbNumber = status == ERROR_SUCCESS && type == REG_SZ;
    if (*pbNumber)
        *pValue = panel::NumberFromRegistryText(buffer, size, sizeof(buffer));
    return status;
}

LONG SetNumber(HKEY hKey, const char* pszName, int value) {
    const std::string text = panel::RegistryTextFromNumber(value);
    return ::RegSetValueExA(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
}

void HandToSystem(bool bSpeed, int speed, bool bRange, int range) {
    if (bSpeed)
        ::SystemParametersInfoW(SPI_SETDOUBLECLICKTIME, static_cast<UINT>(speed), nullptr, 0);
    if (bRange) {
        ::SystemParametersInfoW(SPI_SETDOUBLECLKHEIGHT, static_cast<UINT>(range), nullptr, 0);
        ::SystemParametersInfoW(SPI_SETDOUBLECLKWIDTH, static_cast<UINT>(range), nullptr, 0);
    }
}

} // namespace mousekey
