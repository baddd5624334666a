// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// A camera the library knows only through its driver: each move goes to
// the control the driver reports for it, a speed control where the driver
// carries every speed, else the absolute control, stepped at the asked
// speed. Nothing of the camera's own command channel is ever sent.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "lumetra/BaseDevice.h"
#include "platform/Platform.h"

namespace lumetra {

class GenericCamera {
public:
    // The open device, as the mapping needs it: camera-control requests.
    class Link {
    public:
        virtual ~Link() = default;
        virtual bool Set(uint32_t id, int32_t value, int32_t flags) = 0;
        virtual bool Get(uint32_t id, int32_t& value, int32_t& flags) = 0;
    };

    enum class Axis { Pan, Tilt, Zoom, Focus };

    GenericCamera(const platform::MotionControls& controls, std::string identity);

    // True when the driver reports a way to move pan or tilt, or zoom: what
    // makes a camera generic rather than a plain webcam.
    static bool CanMove(const platform::MotionControls& controls);

    uint32_t Abilities() const;
    // `toward`: the share of the fastest speed in percent, signed towards
    // larger absolute values (right, up, telephoto, far); 0 stops.
    bool Move(Link& link, Axis axis, int64_t toward);
    // The axis to absolute position 0.
    bool Reset(Link& link, Axis axis);
    bool Home(Link& link);
    bool SetFocusMode(Link& link, bool automatic);
    int StepMoves(Link& link);
    bool GetPosition(Link& link, CameraPosition& position);
    bool MoveToPosition(Link& link, const CameraPosition& position);
    const std::string& Identity() const { return identity_; }

    // Milliseconds between the steps of a stepped move.
    static constexpr int kStepIntervalMs = 40;
    // A stepped move at full speed crosses the whole range in this time.
    static constexpr double kFullSweepSeconds = 4.0;

private:
    enum class Mode { None, Speed, Step };
    using Clock = std::chrono::steady_clock;

    struct AxisState {
        Mode mode = Mode::None;
        platform::ControlRange speed;     // as the driver carries it
        platform::ControlRange position;  // absolute
        uint32_t speedId = 0;
        uint32_t positionId = 0;
        int speedSign = 1;  // the speed control's sign for larger absolute values
        // A stepped move: units per second (0: none), where it has got to,
        // what was last sent, and when.
        double velocity = 0;
        double at = 0;
        int32_t sent = 0;
        bool known = false;  // `sent` is the camera's position
        Clock::time_point last{};
        bool lastTaken = true;
    };

    AxisState& State(Axis axis) { return axes_[static_cast<int>(axis)]; }
    bool MoveBySpeed(Link& link, AxisState& axis, int64_t toward);
    bool MoveBySteps(Link& link, AxisState& axis, int64_t toward);
    // Sends the position a stepped move has reached; ends the move at the
    // end of the range or when the camera refuses.
    bool SendStep(Link& link, AxisState& axis, double target);
    bool SendPosition(Link& link, AxisState& axis, int32_t value);
    int32_t StartingPoint(Link& link, AxisState& axis);

    AxisState axes_[4];
    bool focusAuto_ = false;
    std::string identity_;
};

// Tests set the clock the steps are timed by; an empty one restores the
// steady clock.
void SetStepClockForTesting(std::function<std::chrono::steady_clock::time_point()> clock);

}  // namespace lumetra
