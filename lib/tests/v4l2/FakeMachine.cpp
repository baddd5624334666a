#include "FakeMachine.h"

#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usbdevice_fs.h>
#include <linux/videodev2.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/v4l2/V4l2Backend.h"

namespace fake {
namespace fs = std::filesystem;
namespace {

void WriteFile(const fs::path& path, const std::string& contents) {
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*x", digits, value);
    return text;
}

}  // namespace

FakeMachine::FakeMachine() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/lumetra-v4l2-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    fs::create_directories(fs::path(root_) / "class" / "video4linux");
}

FakeMachine::~FakeMachine() {
    for (auto& [fd, file] : files_)
        if (file.realFd >= 0) ::close(file.realFd);
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string FakeMachine::MakeUsbDevice(uint16_t vendorId, uint16_t productId, const std::string& descriptors,
                                       uint8_t interfaceNumber, std::string& interfaceDir) {
    const unsigned deviceNumber = nextDeviceNumber_++;
    const std::string deviceName = "1-" + std::to_string(deviceNumber);
    const fs::path usb = fs::path(root_) / "devices" / "pci0000:00" / "0000:00:14.0" / "usb1" / deviceName;
    fs::create_directories(usb);
    WriteFile(usb / "idVendor", Hex(vendorId, 4) + "\n");
    WriteFile(usb / "idProduct", Hex(productId, 4) + "\n");
    WriteFile(usb / "busnum", "1\n");
    WriteFile(usb / "devnum", std::to_string(deviceNumber) + "\n");
    WriteFile(usb / "bConfigurationValue", "1\n");
    WriteFile(usb / "descriptors", descriptors);
    const std::string interfaceName = deviceName + ":1." + std::to_string(interfaceNumber);
    interfaceDir = (usb / interfaceName).string();
    fs::create_directories(interfaceDir);
    WriteFile(fs::path(interfaceDir) / "bInterfaceNumber", Hex(interfaceNumber, 2) + "\n");
    char usbfs[32];
    std::snprintf(usbfs, sizeof usbfs, "/dev/bus/usb/001/%03u", deviceNumber);
    return usbfs;
}

void FakeMachine::MakeNodeDir(const std::string& parentDir, const std::string& parentName, unsigned node,
                              const std::string& name) {
    const std::string nodeName = "video" + std::to_string(node);
    const fs::path dir = fs::path(parentDir) / "video4linux" / nodeName;
    fs::create_directories(dir);
    WriteFile(dir / "name", name + "\n");
    fs::create_directory_symlink(fs::path("..") / ".." / ".." / parentName, dir / "device");
    // Relative, as the kernel writes its links.
    const fs::path classDir = fs::path(root_) / "class" / "video4linux";
    fs::create_directory_symlink(dir.lexically_relative(classDir), classDir / nodeName);
}

std::shared_ptr<FakeUvcDriver> FakeMachine::Plug(std::shared_ptr<FakeUvcCamera> camera, unsigned captureNode,
                                                 unsigned metadataNode, const std::string& name) {
    std::string interfaceDir;
    const std::string usbfs = MakeUsbDevice(camera->vendorId, camera->productId, camera->Descriptors(),
                                            camera->interfaceNumber, interfaceDir);
    const std::string interfaceName = fs::path(interfaceDir).filename().string();
    MakeNodeDir(interfaceDir, interfaceName, captureNode, name);
    MakeNodeDir(interfaceDir, interfaceName, metadataNode, name);
    auto driver = std::make_shared<FakeUvcDriver>(camera);
    videoNodes_["/dev/video" + std::to_string(captureNode)] = {NodeKind::UvcCapture, camera, driver, "uvcvideo"};
    videoNodes_["/dev/video" + std::to_string(metadataNode)] = {NodeKind::UvcMetadata, camera, driver, "uvcvideo"};
    usbfsNodes_[usbfs] = camera;
    return driver;
}

void FakeMachine::AddOtherUsbNode(unsigned node, uint16_t vendorId, uint16_t productId, const std::string& name,
                                  const std::string& driver) {
    std::string interfaceDir;
    MakeUsbDevice(vendorId, productId, std::string(), 0, interfaceDir);
    MakeNodeDir(interfaceDir, fs::path(interfaceDir).filename().string(), node, name);
    videoNodes_["/dev/video" + std::to_string(node)] = {NodeKind::OtherDriver, nullptr, nullptr, driver};
}

void FakeMachine::AddPlatformNode(unsigned node, const std::string& name) {
    const fs::path platform = fs::path(root_) / "devices" / "platform" / ("vivid." + std::to_string(node));
    fs::create_directories(platform);
    MakeNodeDir(platform.string(), platform.filename().string(), node, name);
    videoNodes_["/dev/video" + std::to_string(node)] = {NodeKind::OtherDriver, nullptr, nullptr, "vivid"};
}

void FakeMachine::Unplug(const FakeUvcCamera& camera) {
    for (auto& [path, node] : videoNodes_)
        if (node.camera.get() == &camera) node.camera->unplugged = true;
}

std::string FakeMachine::UsbfsPathOf(const FakeUvcCamera& camera) const {
    for (const auto& [path, owner] : usbfsNodes_)
        if (owner.get() == &camera) return path;
    return {};
}

std::unique_ptr<lumetra::platform::Backend> FakeMachine::Backend(std::shared_ptr<FakeMachine> self) {
    return lumetra::platform::v4l2::CreateV4l2Backend({root_, std::move(self)});
}

int FakeMachine::OpenedCount(const std::string& path) const {
    int count = 0;
    for (const std::string& opened : openedPaths) count += opened == path;
    return count;
}

int FakeMachine::Open(const std::string& path, int flags) {
    openedPaths.push_back(path);
    openFlags[path] = flags;
    if (const auto error = openErrors.find(path); error != openErrors.end()) return error->second;
    if (path.rfind("/dev/", 0) != 0) {
        const int realFd = ::open(path.c_str(), flags);
        if (realFd < 0) return -errno;
        files_[nextFd_] = {path, realFd, 0};
        return nextFd_++;
    }
    const auto video = videoNodes_.find(path);
    const auto usbfs = usbfsNodes_.find(path);
    const FakeUvcCamera* camera = video != videoNodes_.end() ? video->second.camera.get()
                                  : usbfs != usbfsNodes_.end() ? usbfs->second.get()
                                                               : nullptr;
    const bool exists = video != videoNodes_.end() || usbfs != usbfsNodes_.end();
    if (!exists || (camera != nullptr && camera->unplugged)) return -ENOENT;
    files_[nextFd_] = {path, -1, 0};
    return nextFd_++;
}

int FakeMachine::Close(int fd) {
    const auto file = files_.find(fd);
    if (file == files_.end()) return -EBADF;
    if (file->second.realFd >= 0) ::close(file->second.realFd);
    files_.erase(file);
    return 0;
}

ssize_t FakeMachine::Read(int fd, void* buffer, size_t length) {
    const auto file = files_.find(fd);
    if (file == files_.end()) return -EBADF;
    OpenFile& open = file->second;
    if (open.realFd >= 0) {
        const ssize_t got = ::read(open.realFd, buffer, length);
        return got < 0 ? -errno : got;
    }
    const auto usbfs = usbfsNodes_.find(open.path);
    if (usbfs == usbfsNodes_.end()) return -EINVAL;
    if (usbfs->second->unplugged) return -ENODEV;
    const std::string descriptors = usbfs->second->Descriptors();
    const size_t count = open.offset >= descriptors.size() ? 0 : std::min(length, descriptors.size() - open.offset);
    std::memcpy(buffer, descriptors.data() + open.offset, count);
    open.offset += count;
    return static_cast<ssize_t>(count);
}

int FakeMachine::ReadLink(const std::string& path, std::string& target) {
    target.clear();
    char buffer[4096];
    const ssize_t length = ::readlink(path.c_str(), buffer, sizeof buffer);
    if (length < 0) return -errno;
    target.assign(buffer, static_cast<size_t>(length));
    return 0;
}

int FakeMachine::Ioctl(int fd, unsigned long request, void* argument) {
    ioctls.push_back(request);
    const auto file = files_.find(fd);
    if (file == files_.end()) return -EBADF;
    if (file->second.realFd >= 0) return -ENOTTY;
    if (const auto video = videoNodes_.find(file->second.path); video != videoNodes_.end())
        return VideoIoctl(video->second, request, argument);
    if (const auto usbfs = usbfsNodes_.find(file->second.path); usbfs != usbfsNodes_.end())
        return UsbfsIoctl(*usbfs->second, request, argument);
    return -ENOTTY;
}

int FakeMachine::VideoIoctl(const DeviceNode& node, unsigned long request, void* argument) {
    if (node.camera && node.camera->unplugged) return -ENODEV;
    if (request == VIDIOC_QUERYCAP) {
        auto& caps = *static_cast<v4l2_capability*>(argument);
        std::memset(&caps, 0, sizeof caps);
        std::strncpy(reinterpret_cast<char*>(caps.driver), node.driverName.c_str(), sizeof caps.driver - 1);
        const bool uvc = node.kind != NodeKind::OtherDriver;
        caps.capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING | V4L2_CAP_DEVICE_CAPS |
                            (uvc ? V4L2_CAP_META_CAPTURE : 0);
        caps.device_caps = node.kind == NodeKind::UvcMetadata ? V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING
                                                                : V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
        return 0;
    }
    // Controls belong to the capture node only.
    if (node.kind != NodeKind::UvcCapture) return -ENOTTY;
    switch (request) {
    case VIDIOC_QUERYCTRL: return node.driver->QueryControl(*static_cast<v4l2_queryctrl*>(argument));
    case VIDIOC_QUERYMENU: return node.driver->QueryMenu(*static_cast<v4l2_querymenu*>(argument));
    case VIDIOC_G_EXT_CTRLS: return node.driver->GetControls(*static_cast<v4l2_ext_controls*>(argument));
    case VIDIOC_S_EXT_CTRLS: return node.driver->SetControls(*static_cast<v4l2_ext_controls*>(argument));
    default: return -ENOTTY;
    }
}

int FakeMachine::UsbfsIoctl(FakeUvcCamera& camera, unsigned long request, void* argument) {
    if (camera.unplugged) return -ENODEV;
    if (request != USBDEVFS_CONTROL) return -ENOTTY;
    auto& transfer = *static_cast<usbdevfs_ctrltransfer*>(argument);
    switch (transfer.bRequestType & USB_RECIP_MASK) {
    case USB_RECIP_DEVICE:
        break;
    case USB_RECIP_INTERFACE:
        // usbfs claims the interface for the caller, which fails while
        // uvcvideo holds it.
        if ((transfer.wIndex & 0xFF) == camera.interfaceNumber) return -EBUSY;
        break;
    default:
        return -EINVAL;
    }
    return camera.Receive(transfer.bRequestType, transfer.bRequest, transfer.wValue, transfer.wIndex,
                          static_cast<uint8_t*>(transfer.data), transfer.wLength);
}

}  // namespace fake
