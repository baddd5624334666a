// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "network/ViscaCamera.h"

#include <algorithm>
#include <cstdio>

#include "visca/ViscaCommands.h"

namespace lumetra {

using visca::Bytes;

namespace {

// Sony's vendor number in the version answer; other makes are named by theirs.
constexpr int kSonyVendor = 0x0001;

struct PictureRange {
    uint8_t function;
    PropertyInfo BaseDevice::*record;
    int32_t max;
    int32_t defaultValue;
};
// The ranges VISCA gives these settings; a camera with a shorter one
// refuses what lies beyond it.
constexpr PictureRange kPicture[] = {
    {visca::kBrightness, &BaseDevice::brightness, 0x1F, 0x0F},
    {visca::kAperture, &BaseDevice::sharpness, 0x0F, 0x05},
    {visca::kGain, &BaseDevice::gain, 0x0F, 0x00},
    {visca::kBacklight, &BaseDevice::backlightCompensation, 1, 0},
    {visca::kColorGain, &BaseDevice::saturation, 0x0E, 0x04},
};

}  // namespace

bool ViscaCamera::Open(const DeviceInfo& listed) {
    fault_ = RequestFault::None;
    pan_ = tilt_ = 0;
    NetworkAddress address;
    if (!ParseNetworkAddress(listed.devicePath, address) || !link_.Open(address)) {
        fault_ = RequestFault::NoAnswer;
        return false;
    }
    Bytes answer;
    if (!Inquire(0x00, 0x02, answer) && fault_ == RequestFault::NoAnswer) {
        link_.Close();
        return false;
    }
    fault_ = RequestFault::None;
    name_ = listed.friendlyName;
    if (name_.empty()) {
        // Vendor, model, ROM, sockets: GG GG HH HH JJ JJ KK.
        char text[96];
        const int vendor = answer.size() >= 4 ? answer[0] << 8 | answer[1] : -1;
        const int model = answer.size() >= 4 ? answer[2] << 8 | answer[3] : -1;
        if (vendor == kSonyVendor) std::snprintf(text, sizeof text, "Sony %04X at %s", model, address.host.c_str());
        else if (vendor >= 0)
            std::snprintf(text, sizeof text, "VISCA %04X:%04X at %s", vendor, model, address.host.c_str());
        else std::snprintf(text, sizeof text, "VISCA camera at %s", address.host.c_str());
        name_ = text;
    }
    return true;
}

bool ViscaCamera::Command(const Bytes& message) {
    const ViscaLink::Outcome outcome = link_.Send(message, false);
    fault_ = outcome == ViscaLink::Outcome::NoAnswer ? RequestFault::NoAnswer : RequestFault::None;
    return outcome == ViscaLink::Outcome::Taken;
}

bool ViscaCamera::Inquire(uint8_t category, uint8_t function, Bytes& answer) {
    const ViscaLink::Outcome outcome = link_.Send(visca::InquiryMessage(category, function), true, &answer);
    fault_ = outcome == ViscaLink::Outcome::NoAnswer ? RequestFault::NoAnswer : RequestFault::None;
    return outcome == ViscaLink::Outcome::Taken;
}

bool ViscaCamera::Drive() { return Command(visca::DriveMessage(pan_, tilt_, panSpeed_, tiltSpeed_)); }

// Speed 0 stops the axis, as it does a USB camera's; the stopped axis is
// sent its last speed, never 00.
bool ViscaCamera::Pan(int direction, int speed) {
    pan_ = speed > 0 ? direction : 0;
    if (pan_ != 0) panSpeed_ = speed;
    return Drive();
}

bool ViscaCamera::Tilt(int direction, int speed) {
    tilt_ = speed > 0 ? direction : 0;
    if (tilt_ != 0) tiltSpeed_ = speed;
    return Drive();
}

bool ViscaCamera::Zoom(int direction, int speed) { return Command(visca::ZoomMessage(direction, speed)); }
bool ViscaCamera::Focus(int direction, int speed) { return Command(visca::FocusMessage(direction, speed)); }
bool ViscaCamera::ZoomTo(int position) { return Command(visca::ZoomDirectMessage(position)); }
bool ViscaCamera::FocusMode(bool automatic) { return Command(visca::FocusModeMessage(automatic)); }

bool ViscaCamera::Home() {
    pan_ = tilt_ = 0;
    return Command(visca::HomeMessage());
}

bool ViscaCamera::Memory(int action, int preset) {
    if (preset < 0 || preset > 9) return false;
    if (action == 2) pan_ = tilt_ = 0;
    return Command(visca::MemoryMessage(action, preset));
}

bool ViscaCamera::Switch(uint8_t function, bool on) { return Command(visca::SwitchMessage(function, on)); }

bool ViscaCamera::SetValue(uint8_t function, int value, PropertyInfo& record) {
    if (visca::IsSwitch(function)) {
        if (!Switch(function, value != 0)) return false;
        record.current = value != 0 ? 1 : 0;
        return true;
    }
    // Within the range the camera was read with, as a USB camera's values are.
    if (record.supported && record.min < record.max) value = std::clamp(value, record.min, record.max);
    if (value < 0 || value > 0xFF || !Command(visca::ValueMessage(function, value))) return false;
    record.current = value;
    return true;
}

bool ViscaCamera::GetValue(uint8_t function, PropertyInfo& record, int* value) {
    Bytes answer;
    if (!Inquire(0x04, function, answer)) return false;
    int32_t got = -1;
    if (visca::IsSwitch(function)) {
        if (answer.size() == 1 && (answer[0] == 0x02 || answer[0] == 0x03)) got = answer[0] == 0x02 ? 1 : 0;
    } else {
        got = visca::NibbleValue(answer, 0);
    }
    if (got < 0) return false;
    record.current = got;
    if (value != nullptr) *value = got;
    return true;
}

bool ViscaCamera::LoadPropertyInfo(BaseDevice& records) {
    for (PropertyInfo BaseDevice::*none :
         {&BaseDevice::whiteBalance, &BaseDevice::whiteBalanceBlue, &BaseDevice::whiteBalanceRed, &BaseDevice::exposure,
          &BaseDevice::iris, &BaseDevice::powerLineFrequency, &BaseDevice::gamma, &BaseDevice::contrast,
          &BaseDevice::reserved4, &BaseDevice::reserved7, &BaseDevice::reserved11, &BaseDevice::reserved13})
        (records.*none).supported = 0;
    bool silent = false;
    for (const PictureRange& range : kPicture) {
        PropertyInfo& record = records.*range.record;
        record.min = 0;
        record.max = range.max;
        record.step = 1;
        record.defaultValue = range.defaultValue;
        record.supported = !silent && GetValue(range.function, record, nullptr) ? 1 : 0;
        silent = silent || fault_ == RequestFault::NoAnswer;
    }
    return !silent;
}

}  // namespace lumetra
