// A touch screen maker's device library as the tests meet it: Vel_DeviceManager
// declared as the interface says and compiled by clang in its MSVC mode, so its
// names, conventions and object layout are the platform compiler's, not ours.
// Linked by lld-link with no C runtime: it imports kernel32 only.
//
//   VENDOR_CDECL_CALLBACK          RegDataCallback takes a __cdecl callback
//   VENDOR_WITHOUT_GETOUTPUTMODE   it lacks GetOutPutMode
//   VENDOR_FILLER=<bytes>          the object's size beyond its fields (600)
//   VENDOR_USHORT_PATH             built with wchar_t as unsigned short: OpenDevice
//                                  takes an unsigned short* (another name, same call)
//
// One screen with a record of its own, kept in the process's memory. Loading
// and every call append a line to %VEL_SDK_HOME%\vendor-journal.txt, in the
// simulator's words where it has them ("SetDriverConfig bytes=<hex> -> 1").
// The object is larger than 256 bytes and checks at every call that its
// bytes are as its constructor left them; a call on a damaged object journals
// "Damaged <member>" and fails. In calibration mode a thread of the library
// touches the four targets of a calibration run through a fixed panel.

typedef decltype(sizeof 0) size_t;

// --- kernel32, declared here: no header of the platform is used -------------

struct CriticalSection {
    void* debugInfo;
    long lockCount;
    long recursionCount;
    void* owningThread;
    void* lockSemaphore;
    size_t spinCount;
};

typedef unsigned long(__stdcall* ThreadStart)(void*);

extern "C" {
__declspec(dllimport) void* __stdcall CreateFileW(const wchar_t*, unsigned long, unsigned long,
                                                  void*, unsigned long, unsigned long, void*);
__declspec(dllimport) int __stdcall WriteFile(void*, const void*, unsigned long, unsigned long*,
                                              void*);
__declspec(dllimport) int __stdcall CloseHandle(void*);
__declspec(dllimport) unsigned long __stdcall GetEnvironmentVariableW(const wchar_t*, wchar_t*,
                                                                      unsigned long);
__declspec(dllimport) void* __stdcall CreateThread(void*, size_t, ThreadStart, void*, unsigned long,
                                                   unsigned long*);
__declspec(dllimport) unsigned long __stdcall WaitForSingleObject(void*, unsigned long);
__declspec(dllimport) unsigned long __stdcall GetCurrentThreadId();
__declspec(dllimport) void __stdcall Sleep(unsigned long);
__declspec(dllimport) void __stdcall InitializeCriticalSection(CriticalSection*);
__declspec(dllimport) void __stdcall DeleteCriticalSection(CriticalSection*);
__declspec(dllimport) void __stdcall EnterCriticalSection(CriticalSection*);
__declspec(dllimport) void __stdcall LeaveCriticalSection(CriticalSection*);

// What the compiler may call for copies of records and arrays.
void* memcpy(void* pTo, const void* pFrom, size_t n) {
    unsigned char* to = static_cast<unsigned char*>(pTo);
    const unsigned char* from = static_cast<const unsigned char*>(pFrom);
    while (n-- > 0)
        *to++ = *from++;
    return pTo;
}

void* memset(void* pTo, int value, size_t n) {
    unsigned char* to = static_cast<unsigned char*>(pTo);
    while (n-- > 0)
        *to++ = static_cast<unsigned char>(value);
    return pTo;
}

int _fltused = 0;
}

// --- the interface, as a maker's header declares it ---------------------------

#pragma pack(push, 1)
struct _VEL_DEVICE_INFO {
    wchar_t devicePath[24][260];
    int deviceCount;
};
struct _VEL_DEVICE_CONFIG {
    unsigned char bytes[54];
};
struct _VEL_CALIB_PARAM {
    short matrix[8];
};
struct _VEL_CALIB_PARAM_HD {
    int enable;
    float matrix[8];
};
#pragma pack(pop)

#if !defined(VENDOR_FILLER)
#define VENDOR_FILLER 600
#endif

#if defined(VENDOR_CDECL_CALLBACK)
typedef void(__cdecl* VEL_DATA_CALLBACK)(const unsigned char*, unsigned char, void*);
#else
typedef void(__stdcall* VEL_DATA_CALLBACK)(const unsigned char*, unsigned char, void*);
#endif

#if defined(VENDOR_USHORT_PATH)
typedef unsigned short PathChar;
#else
typedef wchar_t PathChar;
#endif

class __declspec(dllexport) Vel_DeviceManager {
public:
    Vel_DeviceManager();
    ~Vel_DeviceManager();

    static void EnumDevice(_VEL_DEVICE_INFO* pInfo);

    void OpenDevice(PathChar* pDevicePath);
    void CloseDevice();

    bool GetDriverConfig(_VEL_DEVICE_CONFIG* pConfig);
    bool SetDriverConfig(_VEL_DEVICE_CONFIG config);

#if !defined(VENDOR_WITHOUT_GETOUTPUTMODE)
    unsigned char GetOutPutMode(unsigned char* pType, unsigned char* pMode, unsigned char* pEnable);
#endif
    unsigned char ChangeOutPutMode(char mode);

    int ResetCalibParam();
    int ApplyCalibParam_hd(_VEL_CALIB_PARAM_HD param);
    int ApplyCalibParam(_VEL_CALIB_PARAM param);

    void StartCalibMode();
    void StopCalibMode();

    void RegDataCallback(VEL_DATA_CALLBACK pCallback, void* pContext);
    void UnRegDataCallback();

private:
    bool Intact(const char* pMember);
    void EndDelivery();
    static unsigned long __stdcall Deliver(void* pSelf);
    bool Report(bool bContact, unsigned x, unsigned y);

    unsigned m_head;
    Vel_DeviceManager* m_pSelf;
    bool m_bOpen;
    CriticalSection m_lock; // held while a report is delivered
    VEL_DATA_CALLBACK m_pCallback;
    void* m_pContext;
    void* m_hThread;
    unsigned long m_threadId;
    volatile long m_bStop;
    unsigned char m_filler[VENDOR_FILLER];
    unsigned m_tail;
};

static_assert(sizeof(Vel_DeviceManager) > 640, "the object is well beyond 256 bytes");

// --- the journal --------------------------------------------------------------

namespace {

const unsigned kHead = 0x56454E44; // "VEND"
const unsigned kTail = 0x444E4556;
const wchar_t kDevicePath[] = L"\\\\?\\hid#vid_1b2c&pid_7a01#7&2f0c1d&0&0000#vendor";

CriticalSection g_journalLock;

// The screen's state: a record unlike the simulator's factory one.
_VEL_DEVICE_CONFIG g_record = {{1,    1,    0,    0x11, 0x22, 7,    0xB8, 0x0B, 0,    0,    0x20,
                                0x03, 0,    0,    0xFA, 0,    0,    0,    0xD2, 0x04, 0,    0,
                                4,    0,    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8,
                                0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF2, 0xF3,
                                0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD}};
unsigned char g_outputMode = 1;

// A line of at most 400 characters.
class Line {
public:
    Line& operator<<(const char* pText) {
        while (*pText != '\0' && m_length < sizeof m_text - 2)
            m_text[m_length++] = *pText++;
        return *this;
    }
    Line& operator<<(long value) {
        char digits[24];
        int n = 0;
        unsigned long magnitude =
            value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (value < 0)
            *this << "-";
        while (n > 0) {
            const char c[2] = {digits[--n], '\0'};
            *this << c;
        }
        return *this;
    }
    Line& Hex(const void* pBytes, size_t n) {
        const char* digits = "0123456789abcdef";
        const unsigned char* p = static_cast<const unsigned char*>(pBytes);
        for (size_t i = 0; i < n; ++i) {
            const char c[3] = {digits[p[i] >> 4], digits[p[i] & 15], '\0'};
            *this << c;
        }
        return *this;
    }
    Line& Result(long value) { return *this << " -> " << value; }

    // Appends the line to the journal.
    ~Line() {
        m_text[m_length++] = '\n';
        wchar_t path[600];
        const unsigned long n = GetEnvironmentVariableW(L"VEL_SDK_HOME", path, 560);
        if (n == 0 || n >= 560)
            return;
        const wchar_t* pName = L"\\vendor-journal.txt";
        unsigned long at = n;
        while (*pName != L'\0')
            path[at++] = *pName++;
        path[at] = L'\0';
        EnterCriticalSection(&g_journalLock);
        void* hFile = CreateFileW(path, 4 /* FILE_APPEND_DATA */, 7 /* share all */, nullptr,
                                  4 /* OPEN_ALWAYS */, 0x80, nullptr);
        if (hFile != reinterpret_cast<void*>(-1)) {
            unsigned long written = 0;
            WriteFile(hFile, m_text, m_length, &written, nullptr);
            CloseHandle(hFile);
        }
        LeaveCriticalSection(&g_journalLock);
    }

private:
    char m_text[400];
    unsigned long m_length = 0;
};

bool SamePath(const wchar_t* a, const wchar_t* b) {
    for (int i = 0; i < 260; ++i) {
        if (a[i] != b[i])
            return false;
        if (a[i] == L'\0')
            return true;
    }
    return false;
}

} // namespace

// A line when a process loads the library, so a test sees who loaded it.
extern "C" int __stdcall VendorDllMain(void*, unsigned long reason, void*) {
    if (reason == 1 /* DLL_PROCESS_ATTACH */) {
        InitializeCriticalSection(&g_journalLock);
        Line() << "Loaded";
    }
    return 1;
}

// --- the members --------------------------------------------------------------

Vel_DeviceManager::Vel_DeviceManager()
    : m_head(kHead), m_pSelf(this), m_bOpen(false), m_pCallback(nullptr), m_pContext(nullptr),
      m_hThread(nullptr), m_threadId(0), m_bStop(0), m_tail(kTail) {
    InitializeCriticalSection(&m_lock);
    for (size_t i = 0; i < sizeof m_filler; ++i)
        m_filler[i] = static_cast<unsigned char>(i * 7 + 1);
    Line() << "Vel_DeviceManager size=" << static_cast<long>(sizeof(Vel_DeviceManager));
}

Vel_DeviceManager::~Vel_DeviceManager() {
    Intact("~Vel_DeviceManager");
    EndDelivery();
    DeleteCriticalSection(&m_lock);
    m_head = 0;
    Line() << "~Vel_DeviceManager";
}

bool Vel_DeviceManager::Intact(const char* pMember) {
    bool bIntact = m_head == kHead && m_pSelf == this && m_tail == kTail;
    for (size_t i = 0; bIntact && i < sizeof m_filler; ++i)
        bIntact = m_filler[i] == static_cast<unsigned char>(i * 7 + 1);
    if (!bIntact)
        Line() << "Damaged " << pMember;
    return bIntact;
}

void Vel_DeviceManager::EnumDevice(_VEL_DEVICE_INFO* pInfo) {
    if (pInfo != nullptr) {
        pInfo->deviceCount = 1;
        for (size_t i = 0; i < sizeof kDevicePath / sizeof kDevicePath[0]; ++i)
            pInfo->devicePath[0][i] = kDevicePath[i];
    }
    Line() << "EnumDevice count=1";
}

void Vel_DeviceManager::OpenDevice(PathChar* pDevicePath) {
    if (!Intact("OpenDevice"))
        return;
    m_bOpen = pDevicePath != nullptr &&
              SamePath(reinterpret_cast<const wchar_t*>(pDevicePath), kDevicePath);
    Line() << "OpenDevice " << (m_bOpen ? "-> ok" : "-> fail");
}

void Vel_DeviceManager::CloseDevice() {
    if (!Intact("CloseDevice"))
        return;
    EndDelivery();
    m_bOpen = false;
    Line() << "CloseDevice";
}

bool Vel_DeviceManager::GetDriverConfig(_VEL_DEVICE_CONFIG* pConfig) {
    const bool bOk = Intact("GetDriverConfig") && m_bOpen && pConfig != nullptr;
    if (bOk)
        *pConfig = g_record;
    (Line() << "GetDriverConfig -> " << static_cast<long>(bOk) << " bytes=").Hex(&g_record, 54);
    return bOk;
}

bool Vel_DeviceManager::SetDriverConfig(_VEL_DEVICE_CONFIG config) {
    const bool bOk = Intact("SetDriverConfig") && m_bOpen;
    if (bOk)
        g_record = config;
    (Line() << "SetDriverConfig bytes=").Hex(&config, sizeof config).Result(bOk);
    return bOk;
}

#if !defined(VENDOR_WITHOUT_GETOUTPUTMODE)
unsigned char Vel_DeviceManager::GetOutPutMode(unsigned char* pType, unsigned char* pMode,
                                               unsigned char* pEnable) {
    const bool bOk = Intact("GetOutPutMode") && m_bOpen;
    if (bOk) {
        *pType = 1;
        *pMode = g_outputMode;
        *pEnable = 1;
    }
    Line() << "GetOutPutMode mode=" << static_cast<long>(g_outputMode) << " -> "
           << static_cast<long>(bOk);
    return bOk ? 1 : 0;
}
#endif

unsigned char Vel_DeviceManager::ChangeOutPutMode(char mode) {
    const bool bOk = Intact("ChangeOutPutMode") && m_bOpen && mode >= 0 && mode <= 3;
    if (bOk)
        g_outputMode = static_cast<unsigned char>(mode);
    Line() << "ChangeOutPutMode mode=" << static_cast<long>(mode) << " -> "
           << static_cast<long>(bOk);
    return bOk ? 1 : 0;
}

int Vel_DeviceManager::ResetCalibParam() {
    const bool bOk = Intact("ResetCalibParam") && m_bOpen;
    Line() << "ResetCalibParam -> " << static_cast<long>(bOk);
    return bOk ? 1 : 0;
}

int Vel_DeviceManager::ApplyCalibParam_hd(_VEL_CALIB_PARAM_HD param) {
    const bool bOk = Intact("ApplyCalibParam_hd") && m_bOpen;
    (Line() << "ApplyCalibParam_hd bytes=").Hex(&param, sizeof param).Result(bOk);
    return bOk ? 1 : 0;
}

int Vel_DeviceManager::ApplyCalibParam(_VEL_CALIB_PARAM param) {
    const bool bOk = Intact("ApplyCalibParam") && m_bOpen;
    (Line() << "ApplyCalibParam bytes=").Hex(&param, sizeof param).Result(bOk);
    return bOk ? 1 : 0;
}

void Vel_DeviceManager::StartCalibMode() {
    if (!Intact("StartCalibMode"))
        return;
    Line() << "StartCalibMode";
    if (m_bOpen && m_hThread == nullptr) {
        m_bStop = 0;
        m_hThread = CreateThread(nullptr, 0, Deliver, this, 0, &m_threadId);
    }
}

void Vel_DeviceManager::StopCalibMode() {
    if (!Intact("StopCalibMode"))
        return;
    EndDelivery();
    Line() << "StopCalibMode";
}

void Vel_DeviceManager::RegDataCallback(VEL_DATA_CALLBACK pCallback, void* pContext) {
    if (!Intact("RegDataCallback"))
        return;
    Line() << "RegDataCallback";
    EnterCriticalSection(&m_lock);
    m_pCallback = pCallback;
    m_pContext = pContext;
    LeaveCriticalSection(&m_lock);
}

// From another thread it waits for a report in progress; from inside the
// callback the lock is the thread's own already.
void Vel_DeviceManager::UnRegDataCallback() {
    if (!Intact("UnRegDataCallback"))
        return;
    EnterCriticalSection(&m_lock);
    m_pCallback = nullptr;
    m_pContext = nullptr;
    LeaveCriticalSection(&m_lock);
    Line() << "UnRegDataCallback";
}

// Stops the thread; from any other thread also waits for its end.
void Vel_DeviceManager::EndDelivery() {
    m_bStop = 1;
    if (m_hThread != nullptr && GetCurrentThreadId() != m_threadId) {
        WaitForSingleObject(m_hThread, 0xFFFFFFFF);
        CloseHandle(m_hThread);
        m_hThread = nullptr;
        m_threadId = 0;
    }
}

bool Vel_DeviceManager::Report(bool bContact, unsigned x, unsigned y) {
    unsigned char report[64] = {};
    report[11] = bContact ? 7 : 0;
    report[12] = static_cast<unsigned char>(x);
    report[13] = static_cast<unsigned char>(x >> 8);
    report[14] = static_cast<unsigned char>(y);
    report[15] = static_cast<unsigned char>(y >> 8);
    report[60] = 1;
    EnterCriticalSection(&m_lock);
    const bool bGo = m_bStop == 0;
    if (bGo && m_pCallback != nullptr)
        m_pCallback(report, sizeof report, m_pContext);
    LeaveCriticalSection(&m_lock);
    return bGo;
}

// The panel: raw = logical / 2 + (1000, 2000). The four targets of a run lie
// at 2048 and 30720 on each axis, visited row by row; each gets three still
// touches and a lift.
unsigned long __stdcall Vel_DeviceManager::Deliver(void* pSelf) {
    Vel_DeviceManager* pDevice = static_cast<Vel_DeviceManager*>(pSelf);
    while (pDevice->m_bStop == 0 && pDevice->m_pCallback == nullptr)
        Sleep(20);
    Sleep(500); // the window comes up
    const unsigned targets[4][2] = {{2048, 2048}, {30720, 2048}, {2048, 30720}, {30720, 30720}};
    for (const auto& target : targets) {
        const unsigned x = target[0] / 2 + 1000, y = target[1] / 2 + 2000;
        for (int k = 0; k < 3; ++k) {
            if (!pDevice->Report(true, x, y))
                return 0;
            Sleep(40);
        }
        if (!pDevice->Report(false, 0, 0))
            return 0;
        Sleep(40);
    }
    return 0;
}
