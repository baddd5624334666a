// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "platform/v4l2/PropertyRequests.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "platform/v4l2/ExposureTime.h"

namespace lumetra::platform::v4l2 {
namespace {

bool Contains(const std::array<int32_t, 2>& values, int32_t value) { return values[0] == value || values[1] == value; }

// Puts a property's automatic mode in one of the `wanted` states, unless it
// is in one already. A camera without the auto control has nothing to
// switch off; asking it to switch on is refused.
HResult SwitchAutoMode(CameraBinding& camera, const AutoSwitch& autoSwitch, const std::array<int32_t, 2>& wanted,
                       bool switchingOn) {
    v4l2_queryctrl query;
    const HResult present = camera.QueryControl(autoSwitch.control, query);
    if (Failed(present)) return present == kInvalidArg && !switchingOn ? kOk : present;
    int32_t current = 0;
    if (!Failed(camera.GetControl(autoSwitch.control, current)) && Contains(wanted, current)) return kOk;
    for (int32_t candidate : wanted) {
        if (query.type == V4L2_CTRL_TYPE_MENU && !camera.MenuOffers(autoSwitch.control, candidate)) continue;
        const ControlValue value{autoSwitch.control, candidate};
        return camera.SetControls(&value, 1);
    }
    return kInvalidArg;
}

// Linux 6.1 reports a relative speed's range as [-slowest, fastest] (pan,
// tilt) or [slowest, fastest] (zoom) and clamps into it, so a negative
// speed, or a stop, can turn into something else. Later kernels report
// [-fastest, fastest]; a range like that clamps nothing the camera can do.
bool KernelWouldClamp(const v4l2_queryctrl& range, int32_t value) {
    return range.minimum > -static_cast<int64_t>(range.maximum) && value < range.minimum;
}

// `value` kept within the range the kernel reports, as it keeps it; defined
// whatever a driver reports (std::clamp is not, for a minimum above the
// maximum).
int32_t Within(int32_t value, const v4l2_queryctrl& range) {
    return value < range.minimum ? range.minimum : value > range.maximum ? range.maximum : value;
}

uint8_t Direction(int32_t value) { return value == 0 ? 0x00 : value > 0 ? 0x01 : 0xFF; }

// |value| as a UVC speed byte, no faster than the camera's fastest.
uint8_t Speed(int32_t value, int32_t fastest) {
    int64_t speed = std::llabs(static_cast<int64_t>(value));
    if (fastest > 0) speed = std::min<int64_t>(speed, fastest);
    return static_cast<uint8_t>(std::min<int64_t>(speed, 0xFF));
}

// An integer within the control's reported range. Linux 6.1 clamps an
// unsigned control after a cast to unsigned, so that a value below its
// minimum lands at its maximum: nothing outside the range is sent.
int32_t WithinRange(int32_t value, const v4l2_queryctrl& range) {
    if (range.type != V4L2_CTRL_TYPE_INTEGER || range.minimum > range.maximum) return value;
    return std::clamp(value, range.minimum, range.maximum);
}

HResult SetControlValue(CameraBinding& camera, const Route& route, const PropertyRequest& request, bool wantsAuto,
                        bool wantsManual) {
    if (wantsAuto) return SwitchAutoMode(camera, route.autoSwitch, route.autoSwitch.automatic, true);
    v4l2_queryctrl query{}, partnerQuery{};
    HResult hr = camera.QueryControl(route.control, query);
    if (!Failed(hr) && route.partner != 0) hr = camera.QueryControl(route.partner, partnerQuery);
    if (Failed(hr)) return hr;
    if (wantsManual && route.autoSwitch.control != 0) {
        hr = SwitchAutoMode(camera, route.autoSwitch, route.autoSwitch.manual, false);
        if (Failed(hr)) return hr;
    }
    const int32_t value = route.units == Units::Log2Seconds ? ExposureUnitsFromLog2Seconds(request.value1)
                                                            : request.value1;
    // Switching to manual with no value the camera can take (a mode switch
    // sends 0) keeps the value it has: the kernel would clamp it to the
    // lowest, a white balance of 2800 K out of nowhere.
    if (wantsManual && route.autoSwitch.control != 0 && route.partner == 0 &&
        (value < query.minimum || value > query.maximum))
        return hr;
    const ControlValue values[2] = {{route.control, WithinRange(value, query)},
                                    {route.partner, WithinRange(request.value2, partnerQuery)}};
    return camera.SetControls(values, route.partner != 0 ? 2 : 1);
}

HResult SetPanTiltSpeed(CameraBinding& camera, const Route& route, const PropertyRequest& request) {
    const bool isPan = route.control == V4L2_CID_PAN_SPEED;
    const int32_t pan = isPan ? request.value1 : camera.panSpeed;
    const int32_t tilt = isPan ? camera.tiltSpeed : request.value1;
    v4l2_queryctrl panRange, tiltRange;
    HResult hr = camera.QueryControl(V4L2_CID_PAN_SPEED, panRange);
    if (!Failed(hr)) hr = camera.QueryControl(V4L2_CID_TILT_SPEED, tiltRange);
    if (Failed(hr)) return hr;
    hr = kWouldLend;
    if (KernelWouldClamp(panRange, pan) || KernelWouldClamp(tiltRange, tilt)) {
        const uint8_t payload[4] = {Direction(pan), Speed(pan, panRange.maximum), Direction(tilt),
                                    Speed(tilt, tiltRange.maximum)};
        hr = camera.SendToCameraTerminal(route.selector, route.terminalBit, payload, sizeof payload, Lending::Never);
    }
    if (hr == kWouldLend) {
        // What the kernel carries: where it would clamp, the slowest speed
        // that way. An axis it cannot move that way at all is refused
        // rather than sent as a stop.
        const int32_t panSent = Within(pan, panRange);
        const int32_t tiltSent = Within(tilt, tiltRange);
        if ((pan != 0 && panSent == 0) || (tilt != 0 && tiltSent == 0)) return kNotFound;
        // Both halves in one request: on 6.1 a pan/tilt control without
        // GET_CUR is write-only, and setting one axis alone sends 0 for the
        // other.
        const ControlValue values[2] = {{V4L2_CID_PAN_SPEED, panSent}, {V4L2_CID_TILT_SPEED, tiltSent}};
        hr = camera.SetControls(values, 2);
    }
    if (!Failed(hr)) {
        camera.panSpeed = pan;
        camera.tiltSpeed = tilt;
    }
    return hr;
}

// A zoom or focus move by the axis's absolute control, for a camera whose
// relative one only the lent interface reaches: towards the end of the range
// in the move's direction (`direction` > 0: the maximum), and a stop where
// the camera has got to (uvcvideo reads an absolute lens position afresh
// after each set of it).
HResult MoveByPosition(CameraBinding& camera, uint32_t control, int32_t direction) {
    v4l2_queryctrl range;
    HResult hr = camera.QueryControl(control, range);
    if (Failed(hr)) return hr;
    int32_t target = direction > 0 ? range.maximum : range.minimum;
    if (direction == 0 && Failed(hr = camera.GetControl(control, target))) return hr;
    const ControlValue value{control, target};
    return camera.SetControls(&value, 1);
}

HResult SetZoomSpeed(CameraBinding& camera, const Route& route, const PropertyRequest& request) {
    v4l2_queryctrl range;
    const HResult hr = camera.QueryControl(route.control, range);
    if (Failed(hr)) return hr;
    const int32_t value = request.value1;
    // Where the kernel clamps some zoom speed (6.1 every negative one) and
    // usbfs reaches the camera only by lending, every zoom move goes by
    // position once that is known, so that a stop stops what was started.
    const bool needsUsbfs = KernelWouldClamp(range, value) || (value != 0 && KernelWouldClamp(range, 0));
    if (KernelWouldClamp(range, -range.maximum) &&
        (needsUsbfs ? camera.UsbfsReady(route.selector, route.terminalBit, Lending::Never) == kWouldLend
                    : camera.KnownToLend()))
        return MoveByPosition(camera, V4L2_CID_ZOOM_ABSOLUTE, value);
    if (KernelWouldClamp(range, value)) {
        const uint8_t payload[3] = {Direction(value), 0x00, Speed(value, range.maximum)};
        return camera.SendToCameraTerminal(route.selector, route.terminalBit, payload, sizeof payload, Lending::Never);
    }
    // Where only usbfs can stop the zoom, a zoom that could not be stopped
    // is not started.
    if (value != 0 && KernelWouldClamp(range, 0)) {
        const HResult ready = camera.UsbfsReady(route.selector, route.terminalBit, Lending::Never);
        if (Failed(ready)) return ready;
    }
    const ControlValue control{route.control, value};
    return camera.SetControls(&control, 1);
}

HResult SendThroughUsbfs(CameraBinding& camera, const Route& route, const PropertyRequest& request) {
    const int32_t value = request.value1;
    switch (route.payload) {
    case Payload::Signed16: {
        // A value the two-byte control cannot hold is refused, not cut.
        if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
            return kInvalidArg;
        const auto bits = static_cast<uint16_t>(static_cast<int16_t>(value));
        const uint8_t payload[2] = {static_cast<uint8_t>(bits & 0xFF), static_cast<uint8_t>(bits >> 8)};
        return camera.SendToCameraTerminal(route.selector, route.terminalBit, payload, sizeof payload);
    }
    case Payload::DirectionSpeed: {
        // Relative focus, a move: a relative focus of +1 focuses nearer, a
        // larger absolute focus is farther.
        const uint8_t payload[2] = {Direction(value), Speed(value, 0)};
        const HResult hr = camera.SendToCameraTerminal(route.selector, route.terminalBit, payload, sizeof payload,
                                                       Lending::Never);
        return hr == kWouldLend ? MoveByPosition(camera, V4L2_CID_FOCUS_ABSOLUTE, -value) : hr;
    }
    case Payload::None:
    case Payload::ZoomRelative:
    case Payload::PanTiltRelative: break;
    }
    return kFail;
}

}  // namespace

HResult SetProperty(CameraBinding& camera, const Route& route, const PropertyRequest& request) {
    const bool wantsAuto = (request.flags & kFlagsAuto) != 0;
    const bool wantsManual = !wantsAuto && (request.flags & kFlagsManual) != 0;
    if (wantsAuto && route.autoSwitch.control == 0) return kInvalidArg;
    switch (route.carrier) {
    case Carrier::V4l2Control:
    case Carrier::V4l2Balance: return SetControlValue(camera, route, request, wantsAuto, wantsManual);
    case Carrier::PanTiltSpeed: return SetPanTiltSpeed(camera, route, request);
    case Carrier::ZoomSpeed: return SetZoomSpeed(camera, route, request);
    case Carrier::UsbfsOnly: return SendThroughUsbfs(camera, route, request);
    }
    return kFail;
}

namespace {

int32_t ModeFlags(CameraBinding& camera, const Route& route) {
    int32_t mode = 0;
    if (route.autoSwitch.control != 0 && !Failed(camera.GetControl(route.autoSwitch.control, mode)) &&
        Contains(route.autoSwitch.automatic, mode))
        return kFlagsAuto;
    return kFlagsManual;
}

}  // namespace

HResult GetProperty(CameraBinding& camera, const Route& route, int32_t& value, int32_t& flags) {
    if (route.carrier != Carrier::V4l2Control) return kNotFound;
    int32_t raw = 0;
    const HResult hr = camera.GetControl(route.control, raw);
    if (Failed(hr)) return hr;
    value = route.units == Units::Log2Seconds ? Log2SecondsFromExposureUnits(raw, Rounding::Nearest) : raw;
    flags = ModeFlags(camera, route);
    return kOk;
}

HResult GetPropertyPair(CameraBinding& camera, const Route& route, int32_t& value1, int32_t& value2, int32_t& flags) {
    if (route.carrier != Carrier::V4l2Balance) return kNotFound;
    int32_t first = 0, second = 0;
    HResult hr = camera.GetControl(route.control, first);
    if (!Failed(hr)) hr = camera.GetControl(route.partner, second);
    if (Failed(hr)) return hr;
    value1 = first;
    value2 = second;
    flags = ModeFlags(camera, route);
    return kOk;
}

HResult GetPropertyRange(CameraBinding& camera, const Route& route, int32_t& min, int32_t& max, int32_t& step,
                         int32_t& defaultValue, int32_t& capsFlags) {
    if (route.carrier != Carrier::V4l2Control) return kNotFound;
    v4l2_queryctrl query;
    const HResult hr = camera.QueryControl(route.control, query);
    if (Failed(hr)) return hr;
    if (route.units == Units::Log2Seconds) {
        min = Log2SecondsFromExposureUnits(query.minimum, Rounding::Up);
        max = std::max(min, Log2SecondsFromExposureUnits(query.maximum, Rounding::Down));
        step = 1;
        defaultValue = std::clamp(Log2SecondsFromExposureUnits(query.default_value, Rounding::Nearest), min, max);
    } else {
        min = query.minimum;
        max = query.maximum;
        step = query.step;
        defaultValue = query.default_value;
    }
    v4l2_queryctrl autoQuery;
    capsFlags = kFlagsManual;
    if (route.autoSwitch.control != 0 && !Failed(camera.QueryControl(route.autoSwitch.control, autoQuery)))
        capsFlags |= kFlagsAuto;
    return kOk;
}

}  // namespace lumetra::platform::v4l2
