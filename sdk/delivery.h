// The library's own thread: it hands touch reports to the registered data
// callback while calibration mode is on, and plays the rest of the script
// (desk touches, waits, marks) while the device stays open after calibration
// mode has stopped.
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
#include "panel.h"
#include "script.h"

#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace velsim {

// What one session delivers, decided when calibration mode starts.
struct DeliveryPlan {
    std::wstring folder;
    bool fromScript = false; // else the mouse
    Script script;
    PanelModel panel{{1, 0, 0, 0, 1, 0, 0, 0, 1}};
    double noise = 0.0;
    uint64_t seed = 1;
    int panelDisplay = 0; // the display the panel lies over, 0 the primary
};

struct DeliveryChannel;

class Delivery {
public:
    Delivery();
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

    std::shared_ptr<DeliveryChannel> m_channel;
    std::mutex m_control; // serialises Start and Stop of other threads
    std::thread m_thread;
};

} // namespace velsim
