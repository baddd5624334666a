// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "bridge/ViscaExecutor.h"

#include <QString>
#include <algorithm>

#include "presets/PresetFile.h"

using lumetra::visca::Message;
using lumetra::visca::Request;

namespace ptzdeck::bridge {
namespace {

// What the panel sends at its fastest: pan 21 and tilt 14 on a supported
// camera, a percentage of the fastest on a generic one.
constexpr int kSupportedTopPan = 21;
constexpr int kSupportedTopTilt = 14;
constexpr int kGenericTop = 100;
// A generic camera's zoom and focus at VISCA's standard speed: the panel's.
constexpr int kGenericLensStandard = 50;
// The supported cameras' preset commands overlap from 40 on (PresetSet(40)
// is PresetClear(0)); the panel's own presets file keeps 0 to 9.
constexpr int kSupportedPresets = 40;
constexpr int kFilePresets = 10;

// `value` of `from` as a share of `to`, scaled by `percent`; at least 1, as
// a move asked for with speed 00 still moves, at the slowest.
int Map(int value, int from, int to, int percent)
{
    const int v = std::clamp(value, 1, from);
    const long scaled = (static_cast<long>(v) * to * percent + from * 50L) / (from * 100L);
    return static_cast<int>(std::clamp<long>(scaled, 1, to));
}

bool FileDone(const PresetFile& file, PresetFile::Result result)
{
    if (result == PresetFile::Result::Damaged || result == PresetFile::Result::Unwritable)
        qWarning("ptzdeck-bridge: presets file %s: %s", qPrintable(file.path()), qPrintable(file.problem()));
    return result == PresetFile::Result::Done;
}

}  // namespace

int ViscaExecutor::panSpeed(int visca) const
{
    return Map(visca, kTopPan, generic() ? kGenericTop : kSupportedTopPan, scale_.pan);
}

int ViscaExecutor::tiltSpeed(int visca) const
{
    return Map(visca, kTopTilt, generic() ? kGenericTop : kSupportedTopTilt, scale_.tilt);
}

// The supported cameras choose their own lens speed; a generic one gets a
// share of its fastest.
int ViscaExecutor::lensSpeed(int visca) const
{
    if (!generic())
        return 1;
    if (visca < 0)
        return kGenericLensStandard;
    return Map(visca + 1, kTopLens + 1, kGenericTop, scale_.lens);
}

bool ViscaExecutor::drive(const Message& m)
{
    // Every operation is sent whatever the one before it answered, as the
    // panel does.
    bool taken = true;
    if (m.panDirection == 0)
        taken &= device_.PanLeftStop();
    else if (m.panDirection < 0)
        taken &= device_.PanLeft(panSpeed(m.panSpeed));
    else
        taken &= device_.PanRight(panSpeed(m.panSpeed));
    if (m.tiltDirection == 0)
        taken &= device_.TiltUpStop();
    else if (m.tiltDirection > 0)
        taken &= device_.TiltUp(tiltSpeed(m.tiltSpeed));
    else
        taken &= device_.TiltDown(tiltSpeed(m.tiltSpeed));
    return taken;
}

bool ViscaExecutor::lens(bool zoom, const Message& m)
{
    const int speed = lensSpeed(m.lensSpeed);
    if (zoom) {
        if (m.lensDirection == 0)
            return device_.ZoomStop();
        return m.lensDirection > 0 ? device_.ZoomIn(speed) : device_.ZoomOut(speed);
    }
    if (m.lensDirection == 0)
        return device_.FocusStop();
    return m.lensDirection > 0 ? device_.FocusFar(speed) : device_.FocusNear(speed);
}

bool ViscaExecutor::position(CameraPosition& where)
{
    return (device_.Abilities() & AbilityPositions) && device_.GetPosition(where);
}

bool ViscaExecutor::moveTo(uint32_t axes, const CameraPosition& to)
{
    if (!(device_.Abilities() & AbilityPositions))
        return false;
    CameraPosition target = to;
    target.axes = axes;
    return device_.MoveToPosition(target);
}

bool ViscaExecutor::focusMode(bool automatic)
{
    if (!(automatic ? device_.FocusAuto() : device_.FocusManual()))
        return false;
    focusAuto_ = automatic;
    return true;
}

// The camera's own presets on a supported camera; on a generic one the
// panel's presets file, under the camera's identity, as the panel keeps them.
bool ViscaExecutor::memory(const Message& m)
{
    if (!generic()) {
        if (m.memory >= kSupportedPresets)
            return false;
        switch (m.request) {
        case Request::MemorySet:
            return device_.PresetSet(m.memory);
        case Request::MemoryRecall:
            return device_.PresetCall(m.memory);
        default:
            return device_.PresetClear(m.memory);
        }
    }
    if (m.memory >= kFilePresets)
        return false;
    const QString camera = QString::fromStdString(device_.CameraIdentity());
    PresetFile file;
    switch (m.request) {
    case Request::MemorySet: {
        CameraPosition where;
        return device_.GetPosition(where)
               && FileDone(file, file.store(camera, QString::fromUtf8(device_.GetFriendlyName()), m.memory, where));
    }
    case Request::MemoryRecall: {
        CameraPosition where;
        return FileDone(file, file.recall(camera, m.memory, where)) && device_.MoveToPosition(where);
    }
    default:
        return FileDone(file, file.clear(camera, m.memory));
    }
}

Outcome ViscaExecutor::execute(const Message& m)
{
    using lumetra::visca::Nibbles16;
    Outcome out;
    CameraPosition where;
    switch (m.request) {
    case Request::PanTiltDrive:
        out.done = drive(m);
        break;
    case Request::PanTiltAbsolute:
        where.pan = m.pan * kArcSecondsPerStep;
        where.tilt = m.tilt * kArcSecondsPerStep;
        out.done = moveTo(PositionPan | PositionTilt, where);
        break;
    case Request::PanTiltRelative:
        if (!position(where))
            break;
        where.pan += m.pan * kArcSecondsPerStep;
        where.tilt += m.tilt * kArcSecondsPerStep;
        out.done = moveTo(PositionPan | PositionTilt, where);
        break;
    case Request::PanTiltHome:
        out.done = device_.Home();
        break;
    case Request::PanTiltReset:
        out.done = device_.PanReset() & device_.TiltReset();
        break;
    case Request::Zoom:
    case Request::Focus:
        out.done = lens(m.request == Request::Zoom, m);
        break;
    case Request::ZoomDirect:
        where.zoom = m.position;
        out.done = moveTo(PositionZoom, where);
        break;
    case Request::FocusDirect:
        where.focus = m.position;
        out.done = !focusAuto_ && moveTo(PositionFocus, where);
        break;
    case Request::FocusAuto:
    case Request::FocusManual:
        out.done = focusMode(m.request == Request::FocusAuto);
        out.data = {focusAuto_ ? kFocusAutomatic : kFocusManual};
        break;
    case Request::FocusToggle:
        out.done = focusMode(!focusAuto_);
        out.data = {focusAuto_ ? kFocusAutomatic : kFocusManual};
        break;
    case Request::FocusOnePush:
        // Focus once and stay there: automatic focus, then back to manual.
        // No camera offers a truer trigger: uvcvideo maps no autofocus
        // start button (nor UVC 1.5's focus-simple control, a range, not a
        // trigger), and the supported cameras' commands have none.
        out.done = focusMode(true) && focusMode(false);
        out.data = {focusAuto_ ? kFocusAutomatic : kFocusManual};
        break;
    case Request::MemoryReset:
    case Request::MemorySet:
    case Request::MemoryRecall:
        out.done = memory(m);
        break;
    case Request::PanTiltInquiry:
        if (position(where) && (where.axes & PositionPan) && (where.axes & PositionTilt)) {
            out.data = Nibbles16(where.pan / kArcSecondsPerStep);
            const auto tilt = Nibbles16(where.tilt / kArcSecondsPerStep);
            out.data.insert(out.data.end(), tilt.begin(), tilt.end());
            out.done = true;
        }
        break;
    case Request::ZoomInquiry:
    case Request::FocusInquiry: {
        const bool zoom = m.request == Request::ZoomInquiry;
        int value = 0;
        if (generic()) {
            out.done = position(where) && (where.axes & (zoom ? PositionZoom : PositionFocus));
            value = zoom ? where.zoom : where.focus;
        } else {
            out.done = zoom ? device_.GetZoom(&value) : device_.GetFocus(&value);
        }
        if (out.done)
            out.data = Nibbles16(value);
        break;
    }
    case Request::FocusModeInquiry:
        out.data = {focusAuto_ ? kFocusAutomatic : kFocusManual};
        out.done = true;
        break;
    case Request::PowerInquiry:
        out.data = {0x02};
        out.done = true;
        break;
    case Request::VersionInquiry:
        // Vendor and model 0 (none of Sony's), ROM 01.00, two sockets.
        out.data = {0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02};
        out.done = true;
        break;
    case Request::PowerOn:
        out.done = true;
        break;
    case Request::InterfaceClear:
    case Request::AddressSet:
    case Request::CommandCancel:
        break;  // the interface's own, never the camera's
    }
    return out;
}

bool ViscaExecutor::stopAll()
{
    bool taken = device_.PanLeftStop();
    taken &= device_.TiltUpStop();
    if (device_.Abilities() & AbilityZoom)
        taken &= device_.ZoomStop();
    if (device_.Abilities() & AbilityFocus)
        taken &= device_.FocusStop();
    return taken;
}

}  // namespace ptzdeck::bridge
