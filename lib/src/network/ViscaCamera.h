// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// A network camera driven by VISCA: the device operations VISCA carries,
// one message each. What VISCA does not carry is not sent at all.
#pragma once

#include <string>

#include "lumetra/BaseDevice.h"
#include "network/ViscaLink.h"

namespace lumetra {

class ViscaCamera {
public:
    // Every operation of a network camera but the resets of pan and tilt,
    // GetPosition and MoveToPosition, and the USB cameras' own commands
    // (mute, framing, Command10 to 19).
    static constexpr uint32_t kAbilities = AbilityPanTilt | AbilityZoom | AbilityFocus | AbilityFocusMode |
                                           AbilityHome | AbilityPresets | AbilityFlipMirror;

    // Opens the listed camera and asks its version: false when the address
    // is not found or the camera does not answer. `name` is the listed one
    // when the program gave one, else what the camera says it is.
    bool Open(const DeviceInfo& listed);
    RequestFault Fault() const { return fault_; }
    const std::string& Name() const { return name_; }

    // pan: -1 left, +1 right, 0 stop; tilt: +1 up, -1 down, 0 stop; speed 0
    // stops too. The other axis keeps its move: one drive carries both.
    bool Pan(int direction, int speed);
    bool Tilt(int direction, int speed);
    bool Zoom(int direction, int speed);
    bool Focus(int direction, int speed);
    bool ZoomTo(int position);
    bool FocusMode(bool automatic);
    bool Home();
    // 0 reset, 1 set, 2 recall; memories 0 to 9.
    bool Memory(int action, int preset);
    bool Switch(uint8_t function, bool on);
    bool SetValue(uint8_t function, int value, PropertyInfo& record);
    // Switches read 0 or 1, values and the lens positions 0 to FFFFh.
    bool GetValue(uint8_t function, PropertyInfo& record, int* value);
    // The picture settings the camera answers for, with VISCA's ranges;
    // the others are marked unsupported. Stops asking at the first silence.
    bool LoadPropertyInfo(BaseDevice& records);

private:
    bool Command(const visca::Bytes& message);
    bool Inquire(uint8_t category, uint8_t function, visca::Bytes& answer);
    bool Drive();

    ViscaLink link_;
    RequestFault fault_ = RequestFault::None;
    std::string name_;
    int pan_ = 0, tilt_ = 0, panSpeed_ = 1, tiltSpeed_ = 1;
};

}  // namespace lumetra
