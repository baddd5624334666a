// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "LogFollower.h"

#include "Clock.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

LogFollower::~LogFollower()
{
    if (file >= 0)
        close(file);
    if (notify >= 0)
        close(notify);
}

bool LogFollower::open(const std::string& path, std::string& error)
{
    // The watch comes first, so nothing appended after the end is read can be missed.
    notify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (notify < 0 || inotify_add_watch(notify, path.c_str(), IN_MODIFY) < 0) {
        error = "cannot watch " + path + ": " + std::strerror(errno);
        return false;
    }
    file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (file < 0 || fstat(file, &info) != 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    offset = info.st_size;
    return true;
}

int LogFollower::takeNewLines()
{
    // Only whole lines count: the offset stays at the start of a partial one.
    int lines = 0;
    char buffer[4096];
    for (;;) {
        const ssize_t got = pread(file, buffer, sizeof buffer, offset);
        if (got <= 0)
            return lines;
        ssize_t used = 0;
        for (ssize_t i = 0; i < got; ++i) {
            if (buffer[i] == '\n') {
                ++lines;
                used = i + 1;
            }
        }
        if (used == 0)
            return lines;
        offset += used;
    }
}

int LogFollower::waitForLines(std::int64_t deadlineNs)
{
    for (;;) {
        // Drain first, then read: a write after the read wakes the next poll.
        char events[4096];
        while (read(notify, events, sizeof events) > 0) {
        }
        if (const int lines = takeNewLines())
            return lines;
        const std::int64_t left = deadlineNs - monotonicNs();
        if (left <= 0)
            return 0;
        pollfd fd{notify, POLLIN, 0};
        poll(&fd, 1, int(left / 1000000) + 1);
    }
}
