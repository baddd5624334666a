// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "GenericCamera.h"

#include <algorithm>
#include <cmath>

#include "platform/KsProperties.h"

namespace lumetra {

using platform::ControlRange;
using platform::kFlagsAbsolute;
using platform::kFlagsAuto;
using platform::kFlagsManual;
using platform::kFlagsRelative;
namespace id = platform::CameraControlId;

namespace {

std::function<std::chrono::steady_clock::time_point()>& StepClock() {
    static std::function<std::chrono::steady_clock::time_point()> clock;
    return clock;
}

std::chrono::steady_clock::time_point Now() {
    const auto& clock = StepClock();
    return clock ? clock() : std::chrono::steady_clock::now();
}

// A speed control the driver can stop and drive one way at least.
bool SpeedUsable(const ControlRange& speed) { return speed.present && speed.min <= 0 && speed.max > 0; }

// ... and every speed both ways, as the camera reports its fastest.
bool SpeedCarriedWhole(const ControlRange& speed) { return SpeedUsable(speed) && speed.min <= -speed.max; }

bool PositionUsable(const ControlRange& position) { return position.present && position.max > position.min; }

int64_t Percent(int64_t toward) { return std::min<int64_t>(std::llabs(toward), 100); }

double Clamp(double value, const ControlRange& range) {
    return std::clamp(value, static_cast<double>(range.min), static_cast<double>(range.max));
}

// The control's value nearest `at` on its grid of steps from the minimum.
int32_t OnGrid(double at, const ControlRange& range) {
    const double step = range.step > 0 ? range.step : 1;
    const double steps = std::round((Clamp(at, range) - range.min) / step);
    const double value = range.min + steps * step;
    return static_cast<int32_t>(Clamp(value > range.max ? value - step : value, range));
}

}  // namespace

void SetStepClockForTesting(std::function<std::chrono::steady_clock::time_point()> clock) {
    StepClock() = std::move(clock);
}

GenericCamera::GenericCamera(const platform::MotionControls& controls, std::string identity)
    : focusAuto_(controls.focusAuto && controls.focus.present), identity_(std::move(identity)) {
    const struct {
        Axis axis;
        const ControlRange& speed;
        const ControlRange& position;
        uint32_t speedId;
        uint32_t positionId;
        int speedSign;
    } rows[] = {
        {Axis::Pan, controls.panSpeed, controls.pan, id::PanRelative, id::Pan, 1},
        {Axis::Tilt, controls.tiltSpeed, controls.tilt, id::TiltRelative, id::Tilt, 1},
        {Axis::Zoom, controls.zoomSpeed, controls.zoom, id::ZoomRelative, id::Zoom, 1},
        // A relative focus of +1 focuses nearer; a larger absolute focus is farther.
        {Axis::Focus, controls.focusSpeed, controls.focus, id::FocusRelative, id::Focus, -1},
    };
    for (const auto& row : rows) {
        AxisState& axis = State(row.axis);
        axis.speed = row.speed;
        axis.position = row.position;
        axis.speedId = row.speedId;
        axis.positionId = row.positionId;
        axis.speedSign = row.speedSign;
        // A speed control that carries every speed moves best; one the
        // driver clamps is used only where nothing else moves the axis.
        axis.mode = SpeedCarriedWhole(row.speed)   ? Mode::Speed
                    : PositionUsable(row.position) ? Mode::Step
                    : SpeedUsable(row.speed)       ? Mode::Speed
                                                   : Mode::None;
    }
}

bool GenericCamera::CanMove(const platform::MotionControls& controls) {
    const auto movable = [](const ControlRange& speed, const ControlRange& position) {
        return SpeedUsable(speed) || PositionUsable(position);
    };
    return movable(controls.panSpeed, controls.pan) || movable(controls.tiltSpeed, controls.tilt) ||
           movable(controls.zoomSpeed, controls.zoom);
}

uint32_t GenericCamera::Abilities() const {
    const auto moves = [this](Axis axis) { return axes_[static_cast<int>(axis)].mode != Mode::None; };
    const auto placed = [this](Axis axis) { return axes_[static_cast<int>(axis)].position.present; };
    uint32_t abilities = 0;
    if (moves(Axis::Pan) || moves(Axis::Tilt)) abilities |= AbilityPanTilt;
    if (moves(Axis::Zoom)) abilities |= AbilityZoom;
    if (moves(Axis::Focus)) abilities |= AbilityFocus;
    if (focusAuto_) abilities |= AbilityFocusMode;
    if (placed(Axis::Pan) && placed(Axis::Tilt)) abilities |= AbilityHome;
    if (placed(Axis::Pan) || placed(Axis::Tilt) || placed(Axis::Zoom) || placed(Axis::Focus))
        abilities |= AbilityPositions;
    return abilities;
}

bool GenericCamera::Move(Link& link, Axis axis, int64_t toward) {
    AxisState& state = State(axis);
    switch (state.mode) {
    case Mode::Speed: return MoveBySpeed(link, state, toward);
    case Mode::Step: return MoveBySteps(link, state, toward);
    case Mode::None: break;
    }
    return false;
}

// The share of the fastest speed, in the camera's units, kept within what
// the driver carries; a direction it cannot carry at all is refused.
bool GenericCamera::MoveBySpeed(Link& link, AxisState& axis, int64_t toward) {
    const int64_t percent = Percent(toward);
    int64_t value = 0;
    if (percent > 0) {
        const int64_t magnitude = (percent * axis.speed.max + 99) / 100;
        value = (toward > 0 ? 1 : -1) * axis.speedSign * std::max<int64_t>(magnitude, 1);
        value = std::clamp<int64_t>(value, axis.speed.min, axis.speed.max);
        if (value == 0) return false;
    }
    return link.Set(axis.speedId, static_cast<int32_t>(value), kFlagsRelative);
}

bool GenericCamera::MoveBySteps(Link& link, AxisState& axis, int64_t toward) {
    const int64_t percent = Percent(toward);
    if (percent == 0) {
        // The camera is already on its way to the last step and stops there.
        axis.velocity = 0;
        return true;
    }
    const double span = static_cast<double>(axis.position.max) - axis.position.min;
    const double velocity = (toward > 0 ? 1 : -1) * (percent / 100.0) * span / kFullSweepSeconds;
    // A change of speed in the same direction keeps stepping from where it is.
    if (axis.velocity != 0 && (axis.velocity > 0) == (velocity > 0)) {
        axis.velocity = velocity;
        return axis.lastTaken;
    }
    axis.at = StartingPoint(link, axis);
    axis.velocity = velocity;
    axis.last = Now();
    // The first step goes at once: one interval's way, one step of the
    // control at least.
    const double step = std::max<double>(axis.position.step > 0 ? axis.position.step : 1,
                                         std::fabs(velocity) * kStepIntervalMs / 1000.0);
    axis.lastTaken = SendStep(link, axis, axis.at + (velocity > 0 ? step : -step));
    return axis.lastTaken;
}

// Where the camera is, as it says; where it was sent last if it cannot say.
int32_t GenericCamera::StartingPoint(Link& link, AxisState& axis) {
    int32_t value = 0, flags = 0;
    if (link.Get(axis.positionId, value, flags)) return static_cast<int32_t>(Clamp(value, axis.position));
    return axis.known ? axis.sent : static_cast<int32_t>(Clamp(axis.position.defaultValue, axis.position));
}

bool GenericCamera::SendStep(Link& link, AxisState& axis, double target) {
    const double reached = Clamp(target, axis.position);
    const bool atEnd = reached != target;
    const int32_t value = OnGrid(reached, axis.position);
    axis.at = reached;
    bool taken = true;
    if (!axis.known || value != axis.sent) {
        taken = link.Set(axis.positionId, value, kFlagsAbsolute);
        if (taken) {
            axis.sent = value;
            axis.known = true;
        }
    }
    if (atEnd || !taken) axis.velocity = 0;
    return taken;
}

int GenericCamera::StepMoves(Link& link) {
    const Clock::time_point now = Now();
    int due = -1;
    for (AxisState& axis : axes_) {
        if (axis.mode != Mode::Step || axis.velocity == 0) continue;
        const double seconds = std::chrono::duration<double>(now - axis.last).count();
        axis.last = now;
        axis.lastTaken = SendStep(link, axis, axis.at + axis.velocity * std::max(seconds, 0.0));
        if (axis.velocity != 0) due = kStepIntervalMs;
    }
    return due;
}

// Only a position within the range the driver reports is sent: uvcvideo
// reads one below an unsigned control's minimum as a huge number, and a
// zoom of -5 would land at full telephoto.
bool GenericCamera::SendPosition(Link& link, AxisState& axis, int32_t value) {
    axis.velocity = 0;
    if (!axis.position.present) return false;
    const int32_t within = axis.position.min <= axis.position.max ? static_cast<int32_t>(Clamp(value, axis.position))
                                                                  : value;
    if (!link.Set(axis.positionId, within, kFlagsAbsolute)) return false;
    axis.sent = within;
    axis.at = axis.sent;
    axis.known = true;
    return true;
}

bool GenericCamera::Reset(Link& link, Axis axis) { return SendPosition(link, State(axis), 0); }

bool GenericCamera::Home(Link& link) {
    if (!State(Axis::Pan).position.present || !State(Axis::Tilt).position.present) return false;
    const bool pan = SendPosition(link, State(Axis::Pan), 0);
    return SendPosition(link, State(Axis::Tilt), 0) && pan;
}

bool GenericCamera::SetFocusMode(Link& link, bool automatic) {
    AxisState& focus = State(Axis::Focus);
    if (!focusAuto_) return false;
    focus.velocity = 0;
    if (automatic) return link.Set(focus.positionId, 0, kFlagsAuto);
    // Manual keeps the focus where the camera has it.
    return link.Set(focus.positionId, StartingPoint(link, focus), kFlagsManual);
}

bool GenericCamera::GetPosition(Link& link, CameraPosition& position) {
    CameraPosition read;
    const struct {
        Axis axis;
        int32_t CameraPosition::*field;
        uint32_t bit;
    } rows[] = {{Axis::Pan, &CameraPosition::pan, PositionPan},
                {Axis::Tilt, &CameraPosition::tilt, PositionTilt},
                {Axis::Zoom, &CameraPosition::zoom, PositionZoom},
                {Axis::Focus, &CameraPosition::focus, PositionFocus}};
    for (const auto& row : rows) {
        const AxisState& axis = State(row.axis);
        int32_t value = 0, flags = 0;
        if (axis.position.present && link.Get(axis.positionId, value, flags)) {
            read.*row.field = value;
            read.axes |= row.bit;
        }
    }
    if (read.axes == 0) return false;
    position = read;
    return true;
}

bool GenericCamera::MoveToPosition(Link& link, const CameraPosition& position) {
    for (AxisState& axis : axes_) axis.velocity = 0;
    bool sent = false, taken = true;
    const auto go = [&](Axis axis, uint32_t bit, int32_t value) {
        if ((position.axes & bit) == 0 || !State(axis).position.present) return;
        sent = true;
        taken = SendPosition(link, State(axis), value) && taken;
    };
    go(Axis::Pan, PositionPan, position.pan);
    go(Axis::Tilt, PositionTilt, position.tilt);
    go(Axis::Zoom, PositionZoom, position.zoom);
    // An automatic focus finds its own distance; a recalled one would fight it.
    if ((position.axes & PositionFocus) != 0) {
        int32_t focus = 0, flags = 0;
        const bool automatic = focusAuto_ && link.Get(State(Axis::Focus).positionId, focus, flags) &&
                               (flags & kFlagsAuto) != 0;
        if (!automatic) go(Axis::Focus, PositionFocus, position.focus);
    }
    return sent && taken;
}

}  // namespace lumetra
