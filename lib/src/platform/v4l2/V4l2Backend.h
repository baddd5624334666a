// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The platform layer over real cameras: video nodes from sysfs, controls
// through V4L2, and usbfs for what uvcvideo does not carry.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/v4l2/Syscalls.h"

namespace lumetra::platform::v4l2 {

struct V4l2Environment {
    std::string sysfsRoot = "/sys";
    std::shared_ptr<Syscalls> sys = SystemSyscalls();
    std::string procRoot = "/proc";
};

std::unique_ptr<Backend> CreateV4l2Backend(V4l2Environment environment);

}  // namespace lumetra::platform::v4l2
