// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "USBDevice.h"

#include <chrono>
#include <climits>
#include <thread>

#include "CameraCommand.h"
#include "network/NetworkCameras.h"
#include "platform/KsProperties.h"
#include "visca/ViscaCommands.h"

namespace lumetra {

using namespace platform;

namespace {

// What atoi reads: leading white space, a sign, digits; no digits is 0.
// Out of range saturates rather than being undefined.
int ParseIndexText(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

int32_t PresetCode(int32_t base, int preset) { return base + (preset & 0xFF); }

constexpr auto kRestorePause = std::chrono::milliseconds(100);

// The lens positions' inquiries.
constexpr uint8_t kZoomPosition = 0x47;
constexpr uint8_t kFocusPosition = 0x48;

RequestFault FaultOf(HResult hr) {
    switch (hr) {
    case kAccessDenied: return RequestFault::NoPermission;
    case kBusy: return RequestFault::CameraBusy;
    case kTimeout: return RequestFault::NoAnswer;
    default: return RequestFault::None;
    }
}

}  // namespace

HResult USBDevice::Noted(HResult hr) {
    lastFault = FaultOf(hr);
    return hr;
}

bool USBDevice::IsOpen() const { return ksPropertySet && cameraControl && videoProcAmp && ksControl; }

bool USBDevice::Open(const char* indexText, int /*reserved*/) { return OpenCamera(indexText, false); }

bool USBDevice::OpenCamera(const char* indexText, bool any) {
    Close();
    if (indexText == nullptr) return false;
    GenericCameraFacts facts;
    const int index = ParseIndexText(indexText);
    if (!(any ? BindAnyCamera(index, filter, deviceName, facts) : BindCamera(index, filter, deviceName)))
        return any && facts.usbCameras >= 0 && index >= facts.usbCameras && OpenNetwork(index - facts.usbCameras);
    if (filter) {
        // Known only through its driver: nothing goes round it.
        if (facts.generic) filter->KeepToDriver();
        videoProcAmp.reset();
        filter->QueryVideoProcAmp(videoProcAmp);
        ksControl.reset();
        filter->QueryKsControl(ksControl);
        ksPropertySet.reset();
        filter->QueryKsPropertySet(ksPropertySet);
        cameraControl.reset();
        filter->QueryCameraControl(cameraControl);
    }
    if (facts.generic && IsOpen())
        generic_ = std::make_unique<GenericCamera>(facts.controls, std::move(facts.identity));
    return IsOpen();
}

bool USBDevice::OpenNetwork(int index) {
    const std::vector<DeviceInfo> cameras = NetworkCameras();
    if (index < 0 || static_cast<size_t>(index) >= cameras.size()) return false;
    auto camera = std::make_unique<ViscaCamera>();
    if (!camera->Open(cameras[static_cast<size_t>(index)])) {
        lastFault = camera->Fault();
        return false;
    }
    CopyName(camera->Name(), deviceName);
    network_ = std::move(camera);
    return true;
}

bool USBDevice::Net(bool result) {
    lastFault = network_->Fault();
    return result;
}

void USBDevice::Close() {
    lastFault = RequestFault::None;
    network_.reset();
    generic_.reset();
    ksPropertySet.reset();
    ksControl.reset();
    cameraControl.reset();
    videoProcAmp.reset();
    filter.reset();
}

// ---- the Set family: one 40-byte request each ----

bool USBDevice::SendSet(PropertySet set, uint32_t id, int32_t value, int32_t flags) {
    if (!IsOpen()) return false;
    int32_t request[SetRequest::kBytes / 4] = {};
    request[SetRequest::kValue1] = value;
    request[SetRequest::kFlags] = flags;
    return !Failed(Noted(ksPropertySet->Set(set, id, request, sizeof request, request, sizeof request)));
}

bool USBDevice::SetCameraControl(uint32_t id, int32_t value, int32_t flags) {
    return SendSet(PropertySet::CameraControl, id, value, flags);
}

bool USBDevice::SetProcAmp(uint32_t id, int32_t value, int32_t flags) {
    return SendSet(PropertySet::VideoProcAmp, id, value, flags);
}

// A generic camera has no command channel: on another make, Roll moves
// the picture or the camera.
bool USBDevice::SendCommand(int32_t code, int32_t flags) {
    if (generic_) return false;
    return SetCameraControl(CameraControlId::Roll, code, flags);
}

bool USBDevice::MoveGeneric(GenericCamera::Axis axis, int64_t toward) { return generic_->Move(link_, axis, toward); }

bool USBDevice::Link::Get(uint32_t id, int32_t& value, int32_t& flags) {
    if (!device_.IsOpen()) return false;
    return !Failed(device_.Noted(device_.cameraControl->Get(static_cast<int32_t>(id), &value, &flags)));
}

// Speeds are negated as plain ints, as the camera expects; the negation
// wraps (rather than being undefined) for INT_MIN.
static int32_t Negated(int speed) { return static_cast<int32_t>(0u - static_cast<uint32_t>(speed)); }

// A generic camera takes each move on the control its driver reports
// (GenericCamera); the supported ones, one request each.
using Axis = GenericCamera::Axis;

bool USBDevice::TiltUp(int speed) {
    if (network_) return Net(network_->Tilt(1, speed));
    if (generic_) return MoveGeneric(Axis::Tilt, speed);
    return SetCameraControl(CameraControlId::TiltRelative, speed, kFlagsRelative);
}
bool USBDevice::TiltUpStop() {
    if (network_) return Net(network_->Tilt(0, 0));
    if (generic_) return MoveGeneric(Axis::Tilt, 0);
    return SetCameraControl(CameraControlId::TiltRelative, 0, kFlagsRelative);
}
bool USBDevice::TiltDown(int speed) {
    if (network_) return Net(network_->Tilt(-1, speed));
    if (generic_) return MoveGeneric(Axis::Tilt, -static_cast<int64_t>(speed));
    return SetCameraControl(CameraControlId::TiltRelative, Negated(speed), kFlagsRelative);
}
bool USBDevice::TiltDownStop() { return TiltUpStop(); }
bool USBDevice::PanLeft(int speed) {
    if (network_) return Net(network_->Pan(-1, speed));
    if (generic_) return MoveGeneric(Axis::Pan, -static_cast<int64_t>(speed));
    return SetCameraControl(CameraControlId::PanRelative, Negated(speed), kFlagsRelative);
}
bool USBDevice::PanLeftStop() {
    if (network_) return Net(network_->Pan(0, 0));
    if (generic_) return MoveGeneric(Axis::Pan, 0);
    return SetCameraControl(CameraControlId::PanRelative, 0, kFlagsRelative);
}
bool USBDevice::PanRight(int speed) {
    if (network_) return Net(network_->Pan(1, speed));
    if (generic_) return MoveGeneric(Axis::Pan, speed);
    return SetCameraControl(CameraControlId::PanRelative, speed, kFlagsRelative);
}
bool USBDevice::PanRightStop() { return PanLeftStop(); }
// On the supported cameras the speed of focus and zoom is the camera's own.
bool USBDevice::FocusNear(int speed) {
    if (network_) return Net(network_->Focus(-1, speed));
    if (generic_) return MoveGeneric(Axis::Focus, -static_cast<int64_t>(speed));
    return SetCameraControl(CameraControlId::FocusRelative, 1, kFlagsRelative);
}
bool USBDevice::FocusFar(int speed) {
    if (network_) return Net(network_->Focus(1, speed));
    if (generic_) return MoveGeneric(Axis::Focus, speed);
    return SetCameraControl(CameraControlId::FocusRelative, -1, kFlagsRelative);
}
bool USBDevice::FocusStop() {
    if (network_) return Net(network_->Focus(0, 0));
    if (generic_) return MoveGeneric(Axis::Focus, 0);
    return SetCameraControl(CameraControlId::FocusRelative, 0, kFlagsRelative);
}
bool USBDevice::ZoomIn(int speed) {
    if (network_) return Net(network_->Zoom(1, speed));
    if (generic_) return MoveGeneric(Axis::Zoom, speed);
    return SetCameraControl(CameraControlId::ZoomRelative, 1, kFlagsRelative);
}
bool USBDevice::ZoomOut(int speed) {
    if (network_) return Net(network_->Zoom(-1, speed));
    if (generic_) return MoveGeneric(Axis::Zoom, -static_cast<int64_t>(speed));
    return SetCameraControl(CameraControlId::ZoomRelative, -1, kFlagsRelative);
}
bool USBDevice::ZoomStop() {
    if (network_) return Net(network_->Zoom(0, 0));
    if (generic_) return MoveGeneric(Axis::Zoom, 0);
    return SetCameraControl(CameraControlId::ZoomRelative, 0, kFlagsRelative);
}
bool USBDevice::ZoomReset() {
    if (network_) return Net(network_->ZoomTo(0));
    if (generic_) return generic_->Reset(link_, Axis::Zoom);
    return SetCameraControl(CameraControlId::Zoom, 0, kFlagsAbsolute);
}
bool USBDevice::PanReset() {
    if (generic_) return generic_->Reset(link_, Axis::Pan);
    return SetCameraControl(CameraControlId::Pan, 0, kFlagsAbsolute);
}
bool USBDevice::TiltReset() {
    if (generic_) return generic_->Reset(link_, Axis::Tilt);
    return SetCameraControl(CameraControlId::Tilt, 0, kFlagsAbsolute);
}
bool USBDevice::SetExposure(int value) { return SetCameraControl(CameraControlId::Exposure, value, kFlagsManual); }
// RELATIVE, unlike SetExposure: the cameras take the iris this way.
bool USBDevice::SetIris(int value) { return SetCameraControl(CameraControlId::Iris, value, kFlagsRelative); }

bool USBDevice::MirrorOn() {
    if (network_) return Net(network_->Switch(visca::kMirror, true));
    return SendCommand(MirrorOnCode, kFlagsRelative);
}
bool USBDevice::MirrorOff() {
    if (network_) return Net(network_->Switch(visca::kMirror, false));
    return SendCommand(MirrorOffCode, kFlagsRelative);
}
bool USBDevice::FlipOn() {
    if (network_) return Net(network_->Switch(visca::kFlip, true));
    return SendCommand(FlipOnCode, kFlagsRelative);
}
bool USBDevice::FlipOff() {
    if (network_) return Net(network_->Switch(visca::kFlip, false));
    return SendCommand(FlipOffCode, kFlagsRelative);
}
bool USBDevice::MuteOn() { return SendCommand(MuteOnCode, kFlagsRelative); }
bool USBDevice::MuteOff() { return SendCommand(MuteOffCode, kFlagsRelative); }
bool USBDevice::FocusAuto() {
    if (network_) return Net(network_->FocusMode(true));
    if (generic_) return generic_->SetFocusMode(link_, true);
    return SendCommand(FocusAutoCode, kFlagsRelative);
}
bool USBDevice::FocusManual() {
    if (network_) return Net(network_->FocusMode(false));
    if (generic_) return generic_->SetFocusMode(link_, false);
    return SendCommand(FocusManualCode, kFlagsRelative);
}
// Home is absolute 0/0 on a generic camera.
bool USBDevice::Home() {
    if (network_) return Net(network_->Home());
    if (generic_) return generic_->Home(link_);
    return SendCommand(HomeCode, kFlagsRelative);
}
bool USBDevice::Command10() { return SendCommand(Command10Code, kFlagsRelative); }
bool USBDevice::Command11() { return SendCommand(Command11Code, kFlagsRelative); }
bool USBDevice::FramingAuto() { return SendCommand(FramingAutoCode, kFlagsRelative); }
bool USBDevice::FramingManual() { return SendCommand(FramingManualCode, kFlagsRelative); }
bool USBDevice::Command18() { return SendCommand(Command18Code, kFlagsRelative); }
bool USBDevice::Command19() { return SendCommand(Command19Code, kFlagsRelative); }
bool USBDevice::PresetSet(int preset) {
    if (network_) return Net(network_->Memory(1, preset));
    return SendCommand(PresetCode(PresetSetBase, preset), kFlagsAbsolute);
}
bool USBDevice::PresetClear(int preset) {
    if (network_) return Net(network_->Memory(0, preset));
    return SendCommand(PresetCode(PresetClearBase, preset), kFlagsAbsolute);
}
bool USBDevice::PresetCall(int preset) {
    if (network_) return Net(network_->Memory(2, preset));
    return SendCommand(PresetCode(PresetCallBase, preset), kFlagsAbsolute);
}

bool USBDevice::BacklightOn() {
    if (network_) return Net(network_->Switch(visca::kBacklight, true));
    return SetProcAmp(ProcAmpId::BacklightCompensation, 1, kFlagsManual);
}
bool USBDevice::BacklightOff() {
    if (network_) return Net(network_->Switch(visca::kBacklight, false));
    return SetProcAmp(ProcAmpId::BacklightCompensation, 0, kFlagsManual);
}
bool USBDevice::SetBacklight(int value) {
    if (network_) return Net(network_->SetValue(visca::kBacklight, value, backlightCompensation));
    return SetProcAmp(ProcAmpId::BacklightCompensation, value, kFlagsManual);
}
bool USBDevice::SetBrightness(int value) {
    if (network_) return Net(network_->SetValue(visca::kBrightness, value, brightness));
    return SetProcAmp(ProcAmpId::Brightness, value, kFlagsManual);
}
bool USBDevice::SetContrast(int value) { return SetProcAmp(ProcAmpId::Contrast, value, kFlagsManual); }
bool USBDevice::SetSaturation(int value) {
    if (network_) return Net(network_->SetValue(visca::kColorGain, value, saturation));
    return SetProcAmp(ProcAmpId::Saturation, value, kFlagsManual);
}
bool USBDevice::SetSharpness(int value) {
    if (network_) return Net(network_->SetValue(visca::kAperture, value, sharpness));
    return SetProcAmp(ProcAmpId::Sharpness, value, kFlagsManual);
}
bool USBDevice::SetGamma(int value) { return SetProcAmp(ProcAmpId::Gamma, value, kFlagsManual); }
bool USBDevice::SetGain(int value) {
    if (network_) return Net(network_->SetValue(visca::kGain, value, gain));
    return SetProcAmp(ProcAmpId::Gain, value, kFlagsManual);
}
bool USBDevice::SetPowerLineFrequency(int value) {
    return SetProcAmp(ProcAmpId::PowerLineFrequency, value, kFlagsManual);
}
// Value 0 asks for automatic white balance.
bool USBDevice::SetWhiteBalance(int value) {
    return SetProcAmp(ProcAmpId::WhiteBalance, value, value != 0 ? kFlagsManual : kFlagsAuto);
}
// Only the mode is chosen; the Value word stays 0.
bool USBDevice::SetWhiteBalanceMode(int manual) {
    return SetProcAmp(ProcAmpId::WhiteBalance, 0, manual != 0 ? kFlagsManual : kFlagsAuto);
}

// ---- the white-balance component pair: one 48-byte request each ----
// The request carries both components; the one not being set comes from
// its record: what LoadPropertyInfo read from the camera, what was last
// sent, or what the caller put there. A half taken is kept in its record.

static HResult SendWhiteBalanceComponents(KsPropertySet& set, int32_t blue, int32_t red) {
    int32_t request[NodeRequest::kBytes / 4] = {};
    request[NodeRequest::kValue1] = blue;
    request[NodeRequest::kFlags] = kFlagsManual;
    request[NodeRequest::kValue2] = red;
    return set.Set(PropertySet::VideoProcAmp, ProcAmpId::WhiteBalanceComponent, request, sizeof request, request,
                   sizeof request);
}

bool USBDevice::SetWhiteBalanceBlue(int value) {
    if (!IsOpen()) return false;
    if (Failed(Noted(SendWhiteBalanceComponents(*ksPropertySet, value, whiteBalanceRed.current)))) return false;
    whiteBalanceBlue.current = value;
    return true;
}

bool USBDevice::SetWhiteBalanceRed(int value) {
    if (!IsOpen()) return false;
    if (Failed(Noted(SendWhiteBalanceComponents(*ksPropertySet, whiteBalanceBlue.current, value)))) return false;
    whiteBalanceRed.current = value;
    return true;
}

// ---- the Get family: read into the record, then hand the value out ----

bool USBDevice::ReadProperty(PropertyControl& control, int32_t property, PropertyInfo& record, int* value) {
    int32_t flags = 0;
    if (Failed(Noted(control.Get(property, &record.current, &flags)))) return false;
    if (value != nullptr) *value = record.current;
    return true;
}

bool USBDevice::ReadCameraControl(int32_t property, PropertyInfo& record, int* value) {
    return IsOpen() && ReadProperty(*cameraControl, property, record, value);
}

bool USBDevice::ReadProcAmp(int32_t property, PropertyInfo& record, int* value) {
    return IsOpen() && ReadProperty(*videoProcAmp, property, record, value);
}

bool USBDevice::GetZoom(int* value) {
    if (network_) return Net(network_->GetValue(kZoomPosition, zoom, value));
    return ReadCameraControl(CameraControlId::Zoom, zoom, value);
}
bool USBDevice::GetFocus(int* value) {
    if (network_) return Net(network_->GetValue(kFocusPosition, focus, value));
    return ReadCameraControl(CameraControlId::Focus, focus, value);
}
bool USBDevice::GetExposure(int* value) { return ReadCameraControl(CameraControlId::Exposure, exposure, value); }
bool USBDevice::GetIris(int* value) { return ReadCameraControl(CameraControlId::Iris, iris, value); }
bool USBDevice::GetBrightness(int* value) {
    if (network_) return Net(network_->GetValue(visca::kBrightness, brightness, value));
    return ReadProcAmp(ProcAmpId::Brightness, brightness, value);
}
bool USBDevice::GetContrast(int* value) { return ReadProcAmp(ProcAmpId::Contrast, contrast, value); }
bool USBDevice::GetSaturation(int* value) {
    if (network_) return Net(network_->GetValue(visca::kColorGain, saturation, value));
    return ReadProcAmp(ProcAmpId::Saturation, saturation, value);
}
bool USBDevice::GetSharpness(int* value) {
    if (network_) return Net(network_->GetValue(visca::kAperture, sharpness, value));
    return ReadProcAmp(ProcAmpId::Sharpness, sharpness, value);
}
bool USBDevice::GetGamma(int* value) { return ReadProcAmp(ProcAmpId::Gamma, gamma, value); }
bool USBDevice::GetWhiteBalance(int* value) { return ReadProcAmp(ProcAmpId::WhiteBalance, whiteBalance, value); }
bool USBDevice::GetBacklight(int* value) {
    if (network_) return Net(network_->GetValue(visca::kBacklight, backlightCompensation, value));
    return ReadProcAmp(ProcAmpId::BacklightCompensation, backlightCompensation, value);
}
bool USBDevice::GetGain(int* value) {
    if (network_) return Net(network_->GetValue(visca::kGain, gain, value));
    return ReadProcAmp(ProcAmpId::Gain, gain, value);
}
bool USBDevice::GetPowerLineFrequency(int* value) {
    return ReadProcAmp(ProcAmpId::PowerLineFrequency, powerLineFrequency, value);
}

// ---- multi-request operations ----

bool USBDevice::LoadPropertyInfo() {
    if (network_) return Net(network_->LoadPropertyInfo(*this));
    if (!IsOpen()) return false;
    int32_t caps = 0;
    // Range queries are not checked: a failed one leaves the record as the
    // interface left it.
    auto range = [this, &caps](PropertyControl& control, int32_t property, PropertyInfo& record) {
        Noted(control.GetRange(property, &record.min, &record.max, &record.step, &record.defaultValue, &caps));
    };
    range(*videoProcAmp, ProcAmpId::WhiteBalance, whiteBalance);
    range(*cameraControl, CameraControlId::Exposure, exposure);
    range(*cameraControl, CameraControlId::Iris, iris);
    range(*videoProcAmp, ProcAmpId::Gain, gain);
    range(*videoProcAmp, ProcAmpId::Brightness, brightness);
    range(*videoProcAmp, ProcAmpId::Contrast, contrast);
    range(*videoProcAmp, ProcAmpId::Gamma, gamma);
    range(*videoProcAmp, ProcAmpId::BacklightCompensation, backlightCompensation);
    range(*videoProcAmp, ProcAmpId::Saturation, saturation);
    range(*videoProcAmp, ProcAmpId::Sharpness, sharpness);
    range(*videoProcAmp, ProcAmpId::PowerLineFrequency, powerLineFrequency);

    int scratch = 0;
    whiteBalance.supported = GetWhiteBalance(&scratch) ? 1 : 0;
    exposure.supported = GetExposure(&scratch) ? 1 : 0;
    iris.supported = GetIris(&scratch) ? 1 : 0;
    gain.supported = GetGain(&scratch) ? 1 : 0;
    brightness.supported = GetBrightness(&scratch) ? 1 : 0;
    saturation.supported = GetSaturation(&scratch) ? 1 : 0;
    sharpness.supported = GetSharpness(&scratch) ? 1 : 0;
    powerLineFrequency.supported = GetPowerLineFrequency(&scratch) ? 1 : 0;
    contrast.supported = GetContrast(&scratch) ? 1 : 0;
    gamma.supported = GetGamma(&scratch) ? 1 : 0;
    backlightCompensation.supported = GetBacklight(&scratch) ? 1 : 0;

    // The component pair as the camera has it, so that setting one half
    // sends the camera's other half, not 0.
    int32_t blue = 0, red = 0, flags = 0;
    const bool pair = !Failed(Noted(videoProcAmp->GetPair(ProcAmpId::WhiteBalanceComponent, &blue, &red, &flags)));
    if (pair) {
        whiteBalanceBlue.current = blue;
        whiteBalanceRed.current = red;
    }
    whiteBalanceBlue.supported = whiteBalanceRed.supported = pair ? 1 : 0;

    for (PropertyInfo* none : {&reserved4, &reserved7, &reserved11, &reserved13}) none->supported = 0;
    return true;
}

bool USBDevice::RestoreDefaults() {
    if (!IsOpen()) return false;
    // Zoom has no range query, so its default is the record's 0.
    HResult hr = Noted(cameraControl->Set(CameraControlId::Zoom, zoom.defaultValue, 0));
    std::this_thread::sleep_for(kRestorePause);
    const std::pair<uint32_t, const PropertyInfo*> procAmp[] = {
        {ProcAmpId::Brightness, &brightness},
        {ProcAmpId::Contrast, &contrast},
        {ProcAmpId::Gamma, &gamma},
        {ProcAmpId::BacklightCompensation, &backlightCompensation},
        {ProcAmpId::Gain, &gain},
        {ProcAmpId::Saturation, &saturation},
        {ProcAmpId::Sharpness, &sharpness},
        {ProcAmpId::WhiteBalance, &whiteBalance},
        {ProcAmpId::PowerLineFrequency, &powerLineFrequency},
    };
    for (const auto& [id, record] : procAmp) {
        hr = Noted(videoProcAmp->Set(id, record->defaultValue, 0));
        std::this_thread::sleep_for(kRestorePause);
    }
    return !Failed(hr);
}

const char* USBDevice::GetFriendlyName() { return deviceName; }

// ---- positions of the interface that do nothing ----

bool USBDevice::Reserved12() { return false; }
bool USBDevice::Reserved24() { return false; }
bool USBDevice::Reserved25() { return false; }
bool USBDevice::Reserved40() { return false; }
bool USBDevice::Reserved41() { return false; }
bool USBDevice::Reserved68(int) { return false; }
bool USBDevice::Reserved69(int) { return false; }
bool USBDevice::Reserved71(int) { return false; }
bool USBDevice::Reserved73(int) { return false; }
bool USBDevice::Reserved74(int) { return false; }
bool USBDevice::Reserved75(int) { return false; }
bool USBDevice::Reserved79(int) { return false; }
bool USBDevice::Reserved81(int) { return false; }
bool USBDevice::Reserved82(int) { return false; }
bool USBDevice::Reserved83(int) { return false; }

}  // namespace lumetra
