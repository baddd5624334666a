// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "FakeUvcCamera.h"

#include <linux/usb/video.h>

#include <algorithm>
#include <cerrno>

namespace fake {

FakeUvcCamera::FakeUvcCamera(uint16_t vendor, uint16_t product) : vendorId(vendor), productId(product) {}

void FakeUvcCamera::AddTerminalControl(uint8_t selector, Bytes min, Bytes max, Bytes res, Bytes def, Bytes cur) {
    Remove(cameraTerminalId, selector);
    controls.push_back({cameraTerminalId, selector, min, max, res, def, cur});
}

void FakeUvcCamera::AddUnitControl(uint8_t selector, Bytes min, Bytes max, Bytes res, Bytes def, Bytes cur) {
    Remove(processingUnitId, selector);
    controls.push_back({processingUnitId, selector, min, max, res, def, cur});
}

void FakeUvcCamera::Remove(uint8_t unit, uint8_t selector) {
    controls.erase(std::remove_if(controls.begin(), controls.end(),
                                  [&](const UvcControl& c) { return c.unit == unit && c.selector == selector; }),
                   controls.end());
}

UvcControl* FakeUvcCamera::Find(uint8_t unit, uint8_t selector) {
    for (UvcControl& control : controls)
        if (control.unit == unit && control.selector == selector) return &control;
    return nullptr;
}

UvcControl& FakeUvcCamera::Terminal(uint8_t selector) { return *Find(cameraTerminalId, selector); }
UvcControl& FakeUvcCamera::Unit(uint8_t selector) { return *Find(processingUnitId, selector); }

int FakeUvcCamera::Receive(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index, uint8_t* data,
                           uint16_t length) {
    ReceivedRequest record{requestType, request, value, index, {}};
    if (!(requestType & 0x80)) record.data.assign(data, data + length);
    received.push_back(record);
    if (unplugged) return -ENODEV;
    if ((index & 0xFF) != interfaceNumber) return -EPIPE;
    UvcControl* control = Find(static_cast<uint8_t>(index >> 8), static_cast<uint8_t>(value >> 8));
    if (control != nullptr && request == UVC_GET_INFO && length == 1) {
        data[0] = static_cast<uint8_t>((control->getCur ? UVC_CONTROL_CAP_GET : 0) |
                                       (control->setCur ? UVC_CONTROL_CAP_SET : 0));
        return 1;
    }
    if (control == nullptr || length != control->cur.size()) return -EPIPE;
    if (control->failWith != 0) return control->failWith;
    const Bytes* source = nullptr;
    switch (request) {
    case UVC_SET_CUR:
        if (!control->setCur) return -EPIPE;
        control->cur.assign(data, data + length);
        return length;
    case UVC_GET_CUR:
        if (!control->getCur) return -EPIPE;
        source = &control->cur;
        break;
    case UVC_GET_MIN: source = &control->min; break;
    case UVC_GET_MAX: source = &control->max; break;
    case UVC_GET_RES: source = &control->res; break;
    case UVC_GET_DEF: source = &control->def; break;
    default: return -EPIPE;
    }
    if (source->size() != length) return -EPIPE;
    std::copy(source->begin(), source->end(), data);
    return length;
}

std::vector<ReceivedRequest> FakeUvcCamera::Sets() const {
    std::vector<ReceivedRequest> sets;
    for (const ReceivedRequest& r : received)
        if (r.request == UVC_SET_CUR) sets.push_back(r);
    return sets;
}

int TerminalBitOf(uint8_t selector) {
    switch (selector) {
    case UVC_CT_SCANNING_MODE_CONTROL: return 0;
    case UVC_CT_AE_MODE_CONTROL: return 1;
    case UVC_CT_AE_PRIORITY_CONTROL: return 2;
    case UVC_CT_EXPOSURE_TIME_ABSOLUTE_CONTROL: return 3;
    case UVC_CT_EXPOSURE_TIME_RELATIVE_CONTROL: return 4;
    case UVC_CT_FOCUS_ABSOLUTE_CONTROL: return 5;
    case UVC_CT_FOCUS_RELATIVE_CONTROL: return 6;
    case UVC_CT_IRIS_ABSOLUTE_CONTROL: return 7;
    case UVC_CT_IRIS_RELATIVE_CONTROL: return 8;
    case UVC_CT_ZOOM_ABSOLUTE_CONTROL: return 9;
    case UVC_CT_ZOOM_RELATIVE_CONTROL: return 10;
    case UVC_CT_PANTILT_ABSOLUTE_CONTROL: return 11;
    case UVC_CT_PANTILT_RELATIVE_CONTROL: return 12;
    case UVC_CT_ROLL_ABSOLUTE_CONTROL: return 13;
    case UVC_CT_ROLL_RELATIVE_CONTROL: return 14;
    case UVC_CT_FOCUS_AUTO_CONTROL: return 17;
    case UVC_CT_PRIVACY_CONTROL: return 18;
    default: return -1;
    }
}

uint32_t FakeUvcCamera::TerminalControlBits() const {
    if (!declareControlsFromTable) return declaredTerminalControls;
    uint32_t bits = 0;
    for (const UvcControl& control : controls) {
        const int bit = control.unit == cameraTerminalId ? TerminalBitOf(control.selector) : -1;
        if (bit >= 0) bits |= 1u << bit;
    }
    return bits;
}

std::string FakeUvcCamera::Descriptors() const {
    const uint32_t ct = TerminalControlBits();
    const Bytes device = {18,
                          0x01,
                          0x00,
                          0x02,
                          0xEF,
                          0x02,
                          0x01,
                          0x40,
                          static_cast<uint8_t>(vendorId),
                          static_cast<uint8_t>(vendorId >> 8),
                          static_cast<uint8_t>(productId),
                          static_cast<uint8_t>(productId >> 8),
                          0x00,
                          0x01,
                          0x01,
                          0x02,
                          0x00,
                          0x01};
    const uint8_t vc = interfaceNumber;
    const uint8_t vs = static_cast<uint8_t>(interfaceNumber + 1);
    // A table, laid out by hand.
    // clang-format off
    Bytes body = {
        // interface association
        8, 0x0B, vc, 2, 0x0E, 0x03, 0x00, 0x02,
        // VideoControl interface and its class-specific descriptors
        9, 0x04, vc, 0, 1, 0x0E, 0x01, 0x00, 0x00,
        13, 0x24, 0x01, 0x00, 0x01, 0x33, 0x00, 0x00, 0x6C, 0xDC, 0x02, 1, vs,
        18, 0x24, 0x02, cameraTerminalId, 0x01, 0x02, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 3,
        static_cast<uint8_t>(ct), static_cast<uint8_t>(ct >> 8), static_cast<uint8_t>(ct >> 16),
        12, 0x24, 0x05, processingUnitId, cameraTerminalId, 0x00, 0x00, 2, 0xFF, 0x17, 0x00, 0x00,
        9, 0x24, 0x03, 0x04, 0x01, 0x01, 0x00, processingUnitId, 0x00,
        7, 0x05, 0x81, 0x03, 0x10, 0x00, 0x06,
        5, 0x25, 0x03, 0x10, 0x00,
        // VideoStreaming interface, with a decoy that looks like a camera
        // terminal but lives outside the VideoControl interface
        9, 0x04, vs, 0, 0, 0x0E, 0x02, 0x00, 0x00,
        18, 0x24, 0x02, 0x63, 0x01, 0x02, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 3, 0xFF, 0xFF, 0xFF,
    };
    // clang-format on
    const size_t total = 9 + body.size();
    Bytes config = {9, 0x02, static_cast<uint8_t>(total), static_cast<uint8_t>(total >> 8), 2, 1, 0, 0x80, 0xFA};
    std::string out(device.begin(), device.end());
    out.append(config.begin(), config.end());
    out.append(body.begin(), body.end());
    return out;
}

Bytes Le(int64_t value, size_t size) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF);
    return bytes;
}

namespace {
Bytes Cat(const Bytes& a, const Bytes& b) {
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}
}  // namespace

void AddTypicalPtzControls(FakeUvcCamera& c) {
    // camera terminal
    c.AddTerminalControl(UVC_CT_AE_MODE_CONTROL, {0}, {0}, {0x09}, {0x08}, {0x08});  // manual | aperture priority
    c.AddTerminalControl(UVC_CT_EXPOSURE_TIME_ABSOLUTE_CONTROL, Le(3, 4), Le(2047, 4), Le(1, 4), Le(156, 4),
                         Le(156, 4));
    c.AddTerminalControl(UVC_CT_FOCUS_ABSOLUTE_CONTROL, Le(0, 2), Le(1023, 2), Le(1, 2), Le(0, 2), Le(200, 2));
    c.AddTerminalControl(UVC_CT_FOCUS_RELATIVE_CONTROL, {0, 1}, {0, 7}, {0, 1}, {0, 1}, {0, 0});
    c.AddTerminalControl(UVC_CT_FOCUS_AUTO_CONTROL, {0}, {1}, {1}, {1}, {1});
    c.AddTerminalControl(UVC_CT_IRIS_ABSOLUTE_CONTROL, Le(0, 2), Le(10, 2), Le(1, 2), Le(2, 2), Le(2, 2));
    c.AddTerminalControl(UVC_CT_ZOOM_ABSOLUTE_CONTROL, Le(0, 2), Le(100, 2), Le(1, 2), Le(0, 2), Le(40, 2));
    c.AddTerminalControl(UVC_CT_ZOOM_RELATIVE_CONTROL, {0, 0, 1}, {0, 0, 7}, {0, 0, 1}, {0, 0, 1}, {0, 0, 0});
    c.AddTerminalControl(UVC_CT_PANTILT_ABSOLUTE_CONTROL, Cat(Le(-612000, 4), Le(-108000, 4)),
                         Cat(Le(612000, 4), Le(324000, 4)), Cat(Le(3600, 4), Le(3600, 4)), Le(0, 8),
                         Cat(Le(36000, 4), Le(3600, 4)));
    c.AddTerminalControl(UVC_CT_PANTILT_RELATIVE_CONTROL, {0, 1, 0, 1}, {0, 24, 0, 20}, {0, 1, 0, 1}, {0, 1, 0, 1},
                         {0, 0, 0, 0});
    c.AddTerminalControl(UVC_CT_ROLL_ABSOLUTE_CONTROL, Le(0, 2), Le(360, 2), Le(1, 2), Le(0, 2), Le(0, 2));
    // processing unit
    c.AddUnitControl(UVC_PU_BACKLIGHT_COMPENSATION_CONTROL, Le(0, 2), Le(2, 2), Le(1, 2), Le(1, 2), Le(1, 2));
    c.AddUnitControl(UVC_PU_BRIGHTNESS_CONTROL, Le(-64, 2), Le(64, 2), Le(1, 2), Le(0, 2), Le(0, 2));
    c.AddUnitControl(UVC_PU_CONTRAST_CONTROL, Le(0, 2), Le(95, 2), Le(1, 2), Le(32, 2), Le(32, 2));
    c.AddUnitControl(UVC_PU_GAIN_CONTROL, Le(0, 2), Le(100, 2), Le(1, 2), Le(0, 2), Le(0, 2));
    c.AddUnitControl(UVC_PU_POWER_LINE_FREQUENCY_CONTROL, {0}, {2}, {1}, {1}, {1});
    c.AddUnitControl(UVC_PU_SATURATION_CONTROL, Le(0, 2), Le(100, 2), Le(1, 2), Le(64, 2), Le(64, 2));
    c.AddUnitControl(UVC_PU_SHARPNESS_CONTROL, Le(0, 2), Le(7, 2), Le(1, 2), Le(3, 2), Le(3, 2));
    c.AddUnitControl(UVC_PU_GAMMA_CONTROL, Le(100, 2), Le(300, 2), Le(1, 2), Le(100, 2), Le(100, 2));
    c.AddUnitControl(UVC_PU_WHITE_BALANCE_TEMPERATURE_CONTROL, Le(2800, 2), Le(6500, 2), Le(1, 2), Le(4600, 2),
                     Le(4600, 2));
    c.AddUnitControl(UVC_PU_WHITE_BALANCE_TEMPERATURE_AUTO_CONTROL, {0}, {1}, {1}, {1}, {1});
    c.AddUnitControl(UVC_PU_WHITE_BALANCE_COMPONENT_CONTROL, Le(0, 4), Cat(Le(255, 2), Le(255, 2)),
                     Cat(Le(1, 2), Le(1, 2)), Cat(Le(128, 2), Le(128, 2)), Cat(Le(128, 2), Le(128, 2)));
}

}  // namespace fake
