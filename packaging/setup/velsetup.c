/* The custom actions of the Windows Installer package (VelTouch.wxs).
 *
 * CheckSetup     immediate, before costing: refuses what cannot work, with
 *                words in the log, before anything is installed; decides
 *                MAKERSDKDLL, the maker's SDK.dll that is in use (given now as
 *                SDKDLL, or copied by an earlier installation), which the
 *                conditions of a feature and a component read, at removal
 *                too.
 * InstallSdkDll  deferred, elevated: has the installed velctl.exe check the
 *                file named by SDKDLL (check-sdk), then copies it into the
 *                install folder as SDK.dll; keeps (or restores) the copy of
 *                an earlier installation. RemoveSdkDll: the rollback of that
 *                copy, and its removal at uninstall.
 * ImportProfile  deferred, as the installing user: velctl import PROFILE.
 *
 * Deferred actions get their arguments through CustomActionData, fields
 * separated by '|' (a character no Windows path holds). Whatever velctl
 * prints goes into the log line by line; a velctl that fails fails the
 * action, and so the installation, which then rolls back.
 *
 * Plain Win32 and msi.dll: no C runtime function is called. */
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#define FIELDS_MAX 4

/* One line into the log: the text goes in as a field, so that brackets in a
 * path are not taken for properties. As an error it is shown too when the
 * installation has a user interface. */
static void Message(MSIHANDLE hInstall, INSTALLMESSAGE kind, const wchar_t* pText) {
    MSIHANDLE hRecord = MsiCreateRecord(1);
    if (!hRecord)
        return;
    MsiRecordSetStringW(hRecord, 0, L"[1]");
    MsiRecordSetStringW(hRecord, 1, pText);
    MsiProcessMessage(hInstall, kind, hRecord);
    MsiCloseHandle(hRecord);
}

static void Log(MSIHANDLE hInstall, const wchar_t* pText) {
    Message(hInstall, INSTALLMESSAGE_INFO, pText);
}

static UINT Refuse(MSIHANDLE hInstall, const wchar_t* pText) {
    Message(hInstall, (INSTALLMESSAGE)(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), pText);
    return ERROR_INSTALL_FAILURE;
}

static void Free(void* p) {
    if (p)
        HeapFree(GetProcessHeap(), 0, p);
}

/* Text joined from up to four parts into a heap block; NULL parts are left
 * out. Release with Free. */
static wchar_t* Join(const wchar_t* p1, const wchar_t* p2, const wchar_t* p3, const wchar_t* p4) {
    const wchar_t* parts[4] = {p1, p2, p3, p4};
    size_t n = 1;
    for (int i = 0; i < 4; ++i)
        n += parts[i] ? (size_t)lstrlenW(parts[i]) : 0;
    wchar_t* pText = HeapAlloc(GetProcessHeap(), 0, n * sizeof(wchar_t));
    if (!pText)
        return NULL;
    pText[0] = 0;
    for (int i = 0; i < 4; ++i) {
        if (parts[i])
            lstrcatW(pText, parts[i]);
    }
    return pText;
}

static void LogJoined(MSIHANDLE hInstall, const wchar_t* p1, const wchar_t* p2, const wchar_t* p3,
                      const wchar_t* p4) {
    wchar_t* pText = Join(p1, p2, p3, p4);
    if (pText)
        Log(hInstall, pText);
    Free(pText);
}

static UINT RefuseJoined(MSIHANDLE hInstall, const wchar_t* p1, const wchar_t* p2,
                         const wchar_t* p3, const wchar_t* p4) {
    wchar_t* pText = Join(p1, p2, p3, p4);
    const UINT result = Refuse(hInstall, pText ? pText : p1);
    Free(pText);
    return result;
}

/* A property's value in a heap block ("" when unset), or NULL. */
static wchar_t* Property(MSIHANDLE hInstall, const wchar_t* pName) {
    DWORD n = 0;
    wchar_t empty[1] = {0};
    const UINT asked = MsiGetPropertyW(hInstall, pName, empty, &n);
    if (asked != ERROR_MORE_DATA && asked != ERROR_SUCCESS)
        return NULL;
    ++n;
    wchar_t* pValue = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, n * sizeof(wchar_t));
    if (pValue && MsiGetPropertyW(hInstall, pName, pValue, &n) != ERROR_SUCCESS) {
        Free(pValue);
        return NULL;
    }
    return pValue;
}

/* CustomActionData split at '|' into exactly nFields fields (in place). */
static wchar_t* Fields(MSIHANDLE hInstall, wchar_t** fields, int nFields) {
    wchar_t* pData = Property(hInstall, L"CustomActionData");
    if (!pData)
        return NULL;
    int n = 0;
    fields[n++] = pData;
    for (wchar_t* p = pData; *p; ++p) {
        if (*p == L'|') {
            *p = 0;
            if (n == nFields)
                break;
            fields[n++] = p + 1;
        }
    }
    if (n != nFields) {
        Log(hInstall, L"velsetup: the action's data lacks fields");
        Free(pData);
        return NULL;
    }
    return pData;
}

/* Logs the bytes of one line of velctl's output (UTF-8). */
static void LogOutputLine(MSIHANDLE hInstall, const char* pLine, int n) {
    while (n > 0 && (pLine[n - 1] == '\r' || pLine[n - 1] == '\n'))
        --n;
    if (n == 0)
        return;
    wchar_t wide[2048];
    int nWide = MultiByteToWideChar(CP_UTF8, 0, pLine, n, wide, 2047);
    wide[nWide > 0 ? nWide : 0] = 0;
    Log(hInstall, wide);
}

/* Runs a command line, its output and errors through a pipe into the log,
 * line by line. Returns the program's exit code, or -1 when it did not
 * start. */
static int RunLogged(MSIHANDLE hInstall, wchar_t* pCommandLine) {
    LogJoined(hInstall, L"Running ", pCommandLine, NULL, NULL);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE hRead = NULL, hWrite = NULL;
    if (!CreatePipe(&hRead, &hWrite, &inherit, 0))
        return -1;
    SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE hNul = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, NULL);
    STARTUPINFOW startup = {0};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = hNul;
    startup.hStdOutput = hWrite;
    startup.hStdError = hWrite;
    PROCESS_INFORMATION process = {0};
    const BOOL bStarted = CreateProcessW(NULL, pCommandLine, NULL, NULL, TRUE, CREATE_NO_WINDOW,
                                         NULL, NULL, &startup, &process);
    const DWORD startError = GetLastError();
    CloseHandle(hWrite);
    if (hNul != INVALID_HANDLE_VALUE)
        CloseHandle(hNul);
    if (!bStarted) {
        CloseHandle(hRead);
        wchar_t number[16];
        wsprintfW(number, L"%lu", startError);
        LogJoined(hInstall, L"It did not start: Windows error ", number, NULL, NULL);
        return -1;
    }
    CloseHandle(process.hThread);

    /* Until the program and whatever inherited the pipe from it end. */
    char line[1024];
    int nLine = 0;
    char chunk[512];
    DWORD got = 0;
    while (ReadFile(hRead, chunk, sizeof chunk, &got, NULL) && got > 0) {
        for (DWORD i = 0; i < got; ++i) {
            line[nLine++] = chunk[i];
            if (chunk[i] == '\n' || nLine == (int)sizeof line) {
                LogOutputLine(hInstall, line, nLine);
                nLine = 0;
            }
        }
    }
    LogOutputLine(hInstall, line, nLine);
    CloseHandle(hRead);

    DWORD code = (DWORD)-1;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    wchar_t number[16];
    wsprintfW(number, L"%lu", code);
    LogJoined(hInstall, L"velctl ended with exit code ", number, NULL, NULL);
    return (int)code;
}

/* "velctl.exe" verb "operand" as one command line. */
static int RunVelctl(MSIHANDLE hInstall, const wchar_t* pVelctl, const wchar_t* pVerb,
                     const wchar_t* pOperand) {
    wchar_t* pHead = Join(L"\"", pVelctl, L"\" ", pVerb);
    wchar_t* pCommandLine = pHead ? Join(pHead, L" \"", pOperand, L"\"") : NULL;
    const int code = pCommandLine ? RunLogged(hInstall, pCommandLine) : -1;
    Free(pHead);
    Free(pCommandLine);
    return code;
}

static BOOL IsFullPath(const wchar_t* pPath) {
    return (((pPath[0] | 0x20) >= L'a' && (pPath[0] | 0x20) <= L'z') && pPath[1] == L':' &&
            pPath[2] == L'\\') ||
           (pPath[0] == L'\\' && pPath[1] == L'\\');
}

UINT __stdcall CheckSetup(MSIHANDLE hInstall) {
    wchar_t* pSdkDll = Property(hInstall, L"SDKDLL");
    wchar_t* pKept = Property(hInstall, L"REMEMBEREDSDKDLL");
    wchar_t* pProfile = Property(hInstall, L"PROFILE");
    wchar_t* pSimulated = Property(hInstall, L"SIMULATEDSCREEN");
    wchar_t* pRemove = Property(hInstall, L"REMOVE");
    UINT result = ERROR_SUCCESS;
    if (!pSdkDll || !pKept || !pProfile || !pSimulated || !pRemove) {
        result = Refuse(hInstall, L"velsetup: the installation's properties cannot be read");
    } else if (lstrcmpW(pRemove, L"ALL") == 0) {
        /* A removal: only MAKERSDKDLL, so that what it installed goes. */
        pSdkDll[0] = 0;
    } else if (pSdkDll[0]) {
        const DWORD attributes = GetFileAttributesW(pSdkDll);
        if (!IsFullPath(pSdkDll))
            result = RefuseJoined(hInstall, L"SDKDLL=", pSdkDll,
                                  L" is not a full path: give the full path of the touch "
                                  L"screen maker's SDK.dll, such as D:\\drivers\\SDK.dll",
                                  NULL);
        else if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            result = RefuseJoined(hInstall, L"SDKDLL=", pSdkDll,
                                  L": there is no such file. Give the full path of the touch "
                                  L"screen maker's SDK.dll.",
                                  NULL);
    } else if (pProfile[0] && lstrcmpW(pSimulated, L"0") == 0 && !pKept[0]) {
        result = Refuse(hInstall,
                        L"PROFILE needs a device library to import the profile through, and "
                        L"there is none: SIMULATEDSCREEN=0 leaves the simulated SDK.dll out and "
                        L"SDKDLL is not given. Add SDKDLL=<full path of the touch screen "
                        L"maker's SDK.dll>, which the installation copies into its folder "
                        L"before it imports the profile.");
    }
    if (result == ERROR_SUCCESS) {
        /* The maker's library in use: the simulated screen stays out, and the
         * installation remembers that it copied one. */
        const wchar_t* pMaker = pSdkDll[0] ? pSdkDll : pKept;
        MsiSetPropertyW(hInstall, L"MAKERSDKDLL", pMaker);
        if (pMaker[0])
            LogJoined(hInstall, L"The touch screen maker's SDK.dll: ", pMaker,
                      pSdkDll[0] ? L" (SDKDLL)" : L" (copied by an earlier installation)", NULL);
    }
    Free(pSdkDll);
    Free(pKept);
    Free(pProfile);
    Free(pSimulated);
    Free(pRemove);
    return result;
}

/* CustomActionData: velctl.exe|the maker's SDK.dll|the SDK.dll to write|SDKDLL.
 * Given as SDKDLL, the library is checked and copied. Remembered from an
 * earlier installation (upgrade, repair), the copy in the folder stays; one
 * that is gone (an upgrade whose removal of the older version took it) is
 * copied again from where it came from, if that is still there. */
UINT __stdcall InstallSdkDll(MSIHANDLE hInstall) {
    wchar_t* fields[FIELDS_MAX] = {NULL};
    wchar_t* pData = Fields(hInstall, fields, 4);
    if (!pData)
        return ERROR_INSTALL_FAILURE;
    const BOOL bGiven = fields[3][0] != 0;
    UINT result = ERROR_SUCCESS;
    if (!bGiven && GetFileAttributesW(fields[2]) != INVALID_FILE_ATTRIBUTES) {
        LogJoined(hInstall, L"Keeps ", fields[2], L", copied earlier from ", fields[1]);
    } else if (!bGiven && GetFileAttributesW(fields[1]) == INVALID_FILE_ATTRIBUTES) {
        LogJoined(hInstall,
                  L"Warning: the touch screen maker's SDK.dll is neither in the folder "
                  L"nor at ",
                  fields[1],
                  L", where it was copied from; install again with SDKDLL=<its full path>", NULL);
    } else if (RunVelctl(hInstall, fields[0], L"check-sdk", fields[1]) != 0) {
        result = RefuseJoined(hInstall, L"SDKDLL=", fields[1],
                              L" is not a device library these tools can use (velctl "
                              L"check-sdk above says why); the installation is rolled back.",
                              NULL);
    } else if (!CopyFileW(fields[1], fields[2], FALSE)) {
        wchar_t number[16];
        wsprintfW(number, L"%lu", GetLastError());
        wchar_t* pWhat = Join(L"SDKDLL: cannot copy ", fields[1], L" to ", fields[2]);
        result = RefuseJoined(hInstall, pWhat ? pWhat : L"SDKDLL: cannot copy", L" (Windows error ",
                              number, L")");
        Free(pWhat);
    } else {
        LogJoined(hInstall, L"Copied ", fields[1], L" to ", fields[2]);
    }
    Free(pData);
    return result;
}

/* CustomActionData: the SDK.dll that InstallSdkDll wrote. Also deletes the
 * install folder when that leaves it empty. Never fails: a file that is
 * already gone is what is wanted. */
UINT __stdcall RemoveSdkDll(MSIHANDLE hInstall) {
    wchar_t* fields[1] = {NULL};
    wchar_t* pData = Fields(hInstall, fields, 1);
    if (!pData)
        return ERROR_SUCCESS;
    if (DeleteFileW(fields[0]))
        LogJoined(hInstall, L"Removed ", fields[0], NULL, NULL);
    wchar_t* pSlash = NULL;
    for (wchar_t* p = fields[0]; *p; ++p) {
        if (*p == L'\\')
            pSlash = p;
    }
    if (pSlash) {
        *pSlash = 0;
        RemoveDirectoryW(fields[0]);
    }
    Free(pData);
    return ERROR_SUCCESS;
}

/* CustomActionData: velctl.exe|the profile. */
UINT __stdcall ImportProfile(MSIHANDLE hInstall) {
    wchar_t* fields[FIELDS_MAX] = {NULL};
    wchar_t* pData = Fields(hInstall, fields, 2);
    if (!pData)
        return ERROR_INSTALL_FAILURE;
    UINT result = ERROR_SUCCESS;
    if (RunVelctl(hInstall, fields[0], L"import", fields[1]) != 0)
        result = RefuseJoined(hInstall, L"PROFILE=", fields[1],
                              L" could not be imported (velctl's message above); the "
                              L"installation is rolled back.",
                              NULL);
    Free(pData);
    return result;
}
