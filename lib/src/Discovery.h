// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Finding the supported cameras among the system's video-capture devices.
#pragma once

#include <array>
#include <memory>
#include <string_view>
#include <vector>

#include "lumetra/BaseDevice.h"
#include "platform/Platform.h"

namespace lumetra {

// Device-path fragments of the supported models; matched byte for byte.
inline constexpr std::array<std::string_view, 3> CameraIdPatterns = {"pid_8888", "pid_7588", "vid_0000&pid_00f9"};

bool IsSupportedCameraPath(std::string_view devicePath);

// Size of the name buffer BindCamera fills, terminating NUL included.
inline constexpr std::size_t kDeviceNameSize = 1024;

// Replaces `list` with the supported cameras in system order. False, with
// `list` untouched, when the system's video-capture devices cannot be listed
// or there are none.
bool EnumerateSupportedCameras(std::vector<DeviceInfo>& list);

// Copies a camera's name into a name buffer, cut to fit without splitting a
// UTF-8 character.
void CopyName(const std::string& name, char (&buffer)[kDeviceNameSize]);

// Walks the devices again and binds the capture filter of the index-th
// supported camera. True when that camera was reached: `filter` then holds
// what binding produced (empty if binding failed) and `nameBuffer` its
// friendly name, cut to fit without splitting a UTF-8 character.
bool BindCamera(int index, std::unique_ptr<platform::CaptureFilter>& filter, char (&nameBuffer)[kDeviceNameSize]);

// A USB device whose path matches no supported model: a generic camera if
// its driver reports controls that move it.
bool IsGenericCandidatePath(std::string_view devicePath);

// Replaces `list` with the supported cameras, then the generic ones, in one
// walk, then the network cameras; `index` is the position in the list.
// Fails as EnumerateSupportedCameras when there is no network camera.
bool EnumerateAllCameras(std::vector<DeviceInfo>& list);

// What binding a generic camera learnt of it.
struct GenericCameraFacts {
    bool generic = false;
    platform::MotionControls controls;
    std::string identity;
    // When no USB camera was bound: how many the walk found, where the
    // network cameras' numbers begin.
    int usbCameras = -1;
};

// BindCamera over EnumerateAllCameras' numbering. `facts.generic` tells
// which kind of camera was bound.
bool BindAnyCamera(int index, std::unique_ptr<platform::CaptureFilter>& filter, char (&nameBuffer)[kDeviceNameSize],
                   GenericCameraFacts& facts);

// "VVVV:PPPP serial S", or "VVVV:PPPP port P" without a serial number,
// the ids taken from the device path; the path itself when it has none.
std::string CameraIdentityOf(std::string_view devicePath, const std::string& serial, const std::string& port);

}  // namespace lumetra
