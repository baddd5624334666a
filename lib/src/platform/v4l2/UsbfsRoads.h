// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The two ways a class request reaches a camera terminal through usbfs, and
// what the process has learnt about which one each camera takes.
#pragma once

#include <linux/usbdevice_fs.h>

#include <cstdint>
#include <map>
#include <string>

#include "platform/Platform.h"
#include "platform/v4l2/Syscalls.h"

namespace lumetra::platform::v4l2 {

enum class UsbfsRoad : uint8_t {
    Unknown,
    // Addressed to the device: uvcvideo keeps the interface and the video
    // node stays as it is.
    Device,
    // The camera stalls class requests addressed to the device, as Linux's
    // own gadget framework does for a configuration of more than one
    // function (a camera that is also a microphone): the request goes to
    // the interface, which uvcvideo lends for it.
    Interface,
};

// Kept by the backend across bindings, so that a camera's stall is paid once.
class RoadMemory {
public:
    UsbfsRoad Recall(const std::string& camera) const {
        const auto found = roads_.find(camera);
        return found == roads_.end() ? UsbfsRoad::Unknown : found->second;
    }
    void Remember(const std::string& camera, UsbfsRoad road) { roads_[camera] = road; }

private:
    std::map<std::string, UsbfsRoad> roads_;
};

// Takes interface `interfaceNumber` from uvcvideo (only from uvcvideo),
// sends `transfer` to it, and hands it back to the kernel to bind uvcvideo
// again, which makes the camera's video nodes anew. The caller has closed
// its own video node and made sure no other program holds one. `handedBack`
// tells whether uvcvideo took the interface again (false when it was never
// taken from it, or the camera is gone).
HResult SendOnBorrowedInterface(Syscalls& sys, int usbfsFd, uint8_t interfaceNumber, usbdevfs_ctrltransfer& transfer,
                                bool& handedBack);

}  // namespace lumetra::platform::v4l2
