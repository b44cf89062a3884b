// The user's double-click settings as the control panel and velctl keep them:
// text values under HKEY_CURRENT_USER\Control Panel\Mouse, and the running
// system's own copy.
#pragma once

#include <windows.h>

namespace mousekey {

// The key below HKEY_CURRENT_USER.
extern const wchar_t kPath[];

// HKEY_CURRENT_USER\Control Panel\Mouse opened with the access asked for,
// closed when the object goes.
class Key {
public:
    explicit Key(REGSAM access);
    ~Key();
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    bool IsOpen() const { return m_hKey != nullptr; }
    operator HKEY() const { return m_hKey; }

private:
    HKEY m_hKey = nullptr;
};

// Queries a value into a 24-byte buffer. The result of the query; *pbNumber
// is set when the value is text, with its number in *pValue.
LONG QueryNumber(HKEY hKey, const char* pszName, bool* pbNumber, int* pValue);

// Writes the number as "%d" text.
LONG SetNumber(HKEY hKey, const char* pszName, int value);

// Hands the values to the running system: the time, then the range as the
// double-click rectangle's height and width.
void HandToSystem(bool bSpeed, int speed, bool bRange, int range);

} // namespace mousekey
