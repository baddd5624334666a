// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Every property the library sends, checked where it lands: the UVC class
// request the camera receives (recipient, unit, selector, bytes).
#include <gtest/gtest.h>
#include <linux/usb/video.h>
#include <linux/usbdevice_fs.h>

#include <functional>

#include "V4l2TestSupport.h"

namespace fake {
namespace {

using namespace lumetra::platform;

constexpr uint8_t CT = 3;  // the typical camera's terminal id
constexpr uint8_t PU = 5;

Wire Driver(uint8_t unit, uint8_t selector, Bytes data) { return {kViaDriver, unit, selector, std::move(data)}; }
Wire Usbfs(uint8_t selector, Bytes data) { return {kViaUsbfs, CT, selector, std::move(data)}; }

struct Case {
    const char* what;
    PropertySet set;
    uint32_t id;
    int32_t value1;
    int32_t flags;
    int32_t value2;
    std::vector<Wire> expected;
    std::function<void(FakeUvcCamera&)> prepare = nullptr;
};

class RoutingTest : public V4l2Test {
protected:
    void SetUp() override {
        camera = PtzCamera();
        driver = machine->Plug(camera, 0, 1, "PTZ");
        bound = Bind(0);
        ASSERT_TRUE(bound.filter);
    }
    std::vector<Wire> Sets() const { return SetsReceived(*camera); }

    std::shared_ptr<FakeUvcCamera> camera;
    std::shared_ptr<FakeUvcDriver> driver;
    BoundCamera bound;
};

TEST(Routing, EachPropertyReachesTheCameraAsItsClassDriverWouldSendIt) {
    // A table, laid out by hand.
    // clang-format off
    const Case cases[] = {
        {"PanReset", kCam, CameraControlId::Pan, 0, kFlagsAbsolute, 0,
         {Driver(CT, UVC_CT_PANTILT_ABSOLUTE_CONTROL, {0, 0, 0, 0, 0x10, 0x0E, 0, 0})}},
        {"TiltReset", kCam, CameraControlId::Tilt, 0, kFlagsAbsolute, 0,
         {Driver(CT, UVC_CT_PANTILT_ABSOLUTE_CONTROL, {0xA0, 0x8C, 0, 0, 0, 0, 0, 0})}},
        {"PresetCall(3)", kCam, CameraControlId::Roll, 103, kFlagsAbsolute, 0,
         {Usbfs(UVC_CT_ROLL_ABSOLUTE_CONTROL, {0x67, 0x00})}},
        {"MuteOn", kCam, CameraControlId::Roll, 5, kFlagsRelative, 0,
         {Usbfs(UVC_CT_ROLL_ABSOLUTE_CONTROL, {0x05, 0x00})}},
        {"PresetCall(-1)", kCam, CameraControlId::Roll, 355, kFlagsAbsolute, 0,
         {Usbfs(UVC_CT_ROLL_ABSOLUTE_CONTROL, {0x63, 0x01})}},
        {"ZoomReset", kCam, CameraControlId::Zoom, 0, kFlagsAbsolute, 0,
         {Driver(CT, UVC_CT_ZOOM_ABSOLUTE_CONTROL, {0, 0})}},
        {"SetExposure(-5) from aperture priority", kCam, CameraControlId::Exposure, -5, kFlagsManual, 0,
         {Driver(CT, UVC_CT_AE_MODE_CONTROL, {0x01}), Driver(CT, UVC_CT_EXPOSURE_TIME_ABSOLUTE_CONTROL, {0x39, 0x01, 0, 0})}},
        {"SetExposure(-5) already manual", kCam, CameraControlId::Exposure, -5, kFlagsManual, 0,
         {Driver(CT, UVC_CT_EXPOSURE_TIME_ABSOLUTE_CONTROL, {0x39, 0x01, 0, 0})},
         [](FakeUvcCamera& c) { c.Terminal(UVC_CT_AE_MODE_CONTROL).cur = {0x01}; }},
        {"exposure AUTO, camera without full auto", kCam, CameraControlId::Exposure, 0, kFlagsAuto, 0,
         {Driver(CT, UVC_CT_AE_MODE_CONTROL, {0x08})},
         [](FakeUvcCamera& c) { c.Terminal(UVC_CT_AE_MODE_CONTROL).cur = {0x01}; }},
        {"exposure AUTO, camera with full auto", kCam, CameraControlId::Exposure, 0, kFlagsAuto, 0,
         {Driver(CT, UVC_CT_AE_MODE_CONTROL, {0x02})},
         [](FakeUvcCamera& c) {
             c.Terminal(UVC_CT_AE_MODE_CONTROL).cur = {0x01};
             c.Terminal(UVC_CT_AE_MODE_CONTROL).res = {0x0B};
         }},
        {"exposure MANUAL, camera without manual mode", kCam, CameraControlId::Exposure, -8, kFlagsManual, 0,
         {Driver(CT, UVC_CT_AE_MODE_CONTROL, {0x04}), Driver(CT, UVC_CT_EXPOSURE_TIME_ABSOLUTE_CONTROL, {0x27, 0, 0, 0})},
         [](FakeUvcCamera& c) { c.Terminal(UVC_CT_AE_MODE_CONTROL).res = {0x0C}; }},
        {"SetIris(7): RELATIVE leaves the exposure mode alone", kCam, CameraControlId::Iris, 7, kFlagsRelative, 0,
         {Driver(CT, UVC_CT_IRIS_ABSOLUTE_CONTROL, {0x07, 0x00})}},
        {"focus MANUAL", kCam, CameraControlId::Focus, 300, kFlagsManual, 0,
         {Driver(CT, UVC_CT_FOCUS_AUTO_CONTROL, {0x00}), Driver(CT, UVC_CT_FOCUS_ABSOLUTE_CONTROL, {0x2C, 0x01})}},
        {"focus AUTO", kCam, CameraControlId::Focus, 0, kFlagsAuto, 0, {Driver(CT, UVC_CT_FOCUS_AUTO_CONTROL, {0x01})},
         [](FakeUvcCamera& c) { c.Terminal(UVC_CT_FOCUS_AUTO_CONTROL).cur = {0x00}; }},
        {"PanRight(5)", kCam, CameraControlId::PanRelative, 5, kFlagsRelative, 0,
         {Driver(CT, UVC_CT_PANTILT_RELATIVE_CONTROL, {0x01, 0x05, 0x00, 0x00})}},
        {"PanLeft(1): within 6.1's range", kCam, CameraControlId::PanRelative, -1, kFlagsRelative, 0,
         {Driver(CT, UVC_CT_PANTILT_RELATIVE_CONTROL, {0xFF, 0x01, 0x00, 0x00})}},
        {"PanLeft(21): 6.1 would clamp it to -1", kCam, CameraControlId::PanRelative, -21, kFlagsRelative, 0,
         {Usbfs(UVC_CT_PANTILT_RELATIVE_CONTROL, {0xFF, 0x15, 0x00, 0x00})}},
        {"PanLeft(40): no faster than the camera's fastest", kCam, CameraControlId::PanRelative, -40, kFlagsRelative, 0,
         {Usbfs(UVC_CT_PANTILT_RELATIVE_CONTROL, {0xFF, 0x18, 0x00, 0x00})}},
        {"TiltUp(2)", kCam, CameraControlId::TiltRelative, 2, kFlagsRelative, 0,
         {Driver(CT, UVC_CT_PANTILT_RELATIVE_CONTROL, {0x00, 0x00, 0x01, 0x02})}},
        {"TiltDown(3)", kCam, CameraControlId::TiltRelative, -3, kFlagsRelative, 0,
         {Usbfs(UVC_CT_PANTILT_RELATIVE_CONTROL, {0x00, 0x00, 0xFF, 0x03})}},
        {"ZoomIn", kCam, CameraControlId::ZoomRelative, 1, kFlagsRelative, 0,
         {Driver(CT, UVC_CT_ZOOM_RELATIVE_CONTROL, {0x01, 0x00, 0x01})}},
        {"ZoomOut: 6.1 cannot go below the slowest speed", kCam, CameraControlId::ZoomRelative, -1, kFlagsRelative, 0,
         {Usbfs(UVC_CT_ZOOM_RELATIVE_CONTROL, {0xFF, 0x00, 0x01})}},
        {"ZoomStop: 6.1 would turn 0 into zooming in", kCam, CameraControlId::ZoomRelative, 0, kFlagsRelative, 0,
         {Usbfs(UVC_CT_ZOOM_RELATIVE_CONTROL, {0x00, 0x00, 0x00})}},
        {"ZoomStop on a camera whose slowest speed is 0", kCam, CameraControlId::ZoomRelative, 0, kFlagsRelative, 0,
         {Driver(CT, UVC_CT_ZOOM_RELATIVE_CONTROL, {0x00, 0x00, 0x00})},
         [](FakeUvcCamera& c) { c.Terminal(UVC_CT_ZOOM_RELATIVE_CONTROL).min = {0, 0, 0}; }},
        {"FocusNear", kCam, CameraControlId::FocusRelative, 1, kFlagsRelative, 0,
         {Usbfs(UVC_CT_FOCUS_RELATIVE_CONTROL, {0x01, 0x01})}},
        {"FocusFar", kCam, CameraControlId::FocusRelative, -1, kFlagsRelative, 0,
         {Usbfs(UVC_CT_FOCUS_RELATIVE_CONTROL, {0xFF, 0x01})}},
        {"FocusStop", kCam, CameraControlId::FocusRelative, 0, kFlagsRelative, 0,
         {Usbfs(UVC_CT_FOCUS_RELATIVE_CONTROL, {0x00, 0x00})}},
        {"SetBrightness(-10)", kAmp, ProcAmpId::Brightness, -10, kFlagsManual, 0,
         {Driver(PU, UVC_PU_BRIGHTNESS_CONTROL, {0xF6, 0xFF})}},
        {"SetContrast(40)", kAmp, ProcAmpId::Contrast, 40, kFlagsManual, 0, {Driver(PU, UVC_PU_CONTRAST_CONTROL, {0x28, 0})}},
        {"SetSaturation(70)", kAmp, ProcAmpId::Saturation, 70, kFlagsManual, 0,
         {Driver(PU, UVC_PU_SATURATION_CONTROL, {0x46, 0})}},
        {"SetSharpness(5)", kAmp, ProcAmpId::Sharpness, 5, kFlagsManual, 0, {Driver(PU, UVC_PU_SHARPNESS_CONTROL, {5, 0})}},
        {"SetGamma(150)", kAmp, ProcAmpId::Gamma, 150, kFlagsManual, 0, {Driver(PU, UVC_PU_GAMMA_CONTROL, {0x96, 0})}},
        {"BacklightOff", kAmp, ProcAmpId::BacklightCompensation, 0, kFlagsManual, 0,
         {Driver(PU, UVC_PU_BACKLIGHT_COMPENSATION_CONTROL, {0, 0})}},
        {"SetGain(10)", kAmp, ProcAmpId::Gain, 10, kFlagsManual, 0, {Driver(PU, UVC_PU_GAIN_CONTROL, {0x0A, 0})}},
        {"SetPowerLineFrequency(2)", kAmp, ProcAmpId::PowerLineFrequency, 2, kFlagsManual, 0,
         {Driver(PU, UVC_PU_POWER_LINE_FREQUENCY_CONTROL, {0x02})}},
        {"SetWhiteBalance(5000)", kAmp, ProcAmpId::WhiteBalance, 5000, kFlagsManual, 0,
         {Driver(PU, UVC_PU_WHITE_BALANCE_TEMPERATURE_AUTO_CONTROL, {0x00}),
          Driver(PU, UVC_PU_WHITE_BALANCE_TEMPERATURE_CONTROL, {0x88, 0x13})}},
        {"SetWhiteBalanceMode(1): manual, keeping the temperature", kAmp, ProcAmpId::WhiteBalance, 0, kFlagsManual, 0,
         {Driver(PU, UVC_PU_WHITE_BALANCE_TEMPERATURE_AUTO_CONTROL, {0x00})}},
        {"manual white balance beyond the range: the mode only", kAmp, ProcAmpId::WhiteBalance, 9000, kFlagsManual, 0,
         {Driver(PU, UVC_PU_WHITE_BALANCE_TEMPERATURE_AUTO_CONTROL, {0x00})}},
        {"manual white balance at the lowest", kAmp, ProcAmpId::WhiteBalance, 2800, kFlagsManual, 0,
         {Driver(PU, UVC_PU_WHITE_BALANCE_TEMPERATURE_AUTO_CONTROL, {0x00}),
          Driver(PU, UVC_PU_WHITE_BALANCE_TEMPERATURE_CONTROL, {0xF0, 0x0A})}},
        {"SetWhiteBalanceMode(0)", kAmp, ProcAmpId::WhiteBalance, 0, kFlagsAuto, 0,
         {Driver(PU, UVC_PU_WHITE_BALANCE_TEMPERATURE_AUTO_CONTROL, {0x01})},
         [](FakeUvcCamera& c) { c.Unit(UVC_PU_WHITE_BALANCE_TEMPERATURE_AUTO_CONTROL).cur = {0x00}; }},
        {"white balance with flags 0 leaves the mode alone", kAmp, ProcAmpId::WhiteBalance, 4000, kFlagsAbsolute, 0,
         {Driver(PU, UVC_PU_WHITE_BALANCE_TEMPERATURE_CONTROL, {0xA0, 0x0F})}},
        {"SetWhiteBalanceBlue(100) with red 200", kAmp, ProcAmpId::WhiteBalanceComponent, 100, kFlagsManual, 200,
         {Driver(PU, UVC_PU_WHITE_BALANCE_TEMPERATURE_AUTO_CONTROL, {0x00}),
          Driver(PU, UVC_PU_WHITE_BALANCE_COMPONENT_CONTROL, {0x64, 0x00, 0xC8, 0x00})}},
        // 6.1 casts a value below an unsigned control's minimum to unsigned
        // and clamps it to the maximum: what is sent is within the range.
        {"ZoomTo(-5): the widest, not full telephoto", kCam, CameraControlId::Zoom, -5, kFlagsAbsolute, 0,
         {Driver(CT, UVC_CT_ZOOM_ABSOLUTE_CONTROL, {0, 0})}},
        {"FocusTo(-5): the nearest, not the farthest", kCam, CameraControlId::Focus, -5, kFlagsAbsolute, 0,
         {Driver(CT, UVC_CT_FOCUS_ABSOLUTE_CONTROL, {0, 0})}},
        {"SetGamma(5000): the highest", kAmp, ProcAmpId::Gamma, 5000, kFlagsManual, 0,
         {Driver(PU, UVC_PU_GAMMA_CONTROL, {0x2C, 0x01})}},
        {"SetExposure(-30): the shortest", kCam, CameraControlId::Exposure, -30, kFlagsAbsolute, 0,
         {Driver(CT, UVC_CT_EXPOSURE_TIME_ABSOLUTE_CONTROL, {0x03, 0, 0, 0})}},
        {"white-balance components beyond the range, each to its own end", kAmp, ProcAmpId::WhiteBalanceComponent, -1,
         kFlagsManual, 900,
         {Driver(PU, UVC_PU_WHITE_BALANCE_TEMPERATURE_AUTO_CONTROL, {0x00}),
          Driver(PU, UVC_PU_WHITE_BALANCE_COMPONENT_CONTROL, {0x00, 0x00, 0xFF, 0x00})}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto machine = std::make_shared<FakeMachine>();
        auto camera = std::make_shared<FakeUvcCamera>(0x0000, 0x8888);
        AddTypicalPtzControls(*camera);
        if (c.prepare) c.prepare(*camera);
        machine->Plug(camera, 0, 1, "PTZ");
        auto backend = machine->Backend(machine);
        std::unique_ptr<DeviceEnumerator> devices;
        std::unique_ptr<MonikerEnumerator> monikers;
        std::unique_ptr<Moniker> moniker;
        BoundCamera bound;
        ASSERT_EQ(backend->CreateDeviceEnumerator(devices), kOk);
        ASSERT_EQ(devices->CreateVideoInputEnumerator(monikers), kOk);
        ASSERT_EQ(monikers->Next(moniker), kOk);
        ASSERT_EQ(moniker->BindToObject(bound.filter), kOk);
        ASSERT_EQ(bound.filter->QueryKsPropertySet(bound.properties), kOk);

        EXPECT_EQ(bound.Send(c.set, c.id, c.value1, c.flags, c.value2), kOk);
        EXPECT_EQ(SetsReceived(*camera), c.expected);
        if (c.expected.back().requestType == kViaUsbfs) {
            const ReceivedRequest& last = camera->received.back();
            EXPECT_EQ(last.index, CT << 8 | camera->interfaceNumber) << "wIndex: terminal id, interface";
        }
    }
}

TEST_F(RoutingTest, LaterKernelsCarryNegativeSpeedsThemselves) {
    driver->fixedRelativeRanges = true;
    EXPECT_EQ(bound.Send(kCam, CameraControlId::PanRelative, -21, kFlagsRelative), kOk);
    EXPECT_EQ(bound.Send(kCam, CameraControlId::ZoomRelative, -1, kFlagsRelative), kOk);
    EXPECT_EQ(bound.Send(kCam, CameraControlId::ZoomRelative, 0, kFlagsRelative), kOk);
    EXPECT_EQ(Sets(), (std::vector<Wire>{Driver(CT, UVC_CT_PANTILT_RELATIVE_CONTROL, {0xFF, 0x15, 0x00, 0x00}),
                                         Driver(CT, UVC_CT_ZOOM_RELATIVE_CONTROL, {0xFF, 0x00, 0x01}),
                                         Driver(CT, UVC_CT_ZOOM_RELATIVE_CONTROL, {0x00, 0x00, 0x00})}));
    EXPECT_EQ(machine->OpenedCount(machine->UsbfsPathOf(*camera)), 0);
}

TEST_F(RoutingTest, ADiagonalMoveKeepsBothAxesWhicheverRoadCarriesThem) {
    ASSERT_EQ(bound.Send(kCam, CameraControlId::TiltRelative, 3, kFlagsRelative), kOk);
    ASSERT_EQ(bound.Send(kCam, CameraControlId::PanRelative, -21, kFlagsRelative), kOk);
    ASSERT_EQ(bound.Send(kCam, CameraControlId::TiltRelative, 0, kFlagsRelative), kOk);
    ASSERT_EQ(bound.Send(kCam, CameraControlId::PanRelative, 0, kFlagsRelative), kOk);
    EXPECT_EQ(Sets(), (std::vector<Wire>{Driver(CT, UVC_CT_PANTILT_RELATIVE_CONTROL, {0x00, 0x00, 0x01, 0x03}),
                                         Usbfs(UVC_CT_PANTILT_RELATIVE_CONTROL, {0xFF, 0x15, 0x01, 0x03}),
                                         Usbfs(UVC_CT_PANTILT_RELATIVE_CONTROL, {0xFF, 0x15, 0x00, 0x00}),
                                         Driver(CT, UVC_CT_PANTILT_RELATIVE_CONTROL, {0x00, 0x00, 0x00, 0x00})}));
}

TEST_F(RoutingTest, AWriteOnlyPanTiltControlKeepsTheOtherAxis) {
    // 6.1 fills the half not being set with zeros when it cannot read the
    // control back; a lone TILT_SPEED would stop the pan.
    camera->Terminal(UVC_CT_PANTILT_RELATIVE_CONTROL).getCur = false;
    ASSERT_EQ(bound.Send(kCam, CameraControlId::PanRelative, 5, kFlagsRelative), kOk);
    ASSERT_EQ(bound.Send(kCam, CameraControlId::TiltRelative, 3, kFlagsRelative), kOk);
    EXPECT_EQ(Sets(), (std::vector<Wire>{Driver(CT, UVC_CT_PANTILT_RELATIVE_CONTROL, {0x01, 0x05, 0x00, 0x00}),
                                         Driver(CT, UVC_CT_PANTILT_RELATIVE_CONTROL, {0x01, 0x05, 0x01, 0x03})}));
}

TEST_F(RoutingTest, AFailedMoveIsNotRememberedAsTheOtherAxis) {
    camera->Terminal(UVC_CT_PANTILT_RELATIVE_CONTROL).failWith = -EPIPE;
    EXPECT_LT(bound.Send(kCam, CameraControlId::PanRelative, 5, kFlagsRelative), 0);
    camera->Terminal(UVC_CT_PANTILT_RELATIVE_CONTROL).failWith = 0;
    camera->received.clear();
    ASSERT_EQ(bound.Send(kCam, CameraControlId::TiltRelative, 3, kFlagsRelative), kOk);
    EXPECT_EQ(Sets(), (std::vector<Wire>{Driver(CT, UVC_CT_PANTILT_RELATIVE_CONTROL, {0x00, 0x00, 0x01, 0x03})}));
}

TEST_F(RoutingTest, NothingEverDetachesOrClaims) {
    // Every road, then the ioctls asked for: none may take the interface
    // from uvcvideo.
    for (uint32_t id : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 10u, 11u, 13u, 16u})
        for (int32_t value : {-3, 0, 7}) bound.Send(kCam, id, value, kFlagsRelative);
    for (uint32_t id : {0u, 1u, 3u, 4u, 5u, 7u, 8u, 9u, 12u, 13u}) bound.Send(kAmp, id, 1, kFlagsManual);
    for (unsigned long request : machine->ioctls) {
        EXPECT_NE(request, static_cast<unsigned long>(USBDEVFS_DISCONNECT));
        EXPECT_NE(request, static_cast<unsigned long>(USBDEVFS_CLAIMINTERFACE));
        EXPECT_NE(request, static_cast<unsigned long>(USBDEVFS_IOCTL));
        EXPECT_NE(request, static_cast<unsigned long>(USBDEVFS_DISCONNECT_CLAIM));
        EXPECT_NE(request, static_cast<unsigned long>(USBDEVFS_RESET));
    }
    EXPECT_FALSE(camera->received.empty());
}

}  // namespace
}  // namespace fake
