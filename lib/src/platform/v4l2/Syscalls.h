// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The few system calls the V4L2 backend makes, behind an interface so that
// tests can stand a fake device (answering as uvcvideo and usbfs do) in for
// the kernel. Every call returns what the system call returns on success and
// -errno on failure; errno itself is never consulted.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace lumetra::platform::v4l2 {

class Syscalls {
public:
    virtual ~Syscalls() = default;
    virtual int Open(const std::string& path, int flags) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual int Close(int fd) = 0;
    virtual ssize_t Read(int fd, void* buffer, size_t length) = 0;
    // The target of the symbolic link at `path`, as stored (not resolved).
    virtual int ReadLink(const std::string& path, std::string& target) = 0;
    // The entries of the directory at `path`, "." and ".." left out.
    virtual int ListDirectory(const std::string& path, std::vector<std::string>& names) = 0;
    // The device number of the character device `path` leads to (links
    // followed); 0 for anything that is not one.
    virtual int DeviceNumberOf(const std::string& path, uint64_t& number) = 0;
    // Waits, for a device node that udev has not yet given its permissions.
    virtual void Pause(unsigned milliseconds) = 0;
};

// The real kernel. Calls interrupted by a signal are retried.
std::shared_ptr<Syscalls> SystemSyscalls();

// Reads a whole file of at most `limit` bytes (sysfs attributes, USB
// descriptors). Negative -errno on failure; a longer file is cut at `limit`.
int ReadWholeFile(Syscalls& sys, const std::string& path, std::string& contents, size_t limit = 64 * 1024);

// What a failed call means to the library's caller.
HResult HResultFromErrno(int negativeErrno);

}  // namespace lumetra::platform::v4l2
