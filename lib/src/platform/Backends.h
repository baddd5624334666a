// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Factories of the platform layer's two backends.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace lumetra::platform {

// Real cameras through sysfs, V4L2 and usbfs.
std::unique_ptr<Backend> CreateV4l2Backend();

// The simulated bus whose devices are the *.cam files of `directory`.
std::unique_ptr<Backend> CreateSimDirectoryBackend(const std::string& directory);

}  // namespace lumetra::platform
