// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// `calls`: how long from a command to the running panel until the camera has
// its request (a new line in requests.log): a D-Bus call sent straight to the
// panel, and the command line `ptzdeck call N` from the moment it is started.
#pragma once

#include <cstdint>
#include <string>

struct CallLatencyOptions {
    std::string program;  // the ptzdeck to run as `ptzdeck call N`
    std::string log;
    int count = 50;
    std::int64_t timeoutNs = 30LL * 1000000000;  // per call
};

// Prints one JSON object with the latencies (or an error); returns the exit code.
int measureCallLatency(const CallLatencyOptions& options);
