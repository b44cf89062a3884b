// The system's own words for an error code, as the tools' messages quote them.
#pragma once

#include <windows.h>

#include <string>

namespace velsdk {

// FormatMessage's text for a Windows error code, without its line break; ""
// when the system has none.
inline std::wstring SystemErrorText(DWORD error) {
    wchar_t* pText = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<wchar_t*>(&pText), 0, nullptr);
    std::wstring text = pText != nullptr ? pText : L"";
    ::LocalFree(pText);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text;
}

} // namespace velsdk
