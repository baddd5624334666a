// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The Windows-shaped device path of a video node, so that the library's
// camera-id patterns ("pid_8888", "vid_0000&pid_00f9", ...) match a camera
// here exactly as they match it on Windows.
#pragma once

#include <string>

#include "platform/v4l2/SysfsVideoNodes.h"

namespace lumetra::platform::v4l2 {

// A uvcvideo capture node: \\?\usb#vid_XXXX&pid_YYYY&mi_ZZ#<USB interface>#videoN
// in lower-case hex. Any other node (metadata, not on USB, another driver)
// gets \\?\v4l2#videoN, which carries no USB ids and so never matches.
std::string DevicePathOf(const VideoNode& node, bool isUvcCapture);

}  // namespace lumetra::platform::v4l2
