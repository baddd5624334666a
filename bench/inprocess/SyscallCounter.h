// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Counts the system calls the V4L2 backend makes, by kind, on their way to
// the machine underneath (a fake one in the bench and the perf checks).
#pragma once

#include <memory>

#include "platform/v4l2/Syscalls.h"

struct SyscallCounts {
    long opens = 0;
    long ioctls = 0;
    long reads = 0;
    long closes = 0;
    long readlinks = 0;

    long Total() const { return opens + ioctls + reads + closes + readlinks; }
    SyscallCounts operator-(const SyscallCounts& earlier) const
    {
        return {opens - earlier.opens, ioctls - earlier.ioctls, reads - earlier.reads, closes - earlier.closes,
            readlinks - earlier.readlinks};
    }
    bool operator==(const SyscallCounts& other) const
    {
        return opens == other.opens && ioctls == other.ioctls && reads == other.reads && closes == other.closes
               && readlinks == other.readlinks;
    }
};

class SyscallCounter final : public lumetra::platform::v4l2::Syscalls {
public:
    explicit SyscallCounter(std::shared_ptr<Syscalls> machine) : machine_(std::move(machine)) {}

    int Open(const std::string& path, int flags) override
    {
        ++counts_.opens;
        return machine_->Open(path, flags);
    }
    int Ioctl(int fd, unsigned long request, void* argument) override
    {
        ++counts_.ioctls;
        return machine_->Ioctl(fd, request, argument);
    }
    int Close(int fd) override
    {
        ++counts_.closes;
        return machine_->Close(fd);
    }
    ssize_t Read(int fd, void* buffer, size_t length) override
    {
        ++counts_.reads;
        return machine_->Read(fd, buffer, length);
    }
    int ReadLink(const std::string& path, std::string& target) override
    {
        ++counts_.readlinks;
        return machine_->ReadLink(path, target);
    }
    // Only a camera that refuses requests addressed to the device needs
    // these; the paths measured here never do.
    int ListDirectory(const std::string& path, std::vector<std::string>& names) override
    {
        return machine_->ListDirectory(path, names);
    }
    int DeviceNumberOf(const std::string& path, uint64_t& number) override
    {
        return machine_->DeviceNumberOf(path, number);
    }
    void Pause(unsigned milliseconds) override { machine_->Pause(milliseconds); }

    const SyscallCounts& Counts() const { return counts_; }

private:
    std::shared_ptr<Syscalls> machine_;
    SyscallCounts counts_;
};
