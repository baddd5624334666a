// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "GenericCamera.h"

#include <time.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "camera_model.h"
#include "lumetra/BaseDevice.h"

namespace rig {
namespace {

// PANTILT_ABSOLUTE: dwPan, then dwTilt.
std::string PanTilt(int32_t pan, int32_t tilt) { return Ct(0x0D, Le(pan, 4) + Le(tilt, 4)); }
std::string Zoom(int32_t zoom) { return Ct(0x0B, Le(zoom, 2)); }

void Pause(int ms) {
    const timespec pause{ms / 1000, (ms % 1000) * 1000L * 1000L};
    nanosleep(&pause, nullptr);
}

std::string Ids(const CameraId& camera) {
    char ids[32];
    std::snprintf(ids, sizeof ids, "vid_%04x&pid_%04x", camera.vendorId, camera.productId);
    return ids;
}

int GenericIndex(const std::vector<DeviceInfo>& list, const CameraId& camera) {
    for (const DeviceInfo& info : list)
        if (info.devicePath.find(Ids(camera)) != std::string::npos) return info.index;
    return -1;
}

// Lists and opens it as the panel does; false when it cannot be.
bool OpenAsThePanelDoes(Judge& judge, BaseDevice& d, const CameraId& camera, uint32_t abilities) {
    std::vector<DeviceInfo> all, supported;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((!BaseDevice::EnumAllUSBDevices(all) || GenericIndex(all, camera) < 0) &&
           std::chrono::steady_clock::now() < deadline)
        Pause(50);
    const int index = GenericIndex(all, camera);
    BaseDevice::EnumUSBDevices(supported);
    judge.Check(index >= static_cast<int>(supported.size()) && GenericIndex(supported, camera) < 0,
                "EnumAllUSBDevices lists " + camera.name + " after the supported cameras (" + std::to_string(index) +
                    " of " + std::to_string(all.size()) + "); EnumUSBDevices does not");
    if (index < 0) return false;
    judge.Check(!d.Open(std::to_string(index).c_str(), 1),
                "Open, numbering the supported cameras alone, does not reach it");
    judge.Check(d.OpenAny(std::to_string(index).c_str(), 1), "OpenAny of " + camera.name);
    judge.Check(d.LoadPropertyInfo() && d.brightness.supported == 1, "LoadPropertyInfo reads its picture settings");
    judge.Check(d.Abilities() == abilities,
                camera.name + " can do what its controls allow (abilities " + std::to_string(d.Abilities()) + ")");
    const std::string identity = Ids(camera).substr(4, 4) + ":" + Ids(camera).substr(13, 4) + " serial " + camera.name;
    judge.Check(d.CameraIdentity() == identity,
                "its identity is its ids and serial number (" + d.CameraIdentity() + ")");
    return true;
}

// The camera's own commands: on another make they reach nothing.
void AddCommands(BaseDevice& d, std::vector<Step>& steps) {
    // A table, laid out by hand.
    // clang-format off
    const std::vector<std::pair<const char*, std::function<bool()>>> commands = {
        {"MirrorOn()", [&] { return d.MirrorOn(); }},         {"FlipOn()", [&] { return d.FlipOn(); }},
        {"MuteOn()", [&] { return d.MuteOn(); }},             {"FramingManual()", [&] { return d.FramingManual(); }},
        {"Command10()", [&] { return d.Command10(); }},       {"PresetSet(3)", [&] { return d.PresetSet(3); }},
        {"PresetCall(3)", [&] { return d.PresetCall(3); }},   {"PresetClear(3)", [&] { return d.PresetClear(3); }},
    };
    // clang-format on
    for (const auto& [name, call] : commands)
        steps.push_back({name, [call = call] { return Returned(call()); }, false, {}, ""});
}

// The panel's own calls. Its keys move at full speed (100), zoom at half
// (50). A stepped move starts with one step: the whole range in 4 s at full
// speed, so 40 ms of it, and no less than one step of the control. A stop
// sends nothing: the camera ends at the last step. Home is absolute 0/0;
// the camera's own commands reach nothing. (Notes go only on rows of this
// camera alone: a row's note is every column's.)
std::vector<Step> PanelSteps(BaseDevice& d) {
    // A table, laid out by hand.
    // clang-format off
    std::vector<Step> steps = {
        // Pan -612000..612000 from 0: 12240 in 40 ms, 10800 on the grid of 3600.
        {"PanLeft(100)", [&] { return Returned(d.PanLeft(100)); }, true, {PanTilt(-10800, 0)},
         "stepped on the absolute control: its first step"},
        {"PanLeftStop()", [&] { return Returned(d.PanLeftStop()); }, true, {}, ""},
        // Tilt -108000..324000 at half speed: 2160 in 40 ms, one step of 3600.
        {"TiltUp(50)", [&] { return Returned(d.TiltUp(50)); }, true, {PanTilt(-10800, 3600)}, ""},
        {"TiltUpStop()", [&] { return Returned(d.TiltUpStop()); }, true, {}, ""},
        // Zoom 0..16384 at half speed: 81.92 in 40 ms.
        {"ZoomIn(50)", [&] { return Returned(d.ZoomIn(50)); }, true, {Zoom(82)}, ""},
        {"ZoomStop()", [&] { return Returned(d.ZoomStop()); }, true, {}, ""},
        {"Home()", [&] { return Returned(d.Home()); }, true, {PanTilt(0, 3600), PanTilt(0, 0)}, ""},
        {"ZoomReset()", [&] { return Returned(d.ZoomReset()); }, true, {Zoom(0)}, ""},
        {"MoveToPosition(36000, -7200, 4000)",
         [&] { return Returned(d.MoveToPosition({36000, -7200, 4000, 0, PositionPan | PositionTilt | PositionZoom})); },
         true, {PanTilt(36000, 0), PanTilt(36000, -7200), Zoom(4000)}, "a preset recalled"},
        {"GetPosition()",
         [&] {
             CameraPosition at;
             Outcome outcome = Returned(d.GetPosition(at));
             outcome.valueAsExpected = at.pan == 36000 && at.tilt == -7200 && at.zoom == 4000 &&
                                       at.axes == (PositionPan | PositionTilt | PositionZoom);
             outcome.shown += " " + std::to_string(at.pan) + "/" + std::to_string(at.tilt) + "/" +
                              std::to_string(at.zoom);
             return outcome;
         },
         true, {}, "a preset stored: reads only"},
        {"PanReset()", [&] { return Returned(d.PanReset()); }, true, {PanTilt(0, -7200)}, ""},
        {"SetBrightness(-10)", [&] { return Returned(d.SetBrightness(-10)); }, true, {Pu(0x02, "f6ff")}, ""},
        {"FocusNear(50)", [&] { return Returned(d.FocusNear(50)); }, false, {}, "the camera has no focus control"},
        {"FocusAuto()", [&] { return Returned(d.FocusAuto()); }, false, {}, ""},
    };
    // clang-format on
    AddCommands(d, steps);
    return steps;
}

// With every control: the same first steps (same ranges), focus stepped on
// its absolute control once manual, and nothing on a relative control.
std::vector<Step> EveryControlSteps(BaseDevice& d) {
    // A table, laid out by hand.
    // clang-format off
    std::vector<Step> steps = {
        {"PanLeft(100)", [&] { return Returned(d.PanLeft(100)); }, true, {PanTilt(-10800, 0)}, ""},
        {"PanLeftStop()", [&] { return Returned(d.PanLeftStop()); }, true, {}, ""},
        {"ZoomIn(50)", [&] { return Returned(d.ZoomIn(50)); }, true, {Zoom(82)}, ""},
        {"ZoomStop()", [&] { return Returned(d.ZoomStop()); }, true, {}, ""},
        {"FocusManual()", [&] { return Returned(d.FocusManual()); }, true, {Ct(0x08, "00"), Ct(0x06, Le(128, 2))}, ""},
        // Focus 0..255 at half speed: 1.275 in 40 ms, from 128.
        {"FocusFar(50)", [&] { return Returned(d.FocusFar(50)); }, true, {Ct(0x06, Le(129, 2))}, ""},
        {"FocusStop()", [&] { return Returned(d.FocusStop()); }, true, {}, ""},
        {"FocusAuto()", [&] { return Returned(d.FocusAuto()); }, true, {Ct(0x08, "01")}, ""},
        {"Home()", [&] { return Returned(d.Home()); }, true, {PanTilt(0, 0), PanTilt(0, 0)}, ""},
    };
    // clang-format on
    AddCommands(d, steps);
    return steps;
}

}  // namespace

void GenericCameraColumn(Judge& judge, BaseDevice& d, const CameraId& camera) {
    if (!OpenAsThePanelDoes(judge, d, camera, AbilityPanTilt | AbilityZoom | AbilityHome | AbilityPositions)) return;

    const Column column{"cam1209: another make, absolute pan, tilt and zoom", camera, Reach::Device};
    for (const Step& step : PanelSteps(d)) judge.Run(column, step);

    // A held key, with the panel's timer: a step whenever StepMoves asks,
    // for 0.6 s, then the release.
    judge.Take(camera);
    const auto started = std::chrono::steady_clock::now();
    const bool began = d.PanRight(100);
    for (int wait = d.StepMoves();
         wait >= 0 && std::chrono::steady_clock::now() - started < std::chrono::milliseconds(600); wait = d.StepMoves())
        Pause(wait);
    const bool stopped = d.PanRightStop();
    const int afterStop = d.StepMoves();
    std::vector<int64_t> pans;
    bool onlyPanTilt = true;
    for (const Request& request : judge.Take(camera)) {
        if (request.camera != camera.name || request.request != "SET_CUR") continue;
        onlyPanTilt = onlyPanTilt && request.selector == 0x0D && request.recipient == "interface" &&
                      request.data.size() == 16 && request.data.substr(8) == Le(-7200, 4);
        int32_t pan = 0;
        for (int i = 3; i >= 0 && request.data.size() == 16; --i)
            pan = static_cast<int32_t>((static_cast<uint32_t>(pan) << 8) |
                                       std::stoul(request.data.substr(2 * i, 2), nullptr, 16));
        pans.push_back(pan);
    }
    bool rising = pans.size() >= 3;
    for (size_t i = 1; i < pans.size(); ++i) rising = rising && pans[i] > pans[i - 1];
    std::printf("RIG-INFO a stepped pan for 0.6 s: %zu steps, pan %lld to %lld\n", pans.size(),
                pans.empty() ? 0LL : static_cast<long long>(pans.front()),
                pans.empty() ? 0LL : static_cast<long long>(pans.back()));
    judge.Check(began && stopped && onlyPanTilt && rising,
                "a held pan steps the absolute pan further right each time through uvcvideo, tilt kept (" +
                    std::to_string(pans.size()) + " steps)");
    judge.Check(afterStop == -1, "after the release no step is due");
    d.StepMoves();
    bool quiet = true;
    for (const Request& request : judge.Take(camera))
        quiet = quiet && !(request.camera == camera.name && request.request == "SET_CUR");
    judge.Check(quiet, "and nothing more reaches the camera");
    d.Close();
}

void GenericEveryControlColumn(Judge& judge, BaseDevice& d, const CameraId& camera) {
    if (!OpenAsThePanelDoes(
            judge, d, camera,
            AbilityPanTilt | AbilityZoom | AbilityFocus | AbilityFocusMode | AbilityHome | AbilityPositions))
        return;
    const Column column{"cam3333: another make, every control", camera, Reach::Device};
    for (const Step& step : EveryControlSteps(d)) judge.Run(column, step);
    d.Close();
}

void CheckNothingReachedRoll(Judge& judge, const std::string& logPath, const CameraId& camera, bool rollDeclared) {
    RequestLog whole(logPath);
    int requests = 0, roll = 0, relative = 0, usbfs = 0;
    for (const Request& request : whole.TakeNew()) {
        if (request.camera != camera.name || request.recipient.empty()) continue;
        ++requests;
        const bool set = request.request == "SET_CUR";
        if (request.unit == kCameraTerminal && request.selector == 0x0F && (set || !rollDeclared)) ++roll;
        if (set && request.unit == kCameraTerminal &&
            (request.selector == 0x07 || request.selector == 0x0C || request.selector == 0x0E))
            ++relative;
        if (request.recipient == "device") ++usbfs;
    }
    judge.Check(requests > 0 && roll == 0 && relative == 0 && usbfs == 0,
                camera.name + " received " + std::to_string(requests) + " requests in the whole run: " +
                    std::to_string(roll) + (rollDeclared ? " commands" : " requests") + " to Roll, " +
                    std::to_string(relative) + " to a relative control, " + std::to_string(usbfs) + " through usbfs");
}

}  // namespace rig
