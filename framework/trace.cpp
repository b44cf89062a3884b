// Traces and failed assertions.
#include "afximpl.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

void Output(const char* pszText) {
    wchar_t szWide[512];
    if (::MultiByteToWideChar(CP_UTF8, 0, pszText, -1, szWide, ARRAYSIZE(szWide)) > 0)
        ::OutputDebugStringW(szWide);
}

} // namespace

// mingw-w64's C99 formatter, whichever printf the runtime would pick: %s is a
// narrow string and %ls a wide one in every build; longer lines are cut.
void AfxTrace(const char* pszFormat, ...) {
    char szText[512];
    va_list args;
    va_start(args, pszFormat);
    int nLen = __mingw_vsnprintf(szText, sizeof(szText), pszFormat, args);
    va_end(args);
    if (nLen >= 0)
        Output(szText);
}

void AfxAssertFailedLine(const char* pszFile, int nLine, const char* pszExpression) {
    char szText[512];
    if (__mingw_snprintf(szText, sizeof(szText), "%s(%d): assertion failed: %s\n", pszFile, nLine,
                         pszExpression) < 0)
        szText[0] = '\0';
    Output(szText);
    // Tests run without a debugger: they read stderr and the exit code.
    HANDLE hStdErr = ::GetStdHandle(STD_ERROR_HANDLE);
    if (hStdErr != nullptr && hStdErr != INVALID_HANDLE_VALUE) {
        DWORD nWritten = 0;
        ::WriteFile(hStdErr, szText, static_cast<DWORD>(std::strlen(szText)), &nWritten, nullptr);
    }
    if (::IsDebuggerPresent()) {
        ::DebugBreak();
        return;
    }
    ::TerminateProcess(::GetCurrentProcess(), STATUS_ASSERTION_FAILURE);
}
