// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Follows a growing text file (requests.log) and counts the lines appended
// to it, woken by inotify rather than by polling the file.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

class LogFollower {
public:
    LogFollower() = default;
    ~LogFollower();
    LogFollower(const LogFollower&) = delete;
    LogFollower& operator=(const LogFollower&) = delete;

    // Starts at the file's current end. False with `error` set on failure.
    bool open(const std::string& path, std::string& error);

    // Waits until at least one whole new line is there, or until
    // `deadlineNs`; returns how many whole lines came (0 on timeout).
    int waitForLines(std::int64_t deadlineNs);

private:
    int takeNewLines();

    int file = -1;
    int notify = -1;
    off_t offset = 0;
};
