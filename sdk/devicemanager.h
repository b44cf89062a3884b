// One device manager of the simulated touch screen: what a caller's
// Vel_DeviceManager object stands for. exports.cpp exports its members
// under the platform compiler's names.
#pragma once

#include "Vel_DeviceManager.h"
#include "delivery.h"
#include "deliveryhost.h"

#include <atomic>

namespace velsim {

class SimDevice {
public:
    SimDevice() = default;
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // Vel_DeviceManager's members (Vel_DeviceManager_exports.h).
    VEL_SDK_DECLARE_MEMBERS

private:
    void Release();

    std::atomic<bool> m_open{false};
    Delivery m_delivery{SystemDeliveryHost()};
};

} // namespace velsim
