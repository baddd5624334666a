// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "visca/ViscaCommands.h"

#include <algorithm>

namespace lumetra::visca {
namespace {

uint8_t Byte(int value) { return static_cast<uint8_t>(value); }

Bytes Lens(uint8_t function, int direction, int speed) {
    const int p = std::clamp(speed, 0, kTopLensSpeed);
    const uint8_t move = direction == 0 ? 0x00 : Byte((direction > 0 ? 0x20 : 0x30) | p);
    return {0x81, 0x01, 0x04, function, move, 0xFF};
}

}  // namespace

Bytes DriveMessage(int pan, int tilt, int panSpeed, int tiltSpeed) {
    const uint8_t panWay = pan < 0 ? 0x01 : pan > 0 ? 0x02 : 0x03;
    const uint8_t tiltWay = tilt > 0 ? 0x01 : tilt < 0 ? 0x02 : 0x03;
    return {0x81,
            0x01,
            0x06,
            0x01,
            Byte(std::clamp(panSpeed, 1, kTopPanSpeed)),
            Byte(std::clamp(tiltSpeed, 1, kTopTiltSpeed)),
            panWay,
            tiltWay,
            0xFF};
}

Bytes HomeMessage() { return {0x81, 0x01, 0x06, 0x04, 0xFF}; }
Bytes ZoomMessage(int direction, int speed) { return Lens(0x07, direction, speed); }
Bytes FocusMessage(int direction, int speed) { return Lens(0x08, direction, speed); }

Bytes ZoomDirectMessage(int position) {
    const uint32_t v = static_cast<uint32_t>(std::clamp(position, 0, 0xFFFF));
    return {0x81, 0x01, 0x04, 0x47, Byte(v >> 12 & 0xF), Byte(v >> 8 & 0xF), Byte(v >> 4 & 0xF), Byte(v & 0xF), 0xFF};
}

Bytes FocusModeMessage(bool automatic) { return {0x81, 0x01, 0x04, 0x38, Byte(automatic ? 0x02 : 0x03), 0xFF}; }

Bytes MemoryMessage(int action, int memory) {
    return {0x81, 0x01, 0x04, 0x3F, Byte(action & 0x03), Byte(memory & 0x7F), 0xFF};
}

Bytes InquiryMessage(uint8_t category, uint8_t function) { return {0x81, 0x09, category, function, 0xFF}; }

bool IsSwitch(uint8_t function) { return function == kBacklight || function == kMirror || function == kFlip; }

Bytes SwitchMessage(uint8_t function, bool on) { return {0x81, 0x01, 0x04, function, Byte(on ? 0x02 : 0x03), 0xFF}; }

Bytes ValueMessage(uint8_t function, int value) {
    const int v = std::clamp(value, 0, 0xFF);
    return {0x81, 0x01, 0x04, function, 0x00, 0x00, Byte(v >> 4), Byte(v & 0xF), 0xFF};
}

bool ParsePictureMessage(const Bytes& b, PictureMessage& picture) {
    if (b.size() < 5 || (b[0] & 0xF0) != 0x80 || b[2] != 0x04 || b.back() != 0xFF) return false;
    const uint8_t function = b[3];
    const bool known = IsSwitch(function) || function == kBrightness || function == kAperture || function == kGain ||
                       function == kColorGain;
    if (!known) return false;
    picture = PictureMessage{};
    picture.function = function;
    if (b[1] == 0x09) {
        picture.inquiry = true;
        return b.size() == 5;
    }
    if (b[1] != 0x01) return false;
    if (IsSwitch(function)) {
        picture.on = b.size() == 6 && b[4] == 0x02;
        return b.size() == 6 && (b[4] == 0x02 || b[4] == 0x03);
    }
    if (b.size() != 9 || b[4] != 0 || b[5] != 0 || b[6] > 0x0F || b[7] > 0x0F) return false;
    picture.value = b[6] << 4 | b[7];
    return true;
}

Reply ReadReply(const Bytes& b) {
    Reply reply;
    if (b.size() < 3 || (b[0] & 0x8F) != 0x80 || b.back() != 0xFF) return reply;
    reply.socket = b[1] & 0x0F;
    switch (b[1] & 0xF0) {
    case 0x40:
        if (b.size() == 3) reply.kind = Reply::Ack;
        break;
    case 0x50:
        if (b.size() == 3) {
            reply.kind = Reply::Completion;
        } else {
            reply.kind = Reply::Answer;
            reply.data.assign(b.begin() + 2, b.end() - 1);
        }
        break;
    case 0x60:
        if (b.size() == 4) {
            reply.kind = Reply::Error;
            reply.error = b[2];
        }
        break;
    default: break;
    }
    return reply;
}

int32_t NibbleValue(const Bytes& data, size_t at) {
    if (data.size() < at + 4) return -1;
    int32_t v = 0;
    for (size_t i = at; i < at + 4; ++i) {
        if (data[i] > 0x0F) return -1;
        v = v << 4 | data[i];
    }
    return v;
}

}  // namespace lumetra::visca
