// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// One bound camera: its open V4L2 capture node, and, opened on first need,
// its usbfs node for the requests uvcvideo cannot carry. Shared by the
// capture filter and the control interfaces obtained from it.
#pragma once

#include <linux/usbdevice_fs.h>
#include <linux/videodev2.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/v4l2/SysfsVideoNodes.h"
#include "platform/v4l2/Syscalls.h"
#include "platform/v4l2/UsbDescriptors.h"
#include "platform/v4l2/UsbfsRoads.h"

namespace lumetra::platform::v4l2 {

// The pan, tilt, zoom and focus controls uvcvideo reports for the capture
// node `fd`, as VIDIOC_QUERYCTRL gives them (speed ranges included, as the
// kernel clamps into them). uvcvideo has no control for a relative focus.
HResult QueryMotionControls(Syscalls& sys, int fd, MotionControls& out);

// kOk when `fd` is a uvcvideo video-capture node (by device_caps, which
// tells the capture node from the metadata node of the same camera), kFalse
// when it is some other node, negative when it cannot be asked.
HResult CheckUvcCaptureNode(Syscalls& sys, int fd);

// Opens `node` as a V4L2 node is opened for control: read-write,
// non-blocking, closed on exec. -errno on failure.
int OpenVideoNode(Syscalls& sys, const VideoNode& node);

struct ControlValue {
    uint32_t id;
    int32_t value;
};

// Whether a usbfs request may take the interface from uvcvideo. Lending
// makes the camera's video nodes anew, which costs time and breaks any other
// program's stream: the camera's commands may, the moves never.
enum class Lending { Allowed, Never };
// Only the lent interface would reach the camera (never escapes the backend:
// the caller takes a road through uvcvideo instead).
constexpr HResult kWouldLend = static_cast<HResult>(0x80070032);  // ERROR_NOT_SUPPORTED

// What a binding shares with the rest of the backend.
struct BindingContext {
    std::shared_ptr<Syscalls> sys;
    std::string procRoot = "/proc";
    std::shared_ptr<RoadMemory> roads = std::make_shared<RoadMemory>();
};

class CameraBinding {
public:
    // Opens and checks the node, and reads the camera terminal from the USB
    // descriptors. A camera whose terminal cannot be read still binds; only
    // the usbfs road is then closed to it.
    static HResult Bind(const BindingContext& context, const VideoNode& node, std::shared_ptr<CameraBinding>& out);
    ~CameraBinding();
    CameraBinding(const CameraBinding&) = delete;
    CameraBinding& operator=(const CameraBinding&) = delete;

    // V4L2 controls. A control the camera lacks answers kInvalidArg (EINVAL).
    HResult QueryControl(uint32_t id, v4l2_queryctrl& out);
    bool MenuOffers(uint32_t id, int32_t index);
    HResult GetControl(uint32_t id, int32_t& value);
    // All in one VIDIOC_S_EXT_CTRLS: halves of one UVC control go out as one
    // request.
    HResult SetControls(const ControlValue* controls, uint32_t count);

    // SET_CUR of `selector` on the camera terminal through usbfs, by the
    // road this camera takes, learnt at its first stall. kNotFound when the
    // camera terminal does not declare the control (bmControls
    // `terminalBit`) or was not found at all; kBusy when only the interface
    // road reaches the camera and another program holds it; kWouldLend,
    // with Lending::Never, when only the interface road reaches it.
    HResult SendToCameraTerminal(uint8_t selector, uint8_t terminalBit, const uint8_t* payload, uint16_t length,
                                 Lending lending = Lending::Allowed);
    // kOk when SendToCameraTerminal could carry the control now; its error
    // otherwise. Sends no SET_CUR.
    HResult UsbfsReady(uint8_t selector, uint8_t terminalBit, Lending lending = Lending::Allowed);
    // True once the camera is known to take usbfs requests only on the
    // interface uvcvideo lends. Asks nothing.
    bool KnownToLend() const { return !driverOnly_ && roads_->Recall(roadKey_) == UsbfsRoad::Interface; }
    // From now on usbfs is closed to this camera: both of the above answer
    // kNotFound and touch nothing, for a camera known only through uvcvideo.
    void KeepToDriver() { driverOnly_ = true; }

    // The relative pan and tilt speeds last sent, each axis carried along
    // when the other changes (both share one UVC control).
    int32_t panSpeed = 0;
    int32_t tiltSpeed = 0;

private:
    CameraBinding(const BindingContext& context, int videoFd, const VideoNode& node, std::string usbfsPath,
                  std::optional<CameraTerminal> terminal);
    HResult VideoFd(int& fd);
    HResult OpenUsbfs();
    // Terminal declared, usbfs open.
    HResult PrepareUsbfs(uint8_t terminalBit);
    // Unless the road is known already, asks the camera which one reaches it.
    HResult LearnRoad(uint8_t selector);
    bool HeldElsewhere();
    HResult SendOnInterface(usbdevfs_ctrltransfer& transfer);
    // Finds the camera's capture node under its interface and opens it;
    // with `wait`, gives udev time to make the new node usable.
    HResult ReopenVideoNode(bool wait);
    usbdevfs_ctrltransfer TerminalRequest(uint8_t direction, uint8_t request, uint8_t selector, uint8_t* data,
                                          uint16_t length) const;

    std::shared_ptr<Syscalls> sys_;
    std::string procRoot_;
    std::shared_ptr<RoadMemory> roads_;
    // The capture node, which uvcvideo makes anew (perhaps under another
    // number) each time it lends the interface; -1 while there is none.
    int videoFd_;
    bool gone_ = false;
    bool driverOnly_ = false;
    std::string interfaceDir_;
    int usbfsFd_ = -1;
    std::string usbfsPath_;
    uint16_t vendorId_ = 0;
    uint16_t productId_ = 0;
    uint8_t interfaceNumber_ = 0;
    std::optional<CameraTerminal> terminal_;
    std::string roadKey_;  // the camera, as the road memory knows it
};

}  // namespace lumetra::platform::v4l2
