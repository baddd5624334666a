// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// `watch`: when does the next program's window appear on this display, and
// when is it first drawn?
#pragma once

#include <cstdint>

struct FirstFrameOptions {
    int minWidth = 50;  // smaller top-levels are toolkits' helper windows
    int minHeight = 50;
    std::int64_t timeoutNs = 60LL * 1000000000;
};

// Prints {"ready": true} once it watches, then one JSON line for the map and
// one for the first frame (or an error line). Returns the exit code.
int watchFirstFrame(const FirstFrameOptions& options);
