// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "platform/v4l2/Syscalls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

namespace lumetra::platform::v4l2 {
namespace {

class KernelSyscalls final : public Syscalls {
public:
    int Open(const std::string& path, int flags) override {
        for (;;) {
            const int fd = ::open(path.c_str(), flags);
            if (fd >= 0) return fd;
            if (errno != EINTR) return -errno;
        }
    }
    int Ioctl(int fd, unsigned long request, void* argument) override {
        for (;;) {
            const int result = ::ioctl(fd, request, argument);
            if (result >= 0) return result;
            if (errno != EINTR) return -errno;
        }
    }
    int Close(int fd) override {
        // Linux releases the descriptor even when close reports EINTR.
        return ::close(fd) == 0 || errno == EINTR ? 0 : -errno;
    }
    ssize_t Read(int fd, void* buffer, size_t length) override {
        for (;;) {
            const ssize_t result = ::read(fd, buffer, length);
            if (result >= 0) return result;
            if (errno != EINTR) return -errno;
        }
    }
    int ReadLink(const std::string& path, std::string& target) override {
        target.clear();
        char buffer[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
        if (length < 0) return -errno;
        // A full buffer may be a cut target.
        if (static_cast<size_t>(length) == sizeof buffer) return -ENAMETOOLONG;
        target.assign(buffer, static_cast<size_t>(length));
        return 0;
    }
    int ListDirectory(const std::string& path, std::vector<std::string>& names) override {
        names.clear();
        DIR* directory = ::opendir(path.c_str());
        if (directory == nullptr) return -errno;
        int error = 0;
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(directory);
            if (entry == nullptr) {
                error = errno;
                break;
            }
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.emplace_back(entry->d_name);
        }
        ::closedir(directory);
        return -error;
    }
    int DeviceNumberOf(const std::string& path, uint64_t& number) override {
        number = 0;
        struct stat status;
        if (::stat(path.c_str(), &status) != 0) return -errno;
        if (S_ISCHR(status.st_mode)) number = status.st_rdev;
        return 0;
    }
    void Pause(unsigned milliseconds) override { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
};

}  // namespace

std::shared_ptr<Syscalls> SystemSyscalls() {
    static const std::shared_ptr<Syscalls> kernel = std::make_shared<KernelSyscalls>();
    return kernel;
}

int ReadWholeFile(Syscalls& sys, const std::string& path, std::string& contents, size_t limit) {
    contents.clear();
    const int fd = sys.Open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fd;
    char chunk[4096];
    int result = 0;
    while (contents.size() < limit) {
        const size_t wanted = std::min(sizeof chunk, limit - contents.size());
        const ssize_t got = sys.Read(fd, chunk, wanted);
        if (got < 0) {
            result = static_cast<int>(got);
            break;
        }
        if (got == 0) break;
        contents.append(chunk, static_cast<size_t>(got));
    }
    sys.Close(fd);
    if (result < 0) contents.clear();
    return result;
}

HResult HResultFromErrno(int negativeErrno) {
    switch (-negativeErrno) {
    case ENODEV:
    case ENXIO:
    case ENOENT:
    case ESHUTDOWN: return kDeviceGone;
    case EACCES:
    case EPERM: return kAccessDenied;
    case EINVAL:
    case ERANGE: return kInvalidArg;
    // No answer from the camera, within the timeout or at all on the bus.
    case ETIMEDOUT:
    case EPROTO:
    case EILSEQ: return kTimeout;
    case EIO:
    case EPIPE:
    case EBUSY:
    case EREMOTEIO: return kIoError;
    default: return kFail;
    }
}

}  // namespace lumetra::platform::v4l2
