// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "platform/v4l2/UsbDescriptors.h"

#include <linux/usb/ch9.h>
#include <linux/usb/video.h>

#include <algorithm>

namespace lumetra::platform::v4l2 {
namespace {

constexpr size_t kConfigurationHeaderSize = USB_DT_CONFIG_SIZE;  // 9
constexpr size_t kInterfaceDescriptorSize = USB_DT_INTERFACE_SIZE;
// Camera terminal descriptor: 15 bytes, then bmControls.
constexpr size_t kCameraTerminalFixedSize = 15;
constexpr size_t kControlSizeOffset = 14;

uint8_t Byte(std::string_view bytes, size_t at) { return static_cast<uint8_t>(bytes[at]); }
uint16_t Word(std::string_view bytes, size_t at) {
    return static_cast<uint16_t>(Byte(bytes, at) | (Byte(bytes, at + 1) << 8));
}

std::optional<CameraTerminal> ReadCameraTerminal(std::string_view descriptor) {
    if (descriptor.size() < kCameraTerminalFixedSize) return std::nullopt;
    CameraTerminal terminal;
    terminal.terminalId = Byte(descriptor, 3);
    const size_t declared = Byte(descriptor, kControlSizeOffset);
    const size_t present = std::min(declared, descriptor.size() - kCameraTerminalFixedSize);
    terminal.controlBytes = static_cast<uint8_t>(present);
    for (size_t i = 0; i < present && i < 4; ++i)
        terminal.bmControls |= static_cast<uint32_t>(Byte(descriptor, kCameraTerminalFixedSize + i)) << (8 * i);
    return terminal;
}

// The descriptors of one configuration, its header included.
std::optional<CameraTerminal> SearchConfiguration(std::string_view configuration, uint8_t interfaceNumber) {
    bool inVideoControl = false;
    size_t at = 0;
    while (configuration.size() - at >= 2) {
        const size_t length = Byte(configuration, at);
        if (length < 2 || length > configuration.size() - at) return std::nullopt;
        const std::string_view descriptor = configuration.substr(at, length);
        const uint8_t type = Byte(descriptor, 1);
        if (type == USB_DT_INTERFACE && length >= kInterfaceDescriptorSize) {
            inVideoControl = Byte(descriptor, 2) == interfaceNumber && Byte(descriptor, 5) == USB_CLASS_VIDEO &&
                             Byte(descriptor, 6) == UVC_SC_VIDEOCONTROL;
        } else if (type == USB_DT_CS_INTERFACE && inVideoControl && length >= 6 &&
                   Byte(descriptor, 2) == UVC_VC_INPUT_TERMINAL && Word(descriptor, 4) == UVC_ITT_CAMERA) {
            return ReadCameraTerminal(descriptor);
        }
        at += length;
    }
    return std::nullopt;
}

}  // namespace

std::optional<CameraTerminal> FindCameraTerminal(std::string_view descriptors, int configurationValue,
                                                 uint8_t interfaceNumber) {
    size_t at = 0;
    // The device descriptor comes first.
    if (descriptors.size() >= 2 && Byte(descriptors, 1) == USB_DT_DEVICE) {
        const size_t length = Byte(descriptors, 0);
        if (length < 2) return std::nullopt;
        at = length;
    }
    while (at < descriptors.size() && descriptors.size() - at >= kConfigurationHeaderSize) {
        const std::string_view header = descriptors.substr(at, kConfigurationHeaderSize);
        if (Byte(header, 1) != USB_DT_CONFIG) return std::nullopt;
        const size_t total = Word(header, 2);
        if (total < kConfigurationHeaderSize) return std::nullopt;
        const std::string_view configuration = descriptors.substr(at, total);  // cut at the end of input
        if (configurationValue < 0 || Byte(header, 5) == configurationValue) {
            size_t headerLength = Byte(header, 0);
            if (headerLength < kConfigurationHeaderSize || headerLength > configuration.size())
                headerLength = kConfigurationHeaderSize;
            return SearchConfiguration(configuration.substr(headerLength), interfaceNumber);
        }
        at += total;
    }
    return std::nullopt;
}

}  // namespace lumetra::platform::v4l2
