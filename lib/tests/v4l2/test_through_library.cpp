// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The whole library over the V4L2 backend: enumeration, Open by index, the
// operations the panel uses, and LoadPropertyInfo, against the fake machine.
#include <gtest/gtest.h>
#include <linux/usb/video.h>

#include <array>
#include <cstring>

#include "V4l2TestSupport.h"
#include "lumetra/BaseDevice.h"

namespace fake {
namespace {

using namespace lumetra::platform;

Bytes Cat(const Bytes& a, const Bytes& b) {
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

class ThroughLibraryTest : public V4l2Test {
protected:
    void SetUp() override {
        BaseDevice::Initial();
        device = BaseDevice::CreateDevice(USB);
        ASSERT_NE(device, nullptr);
    }
    void TearDown() override {
        if (device != nullptr) device->Close();
        BaseDevice::DeleteDevice(device);
        SetBackendForTesting(nullptr);
        BaseDevice::Release();
    }
    void Install() { SetBackendForTesting(machine->Backend(machine)); }

    BaseDevice* device = nullptr;
};

TEST_F(ThroughLibraryTest, SupportedCamerasAreFoundAmongOtherNodesAndOpenedByIndex) {
    machine->Plug(PtzCamera(0x046d, 0x0825), 0, 1, "Webcam C270");
    auto ptz = PtzCamera(0x0000, 0x8888);
    machine->Plug(ptz, 2, 3, "PTZ Pro");
    machine->AddPlatformNode(4, "vivid");
    auto conference = PtzCamera(0x0000, 0x00F9);
    machine->Plug(conference, 10, 11, "Conference");
    Install();

    std::vector<DeviceInfo> cameras;
    ASSERT_TRUE(BaseDevice::EnumUSBDevices(cameras));
    ASSERT_EQ(cameras.size(), 2u);
    EXPECT_EQ(cameras[0].index, 0);
    EXPECT_EQ(cameras[0].friendlyName, "PTZ Pro");
    EXPECT_EQ(cameras[0].devicePath, "\\\\?\\usb#vid_0000&pid_8888&mi_00#1-3:1.0#video2");
    EXPECT_EQ(cameras[1].index, 1);
    EXPECT_EQ(cameras[1].friendlyName, "Conference");

    ASSERT_TRUE(device->Open("1", 1));
    EXPECT_STREQ(device->GetFriendlyName(), "Conference");
    EXPECT_TRUE(device->PresetCall(3));
    EXPECT_TRUE(device->PanLeft(21));
    EXPECT_TRUE(device->PanLeftStop());
    EXPECT_EQ(SetsReceived(*conference),
              (std::vector<Wire>{{kViaUsbfs, 3, UVC_CT_ROLL_ABSOLUTE_CONTROL, {0x67, 0x00}},
                                 {kViaUsbfs, 3, UVC_CT_PANTILT_RELATIVE_CONTROL, {0xFF, 0x15, 0x00, 0x00}},
                                 {kViaDriver, 3, UVC_CT_PANTILT_RELATIVE_CONTROL, {0x00, 0x00, 0x00, 0x00}}}));
    EXPECT_TRUE(SetsReceived(*ptz).empty());
    EXPECT_FALSE(device->Open("2", 1)) << "only two supported cameras";
}

// Another make's camera with PTZ controls: listed after the supported
// ones, driven through uvcvideo alone. Linux 6.1 clamps its speeds into
// -slowest..fastest, so its moves step the absolute controls; a kernel that
// carries every speed gets the speed. usbfs is never opened for it, and
// its Roll control, whatever it does on this make, never receives anything.
TEST_F(ThroughLibraryTest, GenericCamerasGoThroughUvcvideoAlone) {
    auto generic = PtzCamera(0x046d, 0x0825);
    auto driver = machine->Plug(generic, 0, 1, "Webcam C270");
    auto plain = std::make_shared<FakeUvcCamera>(0x046d, 0x0994);
    plain->AddUnitControl(UVC_PU_BRIGHTNESS_CONTROL, Le(-64, 2), Le(64, 2), Le(1, 2), Le(0, 2), Le(0, 2));
    machine->Plug(plain, 2, 3, "Plain Webcam");
    machine->Plug(PtzCamera(0x0000, 0x8888), 4, 5, "PTZ Pro");
    machine->AddOtherUsbNode(6, 0x1234, 0x5678, "Old Webcam", "gspca_zc3xx");
    Install();

    std::vector<DeviceInfo> cameras;
    ASSERT_TRUE(BaseDevice::EnumAllUSBDevices(cameras));
    ASSERT_EQ(cameras.size(), 2u);
    EXPECT_EQ(cameras[0].friendlyName, "PTZ Pro");
    EXPECT_EQ(cameras[1].friendlyName, "Webcam C270");
    EXPECT_EQ(cameras[1].index, 1);

    ASSERT_TRUE(device->OpenAny("1", 1));
    EXPECT_EQ(device->Abilities(),
              AbilityPanTilt | AbilityZoom | AbilityFocus | AbilityFocusMode | AbilityHome | AbilityPositions);
    EXPECT_EQ(device->CameraIdentity(), "046d:0825 port 1-2");
    EXPECT_FALSE(device->MirrorOn());
    EXPECT_FALSE(device->PresetCall(3));
    // Pan 36000 in -612000..612000, steps of 3600: a full-speed first step
    // of 1224000 / 4 s * 40 ms = 12240, on the grid 25200.
    EXPECT_TRUE(device->PanLeft(100));
    EXPECT_TRUE(device->PanLeftStop());
    EXPECT_TRUE(device->Home());
    EXPECT_TRUE(device->ZoomReset());
    EXPECT_TRUE(device->FocusManual());
    // A preset below the ranges (a hand-edited file, other firmware): the
    // widest and the nearest, not full telephoto and the farthest.
    EXPECT_TRUE(device->MoveToPosition({0, 0, -5, -5, PositionZoom | PositionFocus}));
    EXPECT_EQ(SetsReceived(*generic),
              (std::vector<Wire>{{kViaDriver, 3, UVC_CT_PANTILT_ABSOLUTE_CONTROL, Cat(Le(25200, 4), Le(3600, 4))},
                                 {kViaDriver, 3, UVC_CT_PANTILT_ABSOLUTE_CONTROL, Cat(Le(0, 4), Le(3600, 4))},
                                 {kViaDriver, 3, UVC_CT_PANTILT_ABSOLUTE_CONTROL, Le(0, 8)},
                                 {kViaDriver, 3, UVC_CT_ZOOM_ABSOLUTE_CONTROL, Le(0, 2)},
                                 {kViaDriver, 3, UVC_CT_FOCUS_AUTO_CONTROL, {0}},
                                 {kViaDriver, 3, UVC_CT_FOCUS_ABSOLUTE_CONTROL, Le(200, 2)},
                                 {kViaDriver, 3, UVC_CT_ZOOM_ABSOLUTE_CONTROL, Le(0, 2)},
                                 {kViaDriver, 3, UVC_CT_FOCUS_ABSOLUTE_CONTROL, Le(0, 2)}}));

    driver->fixedRelativeRanges = true;
    generic->received.clear();
    ASSERT_TRUE(device->OpenAny("1", 1));
    EXPECT_TRUE(device->PanLeft(100));
    EXPECT_TRUE(device->TiltUp(50));
    EXPECT_TRUE(device->ZoomOut(100));
    EXPECT_TRUE(device->ZoomStop());
    EXPECT_EQ(SetsReceived(*generic),
              (std::vector<Wire>{{kViaDriver, 3, UVC_CT_PANTILT_RELATIVE_CONTROL, {0xFF, 24, 0x00, 0x00}},
                                 {kViaDriver, 3, UVC_CT_PANTILT_RELATIVE_CONTROL, {0xFF, 24, 0x01, 10}},
                                 {kViaDriver, 3, UVC_CT_ZOOM_RELATIVE_CONTROL, {0xFF, 0x00, 7}},
                                 {kViaDriver, 3, UVC_CT_ZOOM_RELATIVE_CONTROL, {0x00, 0x00, 0x00}}}));
    device->Close();

    for (const ReceivedRequest& request : generic->received)
        EXPECT_NE(request.Selector(), UVC_CT_ROLL_ABSOLUTE_CONTROL) << "a request reached Roll";
    EXPECT_EQ(machine->OpenedCount(machine->UsbfsPathOf(*generic)), 0);
}

TEST_F(ThroughLibraryTest, LoadPropertyInfoOnACameraLackingControls) {
    auto camera = PtzCamera();
    camera->Remove(camera->cameraTerminalId, UVC_CT_IRIS_ABSOLUTE_CONTROL);
    camera->Remove(camera->processingUnitId, UVC_PU_GAIN_CONTROL);
    camera->Remove(camera->processingUnitId, UVC_PU_GAMMA_CONTROL);
    camera->Unit(UVC_PU_WHITE_BALANCE_COMPONENT_CONTROL).cur = Cat(Le(100, 2), Le(200, 2));
    machine->Plug(camera, 0, 1, "PTZ");
    Install();
    ASSERT_TRUE(device->Open("0", 1));

    EXPECT_TRUE(device->LoadPropertyInfo());
    EXPECT_EQ(device->iris.supported, 0);
    EXPECT_EQ(device->gain.supported, 0);
    EXPECT_EQ(device->gamma.supported, 0);
    EXPECT_EQ(device->brightness.supported, 1);
    EXPECT_EQ(device->brightness.min, -64);
    EXPECT_EQ(device->brightness.max, 64);
    EXPECT_EQ(device->brightness.current, 0);
    EXPECT_EQ(device->whiteBalance.supported, 1);
    EXPECT_EQ(device->whiteBalance.defaultValue, 4600);
    EXPECT_EQ(device->whiteBalance.current, 4600);
    EXPECT_EQ(device->powerLineFrequency.max, 2);
    EXPECT_EQ(device->powerLineFrequency.current, 1);
    EXPECT_EQ(device->exposure.supported, 1);
    EXPECT_EQ(device->exposure.min, -11);
    EXPECT_EQ(device->exposure.current, -6);
    EXPECT_EQ((std::array{device->whiteBalanceBlue.current, device->whiteBalanceRed.current}), (std::array{100, 200}));
    EXPECT_TRUE(SetsReceived(*camera).empty()) << "reading changes nothing";

    // Setting red sends the camera's own blue.
    EXPECT_TRUE(device->SetWhiteBalanceRed(150));
    EXPECT_EQ(
        SetsReceived(*camera),
        (std::vector<Wire>{{kViaDriver, 5, UVC_PU_WHITE_BALANCE_TEMPERATURE_AUTO_CONTROL, {0x00}},
                           {kViaDriver, 5, UVC_PU_WHITE_BALANCE_COMPONENT_CONTROL, Cat(Le(100, 2), Le(150, 2))}}));
}

TEST_F(ThroughLibraryTest, OperationsOnAnUnpluggedCameraReturnFalse) {
    auto camera = PtzCamera();
    machine->Plug(camera, 0, 1, "PTZ");
    Install();
    ASSERT_TRUE(device->Open("0", 1));
    machine->Unplug(*camera);
    EXPECT_FALSE(device->ZoomIn(1));
    EXPECT_FALSE(device->MirrorOn());
    EXPECT_FALSE(device->SetBrightness(5));
    int zoom = 1234;
    EXPECT_FALSE(device->GetZoom(&zoom));
    EXPECT_EQ(zoom, 1234);
    std::vector<DeviceInfo> cameras(1);
    EXPECT_TRUE(BaseDevice::EnumUSBDevices(cameras)) << "the nodes are still listed, but cannot be asked";
    EXPECT_TRUE(cameras.empty());
}

TEST_F(ThroughLibraryTest, WithoutTheUdevRuleTheCommandChannelAnswersFalse) {
    auto camera = PtzCamera();
    machine->Plug(camera, 0, 1, "PTZ");
    machine->openErrors[machine->UsbfsPathOf(*camera)] = -EACCES;
    Install();
    ASSERT_TRUE(device->Open("0", 1));
    EXPECT_FALSE(device->MirrorOn());
    EXPECT_FALSE(device->PresetSet(1));
    EXPECT_FALSE(device->FocusNear(1));
    EXPECT_TRUE(device->SetBrightness(5));
    EXPECT_TRUE(device->PanRight(5));
    EXPECT_TRUE(device->PanRightStop());
    EXPECT_FALSE(device->ZoomIn(1)) << "6.1 could not stop this camera's zoom without usbfs";
    EXPECT_TRUE(device->ZoomReset());
    EXPECT_TRUE(device->SetWhiteBalanceMode(0));
}

}  // namespace
}  // namespace fake
