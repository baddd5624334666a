// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "FakeMachine.h"

#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usbdevice_fs.h>
#include <linux/videodev2.h>
#include <sys/sysmacros.h>
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

std::string NodePath(unsigned node) { return "/dev/video" + std::to_string(node); }

// The character-device number uvcvideo's nodes get: V4L2's major.
constexpr unsigned kVideoMajor = 81;

}  // namespace

FakeMachine::FakeMachine() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/lumetra-v4l2-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    fs::create_directories(fs::path(root_) / "class" / "video4linux");
    fs::create_directories(fs::path(ProcRoot()) / std::to_string(kOwnPid) / "fd");
    fs::create_directory_symlink(std::to_string(kOwnPid), fs::path(ProcRoot()) / "self");
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
    WriteFile(dir / "dev", std::to_string(kVideoMajor) + ":" + std::to_string(node) + "\n");
    fs::create_directory_symlink(fs::path("..") / ".." / ".." / parentName, dir / "device");
    // Relative, as the kernel writes its links.
    const fs::path classDir = fs::path(root_) / "class" / "video4linux";
    fs::create_directory_symlink(dir.lexically_relative(classDir), classDir / nodeName);
}

void FakeMachine::RemoveNodeDir(const std::string& parentDir, unsigned node) {
    const std::string nodeName = "video" + std::to_string(node);
    std::error_code ignored;
    fs::remove_all(fs::path(parentDir) / "video4linux" / nodeName, ignored);
    fs::remove(fs::path(root_) / "class" / "video4linux" / nodeName, ignored);
}

std::shared_ptr<FakeUvcDriver> FakeMachine::Plug(std::shared_ptr<FakeUvcCamera> camera, unsigned captureNode,
                                                 unsigned metadataNode, const std::string& name) {
    Plugged plugged;
    plugged.camera = camera;
    plugged.driver = std::make_shared<FakeUvcDriver>(camera);
    plugged.name = name;
    plugged.usbfsPath = MakeUsbDevice(camera->vendorId, camera->productId, camera->Descriptors(),
                                      camera->interfaceNumber, plugged.interfaceDir);
    plugged.captureNode = captureNode;
    plugged.metadataNode = metadataNode;
    fs::create_directories(fs::path(plugged.interfaceDir) / "power");
    usbfsNodes_[plugged.usbfsPath] = camera;
    plugged_.push_back(std::move(plugged));
    BindDriver(plugged_.back());
    plugged_.back().binds = 0;
    return plugged_.back().driver;
}

// uvcvideo binds the interface: it makes the capture and metadata nodes,
// unless a file still open on the nodes of its previous binding keeps the
// streaming interface claimed, as Linux does.
void FakeMachine::BindDriver(Plugged& plugged) {
    plugged.bound = true;
    ++plugged.binds;
    if (plugged.renumber) {
        plugged.captureNode = plugged.nextCapture;
        plugged.metadataNode = plugged.nextMetadata;
        plugged.renumber = false;
    }
    for (const auto& [fd, file] : files_)
        if (file.stale && plugged.stalePaths.count(file.path)) return;
    for (const auto& [pid, held] : holders_)
        if (held.stale && plugged.stalePaths.count(held.path)) return;
    const std::string interfaceName = fs::path(plugged.interfaceDir).filename().string();
    for (unsigned node : {plugged.captureNode, plugged.metadataNode}) {
        MakeNodeDir(plugged.interfaceDir, interfaceName, node, plugged.name);
        if (plugged.lockedPauses > 0) lockedUntil_[NodePath(node)] = pauses + plugged.lockedPauses;
    }
    plugged.lockedPauses = 0;
    videoNodes_[NodePath(plugged.captureNode)] = {NodeKind::UvcCapture, plugged.camera, plugged.driver, "uvcvideo"};
    videoNodes_[NodePath(plugged.metadataNode)] = {NodeKind::UvcMetadata, plugged.camera, plugged.driver, "uvcvideo"};
    UpdateDriverCount(plugged);
}

// uvcvideo lets go: its nodes are unregistered under whoever has them open.
void FakeMachine::UnbindDriver(Plugged& plugged) {
    plugged.bound = false;
    ++plugged.unbinds;
    for (unsigned node : {plugged.captureNode, plugged.metadataNode}) {
        const std::string path = NodePath(node);
        if (videoNodes_.erase(path) == 0) continue;
        RemoveNodeDir(plugged.interfaceDir, node);
        plugged.stalePaths.insert(path);
        for (auto& [fd, file] : files_)
            if (file.path == path) file.stale = true;
        for (auto& [pid, held] : holders_)
            if (held.path == path) held.stale = true;
    }
    UpdateDriverCount(plugged);
}

// uvcvideo's runtime-PM references: one per open file of the capture node.
void FakeMachine::UpdateDriverCount(const Plugged& plugged) {
    int count = 0;
    if (plugged.bound) {
        const std::string capture = NodePath(plugged.captureNode);
        for (const auto& [fd, file] : files_) count += file.path == capture && !file.stale;
        for (const auto& [pid, held] : holders_) count += held.path == capture && !held.stale;
    }
    WriteFile(fs::path(plugged.interfaceDir) / "power" / "runtime_usage", std::to_string(count) + "\n");
}

FakeMachine::Plugged* FakeMachine::PluggedOf(const FakeUvcCamera& camera) {
    for (Plugged& plugged : plugged_)
        if (plugged.camera.get() == &camera) return &plugged;
    return nullptr;
}

const FakeMachine::Plugged* FakeMachine::PluggedOf(const FakeUvcCamera& camera) const {
    for (const Plugged& plugged : plugged_)
        if (plugged.camera.get() == &camera) return &plugged;
    return nullptr;
}

FakeMachine::Plugged* FakeMachine::PluggedAtUsbfs(const std::string& path) {
    for (Plugged& plugged : plugged_)
        if (plugged.usbfsPath == path) return &plugged;
    return nullptr;
}

std::string FakeMachine::InterfaceDirOf(const FakeUvcCamera& camera) const {
    const Plugged* plugged = PluggedOf(camera);
    return plugged ? plugged->interfaceDir : std::string();
}

int FakeMachine::Unbinds(const FakeUvcCamera& camera) const {
    const Plugged* plugged = PluggedOf(camera);
    return plugged ? plugged->unbinds : 0;
}

int FakeMachine::Binds(const FakeUvcCamera& camera) const {
    const Plugged* plugged = PluggedOf(camera);
    return plugged ? plugged->binds : 0;
}

bool FakeMachine::DriverBound(const FakeUvcCamera& camera) const {
    const Plugged* plugged = PluggedOf(camera);
    return plugged && plugged->bound;
}

void FakeMachine::RenumberOnRebind(const FakeUvcCamera& camera, unsigned captureNode, unsigned metadataNode,
                                   int lockedPauses) {
    Plugged* plugged = PluggedOf(camera);
    if (!plugged) return;
    plugged->renumber = true;
    plugged->nextCapture = captureNode;
    plugged->nextMetadata = metadataNode;
    plugged->lockedPauses = lockedPauses;
}

void FakeMachine::AddProcFile(int pid, int fd, const std::string& target) {
    const fs::path dir = fs::path(ProcRoot()) / std::to_string(pid) / "fd";
    fs::create_directories(dir);
    fs::create_symlink(target, dir / std::to_string(fd));
}

void FakeMachine::RemoveProcFile(int pid, int fd) {
    std::error_code ignored;
    fs::remove(fs::path(ProcRoot()) / std::to_string(pid) / "fd" / std::to_string(fd), ignored);
}

int FakeMachine::Hold(unsigned node, Holder how) {
    const int pid = nextPid_++;
    const std::string path = NodePath(node);
    AddProcFile(pid, 3, path);
    if (!how.sameUser) listErrors[ProcRoot() + "/" + std::to_string(pid) + "/fd"] = -EACCES;
    holders_[pid] = {path, how.sameUser, how.streaming};
    for (const Plugged& plugged : plugged_) UpdateDriverCount(plugged);
    return pid;
}

void FakeMachine::LetGo(int pid) {
    std::error_code ignored;
    fs::remove_all(fs::path(ProcRoot()) / std::to_string(pid), ignored);
    listErrors.erase(ProcRoot() + "/" + std::to_string(pid) + "/fd");
    holders_.erase(pid);
    for (const Plugged& plugged : plugged_) UpdateDriverCount(plugged);
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
    return lumetra::platform::v4l2::CreateV4l2Backend({root_, std::move(self), ProcRoot()});
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
    // The tree itself is real files, wherever it lies (/dev/shm among them).
    if (path.rfind("/dev/", 0) != 0 || path.rfind(root_ + "/", 0) == 0) {
        const int realFd = ::open(path.c_str(), flags);
        if (realFd < 0) return -errno;
        files_[nextFd_] = {path, realFd, 0};
        return nextFd_++;
    }
    const auto video = videoNodes_.find(path);
    const auto usbfs = usbfsNodes_.find(path);
    const FakeUvcCamera* camera = video != videoNodes_.end()   ? video->second.camera.get()
                                  : usbfs != usbfsNodes_.end() ? usbfs->second.get()
                                                               : nullptr;
    const bool exists = video != videoNodes_.end() || usbfs != usbfsNodes_.end();
    if (!exists || (camera != nullptr && camera->unplugged)) return -ENOENT;
    if (const auto locked = lockedUntil_.find(path); locked != lockedUntil_.end() && pauses < locked->second)
        return -EACCES;
    const int fd = nextFd_++;
    files_[fd] = {path, -1, 0};
    AddProcFile(kOwnPid, fd, path);
    if (video != videoNodes_.end() && video->second.camera)
        if (const Plugged* plugged = PluggedOf(*video->second.camera)) UpdateDriverCount(*plugged);
    return fd;
}

int FakeMachine::Close(int fd) {
    const auto file = files_.find(fd);
    if (file == files_.end()) return -EBADF;
    if (file->second.realFd >= 0) {
        ::close(file->second.realFd);
        files_.erase(file);
        return 0;
    }
    // usbfs gives up what the descriptor claimed, without binding a driver.
    for (Plugged& plugged : plugged_)
        if (plugged.claimedBy == fd) plugged.claimedBy = -1;
    files_.erase(file);
    RemoveProcFile(kOwnPid, fd);
    for (const Plugged& plugged : plugged_) UpdateDriverCount(plugged);
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

int FakeMachine::ListDirectory(const std::string& path, std::vector<std::string>& names) {
    names.clear();
    if (const auto error = listErrors.find(path); error != listErrors.end()) return error->second;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(path, error)) names.push_back(entry.path().filename());
    if (error) return error == std::errc::no_such_file_or_directory ? -ENOENT : -EIO;
    return 0;
}

// Files under /proc lead, as their links say, to our device nodes, whose
// numbers a file keeps even after its node is gone.
int FakeMachine::DeviceNumberOf(const std::string& path, uint64_t& number) {
    number = 0;
    std::string target;
    if (ReadLink(path, target) == 0 && target.rfind("/dev/video", 0) == 0) {
        number = makedev(kVideoMajor, static_cast<unsigned>(std::stoul(target.substr(10))));
        return 0;
    }
    std::error_code error;
    return fs::exists(path, error) ? 0 : -ENOENT;
}

void FakeMachine::Pause(unsigned) { ++pauses; }

int FakeMachine::Ioctl(int fd, unsigned long request, void* argument) {
    ioctls.push_back(request);
    const auto file = files_.find(fd);
    if (file == files_.end()) return -EBADF;
    if (file->second.realFd >= 0) return -ENOTTY;
    if (file->second.stale) return -ENODEV;
    if (const auto video = videoNodes_.find(file->second.path); video != videoNodes_.end())
        return VideoIoctl(video->second, request, argument);
    if (Plugged* plugged = PluggedAtUsbfs(file->second.path)) return UsbfsIoctl(fd, *plugged, request, argument);
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
    case VIDIOC_REQBUFS:
        // Another file streams from the node: the queue is its.
        for (const auto& [pid, held] : holders_)
            if (held.streaming && !held.stale && videoNodes_.count(held.path) &&
                videoNodes_.at(held.path).camera == node.camera)
                return -EBUSY;
        return 0;
    case VIDIOC_QUERYCTRL: return node.driver->QueryControl(*static_cast<v4l2_queryctrl*>(argument));
    case VIDIOC_QUERYMENU: return node.driver->QueryMenu(*static_cast<v4l2_querymenu*>(argument));
    case VIDIOC_G_EXT_CTRLS: return node.driver->GetControls(*static_cast<v4l2_ext_controls*>(argument));
    case VIDIOC_S_EXT_CTRLS: return node.driver->SetControls(*static_cast<v4l2_ext_controls*>(argument));
    default: return -ENOTTY;
    }
}

int FakeMachine::UsbfsIoctl(int fd, Plugged& plugged, unsigned long request, void* argument) {
    FakeUvcCamera& camera = *plugged.camera;
    if (camera.unplugged) return -ENODEV;
    if (const auto error = usbfsErrors.find(request); error != usbfsErrors.end()) return error->second;
    switch (request) {
    case USBDEVFS_CONTROL: {
        auto& transfer = *static_cast<usbdevfs_ctrltransfer*>(argument);
        switch (transfer.bRequestType & USB_RECIP_MASK) {
        case USB_RECIP_DEVICE:
            // A gadget of several functions hands a class request addressed
            // to the device to none of them.
            if (camera.refusesDeviceRecipient && (transfer.bRequestType & USB_TYPE_MASK) == USB_TYPE_CLASS) {
                ++camera.refusedRequests;
                return -EPIPE;
            }
            break;
        case USB_RECIP_INTERFACE:
            // usbfs claims the interface for the caller, which fails while
            // uvcvideo holds it.
            if ((transfer.wIndex & 0xFF) == camera.interfaceNumber && plugged.claimedBy != fd &&
                (plugged.bound || plugged.claimedBy >= 0))
                return -EBUSY;
            break;
        default: return -EINVAL;
        }
        return camera.Receive(transfer.bRequestType, transfer.bRequest, transfer.wValue, transfer.wIndex,
                              static_cast<uint8_t*>(transfer.data), transfer.wLength);
    }
    case USBDEVFS_DISCONNECT_CLAIM: {
        const auto& claim = *static_cast<const usbdevfs_disconnect_claim*>(argument);
        if (claim.interface != camera.interfaceNumber) return -EINVAL;
        if (plugged.claimedBy >= 0) return -EBUSY;
        if (plugged.bound) {
            if ((claim.flags & USBDEVFS_DISCONNECT_CLAIM_IF_DRIVER) &&
                std::strncmp(claim.driver, "uvcvideo", sizeof claim.driver) != 0)
                return -EBUSY;
            UnbindDriver(plugged);
        }
        plugged.claimedBy = fd;
        if (camera.unplugWhenInterfaceTaken) camera.unplugged = true;
        return 0;
    }
    case USBDEVFS_RELEASEINTERFACE:
        if (*static_cast<const unsigned*>(argument) != camera.interfaceNumber || plugged.claimedBy != fd)
            return -EINVAL;
        plugged.claimedBy = -1;
        return 0;
    case USBDEVFS_IOCTL: {
        const auto& command = *static_cast<const usbdevfs_ioctl*>(argument);
        if (command.ioctl_code != USBDEVFS_CONNECT) return -ENOTTY;
        if (command.ifno != camera.interfaceNumber) return -EINVAL;
        if (plugged.bound || plugged.claimedBy >= 0) return -EBUSY;
        BindDriver(plugged);
        return 0;
    }
    default: return -ENOTTY;
    }
}

}  // namespace fake
