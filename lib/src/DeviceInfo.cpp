// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// DeviceInfo is shared across the library boundary; its special members are
// defined here once, field by field.
#include "lumetra/BaseDevice.h"

DeviceInfo::DeviceInfo() = default;
DeviceInfo::DeviceInfo(const DeviceInfo& other) = default;
DeviceInfo::DeviceInfo(DeviceInfo&& other) noexcept = default;
DeviceInfo& DeviceInfo::operator=(const DeviceInfo& other) = default;
DeviceInfo& DeviceInfo::operator=(DeviceInfo&& other) noexcept = default;
DeviceInfo::~DeviceInfo() = default;
