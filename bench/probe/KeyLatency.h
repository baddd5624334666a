// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// `keys`: how long from a key press reaching the X server until the camera
// has the request (a new line in requests.log), through the whole program.
#pragma once

#include <cstdint>
#include <string>

struct KeyLatencyOptions {
    std::uint32_t window = 0;
    std::string log;
    int count = 50;
    std::string key = "Left";
    std::int64_t timeoutNs = 30LL * 1000000000;  // per key event
};

// Prints one JSON object with the latencies (or an error); returns the exit code.
int measureKeyLatency(const KeyLatencyOptions& options);
