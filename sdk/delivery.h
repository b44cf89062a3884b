// The library's own thread: it hands touch reports to the registered data
// callback while calibration mode is on, and plays the rest of the script
// (desk touches, waits, marks) while the device stays open after calibration
// mode has stopped. What it needs of the system comes through DeliveryHost,
// so the thread and its guarantees are windowless.
//
// Guarantees:
// - Unregister() from inside the callback returns at once, and the thread
//   delivers nothing more; from another thread it first waits for a report in
//   progress, and nothing is delivered after it returns.
// - StopCalibration() ends reports the same way; the script goes on without
//   them until Stop() or the next Start().
// - Stop() from another thread ends the session at once, also in the middle
//   of a wait, and joins the thread. From inside the callback it only ends
//   the session: the thread finishes once the callback returns, and is joined
//   by the next Start(), Stop() or the destructor.
// - Start() from inside the callback restarts the session on the same thread.
#pragma once

#include "Vel_DeviceManager.h"
#include "drivermap.h"
#include "panel.h"
#include "recording.h"
#include "script.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velsim {

// What one session delivers, decided when calibration mode starts.
struct DeliveryPlan {
    std::wstring folder;
    bool fromScript = false; // else the mouse
    Script script;
    // A recording's reports: when set, the session replays them and nothing
    // else, neither the script nor the mouse (an empty list delivers nothing).
    std::shared_ptr<const std::vector<RecordedReport>> replay;
    bool replayLoop = false; // from the start again after the last report
    PanelModel panel{{1, 0, 0, 0, 1, 0, 0, 0, 1}};
    double noise = 0.0;
    uint64_t seed = 1;
    int panelDisplay = 0; // the display the panel lies over, 0 the primary
    int session = 0;      // which session of the program this is: the script's part
};

// What a session needs of the system: the folder's journal and handshake
// files, the memory a block is handed over in, the mouse, and pointer input.
// SDK.dll's (deliveryhost.h) asks Windows; the unit tests fake it. Only the
// delivery thread calls it, and the thread keeps it alive while it runs.
class DeliveryHost {
public:
    virtual ~DeliveryHost() = default;

    virtual void Journal(const std::wstring& folder, const std::string& line) = 0;
    // Where the callback reads a block from; valid until the next block.
    virtual const uint8_t* Place(const uint8_t* data, size_t length) = 0;
    // waitfor: true, and the file deleted, when file `name` exists.
    virtual bool TakeFile(const std::wstring& folder, const std::string& name) = 0;
    // mark: creates file `name`.
    virtual void MakeFile(const std::wstring& folder, const std::string& name) = 0;
    virtual DisplayLayout Layout() = 0;
    // True, with the cursor's desktop pixel, while the left button is down.
    virtual bool LeftButtonAt(int* pX, int* pY) = 0;
    // shown: whether a visible window of this program lies at the centre of
    // the panel's display.
    virtual bool ShownOnPanel(int panelDisplay) = 0;
    // desk X Y: one touch that the pointer driver turns into pointer input.
    virtual void DeskTouch(const std::wstring& folder, int x, int y, int panelDisplay,
                           const PanelModel& panel, GaussianNoise& noise) = 0;
};

struct DeliveryChannel;

class Delivery {
public:
    explicit Delivery(std::shared_ptr<DeliveryHost> host);
    ~Delivery();
    Delivery(const Delivery&) = delete;
    Delivery& operator=(const Delivery&) = delete;

    // A session in calibration mode; ends the one running.
    void Start(const DeliveryPlan& plan);
    // Calibration mode off: no more reports, the script plays on.
    void StopCalibration();
    // The session ends: nothing more is delivered or played.
    void Stop();

    // One callback at a time: registering replaces the previous one.
    void Register(VEL_DATA_CALLBACK pCallback, void* pContext);
    void Unregister();

private:
    bool OnDeliveryThread() const;
    void EndSession(const DeliveryPlan* pRestart);

    std::shared_ptr<DeliveryHost> m_host;
    std::shared_ptr<DeliveryChannel> m_channel;
    std::mutex m_control; // serialises Start and Stop of other threads
    std::thread m_thread;
};

} // namespace velsim
