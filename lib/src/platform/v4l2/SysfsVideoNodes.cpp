#include "platform/v4l2/SysfsVideoNodes.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
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
std::optional<unsigned long> ParseNumber(const std::optional<std::string>& text, int base,
                                         unsigned long max) {
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

// The node's `device` link leads to its USB interface when it is on USB; the
// interface's parent is the USB device.
std::optional<UsbParent> ReadUsbParent(Syscalls& sys, const fs::path& nodeDirectory) {
    std::error_code error;
    const fs::path interfaceDir = fs::canonical(nodeDirectory / "device", error);
    if (error) return std::nullopt;
    const fs::path deviceDir = interfaceDir.parent_path();

    const auto interfaceNumber = ParseNumber(ReadAttribute(sys, interfaceDir / "bInterfaceNumber"), 16, 0xFF);
    const auto vendor = ParseNumber(ReadAttribute(sys, deviceDir / "idVendor"), 16, 0xFFFF);
    const auto product = ParseNumber(ReadAttribute(sys, deviceDir / "idProduct"), 16, 0xFFFF);
    if (!interfaceNumber || !vendor || !product) return std::nullopt;

    UsbParent usb;
    usb.vendorId = static_cast<uint16_t>(*vendor);
    usb.productId = static_cast<uint16_t>(*product);
    usb.interfaceNumber = static_cast<uint8_t>(*interfaceNumber);
    usb.interfaceName = interfaceDir.filename().string();
    usb.deviceDirectory = deviceDir.string();
    usb.busNumber = static_cast<unsigned>(ParseNumber(ReadAttribute(sys, deviceDir / "busnum"), 10, 999).value_or(0));
    usb.deviceNumber = static_cast<unsigned>(ParseNumber(ReadAttribute(sys, deviceDir / "devnum"), 10, 999).value_or(0));
    if (const auto config = ParseNumber(ReadAttribute(sys, deviceDir / "bConfigurationValue"), 10, 0xFF))
        usb.configurationValue = static_cast<int>(*config);
    return usb;
}

}  // namespace

std::string VideoNode::UsbfsPath() const {
    if (!usb || usb->busNumber == 0 || usb->deviceNumber == 0) return {};
    char path[48];
    std::snprintf(path, sizeof path, "/dev/bus/usb/%03u/%03u", usb->busNumber, usb->deviceNumber);
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
    const fs::path classDir = fs::path(sysfsRoot) / "class" / "video4linux";
    std::error_code error;
    fs::directory_iterator entries(classDir, error);
    if (error) {
        return error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory
                   ? kFalse
                   : kFail;
    }
    for (const fs::directory_iterator end; entries != end; entries.increment(error)) {
        if (error) return kFail;
        const std::string entryName = entries->path().filename().string();
        const auto number = VideoNodeNumber(entryName);
        if (!number) continue;
        VideoNode node;
        node.number = *number;
        node.name = ReadAttribute(sys, entries->path() / "name").value_or(std::string());
        node.usb = ReadUsbParent(sys, entries->path());
        nodes.push_back(std::move(node));
    }
    if (error) return kFail;
    std::sort(nodes.begin(), nodes.end(),
              [](const VideoNode& a, const VideoNode& b) { return a.number < b.number; });
    return nodes.empty() ? kFalse : kOk;
}

}  // namespace lumetra::platform::v4l2
