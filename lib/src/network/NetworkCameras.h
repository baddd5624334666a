// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The network cameras a program named (BaseDevice::SetNetworkCameras): their
// addresses, read once, and the list the enumeration appends.
#pragma once

#include <string>
#include <vector>

#include "lumetra/BaseDevice.h"
#include "visca/ViscaAddress.h"

namespace lumetra {

// Replaces the list; false, with the list unchanged, when an address does
// not parse. Safe from any thread.
bool SetNetworkCameras(const std::vector<DeviceInfo>& cameras);
std::vector<DeviceInfo> NetworkCameras();

}  // namespace lumetra
