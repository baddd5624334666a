// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "platform/v4l2/CameraBinding.h"

#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/video.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/v4l2/NodeHolders.h"

namespace lumetra::platform::v4l2 {
namespace {

// uvcvideo's own timeout for control requests.
constexpr unsigned kControlTimeoutMs = 5000;
// Device descriptor plus every configuration; USB caps each at 64 KiB.
constexpr size_t kDescriptorsLimit = 1024 * 1024;
constexpr size_t kDeviceDescriptorSize = USB_DT_DEVICE_SIZE;
// udev gives a new video node its group and access list a few milliseconds
// after the kernel makes it; until then it is root's alone.
constexpr unsigned kNodeWaitStepMs = 10;
constexpr unsigned kNodeWaitSteps = 300;

}  // namespace

HResult CheckUvcCaptureNode(Syscalls& sys, int fd) {
    v4l2_capability caps{};
    const int result = sys.Ioctl(fd, VIDIOC_QUERYCAP, &caps);
    if (result < 0) return HResultFromErrno(result);
    const char* driver = reinterpret_cast<const char*>(caps.driver);
    if (strnlen(driver, sizeof caps.driver) == sizeof caps.driver || std::strcmp(driver, "uvcvideo") != 0)
        return kFalse;
    // `capabilities` covers every node of the device, metadata included.
    if ((caps.capabilities & V4L2_CAP_DEVICE_CAPS) == 0) return kFalse;
    return (caps.device_caps & V4L2_CAP_VIDEO_CAPTURE) != 0 ? kOk : kFalse;
}

HResult QueryMotionControls(Syscalls& sys, int fd, MotionControls& out) {
    out = MotionControls{};
    const auto query = [&sys, fd](uint32_t id, ControlRange& range) {
        v4l2_queryctrl control{};
        control.id = id;
        // A control that can only be read moves nothing.
        if (sys.Ioctl(fd, VIDIOC_QUERYCTRL, &control) < 0 || control.id != id ||
            (control.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY)) != 0)
            return;
        range = {true, control.minimum, control.maximum, control.step, control.default_value};
    };
    query(V4L2_CID_PAN_ABSOLUTE, out.pan);
    query(V4L2_CID_TILT_ABSOLUTE, out.tilt);
    query(V4L2_CID_ZOOM_ABSOLUTE, out.zoom);
    query(V4L2_CID_FOCUS_ABSOLUTE, out.focus);
    query(V4L2_CID_PAN_SPEED, out.panSpeed);
    query(V4L2_CID_TILT_SPEED, out.tiltSpeed);
    query(V4L2_CID_ZOOM_CONTINUOUS, out.zoomSpeed);
    ControlRange focusAuto;
    query(V4L2_CID_FOCUS_AUTO, focusAuto);
    out.focusAuto = focusAuto.present;
    return kOk;
}

int OpenVideoNode(Syscalls& sys, const VideoNode& node) {
    return sys.Open(node.DevicePath(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

HResult CameraBinding::Bind(const BindingContext& context, const VideoNode& node, std::shared_ptr<CameraBinding>& out) {
    out.reset();
    if (!node.usb) return kNoInterface;
    Syscalls& sys = *context.sys;
    const int fd = OpenVideoNode(sys, node);
    if (fd < 0) return HResultFromErrno(fd);
    const HResult check = CheckUvcCaptureNode(sys, fd);
    if (check != kOk) {
        sys.Close(fd);
        return Failed(check) ? check : kNoInterface;
    }
    const UsbAddress address = ReadUsbAddress(sys, *node.usb);
    std::string descriptors;
    std::optional<CameraTerminal> terminal;
    if (ReadWholeFile(sys, node.usb->deviceDirectory + "/descriptors", descriptors, kDescriptorsLimit) >= 0)
        terminal = FindCameraTerminal(descriptors, address.configurationValue, node.usb->interfaceNumber);
    out.reset(new CameraBinding(context, fd, node, address.UsbfsPath(), terminal));
    return kOk;
}

CameraBinding::CameraBinding(const BindingContext& context, int videoFd, const VideoNode& node, std::string usbfsPath,
                             std::optional<CameraTerminal> terminal)
    : sys_(context.sys),
      procRoot_(context.procRoot),
      roads_(context.roads),
      videoFd_(videoFd),
      interfaceDir_(node.usb->deviceDirectory + "/" + node.usb->interfaceName),
      usbfsPath_(std::move(usbfsPath)),
      vendorId_(node.usb->vendorId),
      productId_(node.usb->productId),
      interfaceNumber_(node.usb->interfaceNumber),
      terminal_(terminal) {
    char key[96];
    std::snprintf(key, sizeof key, "%s %04x:%04x %u", usbfsPath_.c_str(), vendorId_, productId_, interfaceNumber_);
    roadKey_ = key;
}

CameraBinding::~CameraBinding() {
    if (usbfsFd_ >= 0) sys_->Close(usbfsFd_);
    if (videoFd_ >= 0) sys_->Close(videoFd_);
}

HResult CameraBinding::VideoFd(int& fd) {
    // The node uvcvideo made anew may have come late.
    if (videoFd_ < 0 && !gone_) ReopenVideoNode(false);
    fd = videoFd_;
    return fd >= 0 ? kOk : kDeviceGone;
}

HResult CameraBinding::QueryControl(uint32_t id, v4l2_queryctrl& out) {
    out = v4l2_queryctrl{};
    out.id = id;
    int fd;
    if (const HResult hr = VideoFd(fd); Failed(hr)) return hr;
    const int result = sys_->Ioctl(fd, VIDIOC_QUERYCTRL, &out);
    if (result < 0) return HResultFromErrno(result);
    if (out.id != id || (out.flags & V4L2_CTRL_FLAG_DISABLED) != 0) return kInvalidArg;
    return kOk;
}

bool CameraBinding::MenuOffers(uint32_t id, int32_t index) {
    int fd;
    if (index < 0 || Failed(VideoFd(fd))) return false;
    v4l2_querymenu menu{};
    menu.id = id;
    menu.index = static_cast<uint32_t>(index);
    return sys_->Ioctl(fd, VIDIOC_QUERYMENU, &menu) >= 0;
}

HResult CameraBinding::GetControl(uint32_t id, int32_t& value) {
    int fd;
    if (const HResult hr = VideoFd(fd); Failed(hr)) return hr;
    v4l2_ext_control control{};
    control.id = id;
    v4l2_ext_controls request{};
    request.which = V4L2_CTRL_WHICH_CUR_VAL;
    request.count = 1;
    request.controls = &control;
    const int result = sys_->Ioctl(fd, VIDIOC_G_EXT_CTRLS, &request);
    if (result < 0) return HResultFromErrno(result);
    value = control.value;
    return kOk;
}

HResult CameraBinding::SetControls(const ControlValue* controls, uint32_t count) {
    constexpr uint32_t kMost = 2;
    if (count == 0 || count > kMost) return kInvalidArg;
    int fd;
    if (const HResult hr = VideoFd(fd); Failed(hr)) return hr;
    v4l2_ext_control list[kMost] = {};
    for (uint32_t i = 0; i < count; ++i) {
        list[i].id = controls[i].id;
        list[i].value = controls[i].value;
    }
    v4l2_ext_controls request{};
    request.which = V4L2_CTRL_WHICH_CUR_VAL;
    request.count = count;
    request.controls = list;
    const int result = sys_->Ioctl(fd, VIDIOC_S_EXT_CTRLS, &request);
    return result < 0 ? HResultFromErrno(result) : kOk;
}

HResult CameraBinding::OpenUsbfs() {
    if (usbfsFd_ >= 0) return kOk;
    if (usbfsPath_.empty()) return kNotFound;
    const int fd = sys_->Open(usbfsPath_, O_RDWR | O_CLOEXEC);
    if (fd < 0) return HResultFromErrno(fd);
    // Device numbers are reused: make sure the node is still our camera.
    uint8_t device[kDeviceDescriptorSize] = {};
    const ssize_t got = sys_->Read(fd, device, sizeof device);
    const uint16_t vendor = static_cast<uint16_t>(device[8] | (device[9] << 8));
    const uint16_t product = static_cast<uint16_t>(device[10] | (device[11] << 8));
    if (got != static_cast<ssize_t>(sizeof device) || device[1] != USB_DT_DEVICE || vendor != vendorId_ ||
        product != productId_) {
        sys_->Close(fd);
        return got < 0 ? HResultFromErrno(static_cast<int>(got)) : kDeviceGone;
    }
    usbfsFd_ = fd;
    return kOk;
}

usbdevfs_ctrltransfer CameraBinding::TerminalRequest(uint8_t direction, uint8_t request, uint8_t selector,
                                                     uint8_t* data, uint16_t length) const {
    usbdevfs_ctrltransfer transfer{};
    transfer.bRequestType = direction | USB_TYPE_CLASS | USB_RECIP_DEVICE;
    transfer.bRequest = request;
    transfer.wValue = static_cast<uint16_t>(selector << 8);
    transfer.wIndex = static_cast<uint16_t>(terminal_->terminalId << 8 | interfaceNumber_);
    transfer.wLength = length;
    transfer.timeout = kControlTimeoutMs;
    transfer.data = data;
    return transfer;
}

// Asked with a request that changes nothing: GET_INFO, which every UVC
// control answers, addressed to the device. A stall means the device road
// does not reach the camera's function at all.
HResult CameraBinding::LearnRoad(uint8_t selector) {
    if (roads_->Recall(roadKey_) != UsbfsRoad::Unknown) return kOk;
    uint8_t info = 0;
    usbdevfs_ctrltransfer probe = TerminalRequest(USB_DIR_IN, UVC_GET_INFO, selector, &info, sizeof info);
    const int result = sys_->Ioctl(usbfsFd_, USBDEVFS_CONTROL, &probe);
    if (result == -EPIPE) roads_->Remember(roadKey_, UsbfsRoad::Interface);
    else if (result >= 0) roads_->Remember(roadKey_, UsbfsRoad::Device);
    else return HResultFromErrno(result);
    return kOk;
}

HResult CameraBinding::PrepareUsbfs(uint8_t terminalBit) {
    if (driverOnly_ || !terminal_ || !terminal_->HasControl(terminalBit)) return kNotFound;
    return OpenUsbfs();
}

// Streaming elsewhere, uvcvideo counting more open files than ours, or any
// node of the camera open in a process we can look into.
bool CameraBinding::HeldElsewhere() {
    if (videoFd_ >= 0 && QueueOwnedElsewhere(*sys_, videoFd_)) return true;
    if (DriverOpenCount(*sys_, interfaceDir_) > (videoFd_ >= 0 ? 1 : 0)) return true;
    return OpenedElsewhere(*sys_, procRoot_, InterfaceNodeNumbers(*sys_, interfaceDir_), videoFd_);
}

HResult CameraBinding::UsbfsReady(uint8_t selector, uint8_t terminalBit, Lending lending) {
    HResult hr = PrepareUsbfs(terminalBit);
    if (!Failed(hr)) hr = LearnRoad(selector);
    if (Failed(hr)) return hr;
    if (roads_->Recall(roadKey_) != UsbfsRoad::Interface) return kOk;
    if (lending == Lending::Never) return kWouldLend;
    return HeldElsewhere() ? kBusy : kOk;
}

HResult CameraBinding::SendOnInterface(usbdevfs_ctrltransfer& transfer) {
    if (HeldElsewhere()) return kBusy;
    if (videoFd_ >= 0) sys_->Close(videoFd_);
    videoFd_ = -1;
    // Once more, nearest to the moment uvcvideo lets go, now that ours is
    // closed: its own count of open files.
    if (DriverOpenCount(*sys_, interfaceDir_) > 0) {
        ReopenVideoNode(false);
        return kBusy;
    }
    bool handedBack = false;
    const HResult hr = SendOnBorrowedInterface(*sys_, usbfsFd_, interfaceNumber_, transfer, handedBack);
    if (hr == kDeviceGone) gone_ = true;
    else if (!gone_) ReopenVideoNode(handedBack);
    return hr;
}

HResult CameraBinding::ReopenVideoNode(bool wait) {
    for (unsigned step = 0;; ++step) {
        std::vector<std::string> names;
        int error = sys_->ListDirectory(interfaceDir_ + "/video4linux", names);
        std::vector<unsigned> numbers;
        for (const std::string& name : names)
            if (const auto number = v4l2::VideoNodeNumber(name)) numbers.push_back(*number);
        std::sort(numbers.begin(), numbers.end());
        for (unsigned number : numbers) {
            VideoNode node;
            node.number = number;
            const int fd = OpenVideoNode(*sys_, node);
            if (fd < 0) {
                error = fd;
                continue;
            }
            if (CheckUvcCaptureNode(*sys_, fd) == kOk) {
                videoFd_ = fd;
                return kOk;
            }
            sys_->Close(fd);
        }
        if (numbers.empty() && error == 0) error = -ENOENT;
        if (!wait || step + 1 >= kNodeWaitSteps || (error != -EACCES && error != -EPERM && error != -ENOENT))
            return HResultFromErrno(error);
        sys_->Pause(kNodeWaitStepMs);
    }
}

HResult CameraBinding::SendToCameraTerminal(uint8_t selector, uint8_t terminalBit, const uint8_t* payload,
                                            uint16_t length, Lending lending) {
    const HResult ready = PrepareUsbfs(terminalBit);
    if (Failed(ready)) return ready;

    uint8_t data[8] = {};
    if (length > sizeof data) return kInvalidArg;
    std::memcpy(data, payload, length);
    usbdevfs_ctrltransfer transfer = TerminalRequest(USB_DIR_OUT, UVC_SET_CUR, selector, data, length);
    const UsbfsRoad road = roads_->Recall(roadKey_);
    if (road == UsbfsRoad::Interface) return lending == Lending::Never ? kWouldLend : SendOnInterface(transfer);
    const int result = sys_->Ioctl(usbfsFd_, USBDEVFS_CONTROL, &transfer);
    if (result >= 0) {
        roads_->Remember(roadKey_, UsbfsRoad::Device);
        return result == length ? kOk : kIoError;
    }
    if (result != -EPIPE || road == UsbfsRoad::Device) return HResultFromErrno(result);
    // The first stall: the camera refused this value, or the device road
    // never reaches its function. GET_INFO tells which.
    const HResult learnt = LearnRoad(selector);
    if (Failed(learnt)) return learnt;
    if (roads_->Recall(roadKey_) == UsbfsRoad::Device) return kIoError;
    if (lending == Lending::Never) return kWouldLend;
    transfer = TerminalRequest(USB_DIR_OUT, UVC_SET_CUR, selector, data, length);
    return SendOnInterface(transfer);
}

}  // namespace lumetra::platform::v4l2
