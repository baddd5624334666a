// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The two ways VISCA travels on a network, without any I/O: Sony's VISCA
// over IP datagram (an 8-byte header before one message) and raw VISCA,
// messages that end in FF, one after another, however a stream cuts them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumetra::visca {

using Bytes = std::vector<uint8_t>;

// The payload types of Sony's header.
enum PayloadType : uint16_t {
    kCommand = 0x0100,
    kInquiry = 0x0110,
    kReply = 0x0111,
    kDeviceSetting = 0x0120,
    kControl = 0x0200,
    kControlReply = 0x0201,
};

// The control payloads: RESET (sequence numbers start again), and the two
// errors a camera reports in a control reply.
constexpr uint8_t kControlReset = 0x01;
constexpr uint8_t kControlErrorSequence = 0x01;  // after 0x0F
constexpr uint8_t kControlErrorMessage = 0x02;   // after 0x0F

constexpr size_t kHeaderSize = 8;
// The longest VISCA message; its header byte, body and FF included.
constexpr size_t kLongestMessage = 16;

struct IpPacket {
    uint16_t type = 0;
    uint32_t sequence = 0;
    Bytes payload;
};

enum class DatagramKind {
    Ip,         // a well-formed header and its payload
    Raw,        // no header: raw VISCA, answered raw
    Malformed,  // a header whose length disagrees with the datagram: dropped
};

// What a datagram on the Sony port is. A raw message always begins with a
// byte 8x, which no payload type does.
DatagramKind ReadDatagram(const uint8_t* data, size_t size, IpPacket& packet);

Bytes BuildDatagram(uint16_t type, uint32_t sequence, const Bytes& payload);

// Cuts a byte stream into messages on FF. A message longer than VISCA's
// longest, and a stream of anything else, is thrown away up to its FF and
// reported as one bad message, so a client that lost a byte is answered and
// the next message starts clean.
class MessageSplitter {
public:
    enum class Result { None, Message, Overlong };

    void Feed(const uint8_t* data, size_t size);
    // The next message (FF included) or Overlong; None when the bytes fed
    // so far hold no end of a message.
    Result Next(Bytes& message);
    // Bytes waiting for their FF.
    size_t Pending() const { return buffer_.size() - start_; }

private:
    Bytes buffer_;
    size_t start_ = 0;
    bool overlong_ = false;  // the bytes up to the next FF belong to a message too long to keep
};

}  // namespace lumetra::visca
