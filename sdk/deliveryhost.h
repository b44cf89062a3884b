// The delivery thread's host in SDK.dll: the folder's files and journal, a
// report block flush against an inaccessible page, the system's mouse, and
// desk touches as pointer input.
#pragma once

#include "delivery.h"

#include <memory>

namespace velsim {

std::shared_ptr<DeliveryHost> SystemDeliveryHost();

} // namespace velsim
