// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Carries one kernel-streaming property request to a bound camera along the
// road its routing-table row names.
#pragma once

#include <cstdint>

#include "platform/Platform.h"
#include "platform/v4l2/CameraBinding.h"
#include "platform/v4l2/RoutingTable.h"

namespace lumetra::platform::v4l2 {

struct PropertyRequest {
    int32_t value1 = 0;
    int32_t value2 = 0;  // red, for the white-balance component pair
    int32_t flags = 0;
};

// Nothing reaches the camera when the request cannot be carried whole: a
// control the camera lacks is found out before any automatic mode changes.
HResult SetProperty(CameraBinding& camera, const Route& route, const PropertyRequest& request);

// Current value and AUTO / MANUAL flags. kNotFound for rows carried by
// anything but a single V4L2 control.
HResult GetProperty(CameraBinding& camera, const Route& route, int32_t& value, int32_t& flags);

// Both halves of the white-balance component pair (blue, red) and the
// AUTO / MANUAL flags. kNotFound for every other row.
HResult GetPropertyPair(CameraBinding& camera, const Route& route, int32_t& value1, int32_t& value2, int32_t& flags);

HResult GetPropertyRange(CameraBinding& camera, const Route& route, int32_t& min, int32_t& max, int32_t& step,
                         int32_t& defaultValue, int32_t& capsFlags);

}  // namespace lumetra::platform::v4l2
