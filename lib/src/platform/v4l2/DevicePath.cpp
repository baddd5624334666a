// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "platform/v4l2/DevicePath.h"

#include <cstdio>

namespace lumetra::platform::v4l2 {
namespace {

// The kernel names USB interfaces "bus-port.port:config.interface"; keep
// only those characters so that nothing else can ever form an id pattern.
std::string InterfaceText(const std::string& name) {
    std::string text;
    for (char c : name)
        if ((c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':') text += c;
    return text;
}

}  // namespace

std::string DevicePathOf(const VideoNode& node, bool isUvcCapture) {
    const std::string nodeName = "video" + std::to_string(node.number);
    if (!isUvcCapture || !node.usb) return "\\\\?\\v4l2#" + nodeName;
    char ids[40];
    std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x&mi_%02x", node.usb->vendorId, node.usb->productId,
                  node.usb->interfaceNumber);
    return "\\\\?\\usb#" + std::string(ids) + "#" + InterfaceText(node.usb->interfaceName) + "#" + nodeName;
}

}  // namespace lumetra::platform::v4l2
