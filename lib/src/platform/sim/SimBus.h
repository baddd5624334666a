// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The simulated bus held in memory, for tests: plug and unplug cameras,
// inject faults, read back the requests the cameras received.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sim/SimCamera.h"

namespace lumetra::platform::sim {

// One KsPropertySet::Set as the camera received it.
struct KsSetBytes {
    std::string camera;
    std::vector<unsigned char> instance;
    std::vector<unsigned char> data;
};

class SimBus {
public:
    SimBus();
    ~SimBus();
    SimBus(const SimBus&) = delete;
    SimBus& operator=(const SimBus&) = delete;

    // Plugs a camera in at the end of the system's device order; requests
    // are logged under `logName`. The handle allows live changes.
    std::shared_ptr<SimCamera> Plug(const std::string& logName, SimCameraModel model);
    // Unplugs the first camera logged under `logName`; false if none.
    bool Unplug(const std::string& logName);

    // Requests in the order received, in the requests.log line format.
    std::vector<std::string> Requests() const;
    std::vector<KsSetBytes> KsSets() const;
    void ClearRequests();

    // Bus-wide faults: the answer of creating the system device enumerator
    // and of enumerating the video-capture category (kOk: no fault).
    void SetDeviceEnumeratorResult(HResult hr);
    void SetCategoryResult(HResult hr);

    // A backend over this bus; it keeps the bus's state alive.
    std::unique_ptr<Backend> CreateBackend() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace lumetra::platform::sim
