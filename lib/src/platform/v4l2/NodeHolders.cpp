// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "platform/v4l2/NodeHolders.h"

#include <linux/videodev2.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace lumetra::platform::v4l2 {
namespace {

// A whole decimal number; nothing for anything else.
bool ParseDecimal(const std::string& text, unsigned long& value) {
    if (text.empty() || text.size() > 10) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    return true;
}

std::string FirstLine(Syscalls& sys, const std::string& path) {
    std::string text;
    if (ReadWholeFile(sys, path, text, 64) < 0) return {};
    const size_t end = text.find('\n');
    if (end != std::string::npos) text.resize(end);
    return text;
}

}  // namespace

std::vector<uint64_t> InterfaceNodeNumbers(Syscalls& sys, const std::string& interfaceDir) {
    std::vector<uint64_t> numbers;
    std::vector<std::string> names;
    if (sys.ListDirectory(interfaceDir + "/video4linux", names) < 0) return numbers;
    for (const std::string& name : names) {
        // "81:3"
        const std::string dev = FirstLine(sys, interfaceDir + "/video4linux/" + name + "/dev");
        const size_t colon = dev.find(':');
        unsigned long major = 0, minor = 0;
        if (colon == std::string::npos || !ParseDecimal(dev.substr(0, colon), major) ||
            !ParseDecimal(dev.substr(colon + 1), minor))
            continue;
        numbers.push_back(makedev(static_cast<unsigned>(major), static_cast<unsigned>(minor)));
    }
    return numbers;
}

bool OpenedElsewhere(Syscalls& sys, const std::string& procRoot, const std::vector<uint64_t>& nodes, int ownFd) {
    if (nodes.empty()) return false;
    std::string self;
    sys.ReadLink(procRoot + "/self", self);
    std::vector<std::string> processes;
    if (sys.ListDirectory(procRoot, processes) < 0) return false;
    std::vector<std::string> files;
    std::string target;
    for (const std::string& pid : processes) {
        unsigned long number;
        if (!ParseDecimal(pid, number)) continue;
        const std::string fdDir = procRoot + "/" + pid + "/fd";
        // Another user's process, or one that has just ended.
        if (sys.ListDirectory(fdDir, files) < 0) continue;
        const bool ours = pid == self;
        for (const std::string& fd : files) {
            if (ours && fd == std::to_string(ownFd)) continue;
            const std::string entry = fdDir + "/" + fd;
            // Sockets, pipes and the like have no path; only files under a
            // root can be device nodes.
            if (sys.ReadLink(entry, target) < 0 || target.empty() || target.front() != '/') continue;
            uint64_t device = 0;
            if (sys.DeviceNumberOf(entry, device) < 0 || device == 0) continue;
            if (std::find(nodes.begin(), nodes.end(), device) != nodes.end()) return true;
        }
    }
    return false;
}

int DriverOpenCount(Syscalls& sys, const std::string& interfaceDir) {
    unsigned long count = 0;
    if (!ParseDecimal(FirstLine(sys, interfaceDir + "/power/runtime_usage"), count)) return -1;
    return static_cast<int>(std::min<unsigned long>(count, 1u << 20));
}

bool QueueOwnedElsewhere(Syscalls& sys, int videoFd) {
    // Asking for no buffers frees nothing of anyone's: it fails with EBUSY
    // while another file streams or holds buffers, and otherwise leaves the
    // queue as it was.
    v4l2_requestbuffers request{};
    request.count = 0;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    return sys.Ioctl(videoFd, VIDIOC_REQBUFS, &request) == -EBUSY;
}

}  // namespace lumetra::platform::v4l2
