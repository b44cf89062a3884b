// A host of VelCalib.dll as a program of the platform's own compiler and dialog
// framework meets it: compiled by clang in its MSVC mode and linked by lld-link
// without a C runtime (kernel32 and user32 only). It shows a top-level window,
// loads VelCalib.dll by name and calls StartCalibrate with the parent its
// command line names:
//
//   framework      a window object in that framework's layout: the vtable
//                  pointer, the command target's seven fields, then the window
//                  handle (at 0x40 on x64, 0x20 on x86)
//   framework-old  the same with six fields: the handle at 0x1C (old x86 builds)
//   handle         the window handle cast to the pointer
//   garbage        a readable page of 0xA5 bytes
//   foreign        a readable page whose every slot holds the desktop window,
//                  a window of another process
//   straddle       a committed page of 0xA5 bytes placed so that the handle
//                  slot of that framework's layout runs into reserved memory
//   unmapped       reserved address space, never committed
//   null
//
// Prints "exit <n>" and ends with n: 0 when StartCalibrate returned with no
// run left and the window still there and enabled; 1 a bad command line, 2
// VelCalib.dll or StartCalibrate missing, 3 no window or memory, 4 a run left,
// 5 the window gone or still disabled.

typedef decltype(sizeof 0) size_t;
typedef struct HWND__* HWND;
#if defined(_WIN64)
typedef long long LParam;
#else
typedef long LParam;
#endif

// --- kernel32 and user32, declared here: no header of the platform is used ----

struct WndClassW {
    unsigned style;
    LParam(__stdcall* lpfnWndProc)(HWND, unsigned, size_t, LParam);
    int cbClsExtra;
    int cbWndExtra;
    void* hInstance;
    void* hIcon;
    void* hCursor;
    void* hbrBackground;
    const wchar_t* lpszMenuName;
    const wchar_t* lpszClassName;
};

extern "C" {
__declspec(dllimport) void* __stdcall GetModuleHandleW(const wchar_t*);
__declspec(dllimport) void* __stdcall LoadLibraryW(const wchar_t*);
__declspec(dllimport) void* __stdcall GetProcAddress(void*, const char*);
__declspec(dllimport) void* __stdcall VirtualAlloc(void*, size_t, unsigned long, unsigned long);
__declspec(dllimport) wchar_t* __stdcall GetCommandLineW();
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long);
__declspec(dllimport) int __stdcall WriteFile(void*, const void*, unsigned long, unsigned long*,
                                              void*);
__declspec(dllimport) void __stdcall ExitProcess(unsigned);
__declspec(dllimport) unsigned short __stdcall RegisterClassW(const WndClassW*);
__declspec(dllimport) HWND
    __stdcall CreateWindowExW(unsigned long, const wchar_t*, const wchar_t*, unsigned long, int,
                              int, int, int, HWND, void*, void*, void*);
__declspec(dllimport) LParam __stdcall DefWindowProcW(HWND, unsigned, size_t, LParam);
__declspec(dllimport) int __stdcall ShowWindow(HWND, int);
__declspec(dllimport) int __stdcall IsWindow(HWND);
__declspec(dllimport) int __stdcall IsWindowEnabled(HWND);
__declspec(dllimport) int __stdcall DestroyWindow(HWND);
__declspec(dllimport) HWND __stdcall GetDesktopWindow();
}

namespace {

const unsigned long MEM_COMMIT = 0x1000;
const unsigned long MEM_RESERVE = 0x2000;
const unsigned long PAGE_NOACCESS = 0x01;
const unsigned long PAGE_READWRITE = 0x04;
const unsigned long STD_OUTPUT_HANDLE = static_cast<unsigned long>(-11);
const unsigned long WS_OVERLAPPEDWINDOW = 0x00CF0000;
const size_t PAGE = 4096;

// Where that framework keeps the window handle: after the vtable pointer and
// the command target's fields.
#if defined(_WIN64)
const size_t HANDLE_OFFSET = 0x40;
#else
const size_t HANDLE_OFFSET = 0x20;
#endif

typedef void(__stdcall* StartCalibrateFn)(void* pParent, wchar_t* pDevicePath);
typedef bool (*IsCalibrateFn)();

// A window object of that framework; what follows the handle stays null.
template <int Fields> struct FrameworkWindow {
    const void* const* vtable;
    const void* target[Fields];
    HWND hWnd;
    const void* rest[12];
};
static_assert(__builtin_offsetof(FrameworkWindow<7>, hWnd) == HANDLE_OFFSET, "handle slot");
static_assert(sizeof(void*) == 8 || __builtin_offsetof(FrameworkWindow<6>, hWnd) == 0x1C,
              "old handle slot");

int Slot() {
    return 0;
}
const void* const kVtable[] = {reinterpret_cast<const void*>(&Slot),
                               reinterpret_cast<const void*>(&Slot)};
int kCounter = 1;

void Print(const char* text) {
    size_t n = 0;
    while (text[n] != '\0')
        ++n;
    unsigned long written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<unsigned long>(n), &written,
              nullptr);
}

[[noreturn]] void Exit(unsigned code) {
    char text[] = "exit 0\n";
    text[5] = static_cast<char>('0' + code);
    Print(text);
    ExitProcess(code);
    __builtin_unreachable();
}

bool Same(const wchar_t* a, const wchar_t* b) {
    while (*a != L'\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// The last word of the command line.
const wchar_t* Argument() {
    const wchar_t* line = GetCommandLineW();
    const wchar_t* word = line;
    for (const wchar_t* p = line; *p != L'\0'; ++p) {
        if (*p == L' ' && p[1] != L' ' && p[1] != L'\0')
            word = p + 1;
    }
    return word;
}

void Fill(void* block, size_t size, const void* value, size_t valueSize) {
    unsigned char* to = static_cast<unsigned char*>(block);
    const unsigned char* from = static_cast<const unsigned char*>(value);
    for (size_t i = 0; i < size; ++i)
        to[i] = from[i % valueSize];
}

template <int Fields> void MakeFrameworkWindow(FrameworkWindow<Fields>& object, HWND hWnd) {
    object.vtable = kVtable;
    for (int i = 0; i < Fields; ++i)
        object.target[i] = i % 3 == 0   ? static_cast<const void*>(&kCounter)
                           : i % 3 == 1 ? static_cast<const void*>(kVtable)
                                        : nullptr;
    object.hWnd = hWnd;
    for (const void*& p : object.rest)
        p = nullptr;
}

wchar_t g_devicePath[] = L"\\\\?\\hid#velsim_touch#0"; // the simulated screen's
FrameworkWindow<7> g_window;
FrameworkWindow<6> g_oldWindow;

// What StartCalibrate gets for that argument; `ok` false when it is unknown.
void* Parent(const wchar_t* what, HWND hWnd, bool& ok) {
    ok = true;
    if (Same(what, L"framework")) {
        MakeFrameworkWindow(g_window, hWnd);
        return &g_window;
    }
    if (Same(what, L"framework-old")) {
        MakeFrameworkWindow(g_oldWindow, hWnd);
        return &g_oldWindow;
    }
    if (Same(what, L"handle"))
        return hWnd;
    if (Same(what, L"null"))
        return nullptr;
    if (Same(what, L"unmapped"))
        return VirtualAlloc(nullptr, PAGE, MEM_RESERVE, PAGE_NOACCESS);
    unsigned char* pages =
        static_cast<unsigned char*>(VirtualAlloc(nullptr, 2 * PAGE, MEM_RESERVE, PAGE_NOACCESS));
    if (pages == nullptr || VirtualAlloc(pages, PAGE, MEM_COMMIT, PAGE_READWRITE) == nullptr)
        return nullptr;
    const unsigned char pattern = 0xA5;
    const HWND hDesktop = GetDesktopWindow();
    if (Same(what, L"garbage") || Same(what, L"straddle"))
        Fill(pages, PAGE, &pattern, 1);
    else if (Same(what, L"foreign"))
        Fill(pages, PAGE, &hDesktop, sizeof hDesktop);
    else
        ok = false;
    // The handle slot's first half on the committed page, its second half not.
    if (Same(what, L"straddle"))
        return pages + PAGE - HANDLE_OFFSET - sizeof(void*) / 2;
    return pages;
}

} // namespace

extern "C" void __stdcall HostMain() {
    void* hInstance = GetModuleHandleW(nullptr);
    WndClassW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = hInstance;
    wc.lpszClassName = L"VelParentHost";
    RegisterClassW(&wc);
    HWND hWnd = CreateWindowExW(0, L"VelParentHost", L"parent host", WS_OVERLAPPEDWINDOW, 10, 10,
                                240, 120, nullptr, nullptr, hInstance, nullptr);
    if (hWnd == nullptr)
        Exit(3);
    ShowWindow(hWnd, 1);

    bool ok = false;
    void* pParent = Parent(Argument(), hWnd, ok);
    if (!ok)
        Exit(1);
    void* hLibrary = LoadLibraryW(L"VelCalib.dll");
    if (hLibrary == nullptr)
        Exit(2);
    StartCalibrateFn pStart =
        reinterpret_cast<StartCalibrateFn>(GetProcAddress(hLibrary, "StartCalibrate"));
    IsCalibrateFn pIsCalibrate =
        reinterpret_cast<IsCalibrateFn>(GetProcAddress(hLibrary, "IsCalibrate"));
    if (pStart == nullptr || pIsCalibrate == nullptr)
        Exit(2);
    pStart(pParent, g_devicePath);
    if (pIsCalibrate())
        Exit(4);
    if (!IsWindow(hWnd) || !IsWindowEnabled(hWnd))
        Exit(5);
    DestroyWindow(hWnd);
    Exit(0);
}
