// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The one implementation of BaseDevice: every operation is a property
// request on the capture filter of the bound camera.
#pragma once

#include <memory>

#include "Discovery.h"
#include "GenericCamera.h"
#include "lumetra/BaseDevice.h"
#include "network/ViscaCamera.h"
#include "platform/Platform.h"

namespace lumetra {

class USBDevice final : public BaseDevice {
public:
    USBDevice() = default;
    USBDevice(const USBDevice&) = delete;
    USBDevice& operator=(const USBDevice&) = delete;

    bool Open(const char* indexText, int reserved) override;
    void Close() override;
    bool TiltUp(int speed) override;
    bool TiltUpStop() override;
    bool TiltDown(int speed) override;
    bool TiltDownStop() override;
    bool PanLeft(int speed) override;
    bool PanLeftStop() override;
    bool PanRight(int speed) override;
    bool PanRightStop() override;
    bool FocusManual() override;
    bool FocusAuto() override;
    bool Reserved12() override;
    bool FocusNear(int speed) override;
    bool FocusFar(int speed) override;
    bool FocusStop() override;
    bool ZoomIn(int speed) override;
    bool ZoomOut(int speed) override;
    bool ZoomStop() override;
    bool GetZoom(int* value) override;
    bool GetFocus(int* value) override;
    bool ZoomReset() override;
    bool PanReset() override;
    bool TiltReset() override;
    bool Reserved24() override;
    bool Reserved25() override;
    bool MuteOn() override;
    bool MuteOff() override;
    bool FlipOn() override;
    bool FlipOff() override;
    bool MirrorOn() override;
    bool MirrorOff() override;
    bool Command10() override;
    bool Command11() override;
    bool Home() override;
    bool Command18() override;
    bool Command19() override;
    bool FramingAuto() override;
    bool FramingManual() override;
    bool RestoreDefaults() override;
    bool Reserved40() override;
    bool Reserved41() override;
    bool BacklightOn() override;
    bool BacklightOff() override;
    bool PresetClear(int preset) override;
    bool PresetSet(int preset) override;
    bool PresetCall(int preset) override;
    bool GetBrightness(int* value) override;
    bool SetBrightness(int value) override;
    bool GetBacklight(int* value) override;
    bool SetBacklight(int value) override;
    bool GetGamma(int* value) override;
    bool SetGamma(int value) override;
    bool GetContrast(int* value) override;
    bool SetContrast(int value) override;
    bool GetSaturation(int* value) override;
    bool SetSaturation(int value) override;
    bool GetSharpness(int* value) override;
    bool SetSharpness(int value) override;
    bool GetWhiteBalance(int* value) override;
    bool SetWhiteBalance(int value) override;
    bool SetWhiteBalanceMode(int manual) override;
    bool GetGain(int* value) override;
    bool SetGain(int value) override;
    bool GetPowerLineFrequency(int* value) override;
    bool SetPowerLineFrequency(int value) override;
    bool LoadPropertyInfo() override;
    const char* GetFriendlyName() override;
    bool Reserved68(int) override;
    bool Reserved69(int) override;
    bool GetExposure(int* value) override;
    bool Reserved71(int) override;
    bool GetIris(int* value) override;
    bool Reserved73(int) override;
    bool Reserved74(int) override;
    bool Reserved75(int) override;
    bool SetWhiteBalanceBlue(int value) override;
    bool SetWhiteBalanceRed(int value) override;
    bool SetExposure(int value) override;
    bool Reserved79(int) override;
    bool SetIris(int value) override;
    bool Reserved81(int) override;
    bool Reserved82(int) override;
    bool Reserved83(int) override;

    // Open means the last Open obtained all four control interfaces; an
    // operation on a device in any other state sends nothing and fails.
    bool IsOpen() const;

private:
    bool SetCameraControl(uint32_t id, int32_t value, int32_t flags);
    bool SetProcAmp(uint32_t id, int32_t value, int32_t flags);
    bool SendSet(platform::PropertySet set, uint32_t id, int32_t value, int32_t flags);
    bool SendCommand(int32_t code, int32_t flags);
    bool ReadProperty(platform::PropertyControl& control, int32_t property, PropertyInfo& record, int* value);
    bool ReadCameraControl(int32_t property, PropertyInfo& record, int* value);
    bool ReadProcAmp(int32_t property, PropertyInfo& record, int* value);
    // Keeps why a request failed to reach the camera, for LastRequestFault.
    platform::HResult Noted(platform::HResult hr);

public:
    RequestFault lastFault = RequestFault::None;

    // Open, over the supported cameras alone or, with `any`, over every
    // camera EnumAllUSBDevices lists.
    bool OpenCamera(const char* indexText, bool any);

    // The generic camera bound by the last OpenAny; null for a supported one.
    GenericCamera* Generic() const { return generic_.get(); }
    // Its requests, through this device.
    GenericCamera::Link& LinkToCamera() { return link_; }
    // The network camera opened by the last OpenAny; null for a USB one.
    ViscaCamera* Network() const { return network_.get(); }

private:
    class Link final : public GenericCamera::Link {
    public:
        explicit Link(USBDevice& device) : device_(device) {}
        bool Set(uint32_t id, int32_t value, int32_t flags) override {
            return device_.SetCameraControl(id, value, flags);
        }
        bool Get(uint32_t id, int32_t& value, int32_t& flags) override;

    private:
        USBDevice& device_;
    };
    bool MoveGeneric(GenericCamera::Axis axis, int64_t toward);
    // A network camera past the USB ones; its name kept as a USB one's.
    bool OpenNetwork(int index);
    // Keeps the network camera's fault for LastRequestFault.
    bool Net(bool result);

    std::unique_ptr<GenericCamera> generic_;
    Link link_{*this};
    std::unique_ptr<ViscaCamera> network_;

private:
    char deviceName[kDeviceNameSize] = {};
    std::unique_ptr<platform::CaptureFilter> filter;
    std::unique_ptr<platform::KsControl> ksControl;
    std::unique_ptr<platform::KsPropertySet> ksPropertySet;
    std::unique_ptr<platform::CameraControl> cameraControl;
    std::unique_ptr<platform::VideoProcAmp> videoProcAmp;
};

}  // namespace lumetra
