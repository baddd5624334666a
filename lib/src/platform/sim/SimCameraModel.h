// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// What a simulated camera is: its two texts, its property tables and the
// faults it has been told to show.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/Platform.h"

namespace lumetra::platform::sim {

// Request kinds, as bits of SimProperty::failing.
enum SimRequestKind : uint8_t {
    kRequestGet = 1,
    kRequestGetRange = 2,
    kRequestSet = 4,    // PropertyControl::Set
    kRequestKsSet = 8,  // KsPropertySet::Set
    kRequestAll = 15,
};

struct SimProperty {
    int32_t min = 0;
    int32_t max = 0;
    int32_t step = 1;
    int32_t defaultValue = 0;
    int32_t current = 0;
    int32_t current2 = 0;          // the other half of a pair (red of the white-balance components)
    int32_t flags = kFlagsManual;  // what Get reports with the value
    uint8_t failing = 0;           // SimRequestKind bits that fail
    HResult failWith = kFail;      // and what they answer: E_FAIL, or a cause
    bool hasAuto = true;           // takes Flags AUTO (its automatic mode)
};

// Property id -> property; an id missing from the table is a property the
// camera does not have.
using SimPropertyTable = std::map<uint32_t, SimProperty>;

struct SimCameraModel {
    // Absent: the property bag cannot read that text.
    std::optional<std::string> friendlyName;  // UTF-8
    std::optional<std::string> devicePath;    // UTF-8
    SimPropertyTable cameraControl = DefaultCameraControl();
    SimPropertyTable procAmp = DefaultProcAmp();

    // The driver reports the camera's pan, tilt, zoom and focus controls
    // (the motion properties of its table) to whoever asks; without this,
    // a camera reports none, as a plain webcam.
    bool describesPtzControls = false;
    // "UsbSerial" and "UsbPort"; the port defaults to the camera's log name.
    std::optional<std::string> serial;
    std::optional<std::string> port;

    // Every request to the camera answers only after this many milliseconds,
    // as a camera slow over USB does.
    int32_t answerDelayMs = 0;

    bool noPropertyBag = false;  // BindToStorage fails
    bool bindFails = false;      // BindToObject fails
    bool noVideoProcAmp = false;
    bool noKsControl = false;
    bool noKsPropertySet = false;
    bool noCameraControl = false;

    SimPropertyTable& Table(PropertySet set) { return set == PropertySet::CameraControl ? cameraControl : procAmp; }
    const SimPropertyTable& Table(PropertySet set) const {
        return set == PropertySet::CameraControl ? cameraControl : procAmp;
    }

    // A UVC-like camera: every property the library touches, with ranges
    // and defaults such a camera reports.
    static SimPropertyTable DefaultCameraControl();
    static SimPropertyTable DefaultProcAmp();
};

// A camera of a supported model ("vid_0000&pid_8888") named `name`.
SimCameraModel SupportedCamera(const std::string& name, const std::string& serial = "0001");

}  // namespace lumetra::platform::sim
