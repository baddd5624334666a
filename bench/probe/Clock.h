// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The one clock every figure of the bench is read from: CLOCK_MONOTONIC, the
// clock Python's time.monotonic_ns() reads, so the driver's "spawned at" and
// the probe's event times can be subtracted.
#pragma once

#include <cstdint>
#include <ctime>

inline std::int64_t monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}
