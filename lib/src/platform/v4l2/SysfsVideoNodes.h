// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The video4linux nodes the kernel lists under sysfs, with what sysfs says
// about the USB device behind each. The root is injectable so tests can build
// a tree of their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/v4l2/Syscalls.h"

namespace lumetra::platform::v4l2 {

// The USB interface a video node hangs off, and its device.
struct UsbParent {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint8_t interfaceNumber = 0;
    std::string interfaceName;    // sysfs name of the interface, e.g. "1-1.2:1.0"
    std::string deviceDirectory;  // sysfs directory of the USB device
};

// Where a USB device sits on its bus. Only a camera being bound needs it, so
// the walk over every node leaves it unread.
struct UsbAddress {
    unsigned busNumber = 0;
    unsigned deviceNumber = 0;
    int configurationValue = -1;  // active configuration; -1 when unknown

    // usbfs node of the device; empty when the numbers are unknown.
    std::string UsbfsPath() const;
};

struct VideoNode {
    unsigned number = 0;           // N of videoN
    std::string name;              // the node's name attribute, newline removed
    std::optional<UsbParent> usb;  // empty for anything not on USB

    std::string DevicePath() const { return "/dev/video" + std::to_string(number); }
};

// Every videoN node, in numeric order (video10 after video2). kOk with at
// least one node; kFalse when there is none (no class directory at all is
// a system without video devices); negative when the class cannot be read.
HResult ListVideoNodes(const std::string& sysfsRoot, Syscalls& sys, std::vector<VideoNode>& nodes);

// busnum, devnum and bConfigurationValue of `usb`'s device; what cannot be
// read stays unknown.
UsbAddress ReadUsbAddress(Syscalls& sys, const UsbParent& usb);

// "video7" -> 7; nothing for any other name.
std::optional<unsigned> VideoNodeNumber(const std::string& entryName);

}  // namespace lumetra::platform::v4l2
