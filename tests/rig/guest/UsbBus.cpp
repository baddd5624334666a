#include "UsbBus.h"

#include <fcntl.h>
#include <spawn.h>
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

std::string UsbfsPath(uint16_t vendorId, uint16_t productId) {
    namespace fs = std::filesystem;
    char vendor[8], product[8];
    std::snprintf(vendor, sizeof vendor, "%04x", vendorId);
    std::snprintf(product, sizeof product, "%04x", productId);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/sys/bus/usb/devices", error)) {
        if (ReadLine(entry.path() / "idVendor") != vendor || ReadLine(entry.path() / "idProduct") != product) continue;
        const std::string bus = ReadLine(entry.path() / "busnum");
        const std::string device = ReadLine(entry.path() / "devnum");
        if (bus.empty() || device.empty()) continue;
        char path[40];
        std::snprintf(path, sizeof path, "/dev/bus/usb/%03d/%03d", std::stoi(bus), std::stoi(device));
        return path;
    }
    return {};
}

bool BindGadget(const std::string& gadgetDirectory, const std::string& udc) {
    const std::string path = gadgetDirectory + "/UDC";
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const std::string text = udc + "\n";
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(fd) == 0 && written;
}

bool Spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid;
    return posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) == 0;
}

}  // namespace rig
