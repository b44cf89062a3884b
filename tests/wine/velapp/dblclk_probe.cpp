// Writes the double-click time, width and height this new process gets from
// the system into the file named by its argument.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    FILE* out = _wfopen(argv[1], L"w");
    if (out == nullptr)
        return 1;
    std::fprintf(out, "%u %d %d\n", GetDoubleClickTime(), GetSystemMetrics(SM_CXDOUBLECLK),
                 GetSystemMetrics(SM_CYDOUBLECLK));
    std::fclose(out);
    return 0;
}
