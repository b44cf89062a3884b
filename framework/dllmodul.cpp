// Entry point of a DLL built on the framework: runs the DLL's application
// object on process attach and detach. It runs under the loader lock, so an
// application object must not wait on threads or start GDI+ from these calls.
#include "afximpl.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    if (dwReason == DLL_PROCESS_ATTACH) {
        ::DisableThreadLibraryCalls(hInstance);
        if (!AfxWinInit(hInstance))
            return TRUE;
        return AfxGetApp()->InitInstance();
    }
    if (dwReason == DLL_PROCESS_DETACH && AfxGetApp() != nullptr)
        AfxGetApp()->ExitInstance();
    return TRUE;
}
