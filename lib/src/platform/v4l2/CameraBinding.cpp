#include "platform/v4l2/CameraBinding.h"

#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/video.h>
#include <linux/usbdevice_fs.h>

#include <cstring>

namespace lumetra::platform::v4l2 {
namespace {

// uvcvideo's own timeout for control requests.
constexpr unsigned kControlTimeoutMs = 5000;
// Device descriptor plus every configuration; USB caps each at 64 KiB.
constexpr size_t kDescriptorsLimit = 1024 * 1024;
constexpr size_t kDeviceDescriptorSize = USB_DT_DEVICE_SIZE;

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

int OpenVideoNode(Syscalls& sys, const VideoNode& node) {
    return sys.Open(node.DevicePath(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

HResult CameraBinding::Bind(std::shared_ptr<Syscalls> sys, const VideoNode& node,
                            std::shared_ptr<CameraBinding>& out) {
    out.reset();
    if (!node.usb) return kNoInterface;
    const int fd = OpenVideoNode(*sys, node);
    if (fd < 0) return HResultFromErrno(fd);
    const HResult check = CheckUvcCaptureNode(*sys, fd);
    if (check != kOk) {
        sys->Close(fd);
        return Failed(check) ? check : kNoInterface;
    }
    const UsbAddress address = ReadUsbAddress(*sys, *node.usb);
    std::string descriptors;
    std::optional<CameraTerminal> terminal;
    if (ReadWholeFile(*sys, node.usb->deviceDirectory + "/descriptors", descriptors, kDescriptorsLimit) >= 0)
        terminal = FindCameraTerminal(descriptors, address.configurationValue, node.usb->interfaceNumber);
    out.reset(new CameraBinding(std::move(sys), fd, node, address.UsbfsPath(), terminal));
    return kOk;
}

CameraBinding::CameraBinding(std::shared_ptr<Syscalls> sys, int videoFd, const VideoNode& node,
                             std::string usbfsPath, std::optional<CameraTerminal> terminal)
    : sys_(std::move(sys)),
      videoFd_(videoFd),
      usbfsPath_(std::move(usbfsPath)),
      vendorId_(node.usb->vendorId),
      productId_(node.usb->productId),
      interfaceNumber_(node.usb->interfaceNumber),
      terminal_(terminal) {}

CameraBinding::~CameraBinding() {
    if (usbfsFd_ >= 0) sys_->Close(usbfsFd_);
    sys_->Close(videoFd_);
}

HResult CameraBinding::QueryControl(uint32_t id, v4l2_queryctrl& out) {
    out = v4l2_queryctrl{};
    out.id = id;
    const int result = sys_->Ioctl(videoFd_, VIDIOC_QUERYCTRL, &out);
    if (result < 0) return HResultFromErrno(result);
    if (out.id != id || (out.flags & V4L2_CTRL_FLAG_DISABLED) != 0) return kInvalidArg;
    return kOk;
}

bool CameraBinding::MenuOffers(uint32_t id, int32_t index) {
    if (index < 0) return false;
    v4l2_querymenu menu{};
    menu.id = id;
    menu.index = static_cast<uint32_t>(index);
    return sys_->Ioctl(videoFd_, VIDIOC_QUERYMENU, &menu) >= 0;
}

HResult CameraBinding::GetControl(uint32_t id, int32_t& value) {
    v4l2_ext_control control{};
    control.id = id;
    v4l2_ext_controls request{};
    request.which = V4L2_CTRL_WHICH_CUR_VAL;
    request.count = 1;
    request.controls = &control;
    const int result = sys_->Ioctl(videoFd_, VIDIOC_G_EXT_CTRLS, &request);
    if (result < 0) return HResultFromErrno(result);
    value = control.value;
    return kOk;
}

HResult CameraBinding::SetControls(const ControlValue* controls, uint32_t count) {
    constexpr uint32_t kMost = 2;
    if (count == 0 || count > kMost) return kInvalidArg;
    v4l2_ext_control list[kMost] = {};
    for (uint32_t i = 0; i < count; ++i) {
        list[i].id = controls[i].id;
        list[i].value = controls[i].value;
    }
    v4l2_ext_controls request{};
    request.which = V4L2_CTRL_WHICH_CUR_VAL;
    request.count = count;
    request.controls = list;
    const int result = sys_->Ioctl(videoFd_, VIDIOC_S_EXT_CTRLS, &request);
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

HResult CameraBinding::UsbfsReady(uint8_t terminalBit) {
    if (!terminal_ || !terminal_->HasControl(terminalBit)) return kNotFound;
    return OpenUsbfs();
}

HResult CameraBinding::SendToCameraTerminal(uint8_t selector, uint8_t terminalBit, const uint8_t* payload,
                                            uint16_t length) {
    const HResult ready = UsbfsReady(terminalBit);
    if (Failed(ready)) return ready;

    uint8_t data[8] = {};
    if (length > sizeof data) return kInvalidArg;
    std::memcpy(data, payload, length);
    usbdevfs_ctrltransfer transfer{};
    transfer.bRequestType = USB_DIR_OUT | USB_TYPE_CLASS | USB_RECIP_DEVICE;
    transfer.bRequest = UVC_SET_CUR;
    transfer.wValue = static_cast<uint16_t>(selector << 8);
    transfer.wIndex = static_cast<uint16_t>(terminal_->terminalId << 8 | interfaceNumber_);
    transfer.wLength = length;
    transfer.timeout = kControlTimeoutMs;
    transfer.data = data;
    const int result = sys_->Ioctl(usbfsFd_, USBDEVFS_CONTROL, &transfer);
    if (result < 0) return HResultFromErrno(result);
    return result == length ? kOk : kIoError;
}

}  // namespace lumetra::platform::v4l2
