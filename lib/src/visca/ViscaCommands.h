// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The controller's side of VISCA, without any I/O: the messages a network
// camera is sent and how its replies read. The picture family (on/off
// switches and direct values of the camera's picture) is parsed here too,
// for the simulated camera; the bridge does not serve it.
#pragma once

#include <cstdint>

#include "visca/ViscaFraming.h"

namespace lumetra::visca {

// The top speeds of a drive: pan 18h, tilt 14h. Never 00, which some
// cameras refuse even for an axis that stops.
constexpr int kTopPanSpeed = 0x18;
constexpr int kTopTiltSpeed = 0x14;
constexpr int kTopLensSpeed = 7;

// Camera 1, the one address a camera on the network answers to.
// pan: -1 left, +1 right, 0 stop; tilt: +1 up, -1 down, 0 stop. Speeds are
// clamped to 1 and the tops.
Bytes DriveMessage(int pan, int tilt, int panSpeed, int tiltSpeed);
Bytes HomeMessage();
// direction: +1 tele or far, -1 wide or near, 0 stop; speed 0 to 7.
Bytes ZoomMessage(int direction, int speed);
Bytes FocusMessage(int direction, int speed);
Bytes ZoomDirectMessage(int position);
Bytes FocusModeMessage(bool automatic);
// action 0 reset, 1 set, 2 recall.
Bytes MemoryMessage(int action, int memory);
Bytes InquiryMessage(uint8_t category, uint8_t function);

// The picture family: 8x 01 04 ff 02|03 FF switches, 8x 01 04 ff 00 00 0p
// 0q FF values, and their inquiries 8x 09 04 ff FF (answered 02|03, or
// 00 00 0p 0q).
enum PictureFunction : uint8_t {
    kBacklight = 0x33,
    kMirror = 0x61,
    kFlip = 0x66,
    kBrightness = 0x4D,
    kAperture = 0x42,
    kGain = 0x4C,
    kColorGain = 0x49,  // saturation: 00 00 00 0p
};
bool IsSwitch(uint8_t function);
Bytes SwitchMessage(uint8_t function, bool on);
Bytes ValueMessage(uint8_t function, int value);  // 0 to FFh

struct PictureMessage {
    bool inquiry = false;
    uint8_t function = 0;
    bool on = false;  // switches
    int value = 0;    // values
};
// One of the picture family; false for any other message.
bool ParsePictureMessage(const Bytes& message, PictureMessage& picture);

// What a camera's reply is.
struct Reply {
    enum Kind { Unknown, Ack, Completion, Answer, Error };
    Kind kind = Unknown;
    int socket = 0;
    uint8_t error = 0;
    Bytes data;  // an inquiry's answer, between 50 and FF
};
Reply ReadReply(const Bytes& message);

// A 16-bit value from the four nibbles at `at` of an answer's data; -1 when
// they are not there.
int32_t NibbleValue(const Bytes& data, size_t at);

}  // namespace lumetra::visca
