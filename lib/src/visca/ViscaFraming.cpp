// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "visca/ViscaFraming.h"

#include <algorithm>

namespace lumetra::visca {

DatagramKind ReadDatagram(const uint8_t* data, size_t size, IpPacket& packet) {
    if (size > 0 && (data[0] & 0xF0) == 0x80) return DatagramKind::Raw;
    if (size < kHeaderSize + 1) return DatagramKind::Malformed;
    const size_t length = static_cast<size_t>(data[2]) << 8 | data[3];
    if (length == 0 || length != size - kHeaderSize || length > kLongestMessage) return DatagramKind::Malformed;
    packet.type = static_cast<uint16_t>(data[0] << 8 | data[1]);
    packet.sequence = static_cast<uint32_t>(data[4]) << 24 | static_cast<uint32_t>(data[5]) << 16 |
                      static_cast<uint32_t>(data[6]) << 8 | data[7];
    packet.payload.assign(data + kHeaderSize, data + size);
    return DatagramKind::Ip;
}

Bytes BuildDatagram(uint16_t type, uint32_t sequence, const Bytes& payload) {
    Bytes out;
    out.reserve(kHeaderSize + payload.size());
    out.push_back(static_cast<uint8_t>(type >> 8));
    out.push_back(static_cast<uint8_t>(type));
    out.push_back(static_cast<uint8_t>(payload.size() >> 8));
    out.push_back(static_cast<uint8_t>(payload.size()));
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(sequence >> shift));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

void MessageSplitter::Feed(const uint8_t* data, size_t size) {
    // Drop what was taken before growing, so the buffer stays small.
    if (start_ > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), data, data + size);
}

MessageSplitter::Result MessageSplitter::Next(Bytes& message) {
    const auto begin = buffer_.begin() + static_cast<std::ptrdiff_t>(start_);
    const auto end = std::find(begin, buffer_.end(), uint8_t{0xFF});
    if (end == buffer_.end()) {
        // An overlong message is known before its FF: keep only enough to
        // recognise it, so a stream without FF cannot grow the buffer.
        if (static_cast<size_t>(buffer_.end() - begin) > kLongestMessage) {
            buffer_.clear();
            start_ = 0;
            overlong_ = true;
        }
        return Result::None;
    }
    const size_t length = static_cast<size_t>(end - begin) + 1;
    start_ += length;
    if (overlong_ || length > kLongestMessage) {
        overlong_ = false;
        return Result::Overlong;
    }
    message.assign(begin, end + 1);
    return Result::Message;
}

}  // namespace lumetra::visca
