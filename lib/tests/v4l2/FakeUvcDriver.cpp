// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "FakeUvcDriver.h"

#include <linux/usb/video.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace fake {

enum class Special { None, RelativeSpeed, Zoom };

struct UvcMapping {
    uint32_t id;
    bool onTerminal;  // camera terminal; otherwise processing unit
    uint8_t selector;
    uint8_t offset;  // bits
    uint8_t size;    // bits
    uint32_t type;
    bool isSigned;
    Special special;
    uint32_t master;
    int32_t masterManual;
    std::vector<int32_t> menu;  // UVC value of each menu index
    bool bitmask;               // menu entries offered per GET_RES bits
};

namespace {

constexpr uint32_t kInt = V4L2_CTRL_TYPE_INTEGER;
constexpr uint32_t kBool = V4L2_CTRL_TYPE_BOOLEAN;
constexpr uint32_t kMenu = V4L2_CTRL_TYPE_MENU;

// uvcvideo's mapping table (uvc_ctrl.c), the part a camera like ours uses.
// Order matters where two UVC controls map to one V4L2 id: the first the
// camera has wins.
const std::vector<UvcMapping>& Mappings() {
    // A table, laid out by hand.
    // clang-format off
    static const std::vector<UvcMapping> table = {
        {V4L2_CID_BRIGHTNESS, false, UVC_PU_BRIGHTNESS_CONTROL, 0, 16, kInt, true, Special::None, 0, 0, {}, false},
        {V4L2_CID_CONTRAST, false, UVC_PU_CONTRAST_CONTROL, 0, 16, kInt, false, Special::None, 0, 0, {}, false},
        {V4L2_CID_SATURATION, false, UVC_PU_SATURATION_CONTROL, 0, 16, kInt, false, Special::None, 0, 0, {}, false},
        {V4L2_CID_SHARPNESS, false, UVC_PU_SHARPNESS_CONTROL, 0, 16, kInt, false, Special::None, 0, 0, {}, false},
        {V4L2_CID_GAMMA, false, UVC_PU_GAMMA_CONTROL, 0, 16, kInt, false, Special::None, 0, 0, {}, false},
        {V4L2_CID_BACKLIGHT_COMPENSATION, false, UVC_PU_BACKLIGHT_COMPENSATION_CONTROL, 0, 16, kInt, false,
         Special::None, 0, 0, {}, false},
        {V4L2_CID_GAIN, false, UVC_PU_GAIN_CONTROL, 0, 16, kInt, false, Special::None, 0, 0, {}, false},
        {V4L2_CID_POWER_LINE_FREQUENCY, false, UVC_PU_POWER_LINE_FREQUENCY_CONTROL, 0, 2, kMenu, false,
         Special::None, 0, 0, {0, 1, 2}, false},
        {V4L2_CID_EXPOSURE_AUTO, true, UVC_CT_AE_MODE_CONTROL, 0, 4, kMenu, false, Special::None, 0, 0,
         {2, 1, 4, 8}, true},
        {V4L2_CID_EXPOSURE_ABSOLUTE, true, UVC_CT_EXPOSURE_TIME_ABSOLUTE_CONTROL, 0, 32, kInt, false,
         Special::None, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL, {}, false},
        {V4L2_CID_AUTO_WHITE_BALANCE, false, UVC_PU_WHITE_BALANCE_TEMPERATURE_AUTO_CONTROL, 0, 1, kBool, false,
         Special::None, 0, 0, {}, false},
        {V4L2_CID_WHITE_BALANCE_TEMPERATURE, false, UVC_PU_WHITE_BALANCE_TEMPERATURE_CONTROL, 0, 16, kInt, false,
         Special::None, V4L2_CID_AUTO_WHITE_BALANCE, 0, {}, false},
        {V4L2_CID_AUTO_WHITE_BALANCE, false, UVC_PU_WHITE_BALANCE_COMPONENT_AUTO_CONTROL, 0, 1, kBool, false,
         Special::None, 0, 0, {}, false},
        {V4L2_CID_BLUE_BALANCE, false, UVC_PU_WHITE_BALANCE_COMPONENT_CONTROL, 0, 16, kInt, true, Special::None,
         V4L2_CID_AUTO_WHITE_BALANCE, 0, {}, false},
        {V4L2_CID_RED_BALANCE, false, UVC_PU_WHITE_BALANCE_COMPONENT_CONTROL, 16, 16, kInt, true, Special::None,
         V4L2_CID_AUTO_WHITE_BALANCE, 0, {}, false},
        {V4L2_CID_FOCUS_ABSOLUTE, true, UVC_CT_FOCUS_ABSOLUTE_CONTROL, 0, 16, kInt, false, Special::None,
         V4L2_CID_FOCUS_AUTO, 0, {}, false},
        {V4L2_CID_FOCUS_AUTO, true, UVC_CT_FOCUS_AUTO_CONTROL, 0, 1, kBool, false, Special::None, 0, 0, {}, false},
        {V4L2_CID_IRIS_ABSOLUTE, true, UVC_CT_IRIS_ABSOLUTE_CONTROL, 0, 16, kInt, false, Special::None, 0, 0, {},
         false},
        {V4L2_CID_ZOOM_ABSOLUTE, true, UVC_CT_ZOOM_ABSOLUTE_CONTROL, 0, 16, kInt, false, Special::None, 0, 0, {},
         false},
        {V4L2_CID_ZOOM_CONTINUOUS, true, UVC_CT_ZOOM_RELATIVE_CONTROL, 0, 0, kInt, true, Special::Zoom, 0, 0, {},
         false},
        {V4L2_CID_PAN_ABSOLUTE, true, UVC_CT_PANTILT_ABSOLUTE_CONTROL, 0, 32, kInt, true, Special::None, 0, 0, {},
         false},
        {V4L2_CID_TILT_ABSOLUTE, true, UVC_CT_PANTILT_ABSOLUTE_CONTROL, 32, 32, kInt, true, Special::None, 0, 0,
         {}, false},
        {V4L2_CID_PAN_SPEED, true, UVC_CT_PANTILT_RELATIVE_CONTROL, 0, 16, kInt, true, Special::RelativeSpeed, 0,
         0, {}, false},
        {V4L2_CID_TILT_SPEED, true, UVC_CT_PANTILT_RELATIVE_CONTROL, 16, 16, kInt, true, Special::RelativeSpeed, 0,
         0, {}, false},
    };
    // clang-format on
    return table;
}

int32_t ReadBits(const Bytes& data, unsigned offset, unsigned size, bool isSigned) {
    uint64_t raw = 0;
    const unsigned first = offset / 8;
    for (unsigned i = 0; i < (size + 7) / 8 && first + i < data.size(); ++i)
        raw |= static_cast<uint64_t>(data[first + i]) << (8 * i);
    const uint64_t mask = size >= 64 ? ~0ull : (1ull << size) - 1;
    raw &= mask;
    if (isSigned && size > 0 && ((raw >> (size - 1)) & 1)) raw |= ~mask;
    return static_cast<int32_t>(static_cast<int64_t>(raw));
}

void WriteBits(Bytes& data, unsigned offset, unsigned size, int32_t value) {
    const unsigned first = offset / 8;
    for (unsigned bit = 0; bit < size; ++bit) {
        const unsigned byte = first + bit / 8;
        if (byte >= data.size()) break;
        const uint8_t mask = static_cast<uint8_t>(1u << (bit % 8));
        if ((static_cast<uint32_t>(value) >> bit) & 1) data[byte] |= mask;
        else data[byte] &= static_cast<uint8_t>(~mask);
    }
}

uint8_t Direction(int32_t v) { return v == 0 ? 0 : v > 0 ? 1 : 0xFF; }
uint8_t Magnitude(int32_t v) {
    return static_cast<uint8_t>(std::min<int64_t>(std::llabs(static_cast<int64_t>(v)), 0xFF));
}

}  // namespace

const FakeUvcDriver::Mapping* FakeUvcDriver::Find(uint32_t id, UvcControl*& control) {
    for (const Mapping& mapping : Mappings()) {
        if (mapping.id != id) continue;
        control = camera_->Find(mapping.onTerminal ? camera_->cameraTerminalId : camera_->processingUnitId,
                                mapping.selector);
        if (control != nullptr) return &mapping;
    }
    control = nullptr;
    return nullptr;
}

int32_t FakeUvcDriver::Read(const Mapping& mapping, uint8_t query, const Bytes& data) const {
    const unsigned first = mapping.offset / 8;
    switch (mapping.special) {
    case Special::RelativeSpeed: {
        const auto rel = static_cast<int8_t>(data[first]);
        if (query == UVC_GET_CUR) return rel == 0 ? 0 : rel > 0 ? data[first + 1] : -data[first + 1];
        if (query == UVC_GET_MIN) return -data[first + 1];
        return data[first + 1];
    }
    case Special::Zoom: {
        const auto zoom = static_cast<int8_t>(data[0]);
        if (query == UVC_GET_CUR) return zoom == 0 ? 0 : zoom > 0 ? data[2] : -data[2];
        return data[2];
    }
    case Special::None: break;
    }
    const int32_t value = ReadBits(data, mapping.offset, mapping.size, mapping.isSigned);
    if (mapping.type == kMenu && (query == UVC_GET_CUR || query == UVC_GET_DEF)) {
        for (size_t i = 0; i < mapping.menu.size(); ++i)
            if (mapping.menu[i] == value) return static_cast<int32_t>(i);
    }
    return value;
}

void FakeUvcDriver::Write(const Mapping& mapping, int32_t value, Bytes& data) const {
    const unsigned first = mapping.offset / 8;
    switch (mapping.special) {
    case Special::RelativeSpeed:
        data[first] = Direction(value);
        data[first + 1] = Magnitude(value);
        return;
    case Special::Zoom:
        data[0] = Direction(value);
        data[2] = Magnitude(value);
        return;
    case Special::None: WriteBits(data, mapping.offset, mapping.size, value); return;
    }
}

int32_t FakeUvcDriver::Minimum(const Mapping& mapping, const UvcControl& control) const {
    if (fixedRelativeRanges && mapping.special != Special::None) return -Read(mapping, UVC_GET_MAX, control.max);
    return Read(mapping, UVC_GET_MIN, control.min);
}

int32_t FakeUvcDriver::Maximum(const Mapping& mapping, const UvcControl& control) const {
    return Read(mapping, UVC_GET_MAX, control.max);
}

int FakeUvcDriver::SendRequest(uint8_t request, const UvcControl& control, Bytes& data) {
    const uint8_t type = request == UVC_SET_CUR ? 0x21 : 0xA1;
    const int result = camera_->Receive(type, request, static_cast<uint16_t>(control.selector << 8),
                                        static_cast<uint16_t>(control.unit << 8 | camera_->interfaceNumber),
                                        data.data(), static_cast<uint16_t>(data.size()));
    return result < 0 ? result : 0;
}

int FakeUvcDriver::QueryControl(v4l2_queryctrl& query) {
    if (camera_->unplugged) return -ENODEV;
    UvcControl* control = nullptr;
    const Mapping* mapping = Find(query.id, control);
    if (mapping == nullptr) return -EINVAL;
    const uint32_t id = query.id;
    std::memset(&query, 0, sizeof query);
    query.id = id;
    query.type = mapping->type;
    std::strncpy(reinterpret_cast<char*>(query.name), "control", sizeof query.name - 1);
    if (!control->getCur) query.flags |= V4L2_CTRL_FLAG_WRITE_ONLY;
    if (!control->setCur) query.flags |= V4L2_CTRL_FLAG_READ_ONLY;
    if (mapping->master != 0) {
        UvcControl* masterControl = nullptr;
        const Mapping* master = Find(mapping->master, masterControl);
        if (master != nullptr && masterControl->getCur &&
            Read(*master, UVC_GET_CUR, masterControl->cur) != mapping->masterManual)
            query.flags |= V4L2_CTRL_FLAG_INACTIVE;
    }
    query.default_value = Read(*mapping, UVC_GET_DEF, control->def);
    if (mapping->type == kMenu) {
        query.minimum = 0;
        query.maximum = static_cast<int32_t>(mapping->menu.size()) - 1;
        query.step = 1;
    } else if (mapping->type == kBool) {
        query.minimum = 0;
        query.maximum = 1;
        query.step = 1;
    } else {
        query.minimum = Minimum(*mapping, *control);
        query.maximum = Maximum(*mapping, *control);
        query.step = Read(*mapping, UVC_GET_RES, control->res);
    }
    return 0;
}

int FakeUvcDriver::QueryMenu(v4l2_querymenu& menu) {
    if (camera_->unplugged) return -ENODEV;
    UvcControl* control = nullptr;
    const Mapping* mapping = Find(menu.id, control);
    if (mapping == nullptr || mapping->type != kMenu || menu.index >= mapping->menu.size()) return -EINVAL;
    const int32_t value = mapping->menu[menu.index];
    if (mapping->bitmask && !(ReadBits(control->res, 0, 8 * static_cast<unsigned>(control->res.size()), false) & value))
        return -EINVAL;
    std::strncpy(reinterpret_cast<char*>(menu.name), "entry", sizeof menu.name - 1);
    return 0;
}

int FakeUvcDriver::GetControls(v4l2_ext_controls& request) {
    if (camera_->unplugged) return -ENODEV;
    for (uint32_t i = 0; i < request.count; ++i) {
        v4l2_ext_control& wanted = request.controls[i];
        UvcControl* control = nullptr;
        const Mapping* mapping = Find(wanted.id, control);
        if (mapping == nullptr) return request.error_idx = i, -EINVAL;
        if (!control->getCur) return request.error_idx = i, -EACCES;
        Bytes data(control->cur.size());
        const int result = SendRequest(UVC_GET_CUR, *control, data);
        if (result < 0) return result;
        wanted.value = Read(*mapping, UVC_GET_CUR, data);
    }
    return 0;
}

int FakeUvcDriver::SetControls(v4l2_ext_controls& request) {
    if (camera_->unplugged) return -ENODEV;
    struct Pending {
        UvcControl* control;
        Bytes data;
    };
    std::vector<Pending> pending;
    for (uint32_t i = 0; i < request.count; ++i) {
        v4l2_ext_control& wanted = request.controls[i];
        UvcControl* control = nullptr;
        const Mapping* mapping = Find(wanted.id, control);
        if (mapping == nullptr) return request.error_idx = i, -EINVAL;
        if (!control->setCur) return request.error_idx = i, -EACCES;
        int32_t value = wanted.value;
        if (mapping->type == kInt) {
            // uvc_ctrl_set: round to the step from the minimum, then clamp.
            const int32_t min = Minimum(*mapping, *control);
            const int32_t max = Maximum(*mapping, *control);
            uint32_t step = static_cast<uint32_t>(Read(*mapping, UVC_GET_RES, control->res));
            if (step == 0) step = 1;
            const auto distance = static_cast<uint32_t>(static_cast<int64_t>(value) - min);
            const uint32_t steps = (distance + step / 2) / step;
            value = static_cast<int32_t>(static_cast<uint32_t>(min) + steps * step);
            if (mapping->isSigned) value = std::clamp(value, min, max);
            else
                value = static_cast<int32_t>(
                    std::clamp(static_cast<uint32_t>(value), static_cast<uint32_t>(min), static_cast<uint32_t>(max)));
            wanted.value = value;
        } else if (mapping->type == kBool) {
            value = wanted.value = std::clamp(value, 0, 1);
        } else {
            if (value < 0 || value >= static_cast<int32_t>(mapping->menu.size())) return request.error_idx = i, -ERANGE;
            value = mapping->menu[static_cast<size_t>(value)];
            if (mapping->bitmask &&
                !(ReadBits(control->res, 0, 8 * static_cast<unsigned>(control->res.size()), false) & value))
                return request.error_idx = i, -EINVAL;
        }
        auto slot = std::find_if(pending.begin(), pending.end(),
                                 [&](const Pending& p) { return p.control == control; });
        if (slot == pending.end()) {
            Bytes data(control->cur.size(), 0);
            // A mapping covering part of the control is written over what
            // the camera holds, or over zeros when it cannot be read.
            const bool partial = mapping->size != 8 * control->cur.size();
            if (partial && control->getCur) {
                const int result = SendRequest(UVC_GET_CUR, *control, data);
                if (result < 0) return result;
            }
            pending.push_back({control, data});
            slot = pending.end() - 1;
        }
        Write(*mapping, value, slot->data);
    }
    for (Pending& p : pending) {
        const int result = SendRequest(UVC_SET_CUR, *p.control, p.data);
        if (result < 0) return result;
    }
    return 0;
}

}  // namespace fake
