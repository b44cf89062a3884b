// CString: the framework's wide-character string, kept small.
#pragma once

#include <string>

class CString {
public:
    CString() = default;
    CString(const std::wstring& str) : m_str(str) {}

    operator const wchar_t*() const { return m_str.c_str(); }

private:
    std::wstring m_str;
};
