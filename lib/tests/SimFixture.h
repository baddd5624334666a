// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// A device over an in-process simulated bus, with the thread initialised.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "lumetra/BaseDevice.h"
#include "platform/Platform.h"
#include "platform/sim/SimBus.h"

namespace lumetra::test {

using platform::sim::SimBus;
using platform::sim::SimCamera;
using platform::sim::SimCameraModel;
using platform::sim::SupportedCamera;

// A webcam of another make: listed by the system, never a supported camera.
inline SimCameraModel OtherWebcam(const std::string& name) {
    SimCameraModel model;
    model.friendlyName = name;
    model.devicePath = "\\\\?\\usb#vid_046d&pid_0825&mi_00#7&1b2c3d&0&0000#{65e8773d}\\global";
    return model;
}

class SimBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetBackendForTesting(bus.CreateBackend());
        BaseDevice::Initial();
        device = BaseDevice::CreateDevice(USB);
        ASSERT_NE(device, nullptr);
    }
    void TearDown() override {
        device->Close();
        BaseDevice::DeleteDevice(device);
        BaseDevice::Release();
        platform::SetBackendForTesting(nullptr);
    }

    // Opens the index-th supported camera and forgets the requests so far.
    void OpenCamera(const char* index = "0") {
        ASSERT_TRUE(device->Open(index, 1));
        bus.ClearRequests();
    }

    SimBus bus;
    BaseDevice* device = nullptr;
};

struct Operation {
    const char* name;
    std::function<bool(BaseDevice&)> call;
};

// Every operation except Open, Close and GetFriendlyName, each called once.
inline std::vector<Operation> EveryCameraOperation() {
    static int out = 0;
    return {
        {"TiltUp", [](BaseDevice& d) { return d.TiltUp(3); }},
        {"TiltUpStop", [](BaseDevice& d) { return d.TiltUpStop(); }},
        {"TiltDown", [](BaseDevice& d) { return d.TiltDown(3); }},
        {"TiltDownStop", [](BaseDevice& d) { return d.TiltDownStop(); }},
        {"PanLeft", [](BaseDevice& d) { return d.PanLeft(3); }},
        {"PanLeftStop", [](BaseDevice& d) { return d.PanLeftStop(); }},
        {"PanRight", [](BaseDevice& d) { return d.PanRight(3); }},
        {"PanRightStop", [](BaseDevice& d) { return d.PanRightStop(); }},
        {"FocusManual", [](BaseDevice& d) { return d.FocusManual(); }},
        {"FocusAuto", [](BaseDevice& d) { return d.FocusAuto(); }},
        {"Reserved12", [](BaseDevice& d) { return d.Reserved12(); }},
        {"FocusNear", [](BaseDevice& d) { return d.FocusNear(1); }},
        {"FocusFar", [](BaseDevice& d) { return d.FocusFar(1); }},
        {"FocusStop", [](BaseDevice& d) { return d.FocusStop(); }},
        {"ZoomIn", [](BaseDevice& d) { return d.ZoomIn(1); }},
        {"ZoomOut", [](BaseDevice& d) { return d.ZoomOut(1); }},
        {"ZoomStop", [](BaseDevice& d) { return d.ZoomStop(); }},
        {"GetZoom", [](BaseDevice& d) { return d.GetZoom(&out); }},
        {"GetFocus", [](BaseDevice& d) { return d.GetFocus(&out); }},
        {"ZoomReset", [](BaseDevice& d) { return d.ZoomReset(); }},
        {"PanReset", [](BaseDevice& d) { return d.PanReset(); }},
        {"TiltReset", [](BaseDevice& d) { return d.TiltReset(); }},
        {"Reserved24", [](BaseDevice& d) { return d.Reserved24(); }},
        {"Reserved25", [](BaseDevice& d) { return d.Reserved25(); }},
        {"MuteOn", [](BaseDevice& d) { return d.MuteOn(); }},
        {"MuteOff", [](BaseDevice& d) { return d.MuteOff(); }},
        {"FlipOn", [](BaseDevice& d) { return d.FlipOn(); }},
        {"FlipOff", [](BaseDevice& d) { return d.FlipOff(); }},
        {"MirrorOn", [](BaseDevice& d) { return d.MirrorOn(); }},
        {"MirrorOff", [](BaseDevice& d) { return d.MirrorOff(); }},
        {"Command10", [](BaseDevice& d) { return d.Command10(); }},
        {"Command11", [](BaseDevice& d) { return d.Command11(); }},
        {"Home", [](BaseDevice& d) { return d.Home(); }},
        {"Command18", [](BaseDevice& d) { return d.Command18(); }},
        {"Command19", [](BaseDevice& d) { return d.Command19(); }},
        {"FramingAuto", [](BaseDevice& d) { return d.FramingAuto(); }},
        {"FramingManual", [](BaseDevice& d) { return d.FramingManual(); }},
        {"RestoreDefaults", [](BaseDevice& d) { return d.RestoreDefaults(); }},
        {"Reserved40", [](BaseDevice& d) { return d.Reserved40(); }},
        {"Reserved41", [](BaseDevice& d) { return d.Reserved41(); }},
        {"BacklightOn", [](BaseDevice& d) { return d.BacklightOn(); }},
        {"BacklightOff", [](BaseDevice& d) { return d.BacklightOff(); }},
        {"PresetClear", [](BaseDevice& d) { return d.PresetClear(1); }},
        {"PresetSet", [](BaseDevice& d) { return d.PresetSet(1); }},
        {"PresetCall", [](BaseDevice& d) { return d.PresetCall(1); }},
        {"GetBrightness", [](BaseDevice& d) { return d.GetBrightness(&out); }},
        {"SetBrightness", [](BaseDevice& d) { return d.SetBrightness(1); }},
        {"GetBacklight", [](BaseDevice& d) { return d.GetBacklight(&out); }},
        {"SetBacklight", [](BaseDevice& d) { return d.SetBacklight(1); }},
        {"GetGamma", [](BaseDevice& d) { return d.GetGamma(&out); }},
        {"SetGamma", [](BaseDevice& d) { return d.SetGamma(100); }},
        {"GetContrast", [](BaseDevice& d) { return d.GetContrast(&out); }},
        {"SetContrast", [](BaseDevice& d) { return d.SetContrast(1); }},
        {"GetSaturation", [](BaseDevice& d) { return d.GetSaturation(&out); }},
        {"SetSaturation", [](BaseDevice& d) { return d.SetSaturation(1); }},
        {"GetSharpness", [](BaseDevice& d) { return d.GetSharpness(&out); }},
        {"SetSharpness", [](BaseDevice& d) { return d.SetSharpness(1); }},
        {"GetWhiteBalance", [](BaseDevice& d) { return d.GetWhiteBalance(&out); }},
        {"SetWhiteBalance", [](BaseDevice& d) { return d.SetWhiteBalance(4000); }},
        {"SetWhiteBalanceMode", [](BaseDevice& d) { return d.SetWhiteBalanceMode(1); }},
        {"GetGain", [](BaseDevice& d) { return d.GetGain(&out); }},
        {"SetGain", [](BaseDevice& d) { return d.SetGain(1); }},
        {"GetPowerLineFrequency", [](BaseDevice& d) { return d.GetPowerLineFrequency(&out); }},
        {"SetPowerLineFrequency", [](BaseDevice& d) { return d.SetPowerLineFrequency(1); }},
        {"LoadPropertyInfo", [](BaseDevice& d) { return d.LoadPropertyInfo(); }},
        {"Reserved68", [](BaseDevice& d) { return d.Reserved68(1); }},
        {"Reserved69", [](BaseDevice& d) { return d.Reserved69(1); }},
        {"GetExposure", [](BaseDevice& d) { return d.GetExposure(&out); }},
        {"Reserved71", [](BaseDevice& d) { return d.Reserved71(1); }},
        {"GetIris", [](BaseDevice& d) { return d.GetIris(&out); }},
        {"Reserved73", [](BaseDevice& d) { return d.Reserved73(1); }},
        {"Reserved74", [](BaseDevice& d) { return d.Reserved74(1); }},
        {"Reserved75", [](BaseDevice& d) { return d.Reserved75(1); }},
        {"SetWhiteBalanceBlue", [](BaseDevice& d) { return d.SetWhiteBalanceBlue(3000); }},
        {"SetWhiteBalanceRed", [](BaseDevice& d) { return d.SetWhiteBalanceRed(3000); }},
        {"SetExposure", [](BaseDevice& d) { return d.SetExposure(-5); }},
        {"Reserved79", [](BaseDevice& d) { return d.Reserved79(1); }},
        {"SetIris", [](BaseDevice& d) { return d.SetIris(1); }},
        {"Reserved81", [](BaseDevice& d) { return d.Reserved81(1); }},
        {"Reserved82", [](BaseDevice& d) { return d.Reserved82(1); }},
        {"Reserved83", [](BaseDevice& d) { return d.Reserved83(1); }},
    };
}

}  // namespace lumetra::test
