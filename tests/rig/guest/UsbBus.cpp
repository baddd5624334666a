// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "UsbBus.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace rig {
namespace {

std::string ReadLine(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

}  // namespace

std::string UsbDeviceDirectory(uint16_t vendorId, uint16_t productId) {
    namespace fs = std::filesystem;
    char vendor[8], product[8];
    std::snprintf(vendor, sizeof vendor, "%04x", vendorId);
    std::snprintf(product, sizeof product, "%04x", productId);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/sys/bus/usb/devices", error)) {
        if (ReadLine(entry.path() / "idVendor") == vendor && ReadLine(entry.path() / "idProduct") == product)
            return fs::canonical(entry.path(), error).string();
    }
    return {};
}

std::string UsbfsPath(uint16_t vendorId, uint16_t productId) {
    const std::string device = UsbDeviceDirectory(vendorId, productId);
    if (device.empty()) return {};
    const std::string bus = ReadLine(device + "/busnum");
    const std::string number = ReadLine(device + "/devnum");
    if (bus.empty() || number.empty()) return {};
    char path[40];
    std::snprintf(path, sizeof path, "/dev/bus/usb/%03d/%03d", std::stoi(bus), std::stoi(number));
    return path;
}

std::string CaptureNode(uint16_t vendorId, uint16_t productId) {
    namespace fs = std::filesystem;
    const std::string device = UsbDeviceDirectory(vendorId, productId);
    if (device.empty()) return {};
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/sys/class/video4linux", error)) {
        const std::string parent = fs::canonical(entry.path() / "device" / "..", error).string();
        if (error || parent != device) continue;
        const std::string node = "/dev/" + entry.path().filename().string();
        const int fd = open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        v4l2_capability caps{};
        const bool capture = ioctl(fd, VIDIOC_QUERYCAP, &caps) == 0 && (caps.device_caps & V4L2_CAP_VIDEO_CAPTURE);
        close(fd);
        if (capture) return node;
    }
    return {};
}

std::string DriverOf(const std::string& interfaceDirectory) {
    std::error_code error;
    const auto driver = std::filesystem::read_symlink(interfaceDirectory + "/driver", error);
    return error ? std::string() : driver.filename().string();
}

std::string GadgetUdc(const std::string& gadgetDirectory) { return ReadLine(gadgetDirectory + "/UDC"); }

bool BindGadget(const std::string& gadgetDirectory, const std::string& udc) {
    const std::string path = gadgetDirectory + "/UDC";
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const std::string text = udc + "\n";
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(fd) == 0 && written;
}

int Spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid;
    return posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) == 0 ? pid : -1;
}

}  // namespace rig
