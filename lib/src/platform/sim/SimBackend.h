// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The platform layer over simulated cameras, whatever bus holds them.
#pragma once

#include <memory>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/SimCamera.h"

namespace lumetra::platform::sim {

// A simulated bus: the cameras plugged in now, in system order.
class SimDeviceSource {
public:
    virtual ~SimDeviceSource() = default;
    // Answer of creating the system device enumerator.
    virtual HResult OpenDeviceEnumerator() { return kOk; }
    // The devices now; negative when the category cannot be enumerated.
    virtual HResult Scan(std::vector<std::shared_ptr<SimCamera>>& devices) = 0;
};

std::unique_ptr<Backend> CreateSimBackend(std::shared_ptr<SimDeviceSource> source);

}  // namespace lumetra::platform::sim
