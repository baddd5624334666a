// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "visca/ViscaMessages.h"

namespace lumetra::visca {
namespace {

Parsed Take(Message message) { return Parsed{Refusal::None, message}; }
Parsed Refuse() {
    Parsed parsed;
    parsed.refusal = Refusal::NotExecutable;
    return parsed;
}
Parsed Syntax() { return Parsed{}; }

// Four bytes 0p 0q 0r 0s at `at`; false when a byte carries more than a nibble.
bool ReadNibbles(const Bytes& b, size_t at, int32_t& value) {
    uint32_t v = 0;
    for (size_t i = at; i < at + 4; ++i) {
        if (b[i] > 0x0F) return false;
        v = v << 4 | b[i];
    }
    value = static_cast<int32_t>(v);
    return true;
}

int32_t Signed16(int32_t value) { return value >= 0x8000 ? value - 0x10000 : value; }

// 00 stop, 02 one way, 03 the other, at the standard speed; 2p and 3p at speed p.
bool ReadLens(uint8_t byte, Message& m) {
    if (byte == 0x00) {
        m.lensDirection = 0;
    } else if (byte == 0x02 || byte == 0x03) {
        m.lensDirection = byte == 0x02 ? 1 : -1;
        m.lensSpeed = -1;
    } else if ((byte & 0xF0) == 0x20 || (byte & 0xF0) == 0x30) {
        if ((byte & 0x0F) > 7) return false;
        m.lensDirection = (byte & 0xF0) == 0x20 ? 1 : -1;
        m.lensSpeed = byte & 0x0F;
    } else {
        return false;
    }
    return true;
}

// 8x 01 ... FF
Parsed ParseCommand(const Bytes& b, Message m) {
    const size_t n = b.size();
    auto is = [&](std::initializer_list<uint8_t> head, size_t length) {
        if (n != length || n < head.size() + 2) return false;
        size_t i = 2;
        for (uint8_t byte : head)
            if (b[i++] != byte) return false;
        return true;
    };
    if (is({0x00, 0x01}, 5)) return m.request = Request::InterfaceClear, Take(m);
    if (is({0x04, 0x00, 0x02}, 6)) return m.request = Request::PowerOn, Take(m);
    if (is({0x04, 0x00, 0x03}, 6)) return Refuse();  // power off: the USB camera cannot be
    if (n == 9 && b[2] == 0x06 && b[3] == 0x01) {
        if (b[4] > 0x7F || b[5] > 0x7F) return Syntax();
        static constexpr int kPan[4] = {2, -1, 1, 0};   // 01 left, 02 right, 03 stop
        static constexpr int kTilt[4] = {2, 1, -1, 0};  // 01 up, 02 down, 03 stop
        if (b[6] < 1 || b[6] > 3 || b[7] < 1 || b[7] > 3) return Syntax();
        m.request = Request::PanTiltDrive;
        m.panSpeed = b[4];
        m.tiltSpeed = b[5];
        m.panDirection = kPan[b[6]];
        m.tiltDirection = kTilt[b[7]];
        return Take(m);
    }
    if (n == 15 && b[2] == 0x06 && (b[3] == 0x02 || b[3] == 0x03)) {
        int32_t pan = 0, tilt = 0;
        if (b[4] > 0x7F || b[5] > 0x7F || !ReadNibbles(b, 6, pan) || !ReadNibbles(b, 10, tilt)) return Syntax();
        m.request = b[3] == 0x02 ? Request::PanTiltAbsolute : Request::PanTiltRelative;
        m.panSpeed = b[4];
        m.tiltSpeed = b[5];
        m.pan = Signed16(pan);
        m.tilt = Signed16(tilt);
        return Take(m);
    }
    if (is({0x06, 0x04}, 5)) return m.request = Request::PanTiltHome, Take(m);
    if (is({0x06, 0x05}, 5)) return m.request = Request::PanTiltReset, Take(m);
    if (n >= 5 && b[2] == 0x06 && b[3] == 0x06) return Refuse();  // the camera's menu
    if (n == 6 && b[2] == 0x04 && (b[3] == 0x07 || b[3] == 0x08)) {
        if (!ReadLens(b[4], m)) return Syntax();
        m.request = b[3] == 0x07 ? Request::Zoom : Request::Focus;
        return Take(m);
    }
    if (n == 9 && b[2] == 0x04 && (b[3] == 0x47 || b[3] == 0x48)) {
        if (!ReadNibbles(b, 4, m.position)) return Syntax();
        m.request = b[3] == 0x47 ? Request::ZoomDirect : Request::FocusDirect;
        return Take(m);
    }
    if (is({0x04, 0x38, 0x02}, 6)) return m.request = Request::FocusAuto, Take(m);
    if (is({0x04, 0x38, 0x03}, 6)) return m.request = Request::FocusManual, Take(m);
    if (is({0x04, 0x38, 0x10}, 6)) return m.request = Request::FocusToggle, Take(m);
    if (is({0x04, 0x18, 0x01}, 6)) return m.request = Request::FocusOnePush, Take(m);
    if (n == 7 && b[2] == 0x04 && b[3] == 0x3F && b[4] <= 0x02) {
        static constexpr Request kMemory[3] = {Request::MemoryReset, Request::MemorySet, Request::MemoryRecall};
        m.request = kMemory[b[4]];
        m.memory = b[5];
        return Take(m);
    }
    // The camera's network, system and vendor settings.
    if (n >= 4 && b[2] == 0x7E) return Refuse();
    return Syntax();
}

Parsed ParseInquiry(const Bytes& b, Message m) {
    if (b.size() != 5) return Syntax();
    const int what = b[2] << 8 | b[3];
    switch (what) {
    case 0x0002: m.request = Request::VersionInquiry; break;
    case 0x0400: m.request = Request::PowerInquiry; break;
    case 0x0612: m.request = Request::PanTiltInquiry; break;
    case 0x0447: m.request = Request::ZoomInquiry; break;
    case 0x0448: m.request = Request::FocusInquiry; break;
    case 0x0438: m.request = Request::FocusModeInquiry; break;
    default: return Syntax();
    }
    return Take(m);
}

uint8_t From(int address) { return static_cast<uint8_t>(0x80 | ((address & 0x07) << 4)); }

}  // namespace

Parsed ParseMessage(const Bytes& b) {
    // Header 8x (from controller 0 to camera x), at least one byte, FF only
    // at the end.
    if (b.size() < 3 || b.size() > kLongestMessage || b.back() != 0xFF) return Syntax();
    for (size_t i = 0; i + 1 < b.size(); ++i)
        if (b[i] == 0xFF) return Syntax();
    if ((b[0] & 0xF0) != 0x80 || (b[0] & 0x0F) == 0 || (b[0] & 0x0F) > 8) return Syntax();
    Message m;
    m.address = b[0] & 0x0F;
    if (m.address == 8) {
        // Broadcast: only the interface's own requests.
        if (b.size() == 4 && b[1] == 0x30 && b[2] == 0x01) return m.request = Request::AddressSet, Take(m);
        if (b.size() == 5 && b[1] == 0x01 && b[2] == 0x00 && b[3] == 0x01)
            return m.request = Request::InterfaceClear, Take(m);
        return Syntax();
    }
    if (b.size() == 3 && (b[1] & 0xF0) == 0x20) {
        m.request = Request::CommandCancel;
        m.socket = b[1] & 0x0F;
        return Take(m);
    }
    if (b[1] == 0x01) return ParseCommand(b, m);
    if (b[1] == 0x09) return ParseInquiry(b, m);
    // 8x 0A: further command families (focus lock and the like), none served.
    if (b[1] == 0x0A) return Refuse();
    return Syntax();
}

bool IsInquiry(Request request) {
    switch (request) {
    case Request::VersionInquiry:
    case Request::PowerInquiry:
    case Request::PanTiltInquiry:
    case Request::ZoomInquiry:
    case Request::FocusInquiry:
    case Request::FocusModeInquiry: return true;
    default: return false;
    }
}

Bytes Ack(int address, int socket) { return {From(address), static_cast<uint8_t>(0x40 | (socket & 0x0F)), 0xFF}; }

Bytes Completion(int address, int socket) {
    return {From(address), static_cast<uint8_t>(0x50 | (socket & 0x0F)), 0xFF};
}

Bytes Error(int address, int socket, uint8_t code) {
    return {From(address), static_cast<uint8_t>(0x60 | (socket & 0x0F)), code, 0xFF};
}

Bytes InquiryAnswer(int address, const Bytes& data) {
    Bytes out;
    out.reserve(data.size() + 3);
    out.push_back(From(address));
    out.push_back(0x50);
    for (uint8_t byte : data) out.push_back(byte);
    out.push_back(0xFF);
    return out;
}

Bytes Nibbles16(int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value) & 0xFFFF;
    return {static_cast<uint8_t>(v >> 12 & 0xF), static_cast<uint8_t>(v >> 8 & 0xF), static_cast<uint8_t>(v >> 4 & 0xF),
            static_cast<uint8_t>(v & 0xF)};
}

Bytes AddressSetReply(int next) { return {0x88, 0x30, static_cast<uint8_t>(next & 0x0F), 0xFF}; }

}  // namespace lumetra::visca
