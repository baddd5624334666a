// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Which UVC control carries each kernel-streaming property, and by which
// road the request reaches it. The rows are in RoutingTable.cpp.
#pragma once

#include <array>
#include <cstdint>

#include "platform/Platform.h"

namespace lumetra::platform::v4l2 {

enum class Carrier {
    // One uvcvideo control. Flags AUTO switch the property's automatic mode
    // on and send no value; MANUAL switch it off, then send the value; any
    // other flags send the value and leave the mode alone.
    V4l2Control,
    // Blue and red halves of one UVC control, sent together in one request.
    V4l2Balance,
    // PAN_SPEED and TILT_SPEED (halves of one UVC control) sent together,
    // the other axis keeping the speed last asked for it; through usbfs when
    // the kernel's reported range shows it would clamp a negative speed.
    PanTiltSpeed,
    // ZOOM_CONTINUOUS; through usbfs when the kernel's reported range shows
    // it would clamp the value (6.1 cannot zoom out, nor stop a camera whose
    // slowest speed is not 0). Where only usbfs can stop it, zooming in
    // through V4L2 also needs usbfs to be reachable.
    ZoomSpeed,
    // No uvcvideo mapping: a class request to the camera terminal through
    // usbfs, addressed to the device so that uvcvideo keeps the interface
    // (to a camera that refuses that, to the interface uvcvideo lends).
    UsbfsOnly,
};

enum class Units {
    Native,
    Log2Seconds,  // kernel-streaming log2 seconds against UVC 100 us units
};

// The bytes of a usbfs class request to the camera terminal.
enum class Payload {
    None,
    Signed16,         // wAbsolute = Value1
    DirectionSpeed,   // bRelative (1, 0xFF or 0 by the sign of Value1), bSpeed = |Value1|
    ZoomRelative,     // bZoom (sign), bDigitalZoom = 0, bSpeed = |Value1|
    PanTiltRelative,  // bPanRelative, bPanSpeed, bTiltRelative, bTiltSpeed
};

// The V4L2 control that turns a property's automatic mode on and off, with
// the values it takes for each, preferred first (menu entries the camera
// does not offer are passed over).
struct AutoSwitch {
    uint32_t control = 0;  // 0: the property has no automatic mode
    std::array<int32_t, 2> manual{};
    std::array<int32_t, 2> automatic{};
};

struct Route {
    PropertySet set;
    uint32_t property;
    Carrier carrier;
    uint32_t control;  // V4L2 control carrying Value1 (0 for UsbfsOnly)
    uint32_t partner;  // V4L2 control carrying the other half, or 0
    AutoSwitch autoSwitch;
    Units units;
    uint8_t selector;     // UVC control selector (camera terminal or processing unit)
    uint8_t terminalBit;  // camera terminal bmControls bit of the usbfs road
    Payload payload;      // usbfs bytes
};

// The row of one property; null for a property no road carries.
const Route* FindRoute(PropertySet set, uint32_t property);

}  // namespace lumetra::platform::v4l2
