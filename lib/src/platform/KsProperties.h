// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Kernel-streaming property ids of the two video-capture property sets.
#pragma once

#include <cstdint>

namespace lumetra::platform {

// PROPSETID_VIDCAP_CAMERACONTROL (also the IAMCameraControl property ids).
namespace CameraControlId {
constexpr uint32_t Pan = 0;
constexpr uint32_t Tilt = 1;
constexpr uint32_t Roll = 2;  // carries the camera's own command codes
constexpr uint32_t Zoom = 3;
constexpr uint32_t Exposure = 4;
constexpr uint32_t Iris = 5;
constexpr uint32_t Focus = 6;
constexpr uint32_t PanRelative = 10;
constexpr uint32_t TiltRelative = 11;
constexpr uint32_t ZoomRelative = 13;
constexpr uint32_t FocusRelative = 16;
}  // namespace CameraControlId

// PROPSETID_VIDCAP_VIDEOPROCAMP (also the IAMVideoProcAmp property ids).
namespace ProcAmpId {
constexpr uint32_t Brightness = 0;
constexpr uint32_t Contrast = 1;
constexpr uint32_t Saturation = 3;
constexpr uint32_t Sharpness = 4;
constexpr uint32_t Gamma = 5;
constexpr uint32_t WhiteBalance = 7;
constexpr uint32_t BacklightCompensation = 8;
constexpr uint32_t Gain = 9;
constexpr uint32_t WhiteBalanceComponent = 12;
constexpr uint32_t PowerLineFrequency = 13;
}  // namespace ProcAmpId

// Request buffer layouts, as 32-bit word positions.
namespace SetRequest {  // KSPROPERTY_CAMERACONTROL_S2 / KSPROPERTY_VIDEOPROCAMP_S2
constexpr uint32_t kBytes = 40;
constexpr int kValue1 = 6;
constexpr int kFlags = 7;
constexpr int kValue2 = 9;
}  // namespace SetRequest
namespace NodeRequest {  // KSPROPERTY_VIDEOPROCAMP_NODE_S2
constexpr uint32_t kBytes = 48;
constexpr int kValue1 = 8;
constexpr int kFlags = 9;
constexpr int kValue2 = 11;
}  // namespace NodeRequest

}  // namespace lumetra::platform
