// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "platform/v4l2/SysfsVideoNodes.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace lumetra::platform::v4l2 {
namespace fs = std::filesystem;
namespace {

// Small attributes only; anything longer is not what sysfs writes.
constexpr size_t kAttributeLimit = 4096;

std::optional<std::string> ReadAttribute(Syscalls& sys, const fs::path& path) {
    std::string text;
    if (ReadWholeFile(sys, path.string(), text, kAttributeLimit) < 0) return std::nullopt;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// Whole-string unsigned number in `base` not above `max`.
std::optional<unsigned long> ParseNumber(const std::optional<std::string>& text, int base, unsigned long max) {
    if (!text || text->empty() || text->size() > 10) return std::nullopt;
    unsigned long value = 0;
    for (char c : *text) {
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return std::nullopt;
        value = value * static_cast<unsigned long>(base) + static_cast<unsigned long>(digit);
        if (value > max) return std::nullopt;
    }
    return value;
}

// `name` in `directory`, both below the root ("" is the root itself).
std::string Below(const std::string& directory, const std::string& name) {
    return directory.empty() ? name : directory + '/' + name;
}

// The directory a link's target names, taken textually from the directory
// holding the link. Sysfs writes its links relative and nothing on the way
// under /sys/devices is a link, so this is the path the kernel would follow,
// without asking it once per component. Nothing for an absolute target or
// one that climbs above the root.
std::optional<std::string> JoinBelowRoot(const std::string& directory, const std::string& target) {
    if (target.empty() || target.front() == '/') return std::nullopt;
    std::string joined = directory;
    for (size_t at = 0; at <= target.size();) {
        const size_t end = std::min(target.find('/', at), target.size());
        const std::string_view part(target.data() + at, end - at);
        at = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (joined.empty()) return std::nullopt;
            const size_t slash = joined.rfind('/');
            joined.erase(slash == std::string::npos ? 0 : slash);
        } else {
            if (!joined.empty()) joined += '/';
            joined += part;
        }
    }
    return joined;
}

// Where the entry `name` of `directory` leads, below the root: a link once
// followed, or the entry itself when it is no link.
std::optional<std::string> Follow(Syscalls& sys, const fs::path& root, const std::string& directory,
                                  const std::string& name) {
    const std::string entry = Below(directory, name);
    std::string target;
    const int result = sys.ReadLink((root / entry).string(), target);
    if (result == -EINVAL) return entry;
    if (result < 0) return std::nullopt;
    return JoinBelowRoot(directory, target);
}

// The class entry leads to the node's directory, whose `device` link leads to
// its USB interface when it is on USB; the interface's parent is the USB
// device. Anything else - a platform device, a broken or looping link, one
// leading out of the tree - is not USB.
std::optional<UsbParent> ReadUsbParent(Syscalls& sys, const fs::path& root, const std::string& entryName) {
    const auto nodeDir = Follow(sys, root, "class/video4linux", entryName);
    if (!nodeDir) return std::nullopt;
    const auto interfaceDir = Follow(sys, root, *nodeDir, "device");
    if (!interfaceDir) return std::nullopt;
    const size_t slash = interfaceDir->rfind('/');
    if (slash == std::string::npos) return std::nullopt;
    const fs::path deviceDir = root / interfaceDir->substr(0, slash);

    // Only a USB interface has a bInterfaceNumber: most nodes that are not on
    // USB end at the first attribute.
    const auto interfaceNumber = ParseNumber(ReadAttribute(sys, root / *interfaceDir / "bInterfaceNumber"), 16, 0xFF);
    if (!interfaceNumber) return std::nullopt;
    const auto vendor = ParseNumber(ReadAttribute(sys, deviceDir / "idVendor"), 16, 0xFFFF);
    if (!vendor) return std::nullopt;
    const auto product = ParseNumber(ReadAttribute(sys, deviceDir / "idProduct"), 16, 0xFFFF);
    if (!product) return std::nullopt;

    UsbParent usb;
    usb.vendorId = static_cast<uint16_t>(*vendor);
    usb.productId = static_cast<uint16_t>(*product);
    usb.interfaceNumber = static_cast<uint8_t>(*interfaceNumber);
    usb.interfaceName = interfaceDir->substr(slash + 1);
    usb.deviceDirectory = deviceDir.string();
    return usb;
}

}  // namespace

UsbAddress ReadUsbAddress(Syscalls& sys, const UsbParent& usb) {
    const fs::path deviceDir(usb.deviceDirectory);
    UsbAddress address;
    address.busNumber = static_cast<unsigned>(
        ParseNumber(ReadAttribute(sys, deviceDir / "busnum"), 10, 999).value_or(0));
    address.deviceNumber = static_cast<unsigned>(
        ParseNumber(ReadAttribute(sys, deviceDir / "devnum"), 10, 999).value_or(0));
    if (const auto config = ParseNumber(ReadAttribute(sys, deviceDir / "bConfigurationValue"), 10, 0xFF))
        address.configurationValue = static_cast<int>(*config);
    return address;
}

std::string UsbAddress::UsbfsPath() const {
    if (busNumber == 0 || deviceNumber == 0) return {};
    char path[48];
    std::snprintf(path, sizeof path, "/dev/bus/usb/%03u/%03u", busNumber, deviceNumber);
    return path;
}

std::optional<unsigned> VideoNodeNumber(const std::string& entryName) {
    static const std::string prefix = "video";
    if (entryName.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    const auto number = ParseNumber(entryName.substr(prefix.size()), 10, 0xFFFFFF);
    if (!number) return std::nullopt;
    // "video007" is not a name the kernel gives.
    if (entryName.size() > prefix.size() + 1 && entryName[prefix.size()] == '0') return std::nullopt;
    return static_cast<unsigned>(*number);
}

HResult ListVideoNodes(const std::string& sysfsRoot, Syscalls& sys, std::vector<VideoNode>& nodes) {
    nodes.clear();
    const fs::path root(sysfsRoot);
    const fs::path classDir = root / "class" / "video4linux";
    std::error_code error;
    fs::directory_iterator entries(classDir, error);
    if (error) {
        return error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory ? kFalse : kFail;
    }
    for (const fs::directory_iterator end; entries != end; entries.increment(error)) {
        if (error) return kFail;
        const std::string entryName = entries->path().filename().string();
        const auto number = VideoNodeNumber(entryName);
        if (!number) continue;
        VideoNode node;
        node.number = *number;
        node.name = ReadAttribute(sys, entries->path() / "name").value_or(std::string());
        node.usb = ReadUsbParent(sys, root, entryName);
        nodes.push_back(std::move(node));
    }
    if (error) return kFail;
    std::sort(nodes.begin(), nodes.end(), [](const VideoNode& a, const VideoNode& b) { return a.number < b.number; });
    return nodes.empty() ? kFalse : kOk;
}

}  // namespace lumetra::platform::v4l2
