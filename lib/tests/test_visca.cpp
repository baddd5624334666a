// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The VISCA codec against byte sequences written out by hand from the
// protocol: headers, stream cuts, the command set and the replies.
#include <gtest/gtest.h>

#include <string>

#include "visca/ViscaFraming.h"
#include "visca/ViscaMessages.h"
#include "ViscaHex.h"

using namespace lumetra::visca;
using lumetra::test::Hex;

namespace {

TEST(ViscaFraming, DatagramsAreReadByTheirHeaderAndDroppedWhenItsLengthDisagrees) {
    struct Case {
        const char* bytes;
        DatagramKind kind;
        uint16_t type;
        uint32_t sequence;
        const char* payload;
        // A table, laid out by hand.
        // clang-format off
    } cases[] = {
        {"0100 0009 00000001 8101060118140303FF", DatagramKind::Ip, 0x0100, 1, "8101060118140303FF"},
        {"0110 0005 FFFFFFFF 81090002FF", DatagramKind::Ip, 0x0110, 0xFFFFFFFF, "81090002FF"},
        {"0200 0001 00000000 01", DatagramKind::Ip, 0x0200, 0, "01"},
        {"8101060418FF", DatagramKind::Raw, 0, 0, ""},
        {"0100 0006 00000001 81010604FF", DatagramKind::Malformed, 0, 0, ""},   // says 6, carries 5
        {"0100 0004 00000001 81010604FF", DatagramKind::Malformed, 0, 0, ""},   // says 4, carries 5
        {"0100 0000 00000001", DatagramKind::Malformed, 0, 0, ""},              // no payload
        {"010000", DatagramKind::Malformed, 0, 0, ""},                          // no whole header
        {"", DatagramKind::Malformed, 0, 0, ""},
        {"0100 0011 00000001 810101010101010101010101010101FFFF", DatagramKind::Malformed, 0, 0, ""},  // 17: too long
    };
    // clang-format on
    for (const Case& c : cases) {
        const Bytes in = Hex(c.bytes);
        IpPacket packet;
        ASSERT_EQ(ReadDatagram(in.data(), in.size(), packet), c.kind) << c.bytes;
        if (c.kind != DatagramKind::Ip) continue;
        EXPECT_EQ(packet.type, c.type) << c.bytes;
        EXPECT_EQ(packet.sequence, c.sequence) << c.bytes;
        EXPECT_EQ(packet.payload, Hex(c.payload)) << c.bytes;
        EXPECT_EQ(BuildDatagram(c.type, c.sequence, packet.payload), in) << "built again";
    }
}

TEST(ViscaFraming, AStreamYieldsTheSameMessagesHoweverItIsCut) {
    const Bytes stream = Hex("8101060118140303FF 81090002FF 8101043F0203FF");
    const std::vector<Bytes> expected = {Hex("8101060118140303FF"), Hex("81090002FF"), Hex("8101043F0203FF")};
    // Every way of cutting it in two, and byte by byte.
    for (size_t cut = 0; cut <= stream.size(); ++cut) {
        for (size_t piece : {cut, size_t{1}}) {
            if (piece == 0 && cut != 0) continue;
            MessageSplitter splitter;
            std::vector<Bytes> got;
            Bytes message;
            auto drain = [&] {
                MessageSplitter::Result r;
                while ((r = splitter.Next(message)) != MessageSplitter::Result::None) {
                    ASSERT_EQ(r, MessageSplitter::Result::Message);
                    got.push_back(message);
                }
            };
            if (piece == cut) {
                splitter.Feed(stream.data(), cut);
                drain();
                splitter.Feed(stream.data() + cut, stream.size() - cut);
                drain();
            } else {
                for (uint8_t byte : stream) {
                    splitter.Feed(&byte, 1);
                    drain();
                }
            }
            EXPECT_EQ(got, expected) << "cut at " << cut << " pieces of " << piece;
            EXPECT_EQ(splitter.Pending(), 0u);
        }
    }
}

TEST(ViscaFraming, AnOverlongMessageIsOneBadMessageAndTheNextStartsClean) {
    MessageSplitter splitter;
    const Bytes junk(5000, 0x81);
    splitter.Feed(junk.data(), junk.size());
    Bytes message;
    EXPECT_EQ(splitter.Next(message), MessageSplitter::Result::None);
    EXPECT_LE(splitter.Pending(), kLongestMessage) << "a stream without FF must not grow the buffer";
    const Bytes rest = Hex("0000FF 81010604FF");
    splitter.Feed(rest.data(), rest.size());
    EXPECT_EQ(splitter.Next(message), MessageSplitter::Result::Overlong);
    ASSERT_EQ(splitter.Next(message), MessageSplitter::Result::Message);
    EXPECT_EQ(message, Hex("81010604FF"));
    EXPECT_EQ(splitter.Next(message), MessageSplitter::Result::None);
}

TEST(ViscaMessages, TheCommandSetParsesIntoWhatItAsks) {
    struct Case {
        const char* bytes;
        Refusal refusal;
        Request request;
        Message fields;  // only the ones the request uses are compared
    };
    auto drive = [](int pd, int td, int ps, int ts) {
        Message m;
        m.panDirection = pd, m.tiltDirection = td, m.panSpeed = ps, m.tiltSpeed = ts;
        return m;
    };
    auto lens = [](int direction, int speed) {
        Message m;
        m.lensDirection = direction, m.lensSpeed = speed;
        return m;
    };
    auto position = [](int32_t pan, int32_t tilt, int32_t value, int memory) {
        Message m;
        m.pan = pan, m.tilt = tilt, m.position = value, m.memory = memory;
        return m;
    };
    // A table, laid out by hand.
    // clang-format off
    const Case cases[] = {
        {"8101060118140301FF", Refusal::None, Request::PanTiltDrive, drive(0, 1, 0x18, 0x14)},   // up
        {"8101060101020302FF", Refusal::None, Request::PanTiltDrive, drive(0, -1, 1, 2)},        // down
        {"8101060105000103FF", Refusal::None, Request::PanTiltDrive, drive(-1, 0, 5, 0)},        // left, tilt speed 00
        {"8101060118140202FF", Refusal::None, Request::PanTiltDrive, drive(1, -1, 0x18, 0x14)},  // down right
        {"8101060100000303FF", Refusal::None, Request::PanTiltDrive, drive(0, 0, 0, 0)},         // stop, speeds 00
        {"8101060118140403FF", Refusal::Syntax, Request::PanTiltDrive, {}},                      // no direction 04
        {"810106011814030FF", Refusal::Syntax, Request::PanTiltDrive, {}},                       // short
        {"810106021814000000000F0F0FFF", Refusal::Syntax, Request::PanTiltAbsolute, {}},          // 14 bytes
        {"8101060218140F0F0F0F00000100FF", Refusal::None, Request::PanTiltAbsolute, position(-1, 0x10, 0, 0)},
        {"8101060318140000000000000000FF", Refusal::None, Request::PanTiltRelative, position(0, 0, 0, 0)},
        {"8101060218141F0F0F0F00000100FF", Refusal::Syntax, Request::PanTiltAbsolute, {}},        // not a nibble
        {"81010604FF", Refusal::None, Request::PanTiltHome, {}},
        {"81010605FF", Refusal::None, Request::PanTiltReset, {}},
        {"8101040700FF", Refusal::None, Request::Zoom, lens(0, -1)},
        {"8101040702FF", Refusal::None, Request::Zoom, lens(1, -1)},
        {"8101040737FF", Refusal::None, Request::Zoom, lens(-1, 7)},
        {"8101040728FF", Refusal::Syntax, Request::Zoom, {}},                                    // speed 8
        {"810104470A0B0C0DFF", Refusal::None, Request::ZoomDirect, position(0, 0, 0xABCD, 0)},
        {"8101040803FF", Refusal::None, Request::Focus, lens(-1, -1)},
        {"8101040820FF", Refusal::None, Request::Focus, lens(1, 0)},
        {"8101043802FF", Refusal::None, Request::FocusAuto, {}},
        {"8101043803FF", Refusal::None, Request::FocusManual, {}},
        {"8101043810FF", Refusal::None, Request::FocusToggle, {}},
        {"8101041801FF", Refusal::None, Request::FocusOnePush, {}},
        {"8101043F0000FF", Refusal::None, Request::MemoryReset, position(0, 0, 0, 0)},
        {"8101043F0109FF", Refusal::None, Request::MemorySet, position(0, 0, 0, 9)},
        {"8101043F02FEFF", Refusal::None, Request::MemoryRecall, position(0, 0, 0, 0xFE)},
        {"8101043F0300FF", Refusal::Syntax, Request::MemoryRecall, {}},
        {"81010001FF", Refusal::None, Request::InterfaceClear, {}},
        {"88010001FF", Refusal::None, Request::InterfaceClear, {}},
        {"883001FF", Refusal::None, Request::AddressSet, {}},
        {"8101040002FF", Refusal::None, Request::PowerOn, {}},
        {"81090002FF", Refusal::None, Request::VersionInquiry, {}},
        {"81090400FF", Refusal::None, Request::PowerInquiry, {}},
        {"81090612FF", Refusal::None, Request::PanTiltInquiry, {}},
        {"81090447FF", Refusal::None, Request::ZoomInquiry, {}},
        {"81090448FF", Refusal::None, Request::FocusInquiry, {}},
        {"81090438FF", Refusal::None, Request::FocusModeInquiry, {}},
        // Refused: power off, the menu, network and system settings, other families.
        {"8101040003FF", Refusal::NotExecutable, Request::PowerOn, {}},
        {"8101060602FF", Refusal::NotExecutable, Request::PowerOn, {}},
        {"81017E01030000FF", Refusal::NotExecutable, Request::PowerOn, {}},
        {"810A046802FF", Refusal::NotExecutable, Request::PowerOn, {}},
        // Not VISCA, or not for a camera.
        {"8109047E7EFF", Refusal::Syntax, Request::PowerOn, {}},
        {"80010604FF", Refusal::Syntax, Request::PowerOn, {}},      // address 0
        {"89010604FF", Refusal::Syntax, Request::PowerOn, {}},      // address 9
        {"88010604FF", Refusal::Syntax, Request::PowerOn, {}},      // broadcast move
        {"0101060418FF", Refusal::Syntax, Request::PowerOn, {}},
        {"81FF", Refusal::Syntax, Request::PowerOn, {}},
        {"8101FF04FF", Refusal::Syntax, Request::PowerOn, {}},
        {"81010604", Refusal::Syntax, Request::PowerOn, {}},        // no FF
    };
    // clang-format on
    for (const Case& c : cases) {
        const Parsed p = ParseMessage(Hex(c.bytes));
        ASSERT_EQ(p.refusal, c.refusal) << c.bytes;
        if (p.refusal != Refusal::None) continue;
        const Message& m = p.message;
        EXPECT_EQ(m.request, c.request) << c.bytes;
        switch (m.request) {
        case Request::PanTiltDrive:
            EXPECT_EQ(m.panDirection, c.fields.panDirection) << c.bytes;
            EXPECT_EQ(m.tiltDirection, c.fields.tiltDirection) << c.bytes;
            EXPECT_EQ(m.panSpeed, c.fields.panSpeed) << c.bytes;
            EXPECT_EQ(m.tiltSpeed, c.fields.tiltSpeed) << c.bytes;
            break;
        case Request::PanTiltAbsolute:
        case Request::PanTiltRelative:
            EXPECT_EQ(m.pan, c.fields.pan) << c.bytes;
            EXPECT_EQ(m.tilt, c.fields.tilt) << c.bytes;
            break;
        case Request::Zoom:
        case Request::Focus:
            EXPECT_EQ(m.lensDirection, c.fields.lensDirection) << c.bytes;
            EXPECT_EQ(m.lensSpeed, c.fields.lensSpeed) << c.bytes;
            break;
        case Request::ZoomDirect: EXPECT_EQ(m.position, c.fields.position) << c.bytes; break;
        case Request::MemoryReset:
        case Request::MemorySet:
        case Request::MemoryRecall: EXPECT_EQ(m.memory, c.fields.memory) << c.bytes; break;
        default: break;
        }
    }
}

TEST(ViscaMessages, RepliesAreTheBytesACameraSends) {
    // A table, laid out by hand.
    // clang-format off
    const std::pair<Bytes, const char*> cases[] = {
        {Ack(1, 1), "9041FF"},
        {Ack(1, 2), "9042FF"},
        {Completion(1, 1), "9051FF"},
        {Completion(1, 0), "9050FF"},
        {Error(1, 0, kErrorSyntax), "906002FF"},
        {Error(1, 0, kErrorBufferFull), "906003FF"},
        {Error(1, 2, kErrorNotExecutable), "906241FF"},
        {Ack(7, 1), "F041FF"},
        {InquiryAnswer(1, {0x02}), "905002FF"},
        {InquiryAnswer(1, Nibbles16(-1)), "90500F0F0F0FFF"},
        {InquiryAnswer(1, Nibbles16(0x1234)), "9050010203 04FF"},
        {AddressSetReply(2), "883002FF"},
    };
    // clang-format on
    for (const auto& [bytes, hex] : cases) EXPECT_EQ(bytes, Hex(hex)) << hex;
}

}  // namespace
