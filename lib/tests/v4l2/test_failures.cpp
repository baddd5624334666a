// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Every failure ends in a negative result with nothing else touched: no
// automatic mode switched, no request half sent, nothing sent to a device
// that is not our camera.
#include <gtest/gtest.h>
#include <linux/usb/video.h>

#include <filesystem>

#include "V4l2TestSupport.h"

namespace fake {
namespace {

using namespace lumetra::platform;

class FailureTest : public V4l2Test {
protected:
    void Start() {
        PlugIn();
        BindCamera();
    }
    void PlugIn() { driver = machine->Plug(camera, 0, 1, "PTZ"); }
    void BindCamera() {
        bound = Bind(0);
        ASSERT_TRUE(bound.filter);
    }
    std::string UsbfsPath() const { return machine->UsbfsPathOf(*camera); }

    std::shared_ptr<FakeUvcCamera> camera = PtzCamera();
    std::shared_ptr<FakeUvcDriver> driver;
    BoundCamera bound;
};

TEST_F(FailureTest, AnUnpluggedCameraFailsCleanly) {
    Start();
    machine->Unplug(*camera);
    camera->received.clear();
    EXPECT_EQ(bound.Send(kCam, CameraControlId::Zoom, 0, kFlagsAbsolute), kDeviceGone);
    EXPECT_EQ(bound.Send(kCam, CameraControlId::Roll, 8, kFlagsRelative), kDeviceGone);
    EXPECT_EQ(bound.Send(kAmp, ProcAmpId::WhiteBalance, 5000, kFlagsManual), kDeviceGone);
    int32_t value = 1234, flags = 0;
    EXPECT_EQ(bound.procAmp->Get(ProcAmpId::Brightness, &value, &flags), kDeviceGone);
    EXPECT_EQ(value, 1234);
    int32_t min = 7;
    EXPECT_EQ(bound.procAmp->GetRange(ProcAmpId::Gain, &min, nullptr, nullptr, nullptr, nullptr), kDeviceGone);
    EXPECT_EQ(min, 7);
    EXPECT_TRUE(camera->received.empty());
}

TEST_F(FailureTest, AnUnplugAfterUsbfsWasOpenedFailsCleanlyToo) {
    Start();
    ASSERT_EQ(bound.Send(kCam, CameraControlId::Roll, 8, kFlagsRelative), kOk);
    machine->Unplug(*camera);
    camera->received.clear();
    EXPECT_EQ(bound.Send(kCam, CameraControlId::Roll, 9, kFlagsRelative), kDeviceGone);
    EXPECT_TRUE(camera->received.empty());
}

TEST_F(FailureTest, WithoutTheUdevRuleOnlyTheUsbfsRoadFails) {
    PlugIn();
    machine->openErrors[UsbfsPath()] = -EACCES;
    BindCamera();
    EXPECT_EQ(bound.Send(kCam, CameraControlId::Roll, 0, kFlagsRelative), kAccessDenied) << "MirrorOn";
    EXPECT_EQ(bound.Send(kCam, CameraControlId::FocusRelative, 1, kFlagsRelative), kAccessDenied);
    EXPECT_EQ(bound.Send(kCam, CameraControlId::ZoomRelative, -1, kFlagsRelative), kAccessDenied);
    EXPECT_EQ(bound.Send(kCam, CameraControlId::ZoomRelative, 1, kFlagsRelative), kAccessDenied)
        << "6.1 could not stop it again";
    EXPECT_EQ(bound.Send(kAmp, ProcAmpId::Brightness, 3, kFlagsManual), kOk);
    EXPECT_EQ(bound.Send(kCam, CameraControlId::PanRelative, 4, kFlagsRelative), kOk);
    EXPECT_EQ(SetsReceived(*camera).size(), 2u);
    EXPECT_EQ(machine->OpenDescriptors(), 1) << "only the video node";
}

TEST_F(FailureTest, WithoutTheUdevRuleAZoomThatV4l2CanStopStillRuns) {
    camera->Terminal(UVC_CT_ZOOM_RELATIVE_CONTROL).min = {0, 0, 0};  // slowest speed 0: 6.1 can stop it
    PlugIn();
    machine->openErrors[UsbfsPath()] = -EACCES;
    BindCamera();
    EXPECT_EQ(bound.Send(kCam, CameraControlId::ZoomRelative, 1, kFlagsRelative), kOk);
    EXPECT_EQ(bound.Send(kCam, CameraControlId::ZoomRelative, 0, kFlagsRelative), kOk);
    EXPECT_EQ(bound.Send(kCam, CameraControlId::ZoomRelative, -1, kFlagsRelative), kAccessDenied);
    EXPECT_EQ(SetsReceived(*camera).size(), 2u);
}

TEST_F(FailureTest, ACameraErrorIsAnIoError) {
    camera->Terminal(UVC_CT_ZOOM_ABSOLUTE_CONTROL).failWith = -EIO;
    camera->Terminal(UVC_CT_ROLL_ABSOLUTE_CONTROL).failWith = -EPIPE;  // a STALL through usbfs
    Start();
    EXPECT_EQ(bound.Send(kCam, CameraControlId::Zoom, 10, kFlagsAbsolute), kIoError);
    EXPECT_EQ(bound.Send(kCam, CameraControlId::Roll, 17, kFlagsRelative), kIoError);
}

TEST_F(FailureTest, AControlTheCameraLacksTouchesNothing) {
    camera->Remove(camera->cameraTerminalId, UVC_CT_EXPOSURE_TIME_ABSOLUTE_CONTROL);
    camera->Remove(camera->processingUnitId, UVC_PU_WHITE_BALANCE_TEMPERATURE_CONTROL);
    camera->Remove(camera->cameraTerminalId, UVC_CT_ROLL_ABSOLUTE_CONTROL);
    camera->Remove(camera->cameraTerminalId, UVC_CT_FOCUS_RELATIVE_CONTROL);
    camera->Remove(camera->processingUnitId, UVC_PU_GAIN_CONTROL);
    Start();
    EXPECT_EQ(bound.Send(kCam, CameraControlId::Exposure, -5, kFlagsManual), kInvalidArg)
        << "the exposure mode stays automatic";
    EXPECT_EQ(bound.Send(kAmp, ProcAmpId::WhiteBalance, 5000, kFlagsManual), kInvalidArg)
        << "automatic white balance stays on";
    EXPECT_EQ(bound.Send(kAmp, ProcAmpId::Gain, 5, kFlagsManual), kInvalidArg);
    EXPECT_EQ(bound.Send(kCam, CameraControlId::Roll, 8, kFlagsRelative), kNotFound);
    EXPECT_EQ(bound.Send(kCam, CameraControlId::FocusRelative, 1, kFlagsRelative), kNotFound);
    EXPECT_TRUE(SetsReceived(*camera).empty());
    EXPECT_EQ(machine->OpenedCount(UsbfsPath()), 0) << "the terminal declares no roll: usbfs is not even opened";
}

TEST_F(FailureTest, RequestsThatCannotBeCarriedWholeSendNothing) {
    Start();
    EXPECT_EQ(bound.Send(kCam, CameraControlId::Roll, 40000, kFlagsAbsolute), kInvalidArg) << "not a 16-bit value";
    EXPECT_EQ(bound.Send(kCam, CameraControlId::Roll, -40000, kFlagsAbsolute), kInvalidArg);
    EXPECT_EQ(bound.Send(kAmp, ProcAmpId::Brightness, 5, kFlagsAuto), kInvalidArg) << "no automatic brightness";
    EXPECT_EQ(bound.Send(kCam, CameraControlId::PanRelative, 5, kFlagsAuto), kInvalidArg);
    EXPECT_EQ(bound.Send(kCam, 7, 5, kFlagsManual), kNotFound) << "a property no road carries";
    int32_t words[11] = {};
    EXPECT_EQ(bound.properties->Set(kCam, CameraControlId::Zoom, words, 44, words, 44), kInvalidArg);
    EXPECT_EQ(bound.properties->Set(kCam, CameraControlId::Zoom, nullptr, 0, nullptr, 0), kInvalidArg);
    EXPECT_EQ(bound.procAmp->Set(ProcAmpId::WhiteBalanceComponent, 100, kFlagsManual), kNotFound)
        << "one value cannot carry both components";
    EXPECT_TRUE(SetsReceived(*camera).empty());
}

TEST_F(FailureTest, AReusedDeviceNumberIsNotOurCamera) {
    Start();
    // Another device now answers at the camera's usbfs address.
    camera->productId = 0x1234;
    camera->received.clear();
    EXPECT_EQ(bound.Send(kCam, CameraControlId::Roll, 8, kFlagsRelative), kDeviceGone);
    EXPECT_TRUE(camera->received.empty());
    EXPECT_EQ(machine->OpenDescriptors(), 1) << "the foreign node is closed again";
}

TEST_F(FailureTest, UnreadableDescriptorsCloseOnlyTheUsbfsRoad) {
    const auto sysfs = std::filesystem::path(machine->SysfsRoot());
    driver = machine->Plug(camera, 0, 1, "PTZ");
    const auto usbDir = std::filesystem::canonical(sysfs / "class" / "video4linux" / "video0" / "device" / "..");
    machine->openErrors[(usbDir / "descriptors").string()] = -EACCES;
    bound = Bind(0);
    ASSERT_TRUE(bound.filter);
    EXPECT_EQ(bound.Send(kCam, CameraControlId::Roll, 8, kFlagsRelative), kNotFound);
    EXPECT_EQ(bound.Send(kCam, CameraControlId::Zoom, 50, kFlagsAbsolute), kOk);
    EXPECT_EQ(SetsReceived(*camera).size(), 1u);
}

}  // namespace
}  // namespace fake
