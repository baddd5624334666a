// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Reads: current values with their AUTO / MANUAL flags, and ranges, as
// IAMCameraControl and IAMVideoProcAmp give them.
#include <gtest/gtest.h>
#include <linux/usb/video.h>

#include <climits>

#include "V4l2TestSupport.h"
#include "platform/v4l2/ExposureTime.h"

namespace fake {
namespace {

using namespace lumetra::platform;
using lumetra::platform::v4l2::ExposureUnitsFromLog2Seconds;
using lumetra::platform::v4l2::Log2SecondsFromExposureUnits;
using lumetra::platform::v4l2::Rounding;

struct Range {
    int32_t min = 0, max = 0, step = 0, def = 0, caps = 0;
    bool operator==(const Range& o) const {
        return min == o.min && max == o.max && step == o.step && def == o.def && caps == o.caps;
    }
};
void PrintTo(const Range& r, std::ostream* out) {
    *out << "{" << r.min << ".." << r.max << " step " << r.step << " default " << r.def << " caps " << r.caps << "}";
}

class ReadbackTest : public V4l2Test {
protected:
    void SetUp() override {
        camera = PtzCamera();
        machine->Plug(camera, 0, 1, "PTZ");
        bound = Bind(0);
        ASSERT_TRUE(bound.filter);
    }
    Range RangeOf(PropertyControl& control, int32_t property) {
        Range r;
        EXPECT_EQ(control.GetRange(property, &r.min, &r.max, &r.step, &r.def, &r.caps), kOk) << property;
        return r;
    }
    std::shared_ptr<FakeUvcCamera> camera;
    BoundCamera bound;
};

TEST_F(ReadbackTest, RangesComeFromTheDriverWithTheAutoCapability) {
    EXPECT_EQ(RangeOf(*bound.procAmp, ProcAmpId::Brightness), (Range{-64, 64, 1, 0, kFlagsManual}));
    EXPECT_EQ(RangeOf(*bound.procAmp, ProcAmpId::WhiteBalance),
              (Range{2800, 6500, 1, 4600, kFlagsAuto | kFlagsManual}));
    EXPECT_EQ(RangeOf(*bound.procAmp, ProcAmpId::PowerLineFrequency), (Range{0, 2, 1, 1, kFlagsManual}));
    EXPECT_EQ(RangeOf(*bound.procAmp, ProcAmpId::Gamma), (Range{100, 300, 1, 100, kFlagsManual}));
    EXPECT_EQ(RangeOf(*bound.cameraControl, CameraControlId::Iris), (Range{0, 10, 1, 2, kFlagsManual}));
    EXPECT_EQ(RangeOf(*bound.cameraControl, CameraControlId::Focus), (Range{0, 1023, 1, 0, kFlagsAuto | kFlagsManual}));
}

TEST_F(ReadbackTest, ExposureReadsInLog2Seconds) {
    // 0.3 ms .. 204.7 ms, default 15.6 ms: every whole power of two inside.
    EXPECT_EQ(RangeOf(*bound.cameraControl, CameraControlId::Exposure),
              (Range{-11, -3, 1, -6, kFlagsAuto | kFlagsManual}));
    int32_t value = 0, flags = 0;
    ASSERT_EQ(bound.cameraControl->Get(CameraControlId::Exposure, &value, &flags), kOk);
    EXPECT_EQ(value, -6);
    EXPECT_EQ(flags, kFlagsAuto) << "aperture priority: the exposure time is automatic";
    ASSERT_EQ(bound.Send(kCam, CameraControlId::Exposure, -5, kFlagsManual), kOk);
    ASSERT_EQ(bound.cameraControl->Get(CameraControlId::Exposure, &value, &flags), kOk);
    EXPECT_EQ(value, -5);
    EXPECT_EQ(flags, kFlagsManual);
}

TEST(ExposureTime, ConvertsBetweenLog2SecondsAndHundredMicroseconds) {
    EXPECT_EQ(ExposureUnitsFromLog2Seconds(0), 10000);
    EXPECT_EQ(ExposureUnitsFromLog2Seconds(-5), 313);
    EXPECT_EQ(ExposureUnitsFromLog2Seconds(-13), 1);
    EXPECT_EQ(ExposureUnitsFromLog2Seconds(-20), 1) << "never 0";
    EXPECT_EQ(ExposureUnitsFromLog2Seconds(INT_MIN), 1);
    EXPECT_EQ(ExposureUnitsFromLog2Seconds(17), 1310720000);
    EXPECT_EQ(ExposureUnitsFromLog2Seconds(18), INT_MAX) << "saturates";
    EXPECT_EQ(ExposureUnitsFromLog2Seconds(INT_MAX), INT_MAX);
    EXPECT_EQ(Log2SecondsFromExposureUnits(10000, Rounding::Nearest), 0);
    EXPECT_EQ(Log2SecondsFromExposureUnits(625, Rounding::Up), -4) << "exactly 1/16 s";
    EXPECT_EQ(Log2SecondsFromExposureUnits(625, Rounding::Down), -4);
    EXPECT_EQ(Log2SecondsFromExposureUnits(626, Rounding::Up), -3);
    EXPECT_EQ(Log2SecondsFromExposureUnits(626, Rounding::Down), -4);
    EXPECT_EQ(Log2SecondsFromExposureUnits(0, Rounding::Nearest), -13);
    EXPECT_EQ(Log2SecondsFromExposureUnits(-5, Rounding::Nearest), -13);
}

TEST_F(ReadbackTest, FlagsFollowTheAutoControls) {
    int32_t value = 0, flags = 0;
    ASSERT_EQ(bound.procAmp->Get(ProcAmpId::WhiteBalance, &value, &flags), kOk);
    EXPECT_EQ(value, 4600);
    EXPECT_EQ(flags, kFlagsAuto);
    ASSERT_EQ(bound.Send(kAmp, ProcAmpId::WhiteBalance, 5000, kFlagsManual), kOk);
    ASSERT_EQ(bound.procAmp->Get(ProcAmpId::WhiteBalance, &value, &flags), kOk);
    EXPECT_EQ(value, 5000);
    EXPECT_EQ(flags, kFlagsManual);
    ASSERT_EQ(bound.cameraControl->Get(CameraControlId::Focus, &value, &flags), kOk);
    EXPECT_EQ(value, 200);
    EXPECT_EQ(flags, kFlagsAuto);
    ASSERT_EQ(bound.cameraControl->Get(CameraControlId::Zoom, &value, &flags), kOk);
    EXPECT_EQ(value, 40);
    EXPECT_EQ(flags, kFlagsManual);
    ASSERT_EQ(bound.procAmp->Get(ProcAmpId::Brightness, &value, nullptr), kOk) << "flags may be left unasked";
}

TEST_F(ReadbackTest, WhatNoSingleControlCarriesCannotBeRead) {
    int32_t value = 77, flags = 77;
    for (int32_t id : {CameraControlId::Roll, CameraControlId::PanRelative, CameraControlId::ZoomRelative,
                       CameraControlId::FocusRelative, 7u, 99u}) {
        EXPECT_EQ(bound.cameraControl->Get(id, &value, &flags), kNotFound) << id;
        EXPECT_EQ(bound.cameraControl->GetRange(id, &value, &value, &value, &value, &flags), kNotFound) << id;
    }
    EXPECT_EQ(bound.procAmp->Get(ProcAmpId::WhiteBalanceComponent, &value, &flags), kNotFound);
    EXPECT_EQ(bound.cameraControl->Get(-1, &value, &flags), kNotFound);
    EXPECT_EQ(value, 77);
    EXPECT_EQ(flags, 77);
}

TEST_F(ReadbackTest, AWriteOnlyControlCannotBeRead) {
    camera->Terminal(UVC_CT_ZOOM_ABSOLUTE_CONTROL).getCur = false;
    int32_t value = 77, flags = 0;
    EXPECT_EQ(bound.cameraControl->Get(CameraControlId::Zoom, &value, &flags), kAccessDenied);
    EXPECT_EQ(value, 77);
}

TEST_F(ReadbackTest, PlainSetsTakeTheSameRoads) {
    // RestoreDefaults: IAMCameraControl / IAMVideoProcAmp Set with flags 0.
    EXPECT_EQ(bound.cameraControl->Set(CameraControlId::Zoom, 0, 0), kOk);
    EXPECT_EQ(bound.procAmp->Set(ProcAmpId::WhiteBalance, 4600, 0), kOk);
    EXPECT_EQ(bound.cameraControl->Set(CameraControlId::Roll, 8, kFlagsRelative), kOk);
    EXPECT_EQ(SetsReceived(*camera),
              (std::vector<Wire>{{kViaDriver, 3, UVC_CT_ZOOM_ABSOLUTE_CONTROL, {0, 0}},
                                 {kViaDriver, 5, UVC_PU_WHITE_BALANCE_TEMPERATURE_CONTROL, {0xF8, 0x11}},
                                 {kViaUsbfs, 3, UVC_CT_ROLL_ABSOLUTE_CONTROL, {0x08, 0x00}}}));
}

}  // namespace
}  // namespace fake
