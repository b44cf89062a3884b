// CString: the framework's wide-character string, kept small.
#pragma once

#include <string>
#include <wchar.h>

class CString {
public:
    CString() = default;
    CString(const wchar_t* psz) : m_str(psz ? psz : L"") {}
    CString(const std::wstring& str) : m_str(str) {}

    operator const wchar_t*() const { return m_str.c_str(); }
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    int Compare(const wchar_t* psz) const { return wcscmp(m_str.c_str(), psz ? psz : L""); }
    const std::wstring& str() const { return m_str; }

    friend bool operator==(const CString& a, const wchar_t* b) { return a.Compare(b) == 0; }
    friend bool operator!=(const CString& a, const wchar_t* b) { return a.Compare(b) != 0; }

private:
    std::wstring m_str;
};
