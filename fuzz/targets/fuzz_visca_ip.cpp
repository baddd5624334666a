// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Sony's VISCA over IP datagrams: read, and a payload read as a message.
// A datagram taken as well-formed carries exactly the length its header
// says, builds back into the same bytes, and its payload parses without
// harm; every parsed message stays within the ranges it promises.
#include <cstdint>

#include "FuzzCheck.h"
#include "visca/ViscaFraming.h"
#include "visca/ViscaMessages.h"

using namespace lumetra::visca;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    IpPacket packet;
    const DatagramKind kind = ReadDatagram(data, size, packet);
    if (kind == DatagramKind::Ip) {
        FUZZ_CHECK(packet.payload.size() + kHeaderSize == size);
        FUZZ_CHECK(size_t(data[2] << 8 | data[3]) == packet.payload.size());
        FUZZ_CHECK(BuildDatagram(packet.type, packet.sequence, packet.payload) == Bytes(data, data + size));
        const Parsed parsed = ParseMessage(packet.payload);
        if (parsed.refusal == Refusal::None) {
            const Message& m = parsed.message;
            FUZZ_CHECK(m.address >= 1 && m.address <= 8);
            FUZZ_CHECK(m.panSpeed >= 0 && m.panSpeed <= 0x7F && m.tiltSpeed >= 0 && m.tiltSpeed <= 0x7F);
            FUZZ_CHECK(m.pan >= -0x8000 && m.pan <= 0x7FFF && m.tilt >= -0x8000 && m.tilt <= 0x7FFF);
            FUZZ_CHECK(m.position >= 0 && m.position <= 0xFFFF);
            FUZZ_CHECK(m.lensSpeed >= -1 && m.lensSpeed <= 7);
            FUZZ_CHECK(m.memory >= 0 && m.memory <= 0xFE);
        }
    } else if (kind == DatagramKind::Raw) {
        FUZZ_CHECK(size > 0 && (data[0] & 0xF0) == 0x80);
    }
    return 0;
}
