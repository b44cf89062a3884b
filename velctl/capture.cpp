#include "capture.h"

namespace host {

namespace {

HANDLE g_hStop = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
HANDLE g_hReleased = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);

BOOL WINAPI OnConsoleEvent(DWORD event) {
    ::SetEvent(g_hStop);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        ::WaitForSingleObject(g_hReleased, 4000);
    return TRUE;
}

} // namespace

ReportCapture::ReportCapture()
    : m_pDevice(nullptr), m_start(), m_frequency(),
      m_hReport(::CreateEventW(nullptr, FALSE, FALSE, nullptr)), m_bHeld(false) {
    ::QueryPerformanceFrequency(&m_frequency);
    ::QueryPerformanceCounter(&m_start);
}

ReportCapture::~ReportCapture() {
    Release();
    delete m_pDevice;
    if (m_hReport != nullptr)
        ::CloseHandle(m_hReport);
}

void ReportCapture::Start(VEL_WCHAR* pPath) {
    m_pDevice = new Vel_DeviceManager;
    m_bHeld = true;
    ::QueryPerformanceCounter(&m_start);
    m_pDevice->OpenDevice(pPath);
    m_pDevice->StartCalibMode();
    m_pDevice->RegDataCallback(OnReport, this);
}

uint64_t ReportCapture::Now() const {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    const uint64_t ticks = static_cast<uint64_t>(now.QuadPart - m_start.QuadPart);
    const uint64_t frequency = static_cast<uint64_t>(m_frequency.QuadPart);
    return ticks / frequency * 1000000 + ticks % frequency * 1000000 / frequency;
}

// On the device library's thread.
void VEL_CALLBACK ReportCapture::OnReport(const unsigned char* data, unsigned char length,
                                          void* context) {
    ReportCapture* pCapture = static_cast<ReportCapture*>(context);
    CapturedReport report{pCapture->Now(), std::vector<unsigned char>(data, data + length)};
    {
        std::lock_guard<std::mutex> lock(pCapture->m_lock);
        pCapture->m_queue.push_back(std::move(report));
    }
    ::SetEvent(pCapture->m_hReport);
}

std::vector<CapturedReport> ReportCapture::Wait(DWORD timeoutMs) {
    const HANDLE handles[2] = {m_hReport, g_hStop};
    ::WaitForMultipleObjects(2, handles, FALSE, timeoutMs);
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<CapturedReport> reports(m_queue.begin(), m_queue.end());
    m_queue.clear();
    return reports;
}

// UnRegDataCallback returns only once no report is being delivered, so
// nothing reaches this object after it.
void ReportCapture::Release() {
    std::call_once(m_released, [this] {
        if (!m_bHeld)
            return;
        m_pDevice->UnRegDataCallback();
        m_pDevice->StopCalibMode();
        m_pDevice->CloseDevice();
    });
}

void CatchStop() {
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool StopAsked() {
    return ::WaitForSingleObject(g_hStop, 0) == WAIT_OBJECT_0;
}

HANDLE StopEvent() {
    return g_hStop;
}

void StoppedAndReleased() {
    ::SetEvent(g_hReleased);
}

} // namespace host
