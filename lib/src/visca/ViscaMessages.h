// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// VISCA messages, without any I/O: what a controller's message asks for
// (ParseMessage), and the bytes a camera answers with.
#pragma once

#include <cstdint>

#include "visca/ViscaFraming.h"

namespace lumetra::visca {

enum class Request {
    // Answered without the camera.
    InterfaceClear,  // 8x 01 00 01 FF
    AddressSet,      // 88 30 01 FF
    CommandCancel,   // 8x 2p FF
    PowerOn,         // 8x 01 04 00 02 FF (the camera is always on)
    // Moves.
    PanTiltDrive,     // 8x 01 06 01 VV WW XX YY FF
    PanTiltAbsolute,  // 8x 01 06 02 VV WW 0Y0Y0Y0Y 0Z0Z0Z0Z FF
    PanTiltRelative,  // 8x 01 06 03 ...
    PanTiltHome,      // 8x 01 06 04 FF
    PanTiltReset,     // 8x 01 06 05 FF
    Zoom,             // 8x 01 04 07 ...
    ZoomDirect,       // 8x 01 04 47 0p 0q 0r 0s FF
    Focus,            // 8x 01 04 08 ...
    FocusDirect,      // 8x 01 04 48 0p 0q 0r 0s FF
    FocusAuto,        // 8x 01 04 38 02 FF
    FocusManual,      // 8x 01 04 38 03 FF
    FocusToggle,      // 8x 01 04 38 10 FF
    FocusOnePush,     // 8x 01 04 18 01 FF
    MemoryReset,      // 8x 01 04 3F 00 pp FF
    MemorySet,        // 8x 01 04 3F 01 pp FF
    MemoryRecall,     // 8x 01 04 3F 02 pp FF
    // Inquiries.
    VersionInquiry,    // 8x 09 00 02 FF
    PowerInquiry,      // 8x 09 04 00 FF
    PanTiltInquiry,    // 8x 09 06 12 FF
    ZoomInquiry,       // 8x 09 04 47 FF
    FocusInquiry,      // 8x 09 04 48 FF
    FocusModeInquiry,  // 8x 09 04 38 FF
};

// Why a message is not taken.
enum class Refusal {
    None,
    Syntax,         // not VISCA, or nothing this camera knows: 90 60 02 FF
    NotExecutable,  // known, but refused here (menus, network, settings): 90 6y 41 FF
};

struct Message {
    Request request = Request::InterfaceClear;
    int address = 1;  // the camera addressed, 1 to 7; 8 for broadcast
    // PanTiltDrive: -1 left/down, 0 stop, +1 right/up; speeds as sent (00 taken).
    int panDirection = 0;
    int tiltDirection = 0;
    int panSpeed = 0;   // 00-18h (and up to 7Fh, taken as the top)
    int tiltSpeed = 0;  // 00-14h
    // Absolute and relative moves: signed 16-bit positions.
    int32_t pan = 0;
    int32_t tilt = 0;
    // Zoom and Focus: -1 wide/near, 0 stop, +1 tele/far; speed 0-7, or -1 for
    // the standard speed.
    int lensDirection = 0;
    int lensSpeed = -1;
    // ZoomDirect, FocusDirect: 0000-FFFFh.
    int32_t position = 0;
    int memory = 0;  // 0-255
    int socket = 0;  // CommandCancel
};

struct Parsed {
    Refusal refusal = Refusal::Syntax;
    Message message;
};

// `bytes` is one whole message, its FF included.
Parsed ParseMessage(const Bytes& bytes);

// True for the requests that are inquiries (answered with data).
bool IsInquiry(Request request);

// Replies of the camera at `address` (1 to 7).
Bytes Ack(int address, int socket);
Bytes Completion(int address, int socket);
Bytes Error(int address, int socket, uint8_t code);
constexpr uint8_t kErrorLength = 0x01;
constexpr uint8_t kErrorSyntax = 0x02;
constexpr uint8_t kErrorBufferFull = 0x03;
constexpr uint8_t kErrorCancelled = 0x04;
constexpr uint8_t kErrorNoSocket = 0x05;
constexpr uint8_t kErrorNotExecutable = 0x41;

// Inquiry answers: 90 50 <data> FF.
Bytes InquiryAnswer(int address, const Bytes& data);
// Four nibbles of a 16-bit value, as positions travel: 0p 0q 0r 0s.
Bytes Nibbles16(int32_t value);
// The reply to AddressSet: the next address after the last camera.
Bytes AddressSetReply(int next);

}  // namespace lumetra::visca
