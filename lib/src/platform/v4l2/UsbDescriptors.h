// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The UVC camera terminal of one VideoControl interface, read from the raw
// descriptors sysfs keeps for a USB device (its `descriptors` file: the
// device descriptor, then every configuration whole). The input comes from
// the device and is parsed as hostile: any length field may lie.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lumetra::platform::v4l2 {

struct CameraTerminal {
    uint8_t terminalId = 0;
    uint32_t bmControls = 0;   // first four bytes of bmControls, little-endian
    uint8_t controlBytes = 0;  // bControlSize, as far as the descriptor holds it

    bool HasControl(unsigned bit) const {
        return bit < 32 && bit < 8u * controlBytes && ((bmControls >> bit) & 1u) != 0;
    }
};

// The camera terminal (input terminal of type 0x0201) of VideoControl
// interface `interfaceNumber` in configuration `configurationValue` (-1: the
// first configuration). Nothing when there is none or the bytes are malformed
// before it.
std::optional<CameraTerminal> FindCameraTerminal(std::string_view descriptors, int configurationValue,
                                                 uint8_t interfaceNumber);

}  // namespace lumetra::platform::v4l2
