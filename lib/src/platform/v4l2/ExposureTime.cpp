// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "platform/v4l2/ExposureTime.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lumetra::platform::v4l2 {
namespace {
constexpr double kUnitsPerSecond = 10000.0;
// Past these, 2^n seconds leaves the 32-bit range of the UVC control.
constexpr int32_t kLowestLog2 = -32;
constexpr int32_t kHighestLog2 = 18;
// Absorbs floating-point noise at exact powers of two.
constexpr double kEpsilon = 1e-9;
}  // namespace

int32_t ExposureUnitsFromLog2Seconds(int32_t log2Seconds) {
    const int32_t exponent = std::clamp(log2Seconds, kLowestLog2, kHighestLog2);
    const double units = std::round(std::ldexp(kUnitsPerSecond, exponent));
    if (units >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return std::max<int32_t>(1, static_cast<int32_t>(units));
}

int32_t Log2SecondsFromExposureUnits(int32_t units, Rounding rounding) {
    const double exponent = std::log2(std::max<int32_t>(units, 1) / kUnitsPerSecond);
    switch (rounding) {
    case Rounding::Up: return static_cast<int32_t>(std::ceil(exponent - kEpsilon));
    case Rounding::Down: return static_cast<int32_t>(std::floor(exponent + kEpsilon));
    case Rounding::Nearest: break;
    }
    return static_cast<int32_t>(std::lround(exponent));
}

}  // namespace lumetra::platform::v4l2
