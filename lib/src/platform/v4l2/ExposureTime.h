// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Kernel-streaming exposure is log2 seconds (-5 is 1/32 s); UVC and V4L2
// count exposure time in 100 us units. The camera's class driver converts
// between the two, so this backend does too.
#pragma once

#include <cstdint>

namespace lumetra::platform::v4l2 {

// 2^log2Seconds seconds in 100 us units, rounded to nearest, at least 1.
int32_t ExposureUnitsFromLog2Seconds(int32_t log2Seconds);

enum class Rounding { Nearest, Up, Down };

// log2 of the time in seconds, rounded as asked (a range's minimum rounds up
// and its maximum down, so that every value inside converts back inside).
int32_t Log2SecondsFromExposureUnits(int32_t units, Rounding rounding);

}  // namespace lumetra::platform::v4l2
