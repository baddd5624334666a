// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Takes every free file descriptor for as long as it lives, so that nothing
// new can be opened: the way to make a registration with the system fail.
#pragma once

#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

class DescriptorsExhausted {
public:
    DescriptorsExhausted()
    {
        getrlimit(RLIMIT_NOFILE, &saved);
        rlimit low = saved;
        low.rlim_cur = std::min<rlim_t>(256, saved.rlim_cur);
        setrlimit(RLIMIT_NOFILE, &low);
        for (int fd; (fd = dup(STDERR_FILENO)) >= 0;)
            taken.push_back(fd);
    }
    ~DescriptorsExhausted()
    {
        for (int fd : taken)
            close(fd);
        setrlimit(RLIMIT_NOFILE, &saved);
    }
    DescriptorsExhausted(const DescriptorsExhausted&) = delete;
    DescriptorsExhausted& operator=(const DescriptorsExhausted&) = delete;

private:
    rlimit saved{};
    std::vector<int> taken;
};
