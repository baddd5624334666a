// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// How long the panel's window stands still over a slow road: the camera is
// opened and its requests sent from the camera's own thread (the panel's
// DeviceWorker) while an event loop beats every 5 ms; the longest gap
// between beats is the stall.
#pragma once

#include <functional>

#include "lumetra/BaseDevice.h"

namespace ptzdeck {
class DeviceWorker;
}

namespace rig {

class WindowGap {
public:
    // Opens camera `index` of the library's numbering on a device of its own.
    explicit WindowGap(int index);
    ~WindowGap();
    double openGap() const { return openGap_; }
    // Sends `request` and waits for its answer, in ms of the longest gap.
    double longestGap(const std::function<bool(BaseDevice&)>& request, bool& taken);
    // The same beat for `ms` with nothing asked: what the machine itself
    // costs the loop (an emulated machine on a busy host stands still too).
    static double idleGap(int ms);

private:
    ptzdeck::DeviceWorker* worker_;
    double openGap_ = -1;
};

}  // namespace rig
